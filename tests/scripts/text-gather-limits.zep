Zep [
	Title: "Text and bytes gathered from blocks: results and size limits"
]

; A block whose values would make a text longer than a series can hold
; (2,147,483,647 units) raises a catchable no-memory, quickly and without
; first building the text: 2,100 references to one 1 MiB string.
big: append/dup make string! 1048576 #"a" 1048576
refs: append/dup copy [] big 2100
nested: reduce [refs]
foreach code [
	[append copy "" refs]
	[insert copy "xy" refs]
	[change next copy "xyz" refs]
	[append/only copy "" refs]
	[to string! refs]
	[to tag! refs]
	[to file! refs]
	[append copy "" nested]
	[append copy #{} refs]
	[insert copy #{0102} refs]
	[change copy #{0102} refs]
	[to binary! refs]
	[append copy #{} nested]
	[append/dup copy "" copy/part refs 20 110]
	[append/dup copy #{} copy/part refs 20 110]
] [expect-error 'internal 'no-memory code]

; Values whose length shows only once formed are checked as they are formed.
obj: make object! [t: copy/part big 65536]
expect-error 'internal 'no-memory [append/dup copy "" reduce [obj obj obj] 20000]
expect-error 'internal 'no-memory [append/dup copy #{} reduce [obj obj obj] 20000]

; The target is left as it was, and stays usable.
s: copy "keep"
expect-error 'internal 'no-memory [append s refs]
expect "keep!" [append s "!"]
b: copy #{AA}
expect-error 'internal 'no-memory [insert b refs]
expect #{AABB} [append b #{BB}]

; Limits that keep the result small are not refused.
expect "aaaaa" [append/only/part copy "" refs 5]
expect 2097152 [length? append/part copy "" refs 2]
expect #{61616161} [append/part copy #{} refs 4]
expect 1048578 [length? to string! reduce [1 big 2]]

; Blocks into text: elements formed one after another, /part counting
; elements (or characters with /only), /dup, tags, wide characters,
; insert and change positions, and the target's own text.
s: "ab"
foreach [expected code] [
	"x1bc<t>fn e2.5" [append copy "x" [1 "b" #"c" <t> %f [n e] 2.5]]
	"1bxy" [head insert copy "xy" [1 "b"]]
	"xy" [insert copy "xy" [1 "b"]]
	"x1by" [head insert next copy "xy" [1 "b"]]
	"1bz" [head change copy "xyz" [1 "b"]]
	"1byz" [head change/part copy "xyz" [1 "b"] 1]
	"x1b" [head change next copy "xyz" [1 "b"]]
	"z" [change copy "xyz" [1 "b"]]
	"1bcd" [append/part copy "" [1 "bcd" 3] 2]
	"1bc" [append/only/part copy "" [1 "bcd" 3] 3]
	"ababab" [append/dup copy "" [a b] 3]
	"" [append/dup copy "" [a b] 0]
	"ababab" [append s reduce [s s]]
	"aababb" [s: "ab" head insert next s reduce [s s]]
	"aabab" [s: "ab" head change next s reduce [s s]]
	"aé€1😀" [append copy "a" [#"é" "€" 1 #"^(1F600)"]]
	"é<tag>x" [append copy "é" [<tag> "x"]]
	"<ab" [append/part copy "" <abc> 3]
	"<abc>" [append/part copy "" <abc> 5]
	"" [append/part copy "" <abc> 0]
	"<a" [head insert/part copy "" <abc> 2]
	"日<本>" [append copy "日" <本>]
	"abab" [s: "ab" append/part s s 5]
	"abab" [s: "ab" head insert s s]
	"aabc" [s: "abc" head change next s s]
	"aé€1" [to string! [a "é" #"€" 1]]
	"" [to string! []]
	"" [to string! tail [1 2]]
	"b2" [to string! next [1 b 2]]
	"x abc<t>#{01}" [to string! [(x "abc") <t> #{01}]]
] [expect expected code]
foreach [expected code] [
	<ab> [to tag! [a b]]
	<a日> [to tag! [a #"日"]]
	%a/b [to file! [a "/b"]]
	%a1.5 [to file! [a 1.5]]
] [expect expected code]

; Blocks into bytes: each value as bytes, a text as UTF-8, a tag with its
; angle brackets, nested blocks, /part cutting the bytes.
b: #{0102}
foreach [expected code] [
	#{000162633C743E666E65322E35FF} [append copy #{00} [1 "b" #"c" <t> %f [n e] 2.5 #{FF}]]
	#{01C3A9FF} [to binary! [1 "é" #{FF}]]
	#{010278} [to binary! [[1 2] "x"]]
	#{} [to binary! []]
	#{F09F9880} [to binary! [#"^(1F600)"]]
	#{C3A9} [to binary! "é"]
	#{61} [to binary! <a>]
	#{0102} [to binary! #{0102}]
	#{0102} [to binary! [#{0102}]]
	#{010201020102} [append b reduce [b b]]
	#{010102010202} [b: #{0102} head insert next b reduce [b b]]
	#{} [b: #{0102} change next b reduce [b b]]
	#{0101020102} [b: #{0102} head change next b reduce [b b]]
	#{0103} [head change copy #{0002} [1 3]]
	#{01020302} [head change/part copy #{0002} [1 2 3] 1]
	#{010201020102} [append/dup copy #{} [1 2] 3]
	#{0161C3} [append/part copy #{} [1 "aé"] 3]
	#{3C6162} [append/part copy #{} [<abc>] 3]
	#{} [append/dup copy #{} [1 2] 0]
] [expect expected code]
expect-error 'script 'out-of-range [append copy #{} [1 256]]
expect-error 'internal 'no-cycle [b: copy [1] append/only b b append copy #{} b]

; trim works on the text where it is: every form, at a position, on wide
; text, with sets of every size.
foreach [expected code] [
	"a  b^/c" [trim "  a  b  ^/  c  "]
	"a  b  ^/  c  " [trim/head "  a  b  ^/  c  "]
	"  a  b  ^/  c" [trim/tail "  a  b  ^/  c  "]
	"a b c" [trim/lines "  a  b  ^/  c  "]
	"abc" [trim/all "  a  b  ^/  c  "]
	"a^/" [trim "a  ^/  "]
	"" [trim "   "]
	"" [trim/lines " ^/ "]
	" a" [head trim next "  a  "]
	"xa" [head trim/all next "x a "]
	"日 本" [trim/lines "  日^- 本  "]
	"😀x" [trim/all " 😀 x "]
	"cd" [trim/with "abcabd" "ab"]
	"bcbd" [trim/with "abcabd" #"a"]
	"bcbd" [trim/with "abcabd" 97]
	"AB" [trim/with "AxBy" #{7879}]
	"本" [trim/with "日本語" "日語"]
	"xzyxyz" [trim/with "the quick brown fox jumps over a lazy dog, xyz" "abcdefghijklmnopqrstuvw ,"]
	"z😀" [trim/with "日z😀本" "本語日"]
] [expect expected code]
s: append/dup copy "" "  ab  ^/" 100000
expect 299999 [length? trim/lines s]
expect "ab ab" [copy/part s 5]
expect 200000 [length? trim/all append/dup copy "" " a b ^/" 100000]
