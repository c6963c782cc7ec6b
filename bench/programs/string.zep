Zep [Title: "String building"]
s: make string! 0
repeat i 1000000 [append s "abc"]
print length? s
