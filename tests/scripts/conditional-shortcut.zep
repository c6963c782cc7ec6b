Zep [
	Title: "if, unless and either with a plain condition and literal blocks"
	Purpose: {These calls take a short path: the condition and the blocks
	are taken without the argument loop, and an if or unless whose block
	does not run marks no frame. Results, errors and where they point must
	be those of the general call.}
]

; Results where a value is pushed, stored as a function's result, or
; chosen by nesting.
expect reduce [none 2 none 5] [reduce [if false [1] 2 unless true [3] either 1 > 2 [4] [5]]]
not-reached: func [] [if 1 > 2 [3]]
expect none [not-reached]
unless-of: func [x] [unless x [7]]
expect reduce [none 7 7] [reduce [unless-of true unless-of false unless-of none]]
expect reduce [1 none none 4 5] [reduce [if true [1] if false [2] if none [3] if 0 [4] if "" [5]]]
expect 'b [either 1 = 1 [either 2 = 3 ['a] ['b]] ['c]]
count-down: func [n] [either n < 1 [n] [count-down n - 1]]
expect 0 [count-down 5]

; A condition that assigns is evaluated in the call's frame, once.
x: 0
expect true [if x: 1 > 0 [x]]

; Shapes left to the general call keep its errors: an operator after the
; block, a block argument that is not a block, an unset condition.
expect-error 'script 'expect-arg [if true [1] + 1]
expect-error 'script 'expect-arg [if true 5]
expect-error 'script 'expect-arg [either true [1] 2]
expect-error 'script 'no-return [either () [1] [2]]

; A native made with the entry of if but another spec runs the general call.
my-if: make native! [[a [any-type!] b [block!] c] 1]
expect 10 [my-if true [10] 11]

; Errors inside a block that runs name the conditional and the block.
e: try [either 1 < 2 [undefined-word] [2]]
expect [either [undefined-word]] [reduce [e/where e/near]]
e: try [if 1 < 2 [undefined-word]]
expect [if [undefined-word]] [reduce [e/where e/near]]

; Recursion through taken branches still ends in stack-overflow.
deeper: func [n] [if n > 0 [deeper n + 1]]
expect-error 'internal 'stack-overflow [deeper 1]

; A condition that is no plain expression is evaluated once, in the
; conditional's frame, then the literal blocks are taken as they stand.
calls: 0
counted: func [v] [calls: calls + 1 :v]
expect reduce [1 none 2 3 none] [
	reduce [if counted true [1] if counted false [1] either counted 0 [2] [9]
		unless counted none [3] unless counted 1 [4]]
]
expect 5 [calls]
n: 0
expect 5 [if n: counted 5 [n]]
expect 6 [calls]
nothing: func [] [exit]
expect 1 [if nothing [1]]
expect-error 'script 'no-return [either nothing [1] [2]]
; Arguments that are not literal blocks go on with the general call.
b: [8]
expect 8 [if counted true b]
expect-error 'script 'expect-arg [if counted true 5]
expect-error 'script 'expect-arg [either counted true [1] 2]
expect-error 'script 'expect-arg [if counted true [1] + 1]
expect-error 'script 'no-arg [if counted true]
; Errors and exits met while the condition is evaluated.
e: try [if (undefined-word) [1]]
expect [if [undefined-word]] [reduce [e/where e/near]]
leave-early: func [] [if return 3 [4] 5]
expect 3 [leave-early]
expect 2 [loop 1 [if (break/return 2) [1]] ]

; A leading if or unless whose block does not run is taken with the
; expressions that follow; one whose block runs takes the call.
expect none [(if 1 > 2 [1])]
expect none [(unless 2 > 1 [1])]
expect 5 [(if 1 > 2 [1] 5)]
expect 4 [(if none [1] y: 3 y + 1)]
expect 7 [(if 2 > 1 [7])]
expect 9 [(if false [1] if true [9])]
only-if: func [n] [if n = 7 [return n] n + 100]
expect reduce [7 101] [reduce [only-if 7 only-if 1]]
steps: 0
loop 10 [if steps > 3 [break] steps: steps + 1]
expect 4 [steps]

; Tests of an integer's parity or sign as conditions.
expect reduce [1 none 2 3 none 4 5] [
	reduce [if even? 2 [1] if odd? 2 [1] either zero? 0 [2] [9] unless negative? 1 [3]
		if positive? 0 [0] either odd? -3 [4] [0] unless even? -1 + 2 [5]]
]
expect 1 [if even? 2.0 [1]]
expect-error 'script 'expect-arg [if even? "a" [1]]

; A taken if or unless whose block starts with an exit makes it pending at
; once; an exit with no receiver, or return without its value, takes the
; call and its error.
first-over: func [n] [repeat i 10 [if i > n [return i * 100]] 0]
expect reduce [400 0] [reduce [first-over 3 first-over 20]]
odds: copy [] repeat i 6 [if even? i [continue] append odds i]
expect [1 3 5] [odds]
below: copy [] repeat i 6 [unless i < 4 [break] append below i]
expect [1 2 3] [below]
exits-early: func [] [if true [exit] 5]
expect unset! [type? exits-early]
expect 42 [loop 2 [if true [break/return 42]] ]
e: try [if true [continue]]
expect [continue continue] [reduce [e/id e/where]]
bare-return: func [] [if true [return]]
e: try [bare-return]
expect [no-arg return] [reduce [e/id e/where]]
e: try [if true [return 1]]
expect [return return] [reduce [e/id e/where]]
