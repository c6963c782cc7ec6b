Zep [
	Title: "Parse: errors of the engine and the keywords"
]

; Deep nesting ends in the stack error, never a crash; parse works after.
; Each level of this grammar holds a block frame and an opt frame.
nest: func [n /local s] [s: append/dup copy "" "(" n append/dup s ")" n]
expr: ["(" opt expr ")"]
expect true [parse nest 1000 expr]
expect-error 'script 'parse-stack [parse nest 2000 expr]
expect true [parse [a] ['a]]
; A block that contains itself nests without end.
r: copy [] append/only r r
expect-error 'script 'parse-stack [parse "" r]
expect true [parse "" []]

; Parse started again and again from parens ends in a stack error.
again: ["a" (parse "a" again)]
assert [error! = type? try [parse "a" again]]
expect true [parse "a" ["a"]]

; Rule errors
w: 'v nn: none
check: [
	parse-rule [parse "a" [x/y]]
	parse-rule [parse "a" [undefined-rule-word]]
	parse-rule [parse "a" [w]]
	parse-rule [parse "aaa" [3 2 "a"]]
	parse-rule [parse "aaa" [3]]
	parse-rule [parse "a" [1 2]]
	parse-rule [parse "a" [to 5]]
	parse-rule [parse "a" [nn]]
	parse-end [parse "a" [any]]
	parse-end [parse "a" [some]]
	parse-end [parse "a" [to]]
	parse-end [parse "a" [thru]]
	parse-end [parse "a" [not]]
	parse-end [parse "a" [ahead]]
	parse-end [parse "a" [while]]
	parse-end [parse "a" [copy]]
	parse-end [parse "a" [copy x]]
	parse-end [parse "a" [set 5 skip]]
	parse-end [parse "a" [quote]]
	parse-end [parse "a" [if]]
	parse-end [parse "a" [if x]]
	parse-end [parse "a" [case]]
	parse-end [parse [a] [into]]
	parse-end [parse [a] [into 'a]]
	parse-invalid-ref [parse "abc" [:w]]
	parse-block [parse "a" [into ["a"]]]
	parse-unsupported [parse "12" [integer!]]
	out-of-range [parse "a" [-1 "a"]]
	out-of-range [parse "a" [1 -2 "a"]]
	invalid-refine-arg [parse/part "abc" [] "xyz"]
]
foreach [id code] check [expect-error 'script id code]

; The parse-rule error names the literal that cannot match text.
expect 5 [e: try [parse "a" [to 5]] e/arg1]
expect 'any [e: try [parse "a" [any]] e/arg1]
