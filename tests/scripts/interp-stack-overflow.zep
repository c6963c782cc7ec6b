Zep [
	Title: "Endless recursion raises stack-overflow, whichever stack fills first"
]

; Frames fill first: the error comes back whole and the stacks work after.
f: func [] [f]
e: try [f]
expect error! [type? e]
expect 'internal [e/type]
expect 'stack-overflow [e/id]

expect 3 [1 + 2]

; Argument cells fill first.
g: func [a1 a2 a3 a4 a5 a6 a7 a8 a9 a10] [g 1 2 3 4 5 6 7 8 9 10]
e: try [g 1 2 3 4 5 6 7 8 9 10]
expect 'stack-overflow [e/id]
expect 10 [h: func [n] [either n = 0 [0] [1 + h n - 1]] h 10]
