Zep [
	Title: "map!: copy/deep copies the nested series, and the copy stands on its own"
]

inner: make map! [z 0]
m: make map! [a 1 b [x [y]] "k" "v" c "text" d #{0102}]
m/inner: inner
remove/key m 'a

foreach [label copier] [
	"copy"      [copy m]
	"copy/deep" [copy/deep m]
][
	c: do copier
	expect map! [type? c]
	expect length? m [length? c]
	expect none [c/a]
	expect "v" [select c "k"]
	expect "v" [select c "K"]
	expect mold m [mold c]
	expect false [same? m c]
	; the copy takes keys of its own
	put c 'e 5
	expect none [select m 'e]
	; a map held in the map is shared by both copies
	expect true [same? inner c/inner]
]

; Only the deep copy gives the nested series their own copies.
c: copy/deep m
foreach key [b c d] [expect false [same? select m key select c key]]
append c/b 9
append c/b/2 8
append c/c "!"
expect [x [y]] [m/b]
expect [x [y 8] 9] [c/b]
expect "text" [m/c]
c: copy m
expect true [same? m/b c/b]

; Maps that are empty, or that hold themselves, or that are held twice.
expect "#[]" [mold copy/deep make map! []]
self-map: make map! [a 1]
self-map/self: self-map
c: copy/deep self-map
expect true [same? self-map c/self]
shared: make map! [k [1]]
pair: copy/deep reduce [shared shared]
expect true [same? pair/1 pair/2]
c: copy/deep make map! [k [1] s "a"]
expect [1] [c/k]
expect "a" [c/s]
