Zep [
	Title: "Series edits whose owner's change handler changes the same series"
	Purpose: {
		An object's on-deep-change* runs before each change to a series it
		owns. When that handler empties, shortens or lengthens the series,
		the edit must act on the series as the handler left it: no crash,
		no stale units brought back, no lost units, a hash! index that
		still finds every element.
	}
]

; The report from the first issue: a handler that clears on every notice.
o: make object! [
	s: copy "abcdefgh"
	f: false
	on-deep-change*: func [o w t a n i p] [if not f [f: true clear s f: false]]
]
try [remove o/s]
expect "" [o/s]

; ---- The handler used below --------------------------------------------------
; It acts once, on the first notice that announces a change, by mode:
; clear empties the series, shrink cuts its first six units, grow appends a
; copy of its first unit.

announcing: [append change clear insert move poke put remove random reverse sort swap take trim]
mode: 'clear
fired: false
o: make object! [
	s: none
	on-deep-change*: func [owner word target action new index part] [
		if all [not fired find announcing action] [
			fired: true
			switch mode [
				clear [clear head s]
				shrink [remove/part head s 6]
				grow [append head s copy/part head s 1]
			]
		]
	]
]
; o/s becomes a fresh copy of init, owned by o through its field s.
watched: func [init] [
	o/s: copy init
	modify o/s 'owned reduce [o 's]
	fired: false
	o
]

; A series is sound when walking it, measuring it and copying it agree,
; when it holds only units of the original (every edit below adds units
; taken from it), and when a hash! finds each element where it is.
sound?: func [s init /local n k found] [
	s: head s
	n: length? s
	k: 0
	foreach x s [
		k: k + 1
		unless find init :x [return false]
		if hash! = type? s [
			found: find s :x
			if any [not found not equal? :x pick found 1] [return false]
		]
	]
	all [n = k n = length? copy s n <= 24]
]

; ---- Every editing action, on every series kind, in every mode ----------------

kinds: reduce [
	"abcdefgh"
	"aé€😀efgh"
	#{0102030405060708}
	[1 2 3 4 5 6 7 8]
	make hash! [1 2 3 4 5 6 7 8]
]
edits: [
	[remove o/s] [remove/part o/s 3] [remove/part next o/s 3] [remove back tail o/s]
	[take o/s] [take/part o/s 3] [take/last o/s] [take/part/last o/s 3] [take/part next o/s 3]
	[remove/key o/s pick o/s 3]
	[n: 0 remove-each x o/s [n: n + 1 n <= 3]]
	[n: 0 remove-each x next o/s [n: n + 1 odd? n]]
	[parse o/s [remove skip to end]] [parse o/s [skip remove [skip skip] to end]]
	[v: o/s/1 parse o/s [skip insert v to end]] [v: o/s/1 parse o/s [skip change [skip skip] v to end]]
	[insert o/s o/s/1] [insert at o/s 7 o/s/1] [append o/s o/s/1] [append/part o/s copy o/s 2]
	[insert/dup at o/s 5 o/s/1 3] [insert at o/s 7 o/s] [append o/s o/s]
	[change o/s o/s/1] [change/part o/s o/s/1 3] [change/part at o/s 5 copy/part o/s 2 3]
	[change/dup at o/s 6 o/s/1 3]
	[poke o/s 7 o/s/1] [clear at o/s 5] [reverse at o/s 3] [reverse/part at o/s 2 5]
	[sort at o/s 3] [sort/reverse at o/s 2]
	[swap at o/s 7 o/s] [swap o/s at o/s 7]
	[move at o/s 7 o/s] [move/part o/s at o/s 6 2] [move/part at o/s 3 at o/s 7 2]
	[random at o/s 2] [random/only at o/s 7]
]
block-edits: [[put o/s pick o/s 3 pick o/s 1] [trim at o/s 3]]
text-edits: [[trim at o/s 3] [trim/with o/s o/s/2]]

foreach init kinds [
	actions: append copy edits either find any-block! type? init [block-edits] [text-edits]
	foreach m [clear shrink grow] [
		mode: m
		foreach edit actions [
			if all [hash! = type? init find mold edit "random"] [continue] ; hash! has no random
			o: watched init
			r: try edit
			; Only poke may refuse: its index may no longer exist.
			if error! = type? :r [
				unless all [r/id = 'out-of-range edit/1 = 'poke] [
					assert-failed "edit" edit "no error" r/id
				]
			]
			unless sound? o/s init [assert-failed form reduce [type? init m] edit "sound" o/s]
		]
	]
]

; ---- What the edits give ---------------------------------------------------------
; Each edit acts on what the handler left: positions past the new tail are
; clamped to it and counts to what remains.

mode: 'shrink ; "abcdefgh" becomes "gh", [1 2 3 4 5 6 7 8] becomes [7 8]
foreach [expected edit] [
	"h" [remove o/s]
	"g" [remove/part next o/s 3 o/s]
	"gh" [remove back tail o/s o/s]
	["gh" ""] [reduce [take/part o/s 3 o/s]]
	[#"h" "g"] [reduce [take/last o/s o/s]]
	"gh" [remove/key o/s #"c" o/s]
	"g" [parse o/s [skip remove [skip skip] to end] o/s]
	"ghXY" [insert at o/s 7 "XY" o/s]
	"ghXY" [append o/s "XY"]
	"ghXXX" [insert/dup at o/s 5 #"X" 3 o/s]
	"Xh" [change o/s #"X" o/s]
	"X" [change/part o/s #"X" 3 o/s]
	"ghXY" [change/part at o/s 5 "XY" 3 o/s]
	"gh" [clear at o/s 5 o/s]
	"hg" [reverse o/s]
	"hg" [sort/reverse o/s]
	"gh" [swap o/s at o/s 7 o/s]
	"hg" [move o/s at o/s 3 o/s]
	"h" [trim/with o/s "g"]
	"gh" [sort random o/s]
] [
	o: watched "abcdefgh"
	expect expected edit
]
o: watched "abcdefgh"
expect-error 'script 'out-of-range [poke o/s 7 #"X"]
expect "gh" [o/s]

foreach [expected edit] [
	[8] [remove o/s]
	[7] [remove/part next o/s 3 o/s]
	[[7 8] []] [reduce [take/part o/s 3 o/s]]
	[7 8 9] [append o/s 9]
	[7 8 9 9 9] [insert/dup at o/s 5 9 3 head o/s]
	[0 8] [change o/s 0 o/s]
	[7 8 0 1] [change/part at o/s 5 [0 1] 3 o/s]
	[7 8 3 0] [put o/s 3 0 o/s]
	[8 7] [move o/s at o/s 3 o/s]
	[7 8] [sort at o/s 3 o/s]
] [
	o: watched [1 2 3 4 5 6 7 8]
	expect expected edit
]

mode: 'grow ; the handler appends the first unit before the edit
foreach [expected edit] [
	[0 1 2 3 4 5 6 7 8 1] [insert o/s 0 o/s]
	[1 2 3 4 5 6 7 8 1 0] [append o/s 0]
	[1 2 3 4 0 0 5 6 7 8 1] [insert/dup at o/s 5 0 2 head o/s]
	[0 4 5 6 7 8 1] [change/part o/s 0 3 o/s]
] [
	o: watched [1 2 3 4 5 6 7 8]
	expect expected edit
]
foreach [expected edit] [
	"abdefgha" [trim/with at o/s 3 "c" o/s]
	"abcdefghaXY" [append o/s "XY"]
	"abXYfgha" [change/part at o/s 3 "XY" 3 o/s]
] [
	o: watched "abcdefgh"
	expect expected edit
]
