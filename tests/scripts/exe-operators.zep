Zep [
	Title: "Infix operators"
]

s: "a"
foreach [expected code] [
	3 [1 + 2]
	-1 [1 - 2]
	6 [2 * 3]
	2 [6 / 3]
	9 [1 + 2 * 3]
	1 [7 % 3]
	-1 [-7 % 3]
	1 [7 % -3]
	2 [-7 // 3]
	1 [7 // -3]
	0 [6 // 3]
	1.5 [7.5 // 2]
	#(true) [1 = 1]
	#(true) [1 = 1.0]
	#(false) [1 == 1.0]
	#(true) [1 == 1]
	#(true) [1 <> 2]
	#(false) [1 <> 1]
	#(true) [1 < 2]
	#(false) [2 < 1]
	#(true) [2 > 1]
	#(true) [1 <= 1]
	#(false) [2 <= 1]
	#(true) [1 >= 1]
	#(true) [s =? s]
	#(false) ["a" =? "a"]
	#(true) [true and true]
	#(false) [true and false]
	#(true) [false or true]
	#(true) [true xor false]
	#(false) [true xor true]
	4 [12 and 5]
	13 [12 or 5]
	9 [12 xor 5]
	16 [1 << 4]
	-4 [-8 >> 1]
	2147483644 [-8 >>> 1]
	0 [1 << 32]
	-1 [-1 >> 40]
][
	expect expected code
]

; ** raises to a power.
expect 8.0 [to float! 2 ** 3]

; Ordering unlike values is an error; testing them for equality is not.
expect-error 'script 'invalid-compare [1 < "a"]
expect false [1 = "a"]
expect-error 'math 'zero-divide [1 / 0]
expect-error 'math 'zero-divide [1 % 0]
expect-error 'math 'zero-divide [1 // 0]

; An operator needs a left operand.
expect-error 'script 'no-op-arg [+ 1]

; modulo rounds a remainder that is negligible against the operands to 0.
expect 0 [modulo 1e17 3.0]
expect 1 [modulo 7 3]
expect 2 [mod -7 3]
expect 1 [mod 7 -2]
