Zep [
	Title: "Non-negative remainders"
	Purpose: {
		MOD and MODULO: remainders whose sign does not follow the dividend.
		MODULO is the function behind the // operator.
	}
]

mod: func [
	"Compute a nonnegative remainder of A divided by B"
	a [number! money! char! pair! tuple! vector! time!]
	b [number! money! char! pair! tuple! vector! time!] "Must be nonzero"
	return: [number! money! char! pair! tuple! vector! time!]
	/local r
][
	; A remainder that equals b within the precision of a becomes a value
	; near 0 instead.
	if (r: a % b) < 0 [r: r + b]
	a: absolute a
	either all [a + r = (a + b) r + r - b > 0] [r - b] [r]
]

modulo: func [
	"Wrapper for MOD that handles errors like REMAINDER. Negligible values (compared to A and B) are rounded to zero"
	a [number! money! char! pair! tuple! vector! time!]
	b [number! money! char! pair! tuple! vector! time!]
	return: [number! money! char! pair! tuple! vector! time!]
	/local r
][
	r: mod a absolute b
	either any [a - r = a r + b = b] [0] [r]
]
