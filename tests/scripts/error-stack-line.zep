Zep [
	Title: "Errors: the call stack recorded when an error is thrown, in its text and its stack field"
]
; expect-status: 254

g: func [y] [f y]
f: func [x] [x / 0]

; The stack field of a kept error lists the calls that were live when it
; was thrown (functions only at depth 1, every named frame above).
e: try/keep [g 1]
expect [g f] [e/stack]
h: func [] [try/keep [g 1]]
e: h
expect [h g f] [e/stack]
system/state/stack-trace: 2
e: try/keep [g 1]
expect [e try try g f /] [e/stack]
system/state/stack-trace: 1

; Without /keep the field holds the frame position, and the text lists the
; same calls; collections in between keep them readable.
e: try [g 1]
expect integer! [type? get in e 'stack]
recycle
print form e
system/state/stack-trace: 5
print form e
system/state/stack-trace: 0
print form e
print "--"

; Nothing catches this one: its report names the calls too.
system/state/stack-trace: 5
g 1
