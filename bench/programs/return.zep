Zep [Title: "A function that returns with return, called in a loop"]
next-of: func [x [integer!]] [return x + 1]
total: 0
loop 2000000 [total: next-of total]
print total
