Zep [Title: "Block building"]
b: make block! 0
repeat i 2000000 [append b i]
print length? b
