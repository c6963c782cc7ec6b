Zep [Title: "A script read from standard input"]
; via-stdin
expect 6 [1 + 2 + 3]
print "from stdin"
