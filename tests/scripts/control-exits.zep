Zep [
	Title: "catch, throw, try and return"
]

expect 1 [catch [throw 1 2]]
expect 1 [catch [throw/name 1 'a]]
expect 1 [catch/name [throw/name 1 'a] [b a]]
; a named catch lets other names and unnamed throws go on outward
expect 2 [catch [catch/name [throw/name 2 'a] 'b 3]]
expect 2 [catch [catch/name [throw 2] 'a 3]]
expect-error 'script 'invalid-refine-arg [catch/name [throw/name 1 'a] [b 1]]
expect-error 'throw 'throw [throw 1]

e: try [1 / 0]
expect 'zero-divide [e/id]
expect 3 [try [1 + 2]]
expect-error 'throw 'break [break]
expect 'break [e: try [break] e/id]
; try/all stops every exit: the break becomes its error, not a broken loop
expect 'break [e: loop 2 [try/all [break]] e/id]
expect 'throw [e: try/all [throw 1] e/id]
expect 8 [loop 3 [try [break/return 8]]]

; return leaves the function from inside nested loops and other natives
f: func [x] [loop 3 [foreach y [1 2] [while [true] [if x = y [return x * 10] break]]] 0]
expect 20 [f 2]
g: func [] [catch [try [all [case [true [reduce [return 5]]]]]] 0]
expect 5 [g]
h: func [] [exit]
expect unset! [type? h]
expect-error 'throw 'return [do [return 1]]
; break inside a called function ends the caller's loop
k: func [] [break]
expect 1 [n: 0 loop 3 [n: n + 1 k] n]
