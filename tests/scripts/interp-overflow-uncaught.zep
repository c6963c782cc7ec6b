Zep [
	Title: "An endless recursion nothing catches is reported, not a crash"
]
; expect-status: 254
o: make object! [
	v: 0
	on-change*: func [word old new] [v: new + 1]
]
o/v: 1
