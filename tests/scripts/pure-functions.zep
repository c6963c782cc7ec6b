Zep [
	Title: "Functions that only compute with integers"
	Purpose: {Such functions run on a compiled form. Their results must be
	the general evaluation's, and whatever the compiled form does not
	cover (another type, an overflow, an error, a deep recursion, a word or
	block changed since it was made) must end as the general evaluation
	ends.}
]

; A function's first call may take the general way: each check runs twice.
expect-again: func [expected [any-type!] code [block!]] [
	expect :expected code
	expect :expected code
]

fib: func [n [integer!]] [either n < 2 [n] [(fib n - 1) + (fib n - 2)]]
expect-again [0 1 1 55 6765] [reduce [fib 0 fib 1 fib 2 fib 10 fib 20]]

; Conditions of each plain type, if and unless, comparisons, zero
; arguments with an operator after the call, calls as arguments.
pick-of: func [c] [either c [1] [2]]
expect-again [2 1 1 2] [reduce [pick-of none pick-of true pick-of 0 pick-of false]]
when: func [c x] [if c [x]]
unless-of: func [c x] [unless c [x]]
expect-again reduce [5 none none 6] [reduce [when true 5 when false 5 unless-of true 6 unless-of false 6]]
lt: func [a b] [a < b]
expect-again reduce [true false true] [reduce [lt 1 2 lt 2 1 lt -5 0]]
three: func [] [3]
four: func [] [three + 1]
expect-again 4 [four]
twice: func [n] [n * 2]
quad: func [n] [twice twice n]
expect-again 20 [quad 5]
last-of: func [] [1 2 3 - 2]
expect-again 1 [last-of]

; Functions that call each other, the second defined after the first.
even-n?: func [n] [either n = 0 [true] [odd-n? n - 1]]
odd-n?: func [n] [either n = 0 [false] [even-n? n - 1]]
expect-again reduce [true false true] [reduce [even-n? 10 even-n? 7 odd-n? 9]]

; Another type or an overflow gives the general result.
square: func [n] [n * n]
expect-again [9 2.25 10000000000.0] [reduce [square 3 square 1.5 square 100000]]
expect-again float! [type? square 100000]
expect-again 9 [square 3]

; Errors are raised where the general evaluation raises them.
to-none: func [n] [either n > 0 [to-none n - 1] [n + none]]
expect-again [expect-arg [n + none] +] [e: try [to-none 3] reduce [e/id e/near e/where]]
checked: func [n [integer!]] [either n > 0 [checked n - 1] [checked none]]
expect-again [expect-arg [checked none] checked] [e: try [checked 2] reduce [e/id e/near e/where]]
value-of: func [x [any-type!]] [x]
expect-again [no-value [x] value-of] [e: try [value-of ()] reduce [e/id e/near e/where]]

; A recursion deeper than the compiled form takes, and one deeper than the
; stacks allow.
count: func [n] [either n = 0 [0] [(count n - 1) + 1]]
expect-again [100 1000] [reduce [count 100 count 1000]]
expect-error 'internal 'stack-overflow [count 100000]

; Words and blocks changed since the form was made.
k: 10
add-k: func [n] [n + k]
expect-again 11 [add-k 1]
k: 20
expect-again 21 [add-k 1]
k: "x"
expect-error 'script 'expect-arg [add-k 1]
helper: func [n] [n * 2]
use-helper: func [n] [helper n]
expect-again 6 [use-helper 3]
helper: func [n] [n * 3]
expect-again 9 [use-helper 3]
helper: func [n] [n + 0.5]
expect-again 3.5 [use-helper 3]
choose: func [n] [either n > 0 [1] [2]]
expect-again 1 [choose 5]
; The body's nested blocks are the function's own.
change pick reflect :choose 'body 5 7
expect-again 7 [choose 5]

; A word read as a value that becomes an operator changes how the code
; reads; a function named before it is defined.
plus: 7
ends-with-one: func [n] [n plus 1]
expect-again 1 [ends-with-one 1]
plus: :+
expect-again 2 [ends-with-one 1]
early: func [n] [either n > 0 [late n] [0]]
expect-again 0 [early 0]
late: func [n] [n * 10]
expect-again 30 [early 3]

; An empty body gives unset!.
nothing: func [] []
expect-again unset! [type? nothing]
