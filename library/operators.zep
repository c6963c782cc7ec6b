Zep [
	Title: "Infix operators"
	Purpose: {
		The infix operators, each an op! made from the action, native or
		function that does the work, and the three bit-shift functions that
		the shift operators wrap (SHIFT itself takes refinements, which an
		operator cannot pass).
	}
]

shift-right: func [
	"Shift bits to the right"
	data [integer!]
	bits [integer!]
][
	shift data bits
]

shift-left: func [
	"Shift bits to the left"
	data [integer!]
	bits [integer!]
][
	shift/left data bits
]

shift-logical: func [
	"Shift bits to the right (unsigned)"
	data [integer!]
	bits [integer!]
][
	shift/logical data bits
]

+: make op! :add
-: make op! :subtract
*: make op! :multiply
/: make op! :divide
//: make op! :modulo
%: make op! :remainder
**: make op! :power
; The lexer reads "=:" as a malformed token, so = is set through its lit-word.
set '= make op! :equal?
==: make op! :strict-equal?
<>: make op! :not-equal?
<: make op! :lesser?
>: make op! :greater?
<=: make op! :lesser-or-equal?
>=: make op! :greater-or-equal?
=?: make op! :same?
and: make op! :and~
or: make op! :or~
xor: make op! :xor~
<<: make op! :shift-left
>>: make op! :shift-right
>>>: make op! :shift-logical
