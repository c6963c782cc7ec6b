Zep [
	Title: "Parse: remove, insert and change"
]

; remove: the argument's match, or from a position word to the position.
s: copy "ab"
expect true [parse s [remove "a" "b"]]
expect "b" [s]
s: copy [a 1 b 2]
expect true [parse s [any [word! | remove integer!]]]
expect [a b] [s]
s: copy "a--b--c"
expect true [parse s [any [remove "--" | skip]]]
expect "abc" [s]
s: copy "abcd"
expect true [parse s [skip p: 2 skip remove p "d"]]
expect "ad" [s]
s: copy #{01020304}
expect true [parse s [remove 2 skip 2 skip]]
expect #{0304} [s]

; insert: at the position (which then passes the insert) or at a position word.
s: copy "abc"
expect true [parse s [skip insert "X" 2 skip]]
expect "aXbc" [s]
s: copy "abc"
expect true [parse s [p: 2 skip insert p "X" skip]]
expect "Xabc" [s]
s: copy [a b]
expect true [parse s [skip insert only [x y] 'b]]
expect [a [x y] b] [s]
s: copy [a b]
expect true [parse s [skip insert [x y] 'b]]
expect [a x y b] [s]
s: copy "ab"
v: "--"
expect true [parse s [skip insert v "b"]]
expect "a--b" [s]
s: copy "ab"
expect true [parse s [skip insert (uppercase "x") "b"]]
expect "aXb" [s]
s: copy #{0102}
expect true [parse s [skip insert #{FF} #{02}]]
expect #{01FF02} [s]

; change: the argument's match, or from a position word to the position.
s: copy [a b c]
expect true [parse s [skip change 'b 9 'c]]
expect [a 9 c] [s]
s: copy "abcd"
expect true [parse s [change ["ab" | "x"] "X" "cd"]]
expect "Xcd" [s]
s: copy "abc"
expect true [parse s [p: 2 skip change p "Z" "c"]]
expect "Zc" [s]
s: copy [a b]
expect true [parse s [change only 'a [1 2] 'b]]
expect [[1 2] b] [s]
s: copy [a b]
expect true [parse s [change 'a [1 2] 'b]]
expect [1 2 b] [s]
s: copy "abc"
expect false [parse s [change "x" "Y" | "abd"]]
expect "abc" [s]
s: copy "aaa"
expect true [parse s [some [change "a" "bb"]]]
expect "bbbbbb" [s]

; Errors
expect-error 'script 'parse-end [parse "a" [insert]]
expect-error 'script 'parse-end [parse "a" [change skip]]
expect-error 'script 'parse-rule [parse "a" [change only]]
expect-error 'script 'parse-rule [parse "a" [insert a/b]]
expect-error 'script 'parse-rule [parse "a" [remove a/b]]
expect-error 'script 'no-value [parse "a" [insert undefined-value-word]]
expect-error 'script 'parse-end [parse "a" [remove]]
