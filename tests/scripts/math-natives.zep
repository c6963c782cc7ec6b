Zep [
	Title: "Comparison, set, math and conversion natives"
]

; Comparisons: equality is tolerant of type and case, strictness is not;
; ordering values that cannot be ordered is an error, equality just false.
foreach [expected code] [
	#(true)  [equal? 1 1.0]
	#(false) [strict-equal? 1 1.0]
	#(true)  [equal? "abc" "ABC"]
	#(false) [strict-equal? "abc" "ABC"]
	#(false) [equal? 1 "1"]
	#(true)  [not-equal? 1 "1"]
	#(true)  [lesser? 1 2.5]
	#(true)  [greater-or-equal? 2 2]
	#(false) [lesser-or-equal? 3 2]
	#(true)  [greater? $2 1]
][expect expected code]
expect-error 'script 'invalid-compare [lesser? 1 "a"]

; Identity: two equal strings are not the same series.
s: "a"
foreach [expected code] [
	#(false) [same? "a" "a"]
	#(true)  [same? s s]
	#(false) [same? s next s]
	#(false) [same? 'a 'A]
	#(true)  [same? 1.0 1.0]
	#(false) [same? 1 1.0]
	#(true)  [same? 1.2.3 1.2.3]
	#(true)  [same? none none]
][expect expected code]

foreach [expected code] [
	#(true)  [not none]
	#(true)  [not false]
	#(false) [not 0]
	#(false) [not ()]
	float!   [type?/word 1.5]
][expect expected code]
expect float! [type? 1.5]
expect word! [type? type?/word 1.5]

; Sets
foreach [expected code] [
	[a b c]       [union [a b] [b c]]
	[b]           [intersect [a b] [b c]]
	[a c]         [difference [a b] [b c]]
	[a]           [exclude [a b] [b c]]
	[a b]         [unique [a A b]]
	[a A b]       [unique/case [a A b]]
	[a 1 b 2 c 4] [union/skip [a 1 b 2] [a 3 c 4] 2]
	; Keys equal to many items: only those at a record's start count.
	[1 1]         [intersect/skip [1 1 2 1] [9 1 1 5] 2]
	[2 1]         [exclude/skip [1 1 2 1] [9 1 1 5] 2]
	[]            [intersect/skip [1 7] [9 1 9 1 9 1] 2]
	[A a]         [intersect/case [A a b] [a x A a]]
	"abcd"        [union "abc" "bcd"]
	36:00         [difference 2-Jan-2020/12:00 1-Jan-2020/0:00]
][expect expected code]
expect-error 'script 'expect-val [union [a b] "ab"]
expect-error 'script 'invalid-refine-arg [unique/skip [a b] 0]
expect #(true) [complement? complement make bitset! "a"]
expect #(false) [complement? make bitset! "a"]

; Signs and zero
foreach [expected code] [
	#(true)  [negative? -1]
	#(false) [negative? -0.0]
	#(true)  [positive? $0.01]
	#(false) [positive? 0:00]
	-1       [sign? -3%]
	0        [sign? 0]
	1        [sign? 2.5]
	#(true)  [zero? 0x0]
	#(true)  [zero? 0.0.0]
	#(false) [zero? 0.0.1]
	#(true)  [zero? $0]
	#(false) [NaN? 1.0]
][expect expected code]
expect-error 'script 'expect-arg [sign? "a"]
expect-error 'script 'expect-arg [zero? "a"]

; max and min keep each operand's own datatype; compounds go coordinate by
; coordinate against a number.
foreach [expected code] [
	2.5         [max 1 2.5]
	2.0         [min 2 2.0]
	3           [max 3 2.5]
	3x5         [max 1x5 3]
	3x5         [max 3 1x5]
	90.90.50    [min 200.100.50 90]
	2x2         [max 1x1 2.5]
	2x-1        [min 4x-1 2x3]
	"abd"       [max "abc" "abd"]
][expect expected code]
expect-error 'script 'invalid-compare [max 1 "a"]
expect-error 'script 'type-limit [min 1.2.3 1e10]

; shift and to-hex
foreach [expected code] [
	-4          [shift -8 1]
	15          [shift/logical -1 28]
	0           [shift 1 40]
	-1          [shift -1 40]
	-2147483648 [shift/left 1 31]
	16          [shift/left/logical 1 4]
	#000000FF   [to-hex 255]
	#FF         [to-hex/size 255 2]
	#FFFFFFFF   [to-hex -1]
][expect expected code]
expect-error 'script 'invalid-arg [to-hex/size 255 0]

; Trigonometry in degrees keeps each function's sign in every quadrant.
foreach [expected code] [
	0.0   [sine 180]
	-1.0  [sine 270]
	0.0   [cosine 90]
	-1.0  [cosine 180]
	90.0  [arcsine 1]
	180.0 [arccosine -1]
	0.5   [square-root 25%]
][expect expected code]
assert [(sine 135) > 0.7]
assert [(sine -135) < -0.7]
assert [(cosine 135) < -0.7]
assert [(cosine 225) < -0.7]
assert [(tangent 135) < -0.99]
assert [(tangent 225) > 0.99]
assert [(tangent 90) > 1e308]
assert [(arctangent2 1 -1) > 134.99]

; Conversions
foreach [expected code] [
	1x-2  [as-pair 1.9 -2.7]
	3x4   [as-pair 3 4]
][expect expected code]
expect-error 'script 'invalid-arg [as-pair 1 1e10]
expect-error 'script 'invalid-arg [as-pair 1e300 1]
p: 'a/b
b: as block! p
expect block! [type? b]
b/1: 'c
expect 'c/b [p]
expect %abc [as file! "abc"]
expect-error 'script 'not-same-class [as block! "abc"]
expect-error 'script 'bad-denom [as-money 'XYZ 1]
