Zep [
	Title: "An uncaught error ends the script with its report and status 254"
]
; expect-status: 254
print "before"
print no-such-word
print "not reached"
