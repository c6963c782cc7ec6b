Zep [
	Title: "Errors: make error! in every form, try, and the fields they carry"
]

; integer codes: category x 100 + the id's position.
e: make error! 300
expect 'script [e/type]
expect 'no-value [e/id]
expect 300 [e/code]
expect 400 [get in make error! [math zero-divide] 'code]
expect-error 'script 'out-of-range [make error! 399]
expect-error 'script 'out-of-range [make error! -1]

; block forms.
e: make error! [script bad-make-arg 'a 'b]
expect 321 + 32 [e/code]
expect-error 'script 'invalid-spec-field [make error! [nowhere no-value]]
expect-error 'script 'invalid-spec-field [make error! [script no-such-id]]
expect-error 'script 'invalid-arg [make error! [script "no-value"]]
expect-error 'internal 'invalid-error [make error! [1 2]]
e: make error! [type: 'math id: 'overflow]
expect 401 [e/code]

; a string makes a user error.
e: make error! "boom"
expect 'user [e/type]
expect 'message [e/id]
expect "boom" [e/arg1]
expect-error 'script 'bad-make-arg [make error! 1.5]

; try answers the error; raised errors carry their arguments, where and near.
e: try [1 / 0]
expect error! [type? e]
expect 'zero-divide [e/id]
f: func [x] [undefined-word]
e: try [f 1]
expect 'no-value [e/id]
expect 'undefined-word [e/arg1]
expect 'f [e/where]
expect 3 [try [1 + 2]]
expect-error 'user 'message [do make error! "raised"]

; form prints the report.
e: make error! "boom"
expect "*** User Error: boom" [copy/part form e 20]

; An error caught further in leaves no stale code behind: a later error
; shows its own expression as near.
inner-error: func [] [a: 1 b: 2 c: 3 1 + "a"]
outer-error: func [] [try [inner-error] x: 1 y: 2 1 + "b"]
e: try [outer-error]
expect [1 + "b"] [e/near]
e: try [(try [(1 + "a")]) 5 6 7 1 + "b"]
expect [1 + "b"] [e/near]
