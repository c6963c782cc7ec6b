#!/usr/bin/env zep
Text before the header is skipped: this-word-has-no-value [
Zep [
	Title: "Start-up: the library's top level"
]

; The logic and none words.
foreach [word value] [
	none #(none) true #(true) false #(false)
	yes #(true) no #(false) on #(true) off #(false)
][
	expect value [get word]
]

; Every native's word holds the native of its index in the natives table.
natives: [
	if unless either any all while until loop repeat forever
	foreach forall remove-each func function does has switch case do
	get set print prin equal? not-equal? strict-equal? lesser? greater? lesser-or-equal?
	greater-or-equal? same? not type? reduce compose stats bind in parse
	union intersect unique difference exclude complement? dehex enhex negative? positive?
	max min shift to-hex sine cosine tangent arcsine arccosine arctangent
	arctangent2 NaN? log-2 log-10 log-e exp square-root construct value? try
	uppercase lowercase as-pair as-point2D as-point3D as-money break continue exit return
	throw catch extend debase to-local-file wait checksum unset new-line new-line?
	enbase context? set-env get-env list-env now sign? as call zero?
	size? browse compress decompress recycle transcode apply
]
expect 107 [length? natives]
index: 0
foreach word natives [
	index: index + 1
	expect native! [type? get word]
	expect index [reflect get word 'body]
]

; Every action's word holds the action of its number (8 is unused).
actions: [
	make random reflect to form mold eval-path - compare absolute
	add divide multiply negate power remainder round subtract even? odd?
	and~ complement or~ xor~ append at back change clear copy
	find head head? index? insert length? move next pick poke
	put remove reverse select sort skip swap tail tail? take
	trim create close delete modify open open? query read rename
	update write
]
index: 0
foreach word actions [
	index: index + 1
	if word <> '- [
		expect action! [type? get word]
		expect index [reflect get word 'body]
	]
]
expect 62 [index]

; The typesets hold their member types, and no others.
foreach [typeset member holds?] [
	any-list! paren! #(true)
	any-list! path! #(false)
	any-path! get-path! #(true)
	any-block! hash! #(true)
	any-block! set-path! #(true)
	any-block! string! #(false)
	any-function! op! #(true)
	any-function! function! #(true)
	any-object! error! #(true)
	any-string! ref! #(true)
	any-string! issue! #(false)
	any-word! lit-word! #(true)
	any-word! refinement! #(false)
	all-word! refinement! #(true)
	all-word! issue! #(true)
	series! binary! #(true)
	series! file! #(true)
	series! lit-path! #(true)
	series! map! #(false)
	number! percent! #(true)
	number! money! #(false)
	any-point! point3D! #(true)
	scalar! date! #(true)
	scalar! tuple! #(true)
	scalar! string! #(false)
	immediate! word! #(true)
	immediate! typeset! #(true)
	immediate! block! #(false)
	planar! pair! #(true)
	planar! point3D! #(false)
][
	expect typeset! [type? get typeset]
	expect holds? [to logic! find get typeset get member]
]

; Datatype words stand for their datatypes.
expect datatype! [type? integer!]
expect integer! [type? 1]
