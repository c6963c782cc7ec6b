Zep [
	Title: "Loops with break and continue"
]

; Each loop: continue skips the rest of one pass, break/return ends the loop
; with a value, plain break with unset.
sum: 0
loop 6 [sum: sum + 1 if even? sum [continue] sum: sum + 10]
expect 36 [sum]
expect 1 [loop 3 [break/return 1]]
expect none [loop 0 [1]]
expect 2 [n: 0 loop 2.9 [n: n + 1] n]
expect-error 'script 'out-of-range [loop 3e10 []]

expect 9 [s: 0 repeat i 5 [if even? i [continue] s: s + i] s]
expect 3 [repeat i 3 [] i]
expect 7 [i: 7 repeat i 0 [] i]
expect 4 [repeat i 10 [if i = 4 [break/return i]]]

b: [1 2 3 4 5]
expect 9 [s: 0 while [not tail? b] [x: b/1 b: next b if even? x [continue] s: s + x] s]
expect unset! [type? while [true] [break/return 1]]
expect-error 'throw 'while-cond [while [break] []]

expect 4 [n: 0 until [n: n + 1 if n < 4 [continue] true] n]
expect 5 [n: 0 until [n: n + 1 if n = 5 [break/return n] false]]

expect 3 [n: 0 forever [n: n + 1 if n = 3 [break/return n]]]
expect unset! [type? forever [break]]

; break ends only the innermost loop
expect 2 [n: 0 loop 2 [loop 3 [break] n: n + 1] n]
