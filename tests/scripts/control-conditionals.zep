Zep [
	Title: "Conditionals, switch, case, do, reduce, compose, apply"
]

expect 1 [if () [1]]
expect none [unless () [1]]
expect-error 'script 'no-return [either () [1] [2]]
expect none [any []]
expect none [all []]
expect 3 [any [none false 3]]

; values that share a block fall through to it
expect 10 [switch 2 [1 2 [10] 3 [20]]]
expect none [switch [a] [[a] [1]]]
expect 9 [switch/default 5 [1 [a]] [9]]

expect 5 [case [false [1] true 2 + 3]]
expect 2 [case/all [true [1] true [2]]]
expect none [case/all [true [1] false [2]]]
expect 11 [n: 0 case/all [true [n: n + 1] true [n: n + 10]] n]
expect-error 'script 'need-value [case [true]]

expect 3 [do "1 + 2"]
expect 3 [do/next [1 + 2 3] 'p]
expect [3] [do/next [1 + 2 3] 'p p]
expect [2 a b] [compose [() (1 + 1) ([]) ([a b])]]
expect [[a b]] [compose/only [([a b])]]
expect [[(1)]] [compose [[(1)]]]
expect [[1]] [compose/deep [[(1)]]]
expect [3 3] [reduce [1 + 2 3]]
expect [2 3 x] [b: [x] reduce/into [1 + 1 3] b head b]

expect [1 [2 3]] [apply :append [[1] [2 3] /only true]]
expect [1 [2 3]] [apply/all :append [[1] [2 3] false none true false none]]
expect 3 [apply :+ [1 2]]
