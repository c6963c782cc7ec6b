Zep [
	Title: "to integer! of a date: seconds since 1970-01-01 UTC, refused when they do not fit"
]

; Each row: the date, its epoch seconds (computed with Python's datetime:
; the UTC instant, fractions rounded half up).
cases: [
	1-Jan-1970 0
	31-Dec-1969/23:59:59 -1
	1-Jan-2000 946684800
	1-Jan-2020/1:00+2:00 1577833200
	1-Jan-2020/0:00-10:00 1577872800
	29-Feb-2020/12:00+5:30 1582957800
	15-Jun-1950/6:00+5:45 -616895100
	19-Jan-2038/3:14:07 2147483647
	19-Jan-2038/4:14:07+1:00 2147483647
	13-Dec-1901/20:45:52 -2147483648
	14-Dec-1901/0:15:52+3:30 -2147483648
]
foreach [date seconds] cases [
	expect seconds compose [to integer! (date)]
	expect seconds compose [make integer! (date)]
	; The conversion back gives the same instant.
	expect 0:00:00 compose [difference (date) to date! (seconds)]
]

; Fractions of a second round half up, also before 1970.
foreach [date seconds] [
	1-Jan-2000/0:00:00.5 946684801
	1-Jan-2000/0:00:00.4 946684800
	31-Dec-1969/23:59:59.5 0
	31-Dec-1969/23:59:58.5 -1
	1-Jan-2020/0:59:59.5+1:00 1577836800
	1-Jan-2020/0:59:58.7+1:00 1577836799
] [
	expect seconds compose [to integer! (date)]
]

; Past the 32-bit range the conversion is refused, never wrapped.
foreach date [
	19-Jan-2038/3:14:08
	19-Jan-2038/3:14:07-1:00
	13-Dec-1901/20:45:51
	1-Jan-2100
	1-Jan-9999/23:59:59
	1-Jan-0001
] [
	expect-error 'script 'out-of-range compose [to integer! (date)]
]
