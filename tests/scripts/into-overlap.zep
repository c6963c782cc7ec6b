Zep [
	Title: "compose/into, reduce/into and collect into a series they read"
]

; The target is the source itself, or a position in it: the source is read
; as it was before anything was added (the target in insert mode at its
; position, in append mode at its tail).
foreach [expected code] [
	[1 2 1 2] [b: [1 2] reduce/into b b b]
	[1 1 2 2] [b: [1 2] reduce/into b next b head b]
	[1 2 1 2] [b: [1 2] reduce/into b tail b b]
	[1 (1 + 2) 1 3] [b: [1 (1 + 2)] reduce/into b tail b b]
	[1 2 3 2 3] [b: [1 2 3] reduce/into next b next b head b]
	[2 (2)] [b: copy [(2)] reduce/into b b b]
	[1 2 1 (2)] [b: copy [1 (2)] compose/into b b b]
	[1 (2) 1 2] [b: copy [1 (2)] compose/into b tail b b]
	[1 1 2 (2)] [b: copy [1 (2)] compose/into b next b head b]
	[a b 2 b (1 + 1)] [b: copy [a b (1 + 1)] compose/into next b next b head b]
	[1 2 1 2] [c: copy [1 2] compose/into [(c)] c c]
	[1 2 1 2] [c: copy [1 2] compose/into [(c)] tail c c]
	[1 1 2 2] [c: copy [1 2] compose/into [(c)] next c head c]
	[x 1 2 1 2] [c: copy [x 1 2] compose/into [(next c)] tail c c]
] [expect expected code]

; compose/deep into a block nested in the source reads the nested block as it
; was too; without /deep a nested block is added as it is.
b: copy/deep [(1) [a (2)]]
compose/deep/into b b/2
expect [1 [a 2] a (2)] [b/2]
expect 4 [length? b/2]
b: copy/deep [(1) [a (2)]]
compose/deep/into b tail b/2
expect [a (2) 1 [a 2]] [b/2]
b: copy/deep [x [(1) [y (2)]]]
compose/deep/into b b/2/2
expect [x [1 [y 2]] y (2)] [b/2/2]
b: copy/deep [(1) [a (2)]]
compose/into b tail b/2
expect 4 [length? b/2]
assert [same? b/2 pick b/2 4]
c: copy [1 2]
compose/only/into [(c)] c
assert [same? c pick c 1]
expect [1 2] [next c]

; The result is the target at its new position.
b: copy [1 (2)]
r: compose/into b next b
expect [(2)] [r]
expect [1 1 2 (2)] [head r]
expect 4 [index? r]
b: [4 5]
r: reduce/into b b
expect [4 5 4 5] [head r]
expect 3 [index? r]

; collect into keeps a block's own items from a copy of them.
foreach [expected code] [
	[1 2 1 2] [t: copy [1 2] parse [x] [collect into t [keep pick (t) skip]] t]
	[1 2 1 2] [t: copy [1 2] parse [x] [collect after t [keep pick (t) skip]] t]
	[1 1 2 2] [t: copy [1 2] u: next t parse [x] [collect into u [keep pick (t) skip]] t]
	[a b a b] [t: copy [a b] parse reduce [t] [collect into t [into [keep pick to end]]] t]
] [expect expected code]
