Zep [
	Title: "Function calls: arguments, refinements, operators, apply, recursion, exits"
]

; Argument modes and operator chaining.
sub: func [a b] [a - b]
id: func [a] [a]
lit: func ['w] [w]
get-arg: func [:v] [v]
opt: func ['a [any-type!]] [value? 'a]
expect 7 [sub 10 3]
expect 3 [id 1 + 2]
expect 7 [1 + id 2 * 3]
expect 'x [lit x]
expect 5 [x: 4 lit (x + 1)]
expect 'g [get-arg g]
expect false [opt]

; Refinements from paths, get-word refinements, refinement errors.
f: func [a /twice /plus n] [
	either twice [a * 2] [either plus [a + n] [a]]
]
expect 5 [f 5]
expect 10 [f/twice 5]
expect 105 [f/plus 5 100]
expect 10 [f/plus/twice 5 100]
expect 1 [plus: false f/:plus 1 2]
expect 3 [plus: true f/:plus 1 2]
expect-error 'script 'no-arg [sub 1]
expect-error 'script 'no-arg [f/plus 1]
expect-error 'script 'expect-arg [g: func [a [integer!]] [a] g "x"]
expect-error 'script 'no-refine [f/other 1]
expect-error 'script 'dup-refine [f/twice/twice 1]
expect-error 'script 'dup-refine [append/only/only [] 1]
expect-error 'script 'bad-refine [f/1 1]
expect [1 [2 3]] [append/only [1] [2 3]]
expect [a b a b] [append/part/dup [] [a b c] 2 2]

; Recursion: each activation sees its own arguments.
fact: func [n] [either n < 2 [1] [n * fact n - 1]]
expect 3628800 [fact 10]
fib: func [n] [either n < 2 [n] [(fib n - 1) + fib n - 2]]
expect 55 [fib 10]
outer: func [a] [id a + 1 a]
expect 1 [outer 1]

; Operators made from functions.
avg: make op! func [a b] [a + b / 2]
expect 3 [2 avg 4]
expect-error 'script 'bad-op-spec [make op! func [a b c] []]
expect-error 'script 'bad-op-spec [make op! func ['a b] []]
; A left operand that holds a series stays alive while the operator's first
; call builds its call spec, traced or not, and while its error is made.
pair-of: make op! func [a b] [reduce [length? a b]]
expect [0 5] [(make hash! []) pair-of 5]
expect-error 'script 'no-arg [(make hash! []) pair-of]
pair-of: make op! func [a b] [reduce [length? a b]]
tracer: func [event code offset value ref frame] []
expect [1 2] [do/trace [(make hash! [1]) pair-of 2] :tracer]

; apply: positional arguments, refinement! switches, /all and /safer.
g: func [a /r b /s c] [reduce [a r b s c]]
expect [1 #(false) #(none) #(true) 3] [apply :g [1 /s true 3]]
expect [1 #(true) 2 #(false) #(none)] [apply/all :g [1 true 2 false 3]]

; return and exit end only their own body; break travels to the loop.
early: func [a] [if a < 0 [return 0] a]
expect 7 [(early -5) + early 7]
inner: func [] [return 3 4]
caller: func [] [inner 10]
expect 10 [caller]
quit-early: func [] [exit 5]
expect #(unset) [quit-early]
expect 8 [h: func [] [do [return 8] 9] h]
expect 2 [n: 0 loop 5 [n: n + 1 k: func [] [break] if n = 2 [k]] n]
expect-error 'throw 'return [do [return 1]]

; Local collection by the function maker.
x: 100
setter: function [] [x: 1 foreach [p q] [a b] [] x]
expect 1 [setter]
expect 100 [x]
keeper: function [/extern x] [x: 2]
keeper
expect 2 [x]

; A [no-trace] function's inner expressions produce no trace events.
n: 0
counter: func [event code offset value ref frame] [n: n + 1]
quiet: func [[no-trace] a] [a + a + a + a]
loud: func [a] [a + a + a + a]
do/trace [quiet 1] :counter
quiet-events: n
n: 0
do/trace [loud 1] :counter
assert [n > quiet-events]
n: 0
do/trace [quiet 1 + 1 + 1 + 1 + 1] :counter
assert [n > quiet-events]
