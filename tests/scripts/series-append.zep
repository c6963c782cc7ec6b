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

; A character or a wider text widens the target, also one with room to
; spare; a narrower text is widened as it is written.
foreach [expected code] [
	"abcé" [append "abc" #"é"]
	"abc日" [append "abc" #"日"]
	"ab😀" [append "ab" "😀"]
	"日本abc" [s: make string! 10 append s "日本" append s "abc"]
	"é日" [s: make string! 10 append s "é" append s "日"]
	"😀é日" [s: make string! 10 append s "😀" append s "é日"]
	"ab日本" [append/part "ab" "日本語" 2]
	"abccc" [append/dup "ab" "c" 3]
] [expect expected code]

; One value appended to a block, and its neighbours: spreading, /only, /dup,
; /part, insert, a position past the tail and a hash!'s index.
foreach [expected code] [
	[a b c] [append [a b] 'c]
	[a b [c]] [append/only [a b] [c]]
	[a b c d] [append [a b] [c d]]
	[a x x x] [append/dup [a] 'x 3]
	[a c] [append/part [a] [c d] 1]
	1 [index? append next [a b] 'c]
	[a b c] [head insert next [a c] 'b]
	3 [index? insert next [a c] 'b]
	[x] [b: copy [1 2 3] c: at b 3 clear b append c 'x]
	[3 4 [e] 2] [
		h: make hash! [a 1 b 2]
		append h [c 3] append h 'd append h 4 append/only h [e]
		reduce [select h 'c select h 'd pick h 9 select h 'b]
	]
] [expect expected code]

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
