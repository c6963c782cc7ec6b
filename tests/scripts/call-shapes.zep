Zep [
	Title: "Calls whose arguments are all evaluated"
	Purpose: {Calls from code of functions and natives whose specs hold only
	evaluated arguments (then a return type, /local words, or a native's
	refinements) take a short path; these cases sit at its edges.}
]

; Type checks over the whole range of datatypes: the call accepts exactly
; what the typeset holds (the typeset's own find is the oracle) and names
; the argument it rejects.
values: reduce [
	1 2.5 "s" #"c" [b] 'w make object! [x: 1] make map! [] 1:00 1-Jan-2000
	#{00} none true 1x2 $1 <t> %f make typeset! [integer!] :append
]
foreach types [
	[integer!] [object!] [map! date!] [series!] [number! none!]
	[time! pair! money!] [typeset! native!] [any-type!]
][
	accepted: make typeset! types
	one: func compose/deep [v [(types)]] [type? :v]
	two: func compose/deep [a b [(types)]] [type? :b]
	foreach v values [
		either find accepted type? :v [
			expect type? :v [one :v]
			expect type? :v [two 0 :v]
		][
			e: try [two 0 :v]
			expect reduce ['expect-arg 'two type? :v 'b] [reduce [e/id e/arg1 e/arg2 e/arg3]]
		]
	]
]
; A literal argument is checked like an evaluated one.
two: func [a b [integer!]] [b]
expect reduce ['expect-arg 'two block! 'b] [e: try [two 0 [x]] reduce [e/id e/arg1 e/arg2 e/arg3]]

; Missing arguments name the first one missing.
expect [no-arg two b] [e: try [do [two 0]] reduce [e/id e/arg1 e/arg2]]
expect [no-arg two a] [e: try [do [two]] reduce [e/id e/arg1 e/arg2]]

; An operator made from such a function checks both operands.
plus: make op! func [a [integer!] b [integer!]] [a + b]
expect 3 [1 plus 2]
expect 10 [1 plus 2 plus 3 plus 4]
expect [expect-arg a] [e: try ["x" plus 2] reduce [e/id e/arg3]]
expect [expect-arg b] [e: try [1 plus "x"] reduce [e/id e/arg3]]

; /local slots, a return type, locals collected by function.
f: func [a /local b c] [reduce [a b c]]
expect "[1 none none]" [mold f 1]
g: func [a [integer!] return: [integer!]] [a + 1]
expect 3 [g 2]
h: function [a] [b: a * 2 b]
expect 8 [h 4]
expect none [b: none h 1 b]

; Arguments taken literally: a word or other value as it is, a paren
; evaluated, a get-word or get-path read; out of code, unset when the type
; allows it.
lit-w: func ['w] [w]
lit-word-only: func ['w [word!]] [w]
lit-any: func [a 'w [any-type!]] [reduce [a value? 'w]]
v: 7
obj: make object! [f: 8]
expect 'v [lit-w v]
expect 7 [lit-w :v]
expect 8 [lit-w :obj/f]
expect 3 [lit-w (1 + 2)]
expect [1 2 3] [lit-w [1 2 3]]
expect-error 'script 'expect-arg [lit-word-only 5]
expect-error 'script 'no-arg [lit-w]
expect reduce [1 false] [lit-any 1]
expect 6 [n: 0 repeat (pick [i] 1) 3 [n: n + i] n]
expect [a 3] [collected: copy [] foreach (pick [x] 1) [a 3] [append collected x] collected]
; Code cut while an earlier argument ran leaves the later ones unset, taken
; literally or not: never a stale cell past the tail.
lit-two: func ['p 'q] [q]
lit-two-any: func ['p 'q [any-type!]] [value? 'q]
ev-two: func [p q] [q]
b: [lit-two (clear b recycle) [some block]]
expect-error 'script 'expect-arg [do b]
b: [lit-two-any (clear b recycle) [some block]]
expect false [do b]
b: [ev-two (clear b recycle) [some block]]
expect-error 'script 'expect-arg [do b]

; Specs the short path leaves to the general one.
q: func ['w :x] [reduce [w x]]
expect [p x] [q p x]
r: func [a /on b] [reduce [a on b]]
expect "[1 false none]" [mold r 1]
expect "[1 true 2]" [mold r/on 1 2]

; Natives whose refinements are all off, and their paths.
expect [1 2] [append copy [1] [2]]
expect [1 [2]] [append/only copy [1] [2]]
expect "bc" [find "abc" "b"]

; Exits and collections while arguments are fetched.
k: func [] [two 1 return 5 99]
expect 5 [k]
expect 1 [n: 0 loop 3 [n: n + 1 two 0 break] n]
typed: func [a [integer!] b [integer!]] [a + b]
expect 3 [typed (recycle 1) (recycle 2)]
fresh: func [a [integer!] b [string!]] [reduce [a b]]
expect [1 "x"] [fresh (recycle 1) (recycle "x")]
