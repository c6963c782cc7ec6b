Zep [
	Title: "Error texts and reports carry NUL and control characters whole"
]
; expect-status: 254

; The excerpt of a syntax error escapes control characters as mold does.
foreach [source excerpt] [
	{x "a^@b"}         {"a^^@b"}
	{"a^@b^/c}         {"a^^@b}
	{#"^@^@"}          {#"^^@^^@"}
	{#{0^@}}           {#{0^^@}}
][
	e: try [transcode source]
	expect 'invalid [e/id]
	expect excerpt [e/arg3]
]

; A caught error prints whole.
print form make error! "caught^@one"
print "--"
; So does the report of an error that nothing catches.
do make error! "p^@q^-r"
