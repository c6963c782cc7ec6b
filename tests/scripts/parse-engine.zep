Zep [
	Title: "Parse: the rule engine"
]

; Each case: the expected result, the input, the rules.
check: func [cases [block!]] [
	foreach [want input rules] reduce cases [expect want reduce ['parse input rules]]
]

; The whole input must match; an empty rule block matches only empty input.
check [
	true [] []
	false [a] []
	true "" []
	false "a" []
	true "aaa" [some "a"]
	false "aaa" [any "b"]
	true "aaa" [any "b" 3 "a"]
]

; Ordered choice with backtracking to the block's start position.
check [
	true "abc" ["ab" "x" | "abc"]
	true "abd" [["a" "b" "c"] | ["a" "b" "d"]]
	false "abd" [["a" "b"] | "abd" "x"]
	true "ac" ["a" ["b" | "c"]]
	true [a b] ['a 'c | 'a 'b]
	true "xy" [["x" | "xy"] "y"]
	false "xy" [["x" | "xy"] end]
]

; Greedy repetition never backtracks into a loop.
check [
	false "aaa" [some "a" "a"]
	true "aaab" [some "a" "b"]
	false "aaa" [any ["a"] "a"]
	true "ab" [any [to end]]
	true "" [any ""]
	true "" [some ""]
	true "ab" [some [opt "a" opt "b"]]
]

; Counts and ranges, written directly or through words.
n: 2 m: 3
check [
	true "aaa" [3 "a"]
	true "aaa" [2 3 "a"]
	false "aaa" [4 "a"]
	true "aa" [n m "a"]
	true "aaa" [n m "a"]
	false "aaaa" [n m "a"]
	true "abc" [0 "x" "abc"]
	true "abc" [0 copy x "x" "abc"]
	true "abc" [0 2 "x" "abc"]
	true "ababx" [2 ["a" "b"] "x"]
	false "abx" [2 ["a" "b"] "x"]
	true [1 2 x] [2 integer! 'x]
]

; Rule references: words whose values are rules.
digit: make bitset! "0123456789"
number: [some digit]
check [
	true "123" [number]
	true "12a" [number "a"]
	false "a" [number]
	true [1 "a" x] [integer! string! word!]
	true [1 "a"] [some [integer! | string!]]
	true [a b] ['a 'b]
]

; Set-words capture the position, get-words move to one.
expect true [parse "abc" [skip p: to end] ]
expect "bc" [p]
expect true [parse "abc" [p: skip skip :p "abc"]]
expect "b" [parse "abc" [skip p: skip to end] copy/part p 1]

; Parens run in the rules; a paren may change the rule block.
expect 3 [n: 0 parse "aaa" [some ["a" (n: n + 1)]] n]
r: ["a" (append r "b")]
expect true [parse "ab" r]

; /part limits the input by length or by position.
expect true [parse/part "abc" ["ab"] 2]
expect false [parse/part "abc" [skip skip skip] 2]
expect false [parse/part "abc" ["abc"] 2]
expect true [parse/part "abc" [to end] 2]
s: "abc"
expect true [parse/part s ["ab"] next next s]
expect true [parse/part "" [] 0]
expect false [parse/part "abc" [] 0]
expect true [parse/part next "abc" ["b"] 1]

; /case makes comparison case-sensitive.
expect true [parse "AAA" [some #"a"]]
expect false [parse/case "AAA" [some #"a"]]
expect true [parse "Ab" ["ab"]]
expect false [parse/case "Ab" ["ab"]]
expect true [parse/case [A] ['A]]

; A nested parse inside a paren uses the shared stacks above this one.
expect true [
	parse "ab" [
		"a" (inner: parse [x [y]] ['x into ['y]])
		"b"
	]
]
expect true [inner]
expect true [parse "ab" ["a" (parse "q" ["z"]) "b"]]

; Exits from a paren leave parse for the construct around it.
expect 7 [loop 3 [parse "a" ["a" (break/return 7)]]]
f: func [] [parse "a" ["a" (return 9)] 1]
expect 9 [f]
expect 2 [n: 0 foreach c "ab" [parse "x" [(n: n + 1) (continue) "y"]] n]
expect true [parse "a" ["a"]]

; A parse after an error starts clean.
try [parse "a" [(make error! "boom")]]
expect true [parse "abc" ["a" "b" "c"]]
