Zep [
	Title: "Evaluation: expressions, words, paths, actions, word natives"
]

; Operators apply strictly left to right; a prefix argument takes the chain.
expect 9 [1 + 2 * 3]
expect 7 [1 + (2 * 3)]
expect 3.5 [1 + 2.5]
expect 2147483648.0 [2147483647 + 1]
expect true [1 + 1 = 2]
expect 3 [do [1 2 3]]

; Words of every kind.
expect 5 [a: 5 a]
expect 6 [b: c: 3 b + c]
expect 5 [a: 5 :a]
expect 'foo ['foo]
expect word! [type? 'foo]
expect path! [type? 'a/b]
expect-error 'script 'need-value [do [a:]]
expect-error 'script 'no-op-arg [do [+ 1]]
expect-error 'script 'no-value [never-set-word]

; Paths: selectors, parens, get-words, set-paths, objects and functions.
blk: [10 20 30]
expect 20 [blk/2]
expect 30 [blk/(1 + 2)]
expect 10 [i: 1 blk/:i]
expect [10 99 30] [blk/2: 99 blk]
o: make object! [v: 2 f: func [x /twice] [either twice [x * v * 2] [x * v]] in: make object! [j: 3]]
expect 6 [o/f 3]
expect 12 [o/f/twice 3]
expect 3 [o/in/j]
expect 4 [o/v: 4 o/v]
expect-error 'script 'no-refine [o/f/thrice 3]
expect-error 'script 'invalid-path-set [do [sub2: func [x] [x] sub2/x: 1]]
expect-error 'script 'bad-path-type [do [o/f/twice: 1]]
expect-error 'script 'unset-path [never-set-word/x]

; Actions: dispatch by the first argument's type, /part and /dup rules.
expect [a b] [append/part [] at [a b c d] 3 -2]
expect [1] [append/dup [1] 'x 0]
expect "" [form/part [1 2 3] 0]
expect 'a [pick [a b] true]
expect 'b [pick [a b] false]
expect 7 [make integer! 7]
expect-error 'script 'expect-arg [append 1 2]
expect-error 'script 'invalid-compare [1 < "a"]
expect false [1 = "a"]

; Word, function and context natives.
expect 1 [set [a b] [1] a]
expect none [set [a b] [1] b]
expect 7 [a: 7 set/some [a] none a]
expect 0 [a: 0 try [set [a 1] [2 3]] a]
expect-error 'script 'invalid-arg [set [a 1] [2 3]]
expect unset! [type? get/any 'never-set-word]
expect false [a: 1 unset 'a value? 'a]
expect 1 [f: does [1] f]
expect 0 [x: 0 f: has [x] [x: 1] f x]
expect 0 [x: 0 f: function [] [x: 1] f x]
expect 1 [x: 0 f: function [/extern x] [x: 1] f x]
expect none [in o 'missing]
expect 'v [in o /v]
expect true [same? o context? in o 'v]
expect false [new-line? tail [1]]
expect true [blk: [a b c] new-line next blk true new-line? next blk]

; Series actions call a comparison function through the evaluator.
expect [3 2 1] [sort/compare [1 3 2] func [a b] [a > b]]
