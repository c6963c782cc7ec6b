Zep [
	Title: "Loaded values keep their line breaks: the first value on a line is marked"
]

; Source text and the mold of what it loads. A value that follows a line
; break (after blanks or a comment line) carries the new-line mark; the
; first value of a block on the line of its "[" does not, and neither does a
; value after a string that spans lines.
cases: [
	"a b" "[a b]"
	"a^/b" "[a^/b]"
	"^/a b" "[^/    a b^/]"
	"[^/    a^/    b^/]" "[[^/    a^/    b^/]]"
	"[a^/b]" "[[a^/b]]"
	"a ; note^/b" "[a^/b]"
	"a^/; note^/^/b" "[a^/b]"
	"a^M^/b" "[a^/b]"
	"{x^/y} z" {["x^^/y" z]}
	"{x^/y}^/z" {["x^^/y"^/z]}
	"a^/b/c^/(d)^/(1, 2)^/#(true)^/'e/f^/#{00}" {[a^/b/c^/(d)^/(1.0, 2.0)^/true^/'e/f^/#{00}]}
	"x: [^/] y" "[x: [] y]"
]
foreach [src molded] cases [expect molded compose [mold transcode (src)]]

; The marks, position by position.
b: transcode "a^/b c^/^/d ; x^/e [f^/g]"
marks: copy []
forall b [append marks new-line? b]
expect [#(false) #(true) #(false) #(true) #(true) #(false)] [marks]
expect [#(false) #(true)] [reduce [new-line? pick b 6 new-line? next pick b 6]]

; Code written in mold's layout molds back as written, and loading the mold
; gives the same marks again.
src: {f: func [x] [
    either x [
        1
    ] [
        2
    ]
]
print f true}
code: transcode src
expect src [mold/only code]
expect src [mold/only transcode mold/only code]
expect {[^/    a^/    b^/]} [mold pick transcode mold transcode "^/a^/b" 1]

; A value loaded on its own carries no mark.
v: pick transcode/next "^/a b" 1
expect [a] [append copy [] v]
assert [not new-line? append copy [] v]
