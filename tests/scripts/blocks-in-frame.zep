Zep [
	Title: "Bodies and branches run in their caller's frame; plain returns"
	Purpose: {A function's body, a conditional's branch and the body of a
	loop, catch or try run in the frame of the call that owns them, and a
	return or exit with a plain value is taken without its native's call
	where every frame down to its receiver polls. These cases sit at the
	edges of both.}
]

; Returns with plain values: from a body, through nested loops, through
; try and catch, with an assignment in the value, and after other work.
next-of: func [x] [return x + 1]
expect 6 [next-of 5]
find-first: func [limit] [loop 10 [repeat i limit [if i = 7 [return i]]] 0]
expect 7 [find-first 10]
expect 0 [find-first 5]
guarded: func [x] [try [catch [return x]]]
expect 1 [guarded 1]
count: 0
bump: func [] [return count: count + 1]
expect [1 2 2] [reduce [bump bump count]]
expect 2147483648.0 [do func [] [return 2147483647 + 1]]
expect 4 [do func [] [either true [3 return 4] [5]]]
chatty: func [] [prin "" return 3 print "not reached"]
expect 3 [chatty]
until-big: func [x] [while [true] [if x > 3 [return x] x: x + 1]]
expect 4 [until-big 0]
leave-early: func [] [foreach x [1 2 3] [if x = 2 [exit]] 9]
expect unset! [type? leave-early]

; A local named return is an ordinary function.
own-return: func [/local return] [return: func [v] [v * 2] return 4]
expect 8 [own-return]

; Where nothing receives the exit, or a try/all barrier stands in the way,
; the native's error is raised as before.
expect-error 'throw 'return [do [return 1]]
expect-error 'throw 'return [do [exit]]
barred: func [] [try/all [return 1] 2]
expect 2 [barred]

; Errors inside bodies and branches name the same caller and code as
; before.
in-if: func [] [if true [never-set-a]]
e: try [in-if]
expect [if [never-set-a]] [reduce [e/where e/near]]
in-either: func [x] [either x [never-set-b] [1 / 0]]
e: try [in-either true]
expect [either [never-set-b]] [reduce [e/where e/near]]
e: try [in-either false]
expect '/ [e/where]
in-loop: func [] [loop 2 [never-set-c]]
e: try [in-loop]
expect [loop [never-set-c]] [reduce [e/where e/near]]
in-body: func [] [1 + 2 never-set-d]
e: try [in-body]
expect [in-body [never-set-d]] [reduce [e/where e/near]]

; A branch that cuts itself while it runs ends at its new tail; deep
; recursion through bodies and branches still ends in stack-overflow.
branch: [clear skip branch 2 5 6]
expect [clear skip] [either true branch [0] branch]
deep: func [n] [either n = 0 [0] [1 + deep n - 1]]
expect 1000 [deep 1000]
expect-error 'internal 'stack-overflow [deep 100000000]

; break and continue are taken the same way: from branches, through try and
; catch, and not through a try/all barrier or with no loop to receive them.
expect [1 3 5] [out: copy [] repeat i 6 [if even? i [continue] append out i] out]
expect 4 [n: 0 while [true] [n: n + 1 if n = 4 [break]] n]
expect 3 [n: 0 loop 10 [n: n + 1 try [catch [if n = 3 [break]]]] n]
expect-error 'throw 'break [loop 2 [try/all [break]]]
expect-error 'throw 'continue [do [continue]]

; A loop whose last pass ended with continue gives unset, however the
; continue travelled.
skip-on: :continue
expect unset! [type? repeat i 3 [continue]]
expect unset! [type? repeat i 3 [skip-on]]
expect unset! [type? foreach x [1 2] [if true [continue]]]
