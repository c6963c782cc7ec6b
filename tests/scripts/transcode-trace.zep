Zep [
	Title: "transcode/trace: the events a callback receives and what its answer does"
]

; Each event is logged as its word, type, line, token (a pair of 1-based
; start and end positions, or the loaded value for `load`) and the index of
; the input the callback was given.
log: none
record: func [event [word!] input [string! binary!] type [datatype! word! none!] line [integer!] token] [
	append log reduce [event type line :token index? input]
	true
]
trace: func [src] [log: copy [] transcode/trace src :record log]

cases: [
	; Values get prescan, scan and load; a block opens and closes.
	"a [b]" [
		prescan #(word!) 1 1x2 1
		scan #(word!) 1 1x2 1
		load #(word!) 1 a 1
		prescan #(block!) 1 3x4 3
		open #(block!) 1 3x4 3
		prescan #(word!) 1 4x5 4
		scan #(word!) 1 4x5 4
		load #(word!) 1 b 4
		prescan #(block!) 1 5x6 5
		close #(block!) 1 5x6 5
	]
	; Lines count the line feeds before the token's end; a braced string
	; is prescanned at its opening brace only and loaded at its close.
	"a^/{x^/y} 7" [
		prescan #(word!) 1 1x2 1
		scan #(word!) 1 1x2 1
		load #(word!) 1 a 1
		prescan #(string!) 2 3x4 3
		open #(string!) 2 3x4 3
		close #(string!) 3 7x8 7
		scan #(string!) 3 3x8 3
		load #(string!) 3 "x^/y" 3
		prescan #(integer!) 3 9x10 9
		scan #(integer!) 3 9x10 9
		load #(integer!) 3 7 9
	]
	; A comment is a token without a datatype.
	"; c^/1" [
		prescan #(none) 1 1x4 1
		prescan #(integer!) 2 5x6 5
		scan #(integer!) 2 5x6 5
		load #(integer!) 2 1 5
	]
	; Positions in a string count characters.
	"é 1" [
		prescan #(word!) 1 1x2 1
		scan #(word!) 1 1x2 1
		load #(word!) 1 é 1
		prescan #(integer!) 1 3x4 3
		scan #(integer!) 1 3x4 3
		load #(integer!) 1 1 3
	]
	; ... and bytes in a binary.
	#{C3A92031} [
		prescan #(word!) 1 1x3 1
		scan #(word!) 1 1x3 1
		load #(word!) 1 é 1
		prescan #(integer!) 1 4x5 4
		scan #(integer!) 1 4x5 4
		load #(integer!) 1 1 4
	]
]
foreach [src events] cases [expect events compose [trace (src)]]

; The input handed over is the source itself, at the token's start.
seen: copy []
src: "ab cd"
at-token: func [event input type line token] [[load] append seen same? head input src append seen copy/part input 2 true]
transcode/trace src :at-token
expect [#(true) "ab" #(true) "cd"] [seen]

; A block of event words at the head of the body filters the events.
opens: copy []
only-opens: func [event input type line token] [[open close] append opens reduce [event type] true]
expect [(a) [b]] [transcode/trace "(a) [b]" :only-opens]
expect [open #(paren!) close #(paren!) open #(block!) close #(block!)] [opens]

; A false answer to load drops the value; to prescan it skips the token.
drop-b: func [event input type line token] [[load] token <> 'b]
expect [a c [d]] [transcode/trace "a b c [d b]" :drop-b]
skip-b: func [event input type line token] [either all [event = 'prescan #"b" = pick input 1] [false] [true]]
expect [a c] [transcode/trace "a b c" :skip-b]
expect [a [] c] [transcode/trace "a [b] c" :skip-b]

; A callback that moves its input makes scanning go on from there.
jump: func [event input type line token] [if all [event = 'prescan #"x" = pick input 1] [input: skip input 4] true]
expect [a b] [transcode/trace "a x]( b" :jump]

; The error event: type error!, the bad token's place. A true answer lets
; the error be raised; false ends the transcode quietly where it stands,
; with the series still open closed there; false after moving the input on
; goes on after the bad token (a missing closer at the end of the input has
; nothing after it: moving back into scanned text would meet it again).
errors: copy []
raise-it: func [event input type line token] [[error] append errors reduce [type line token index? input] true]
expect-error 'syntax 'missing [transcode/trace "a ] b" :raise-it]
expect [#(error!) 1 3x4 3] [errors]
errors: copy []
stop: func [event input type line token] [[error] append errors reduce [type line token index? input] false]
expect [a] [transcode/trace "a ] b" :stop]
expect [#(error!) 1 3x4 3] [errors]
expect [a [b (c)]] [transcode/trace "a [b (c" :stop]
expect [(a)] [transcode/trace "(a ] b" :stop]
expect [a/b] [transcode/trace "a/b ]" :stop]
step-over: func [event input type line token] [[error] input: next input false]
expect [a b c] [transcode/trace "a ] b ) c" :step-over]
expect [a [b]] [transcode/trace "a [b" :step-over]
expect [(a b)] [transcode/trace "(a ] b" :step-over]

; With /into the values go into the given block; a callback may transcode
; again while the outer transcode runs.
inner: copy []
nested: func [event input type line token] [[load] if token = 'x [append inner transcode "p [q]"] true]
out: copy [0]
expect [0 x y] [transcode/into/trace "x y" out :nested]
expect [0 x y] [out]
expect [p [q]] [inner]
