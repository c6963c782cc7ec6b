; expect-status: 254
Zep/System [Title: "Needs compilation"]
print "not reached"
