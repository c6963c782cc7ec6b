Zep [
	Title: "No series grows longer than a length can count"
	Purpose: {
		A length is a 32-bit signed count, so a series of one-byte units
		(byte text, binary!) stops short of 2^31 units: growth past that is
		refused with no-memory before anything is allocated or changed,
		instead of leaving a series whose length wraps to 0 or below. Every
		case here is refused up front, so none of them takes memory.
	}
]

; Repeated additions whose total passes the limit, in every editing action
; that repeats, on text and on bytes.
foreach code [
	[insert/dup "" "ab" 1500000000]
	[append/dup copy "" #"a" 2147483647]
	[append/dup copy "abc" "ab" 1073741823]
	[change/dup "" "ab" 1500000000]
	[change/part/dup "xyz" "ab" 3 1500000000]
	[insert/dup "" "abc" 1431655766] ; the byte count passes 2^32 as well
	[insert/dup #{} #{0102} 1500000000]
	[append/dup #{} 7 2147483647]
	[change/dup #{00} #{0102} 1500000000]
	[insert/dup [] [1 2] 1500000000]
	[make string! 2147483647]
	[make binary! 2147483647]
] [
	expect-error 'internal 'no-memory code
]

; A refused edit leaves the series as it was, and it goes on working.
s: copy "abc"
expect-error 'internal 'no-memory [append/dup s "ab" 1073741823]
expect "abc" [s]
expect 5 [length? append s "de"]
b: copy #{0102}
expect-error 'internal 'no-memory [insert/dup b #{0304} 1500000000]
expect #{0102} [b]
expect 3 [length? append b 3]

; An owned series takes another path through append: refused the same way.
o: make object! [t: copy "xy" on-deep-change*: func [o w t a n i p] []]
expect-error 'internal 'no-memory [append/dup o/t "ab" 1073741824]
expect "xy" [o/t]
