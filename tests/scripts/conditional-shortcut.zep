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

; A condition that assigns is taken by the general call, once.
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
