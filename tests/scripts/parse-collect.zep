Zep [
	Title: "Parse: collect and keep"
]

; A top-level collect makes the block the result of parse.
expect [a b] [parse [a b] [collect [keep skip keep skip]]]
expect ["ab"] [parse "abc" [collect [keep to "c" skip]]]
expect [#"a" #"b"] [parse "abc" [collect [keep pick to "c" skip]]]
expect [1 #{0203}] [parse #{010203} [collect [keep skip keep 2 skip]]]
expect [1 2] [parse #{0102} [collect [keep pick 2 skip]]]
expect [b c] [parse [a b c] [skip collect [keep pick 2 skip]]]
expect [[b c]] [parse [a b c] [skip collect [keep 2 skip]]]
expect [] [parse "ab" [collect [keep none 2 skip]]]
; The collected block is the result even when the match fails.
expect [#"a"] [parse "ab" [collect [keep skip]]]

; keep with a paren keeps its value; keep pick spreads a block result.
expect [3 [a b]] [parse [] [collect [keep (1 + 2) keep ([a b])]]]
expect [a b] [parse [] [collect [keep pick ([a b])]]]
; keep of a copy rule keeps the copied value.
expect ["ab"] [parse "ab" [collect [keep copy x 2 skip]]]

; Nested collects: the inner block goes into the outer one.
expect [1 [2 3]] [parse [1 [2 3]] [collect [keep skip into [collect [keep skip keep skip]]]]]
expect [[#"a"] [#"b"]] [parse "ab" [collect [collect [keep skip] collect [keep skip]]]]

; collect set sets a word instead.
expect true [parse "ab" [collect set z [keep skip] skip]]
expect [#"a"] [z]
expect [[#"b"]] [parse "ab" [collect [collect set z [keep skip] collect [keep skip]]]]
expect [#"a"] [z]

; collect into inserts at the target's position; collect after appends.
t: copy [x]
expect true [parse "abc" [collect into t [keep skip keep skip] skip]]
expect [#"a" #"b" x] [t]
t: next copy "xy"
expect true [parse "abc" [collect into t [keep skip keep skip] skip]]
expect "xaby" [head t]
expect "aby" [t]
t: copy "xy"
expect true [parse "abc" [collect after t [keep skip keep 2 skip]]]
expect "xyabc" [t]
t: copy #{00}
expect true [parse #{0102} [collect after t [keep 2 skip]]]
expect #{000102} [t]
t: copy []
expect true [parse [a b] [collect after t [keep pick 2 skip]]]
expect [a b] [t]
t: copy []
expect [[1]] [parse [1 2] [collect [collect into t [keep skip] keep skip]] reduce [t]]

; Errors
expect-error 'script 'parse-keep [parse [1] [keep skip]]
s: "ab"
expect-error 'script 'parse-into-bad [parse s [collect into s skip]]
b: copy #{}
expect-error 'script 'parse-into-type [parse "ab" [collect into b [keep skip]]]
s: copy ""
expect-error 'script 'parse-into-type [parse [a] [collect into s [keep skip]]]
n: 1
expect-error 'script 'parse-into-type [parse [a] [collect into n [keep skip]]]
expect-error 'script 'parse-end [parse [a] [collect into]]
expect-error 'script 'parse-end [parse [a] [collect [keep]]]
