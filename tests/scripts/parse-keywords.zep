Zep [
	Title: "Parse: keywords on block, string and binary input"
]

check: func [cases [block!]] [
	foreach [want input rules] reduce cases [expect want reduce ['parse input rules]]
]

; skip end none fail opt any some while
check [
	true [a b] [skip skip end]
	true "ab" [skip skip end]
	true #{0102} [skip skip end]
	false "a" [skip skip]
	true "ab" ["a" none "b"]
	false "ab" ["a" fail | "b"]
	true "ab" ["x" | "a" fail | "ab"]
	true [b] [opt 'a 'b]
	true #{02} [opt #{01} #{02}]
	true [a a b] [any 'a 'b]
	true #{010102} [some #{01} #{02}]
	true "aaab" [while "a" "b"]
	true #{0101} [while #{01}]
]

; to and thru with literals, sub-rules and end
check [
	true "abc" [to "c" "c"]
	true "abc" [thru "b" "c"]
	true "ab<x>c" [thru <x> "c"]
	true [a b c] [to 'c 'c]
	true [a b c] [thru 'b 'c]
	true #{010203} [to #{03} #{03}]
	true #{010203} [thru #{02} #{03}]
	true "abc" [to ["c" | "b"] "bc"]
	true "abc" [thru ["b" | "c"] "c"]
	true [a 1 b] [to integer! integer! 'b]
	true "abc" [to end]
	true "abc" [thru end]
	false "abc" [to "x"]
	true "aXbXc" [some [thru "X"] "c"]
	true "abc" [thru [end] end]
	true "ABC" [thru #"b" "C"]
]

; not ahead if quote case
check [
	true "ab" [not "b" "ab"]
	false "ab" [not "a" "ab"]
	true "ab" [ahead "a" "ab"]
	true "aab" [not 3 "a" "aab"]
	true [a] [not integer! 'a]
	true "ab" ["a" if (true) "b"]
	false "ab" ["a" if (none) "b"]
	true "ab" [quote "a" "b"]
	true [a |] ['a quote |]
	true [[x]] [quote [x]]
	true [5] [quote 5]
	true "aB" ["a" case yes "B"]
	false "ab" ["a" case yes "B"]
	true "aBc" [case on ["a" "B"] "C"]
	true "AB" [case off "ab"]
]

; break and reject end the innermost loop.
check [
	true "aab" [some ["a" | break] "b"]
	true "aab" [any ["a" reject] "aab"]
	false "ab" [some [reject] "ab"]
	true [1 2 x] [any [integer! | break] 'x]
	; the loop that was innermost when break ran ends, not a later one
	true "abc" [some [[skip break] "x" | 3 skip]]
]

; into descends into a nested series that it must match whole.
check [
	true [a [b c] d] ['a into ['b 'c] 'd]
	true [a "bc" d] ['a into [#"b" #"c"] 'd]
	true [#{0102}] [into [#{01} #{02}]]
	false [a [b c x] d] ['a into ['b 'c] 'd]
	false [a b] [into ['a] 'b]
	true [[a] [b]] [into ['a] into ['b]]
	true [x (a)] ['x into ['a]]
]
inner: ['b 'c]
expect true [parse [[b c]] [into inner]]

; Datatype and typeset matches: by item on blocks, by loaded value on binary.
check [
	true [1 2.5 "s"] [integer! float! string!]
	true [1 2.5] [2 number!]
	true #{3132} [integer!]
	true #{31206162} [integer! word!]
	false #{22} [integer!]
]
expect-error 'script 'parse-unsupported [parse "12" [integer!]]

; copy and set
expect true [parse "abc" [copy x 2 skip "c"]]
expect "ab" [x]
expect true [parse "ab" [copy x to end]]
expect "ab" [x]
expect true [parse "ab" [set x to end]]
expect #"a" [x]
expect true [parse "ab" [set x none "ab"]]
expect none [x]
expect true [parse #{0102} [set x skip copy y skip]]
expect 1 [x]
expect #{02} [y]
expect true [parse [a b c] [skip copy x to end]]
expect [b c] [x]
expect true [parse [[1]] [set x block!]]
expect [1] [x]
expect false [parse "ab" [copy x "x" | "b"]]
