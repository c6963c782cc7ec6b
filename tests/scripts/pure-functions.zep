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

; Loops: the last body's value, none when the body never runs, the counter
; left at the count (a global word or an argument), untouched by a count
; below one; a float count takes the general way.
last-square: func [n] [repeat i n [i * i]]
expect-again reduce [16 none none] [reduce [last-square 4 last-square 0 last-square -3]]
i: 99
expect-again 99 [last-square 0 i]
expect-again 4 [last-square 4 i]
expect-again [9 3] [reduce [last-square 3.7 i]]
twice-counted: func [n] [loop 2 [repeat n n [n]]]
expect-again 3 [twice-counted 3]
empty-loop: func [] [loop 2 []]
expect-again unset! [type? empty-loop]
sum-to: func [n] [total: 0 repeat k n [total: total + k] total]
expect-again [55 0] [reduce [sum-to 10 sum-to 0]]
halve: func [n steps] [loop steps [n: n - (n - (n * 0 + 1))] n]
expect-again 1 [halve 9 2]

; A return leaves nested loops, try and catch; not through an operand.
find-seven: func [limit] [loop 10 [repeat j limit [if j = 7 [return j]]] 0]
expect-again [7 0] [reduce [find-seven 10 find-seven 5]]
guarded: func [x] [try [catch [return x]]]
expect-again 5 [guarded 5]
guarded-sum: func [x] [try [x + 1]]
expect-again 3 [guarded-sum 2]
expect-again error! [type? guarded-sum none]

; Writes are undone when the compiled form gives up, so that the general
; evaluation makes each of them once: after an overflow, before an error.
; (Straight code runs the general way: these branch or loop.)
g: 0
bump-times: func [n] [loop 1 [g: g + 1] g * n]
expect-again [2147483647 0] [g: 0 reduce [bump-times 2147483647 g - 1]]
expect-again [4294967294.0 1] [g: 1 reduce [bump-times 2147483647 g - 1]]
bump-then-fail: func [n] [if true [g: g + 1] n + none]
expect-again [expect-arg 1] [g: 0 e: try [bump-then-fail 1] reduce [e/id g]]
count-up: func [n] [repeat g n [if g = 3 [g + none]]]
expect-again [expect-arg 3] [e: try [count-up 5] reduce [e/id g]]

; A written word that holds another value (or an operator) when the
; function is called again.
g: 0
read-g: func [n] [if true [n g: 1]]
expect-again 1 [read-g 5]
g: "text"
expect-again 1 [read-g 5]
reads-then-writes: func [n] [if true [n g g: 1]]
g: 4
expect-again 1 [reads-then-writes 5]
; Read as an operator: n + (g: 1), which leaves g plain again.
g: :+
expect 6 [reads-then-writes 5]
expect 1 [reads-then-writes 5]

; A return made with a stricter spec than start-up's checks a value that is
; not plain against it.
strict-return: make native! [[value [string!]] 80]
returns-paren: func [n] [if true [strict-return (n + 1)] 0]
expect-error 'script 'expect-arg [returns-paren 1]
expect-error 'script 'expect-arg [returns-paren 1]

; Loops of general code (here, the script's) whose bodies only compute with
; integers run compiled too, on their first run: the same values, counters
; and writes as the general way, which takes over when they give up.
n: 0
expect 10 [while [n < 10] [n: n + 1] n]
expect unset! [type? while [n < 20] [n: n + 1]]
total: 0
expect 15 [repeat k 5 [total: total + k]]
expect [5 15] [reduce [k total]]
expect 9 [total: 0 loop 3 [total: total + 3]]
expect [0.0 30] [reduce [loop 2 [total: 0 total + 0.0] total: 30]]
expect 21 [total: 0 repeat k 6 [total: total + (twice k) - k] total]
; An overflow puts the written words back: the general way adds once.
total: 2147483600
expect 2147483699.0 [repeat k 3 [total: total + 33] total]
; A return would leave a function of the general code: such a loop runs
; the general way.
leaves: func [] [repeat k 5 [if k = 2 [return k]] 0]
expect 2 [leaves]
; A loop whose callee has not been called yet.
fresh-double: func [x] [x * 2]
expect 12 [total: 0 loop 3 [total: total + fresh-double 2] total]

; break and continue leave the pass with unset! as its value; while in a
; function; the integer tests.
first-even-over: func [n] [repeat k 100 [if all-even k n [break]] k]
all-even: func [k n] [either even? k [k > n] [false]]
expect-again 12 [first-even-over 11]
odd-sum: func [n] [total: 0 repeat k n [if even? k [continue] total: total + k] total]
expect-again 25 [odd-sum 10]
expect-again reduce [unset! unset! 3] [reduce [
	type? do does [loop 3 [break]]
	type? do does [repeat k 3 [if k = 3 [continue] k]]
	do does [repeat k 3 [if k = 2 [continue] k]]
]]
count-down: func [n] [while [n > 0] [n: n - 1 if n = 3 [break]] n]
expect-again [3 0] [reduce [count-down 10 count-down 2]]
signs: func [n] [reduce [zero? n positive? n negative? n odd? n]]
expect-again [[#(true) #(false) #(false) #(false)] [#(false) #(false) #(true) #(true)]] [
	reduce [signs 0 signs -3]
]
tests-of: func [n] [either zero? n [0] [either negative? n [-1] [either odd? n [1] [2]]]]
expect-again [0 -1 1 2] [reduce [tests-of 0 tests-of -5 tests-of 7 tests-of 8]]
expect-again integer! [type? tests-of 1.5]
