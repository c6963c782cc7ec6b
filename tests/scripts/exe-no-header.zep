; A script without a header is run whole; no assertion helper is added.
print "no header"
print 1 + 2
