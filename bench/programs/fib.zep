Zep [Title: "Recursive Fibonacci"]
fib: func [n [integer!]] [either n < 2 [n] [(fib n - 1) + (fib n - 2)]]
print fib 27
