Zep [
	Title: "Nesting depth: what the lexer loads can be molded, formed, copied and compared"
]

; Text that opens n blocks inside one another, around an x.
nest: func [n /local s] [
	s: make string! 2 * n + 1
	loop n [append s "["]
	append s "x"
	loop n [append s "]"]
	s
]
limit: 4096

; At the limit: the loaded block holds a value 4,096 levels deep.
text: nest limit
r: transcode text
v: pick r 1
expect text [mold v]
expect 2 * limit + 3 [length? mold r]
expect "x" [form r]
expect text [mold/only r]
c: copy/deep r
assert [not same? pick c 1 v]
assert [c = r]
assert [strict-equal? c r]
assert [r = transcode mold/only r]
expect #{78} [to binary! r]

; One level more: the lexer refuses the text, and every walker refuses the
; value; the errors are catchable and leave the walkers working.
expect-error 'internal 'too-deep [transcode nest limit + 1]
d: reduce [r]
e: reduce [c]
expect-error 'internal 'too-deep [mold d]
expect-error 'internal 'too-deep [form d]
expect-error 'internal 'too-deep [copy/deep d]
expect-error 'internal 'too-deep [d = e]
expect-error 'internal 'too-deep [strict-equal? d e]
expect-error 'internal 'too-deep [bind d make object! [x: 1]]
expect-error 'internal 'too-deep [to binary! d]
expect text [mold v]

; Paths, parens and maps count as levels too.
path-text: append append copy "a/(" nest limit - 2 ")"
expect path-text [mold/only transcode path-text]
expect-error 'internal 'too-deep [transcode append append copy "a/(" nest limit - 1 ")"]
expect-error 'internal 'too-deep [transcode append append copy "#[k " nest limit "]"]
