first-line-is-skipped ; text before the header is not evaluated
Zep
	[
	Title: "The word and the block may stand on different lines"
]
expect 2 [1 + 1]
print "ok"
