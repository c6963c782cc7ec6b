Zep [
	Title: "as: series of different classes are refused as not-same-class"
]

; [code  spec's datatype  target datatype]
foreach [code from to] [
	[as string! #{41}]          binary! string!
	[as "" #{41}]               binary! string!
	[as binary! "a"]            string! binary!
	[as #{} "a"]                string! binary!
	[as block! make hash! [a]]  hash!   block!
	[as hash! [a]]              block!  hash!
	[as make hash! [] [a]]      block!  hash!
	[as binary! make hash! []]  hash!   binary!
	[as block! "abc"]           string! block!
	[as string! [a]]            block!  string!
	[as file! 'a/b]             path!   file!
	[as integer! "a"]           string! integer!
][
	e: try code
	expect error! [type? e]
	expect 'not-same-class [e/id]
	expect reduce [get from get to] [reduce [e/arg1 e/arg2]]
]

; A value that is no series at all is a wrong argument.
expect-error 'script 'expect-arg [as string! 5]
expect-error 'script 'expect-arg [as 5 "a"]

; Within a class the series itself comes back, retyped.
p: 'a/b
b: as block! p
expect [a b] [b]
append b 'c
expect 'a/b/c [p]
s: "abc"
f: as file! s
expect %abc [f]
expect true [same? next s next as string! f]
expect 'x/y [as 'p/q [x y]]
expect <b> [as tag! "b"]
