Zep [
	Title: "Loop steps give what the general evaluation gives"
	Purpose: {repeat writes its counter in place, caching where the values
	live; loops test a body's exit with one check. These cases sit at the
	edges of both.}
]

; The counter word as a global, as a function's local (values on the stack,
; moved by a recursive call inside the body) and as an object's field.
expect [1 2 3] [out: copy [] repeat i 3 [append out i] out]
down: func [n /local acc k] [
	acc: copy []
	repeat k n [append acc k if k = 2 [append acc down n - 1]]
	acc
]
expect [1 2 1 2 1 3] [down 3]
seen: copy []
o: make object! [
	c: 0
	on-change*: func [word old new] [append seen new]
	count: func [] [repeat c 3 [] c]
]
expect 3 [o/count]
expect [1 2 3] [seen]

; New globals made in the body regrow the global context's values: the
; counter is still written to the right cell.
expect 45450 [
	sum: 0
	repeat j 300 [set to word! append copy "fresh-word-" form j j sum: sum + j]
	sum + fresh-word-300
]

; Each loop kind ending by break, continue, return and an error inside the
; body or the condition.
expect 3 [n: 0 while [n < 5] [n: n + 1 if n = 3 [break]] n]
expect 5 [n: 0 s: 0 while [n < 5] [n: n + 1 if n = 3 [continue] s: s + 1] n]
r: func [] [while [true] [return 4]]
expect 4 [r]
r: func [] [n: 0 while [n: n + 1 if n = 6 [return n] true] []]
expect 6 [r]
expect-error 'throw 'while-cond [while [continue] []]
expect-error 'script 'no-return [while [()] []]
expect-error 'math 'zero-divide [while [true] [1 / 0]]
expect-error 'math 'zero-divide [while [1 / 0] []]
expect 12 [x: 0 repeat i 4 [if odd? i [continue] x: x + (i * 2)] x]
expect 9 [loop 3 [try [break/return 9]]]
r: func [] [repeat i 10 [loop 2 [catch [if i = 3 [return i * 100]]]]]
expect 300 [r]
expect 'zero-divide [e: try [repeat i 3 [if i = 2 [1 / 0]]] e/id]
