Zep [
	Title: "Appending to blocks and strings, and the repeat counter"
]

; Growing past the size where a series leaves the shared frames keeps every
; value in order.
b: make block! 0
repeat i 300000 [append b i]
expect 300000 [length? b]
expect [1 2 3] [copy/part b 3]
expect [299999 300000] [copy at b 299999]
sum: 0 foreach v b [sum: sum + v]
expect 45000150000.0 [to float! sum]

; The same with text, then widened when a wide character arrives.
s: make string! 0
repeat i 300000 [append s "abcdefghij"]
expect 3000000 [length? s]
expect "jabc" [copy/part at s 2999990 4]
append s "日本"
expect 3000002 [length? s]
expect "ij日本" [copy at s 2999999]
expect "abcde" [copy/part s 5]

; Width combinations of target and value, and positions.
expect "abc日本" [append "abc" "日本"]
expect "日abc" [append "日" "abc"]
expect "abyz" [append "ab" next "xyz"]
expect "abxy" [append/part "ab" "xyzw" 2]
t: "ab" expect "abab" [append t t]
expect 1 [index? append next "abc" "d"]
expect 2 [index? append next "abc" ""]
expect "a<b>" [append "a" <b>]
expect "ab1" [append "ab" 1]

; Owned text still tells its owner about each append.
events: copy []
o: make object! [
	text: copy "x"
	on-deep-change*: func [owner word target action new index part] [append events action]
]
append o/text "yz"
expect "xyz" [o/text]
expect true [0 < length? events]

; The repeat counter in the global context, a function's own context (also
; across a recursive call in the body) and an object's context.
expect 10 [n: 0 repeat k 4 [n: n + k] n]
f: func [depth /local i total] [
	total: 0
	repeat i 3 [
		if depth > 0 [f depth - 1]
		total: total + i
	]
	total
]
expect 6 [f 2]
expect 6 [repeat fresh-counter 3 [] fresh-counter * 2]
seen: copy []
obj: make object! [
	k: 0
	on-change*: func [word old new] [append seen new]
]
do bind [repeat k 3 []] obj
expect 3 [obj/k]
expect [1 2 3] [seen]
