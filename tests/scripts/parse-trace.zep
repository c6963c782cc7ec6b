Zep [
	Title: "Parse: the /trace callback and its events"
]

events: copy []
log: func [event [word!] match? [logic!] rule [block!] input [series!] stack [block!] return: [logic!]] [
	append events reduce [event match?]
	true
]

expect true [parse/trace "ab" ["a" "b"] :log]
expect [push #(true) fetch #(true) match #(true) fetch #(true) match #(true) pop #(true) end #(true)] [events]

events: copy []
expect false [parse/trace "b" ["a"] :log]
expect [push #(true) fetch #(true) match #(false) pop #(false) end #(false)] [events]

; A repetition with a sub-rule pushes its frame and iterates.
events: copy []
expect true [parse/trace "aa" [some ["a"]] :log]
kinds: copy []
foreach [e m] events [append kinds e]
expect [push fetch push push fetch match pop iterate push fetch match pop iterate push fetch match pop match pop pop end] [kinds]

; Parens send paren; the callback sees the rule at the cursor, the input
; and the rule stack.
seen: none
peek: func [event match? rule input stack] [
	if event = 'paren [seen: reduce [pick rule 1 index? input length? stack]]
	true
]
expect true [parse/trace "ab" ["a" (1) "b"] :peek]
expect [(1) 2 3] [seen]

; A callback that answers false stops parse, which returns its match flag.
stop: func [event match? rule input stack] [false]
expect true [parse/trace "ab" ["x"] :stop]
n: 0
stop-at-match: func [event match? rule input stack] [either event = 'match [false] [n: n + 1 true]]
expect false [parse/trace "ab" ["x" "y"] :stop-at-match]
expect 2 [n]

; A parse inside the callback works above the stacks of the traced one.
nested: func [event match? rule input stack] [parse "q" [some "q"]]
expect true [parse/trace [a [b]] ['a into ['b]] :nested]
