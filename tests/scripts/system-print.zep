Zep [Title: "print and prin: reduced blocks, nesting, exits inside the reduction"]

print [1 + 1 "a"]
prin "x" prin "y" print ""
inner: func [] [print ["inner" 1] "in"]
print ["outer" inner "end"]
print 42
print next "abc"
print []
; An error or a throw inside the reduction leaves the scratch block whole.
try [print ["lost" 1 / 0]]
catch [print ["thrown" throw 5]]
print ["after" "exits"]
prin ["no" "line"]
print ""
