Zep [
	Title: "Natives and actions given arguments they cannot use"
	Purpose: {
		Arguments that a spec accepts but that make no sense for the call
		give an error or a plain answer: never a crash or the end of the
		process. Each case here once did one of those.
	}
]

foreach [category id code] [
	; compare takes only the codes that answer true or false.
	script out-of-range [compare 1 1 7]
	script out-of-range [compare "a" "b" 8]
	script out-of-range [compare @ @ 1000000]
	script out-of-range [compare 1 2 -1]
	; eval-path called directly has no path to name in its errors.
	script bad-path-set [eval-path/set [] 0% $0]
	script invalid-path [eval-path 0:00 ()]
	script invalid-path [eval-path 0:00 'day]
	script invalid-path [eval-path/set 1:00 "x" 5]
][expect-error category id code]

foreach [expected code] [
	; in: natives, actions and the ops made of them have no context.
	#(none)  [in :append 'series]
	#(none)  [in :parse 'self]
	#(none)  [in :+ 'value1]
	#(none)  [in :do pick [:a] 1]
	#(true)  [compare 1 1 0]
	#(true)  [compare 'a pick ['a] 1 10]
	1        [eval-path 1:00 'hour]
][expect expected code]

; An op! made of a function still names the function's context.
f: func [a b] [a + b]
g: make op! :f
expect 'a [in :g 'a]
expect #(true) [same? in :f 'b in :g 'b]

; Set operations step through their input by the /skip size, also when it is
; near the integer limit and the input does not start at its head.
b: skip [3 4 5 6] 3
foreach [expected code] [
	[6]         [unique/skip b 2147483647]
	[6]         [union/skip b b 2147483647]
	[x a 1 b 2] [union/skip next [w x a 1] [b 2] 2147483647]
	[]          [exclude/skip b b 2147483647]
][expect expected code]

; A block that holds itself cannot be turned into bytes; nested blocks can.
b: copy [1 2]
poke b 1 b
foreach code [
	[to binary! b]
	[make binary! b]
	[append copy #{} b]
	[to binary! reduce [3 b]]
][expect-error 'internal 'no-cycle code]
expect #{01020304} [to binary! [1 [2 [3]] 4]]
expect-error 'script 'out-of-range [to binary! [[1 300]]]
expect #{0102} [to binary! [[1] 2]]

; A native made with a spec that gives its entry less than the one the entry
; was written for: it molds as made, and its entry runs only on arguments
; the entry's own spec takes.
loose-if: make native! [[x y] 1]
expect-error 'script 'expect-arg [loose-if true 5]
expect 7 [loose-if true [7]]
expect 7 [do reduce [:loose-if true [7]]]
short-if: make native! [[x] 1]
expect-error 'script 'bad-func-def [short-if true]
expect "make native! [[x]]" [mold :short-if]
expect-error 'script 'bad-op-spec [make op! make native! [[a b] 1]]
wider-if: make native! [[a [any-type!] b [block!] c] 1]
expect 8 [wider-if true [8] 3]

; A typeset made into a block or hash! of its datatypes: the new block is
; kept while it grows past its first room.
expect 3 [length? to block! number!]
expect true [(length? to hash! any-type!) > 40]
expect true [(length? to block! any-type!) = length? to hash! any-type!]
