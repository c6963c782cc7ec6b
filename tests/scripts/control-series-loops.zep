Zep [
	Title: "foreach, forall and remove-each"
]

expect [2 3 4] [r: copy [] foreach x [1 2 3] [append r x + 1] r]
expect reduce [[1 2] reduce [3 none]] [r: copy [] foreach [a b] [1 2 3] [append/only r reduce [a b]] r]
expect [#"a" #"c"] [r: copy [] foreach c "abc" [if c = #"b" [continue] append r c] r]
expect 2 [foreach x [1 2 3 4] [if even? x [break/return x]]]
expect-error 'script 'invalid-arg [foreach [] [1] []]

; maps: pairs of words walk the live entries; a single word is refused
m: make map! [a 1 b 2 c 3]
remove/key m 'b
expect [a 1 c 3] [r: copy [] foreach [k v] m [append r reduce [k v]] r]
expect-error 'script 'invalid-arg [foreach k m []]

; forall moves the word through its series and puts it back afterwards;
; after a break the word stays where it was
s: [1 2 3 4]
expect [1 2 3 4] [r: copy [] forall s [append r s/1] r]
expect 1 [forall s [] index? s]
expect 3 [forall s [if s/1 = 3 [break]] index? s]
s: head s
expect [2 4] [r: copy [] forall s [if odd? s/1 [continue] append r s/1] r]
expect-error 'script 'bad-loop-series [s: [1 2] forall s [s: [9]]]

expect [1 3] [remove-each x [1 2 3 4] [even? x]]
expect [] [remove-each x [1 2] []] ; an unset body value removes
expect [4 5] [remove-each [a b] [1 2 4 5 6 8] [even? b]]
expect [2 4] [remove-each x [1 2 3 4] [if even? x [continue] true]]
expect [2 3 4] [remove-each x [1 2 3 4] [if x = 2 [break] true]]
expect [1 3] [b: [1 2 3 4] remove-each x next b [even? x] b]
