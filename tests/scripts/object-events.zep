Zep [
	Title: "Objects: make, copy, construct, class ids, on-change* and on-deep-change*"
]

; make from a spec block and from a prototype; fields and self.
p: make object! [a: 1 b: "x" get-a: func [] [a]]
expect 1 [p/a]
expect 1 [p/get-a]
c: make p [a: 10]
expect 10 [c/get-a]
expect 1 [p/get-a]
q: make object! [a: 1 b: [2]]
expect true [q = make q []]
expect false [q = make q [a: 2]]

; copy is independent; deep copy copies series.
d: copy/deep p
append d/b "y"
expect "x" [p/b]
expect "xy" [d/b]

; construct does not evaluate; /only keeps the words.
k: construct [a: b: on c:]
expect true [k/a]
expect true [k/b]
expect none [k/c]
k2: construct/only [a: b: on c:]
expect 'on [k2/a]

; on-change* fires on assignment after make, with the word, old and new values.
log: copy []
w: make object! [
	x: 1
	on-change*: func [word old new] [append log reduce [word old new]]
]
expect [] [log]
w/x: 2
set in w 'x 3
expect [x 1 2 x 2 3] [log]

; a replaced handler is used at the next assignment.
w/on-change*: func [word old new /local extra] [extra: 1 append log 'replaced]
w/x: 4
expect 'replaced [pick log length? log]

; on-deep-change* fires when a series the object owns changes.
events: copy []
v: make object! [
	items: copy []
	on-deep-change*: func [owner word target action new index part] [
		append events action
	]
]
append v/items 1
expect true [0 < length? events]

; missing fields in paths.
expect-error 'script 'unset-path [p/nope]
