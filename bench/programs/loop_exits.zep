Zep [
	Title: "Leaving loops and functions early"
	Purpose: "continue, return from nested loops, return through try and catch"
]
find-first: func [limit] [loop 10 [repeat i limit [if i = 7 [return i]]] 0]
guarded: func [x] [try [catch [return x]]]
total: 0
repeat i 300000 [
	if even? i [continue]
	total: total + (find-first 10) + (guarded 1)
]
print total
