Zep [
	Title: "Evaluation shortcuts give what the general evaluation gives"
	Purpose: {Plain assignments, integer operators, parens and operator
	operands have short paths; these cases sit at their edges.}
]

; Assignments of plain values and of two integers and an operator.
expect 9 [x: 1 + 2 * 3 x]
expect 5 [x: 2 + 3 x]
expect true [x: 2 < 3 x]
expect 2147483648.0 [x: 2147483647 + 1 x]
expect 3.5 [x: 1 + 2.5 x]
expect 4 [y: 3 x: y + 1 x]
expect [7 7] [a: b: 7 reduce [a b]]
expect-error 'script 'no-value [x: never-set-word + 1]
expect-error 'script 'need-value [do [x: ()]]
f: func [n /local m] [m: n - 1 m: m * 2 m]
expect 8 [f 5]

; An object's field assigned from its own function still fires on-change*.
changes: copy []
o: make object! [
	v: 0
	on-change*: func [word old new] [append changes reduce [word new]]
	bump: func [] [v: v + 1]
]
o/bump
expect [v: 1] [changes]

; Parens: several expressions, the empty paren, exits from inside.
expect 3 [(1 2 3)]
expect 5 [1 + (2 3 4)]
expect [2 4] [reduce [(1 2) (3 4)]]
expect unset! [type? ()]
g: func [] [1 + (return 5) 7]
expect 5 [g]
expect 2 [n: 0 loop 5 [n: n + 1 if n = 2 [(break)]] n]
expect 10 [n: 0 loop 10 [(n: n + 1 continue) n: 100] n]

; Operators whose right operand is evaluated: numbers combine in place,
; anything else goes through the operator itself.
expect 3.5 [1 + (2.5)]
expect true [2 < (3)]
expect 2147483648.0 [2147483647 + (1)]
expect 6 [5 - (f 2) + 3]
expect-error 'script 'expect-arg [1 + ("a")]
h: func [x] [x * 10]
expect 21 [1 + h 2]
; A word or literal first, then operators not all plain: the first value is
; taken on its own and the operators follow as usual.
x: 4
expect 24 [x + (h 2)]
expect 25 [x + 1 + (h 2)]
expect 25 [1 + x + (h 2)]
plus-h: func [v] [v + (h 1) - 2]
expect 12 [plus-h 4]
expect 5.5 [x + 1.5]
e: try [x + (never-set-word)]
expect [never-set-word] [e/near]

; Blocks and parens whose expressions are all plain values, chains of
; integer operators and assignments of them run without their frame; a
; block that only starts so goes on as usual from the first other
; expression, and an error names that expression as near.
expect 3 [do [1 2 3]]
expect 2 [do next [1 2]]
expect unset! [type? do tail [1 2]]
expect [1 2] [do [a: 1 b: a + 1] reduce [a b]]
expect 20 [do [x: 2 + 3 * 4]]
expect true [do [1 + 1 = 2]]
expect 8 [(a: 4 a * 2)]
expect 21 [do [a: 1 b: 2 a + h b]]
expect 10 [i: 0 while [i < 10] [i: i + 1] i]
expect 2147483648.0 [do [x: 2147483647 x: x + 1]]
expect 2.5 [do [x: 1 x + 1.5]]
expect-error 'script 'expect-arg [do [x: 1 x + "a"]]
expect-error 'script 'no-value [do [1 2 never-set-word]]
e: try [x: 1 y: 2 1 + "a"]
expect 5 [index? e/near]
e: try [(y: 2 z: 3 1 + "a")]
expect 5 [index? e/near]

; Tests of an integer's parity and sign with a plain argument give the
; results and errors of their call.
i: 6
expect reduce [true false true false false true false true false] [
	reduce [even? 0 even? 1 odd? -3 odd? 4 zero? 1 zero? 0 positive? 0 negative? -1 even? i + 1]
]
x: 0
expect true [even? x: 4]
expect 4 [x]
expect false [(odd? i)]
big: 2147483647
expect-error 'script 'expect-arg [even? "a"]
expect-error 'script 'expect-arg [zero? "a"]
expect reduce [false true] [reduce [positive? big + 1 - big - 2 zero? 0.0]]
expect true [even? big + 1]
my-test: make action! [[a b] 19]
expect-error 'script 'no-arg [my-test 2]

; A paren that starts with an exit, under its own name or another, or with
; a function named like an exit.
ret: :return
leave-by-alias: func [] [(ret 5) 6]
expect 5 [leave-by-alias]
shadowed-return: func [] [return: func [x] [x * 2] (return 4)]
expect 8 [shadowed-return]
break-by-alias: func [] [loop 3 [(brk: :break) (brk)] 7]
expect 7 [break-by-alias]
