Zep [
	Title: "Typeset words"
	Purpose: {
		The global words that hold the standard typesets. A typeset made
		from a block takes each word's value, so a typeset word used in a
		later block adds all of its types. The type tests of the library
		read these words when they run, so a script that sets one of them
		changes the test.
	}
]

; Every datatype: the types that argument specs accept with [any-type!]
; (an argument without a type block accepts every type but unset!).
any-type!: make typeset! [
	datatype! unset! none! logic! block! paren! string! file! url! char!
	integer! float! symbol! context! word! set-word! lit-word! get-word!
	refinement! issue! native! action! op! function! path! lit-path!
	set-path! get-path! routine! bitset! triple! object! typeset! error!
	vector! hash! pair! percent! tuple! map! binary! series! time! tag!
	email! handle! date! port! money! ref! point2D! point3D! image!
]

any-list!: make typeset! [block! paren! hash!]
any-path!: make typeset! [path! lit-path! set-path! get-path!]
any-block!: make typeset! [any-list! any-path!]
any-function!: make typeset! [native! action! op! function! routine!]
any-object!: make typeset! [object! error! port!]
any-string!: make typeset! [string! file! url! tag! email! ref!]
any-word!: make typeset! [word! set-word! lit-word! get-word!]
series!: make typeset! [any-block! any-string! binary! image! vector!]
number!: make typeset! [integer! float! percent!]
any-point!: make typeset! [point2D! point3D!]
scalar!: make typeset! [
	number! any-point! money! char! pair! tuple! time! date!
]
all-word!: make typeset! [any-word! refinement! issue!]
immediate!: make typeset! [
	scalar! all-word! none! logic! datatype! typeset! handle! date!
]
planar!: make typeset! [pair! point2D!]
