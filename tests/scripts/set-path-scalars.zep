Zep [
	Title: "Set-paths on dates, times, pairs, tuples and points store the changed value back into its holder"
]

; check: a failed comparison names the case.
check: func [label [block!] expected [any-type!] actual [any-type!]] [
	unless strict-equal? :expected :actual [assert-failed "check" label :expected :actual]
]

; Every date field setter, through a word. Each row: the date, the field,
; the value, the date after the set. Expected dates computed with Python's
; datetime (month carry, day overflow, week and ISO week starts, zones).
date-cases: [
	29-Feb-2020 year 2021 1-Mar-2021
	29-Feb-2020/10:30:00 year 2023 1-Mar-2023/10:30:00
	29-Feb-2020 year 2024 29-Feb-2024
	31-Jan-2020 year 1999 31-Jan-1999
	31-Jan-2020 month 2 2-Mar-2020
	31-Jan-2020 month 14 3-Mar-2021
	31-Jan-2020 month 0 31-Dec-2019
	31-Jan-2020 month -11 31-Jan-2019
	31-Jan-2020 month -12 31-Dec-2018
	15-May-2020 month 25 15-Jan-2022
	31-Jan-2020 month 4 1-May-2020
	31-Dec-2019/23:00:00-05:00 month 13 31-Jan-2020/23:00:00-05:00
	15-Mar-2020 day 0 29-Feb-2020
	10-Feb-2020 day 30 1-Mar-2020
	10-Feb-2021 day 29 1-Mar-2021
	10-Dec-2020 day 32 1-Jan-2021
	15-Mar-2020 day -1 28-Feb-2020
	15-Mar-2020 day 400 4-Apr-2021
	31-Jan-2020 weekday 1 27-Jan-2020
	31-Jan-2020 weekday 7 2-Feb-2020
	31-Jan-2020 weekday 9 4-Feb-2020
	4-Jul-2020 yearday 60 29-Feb-2020
	4-Jul-2021 yearday 60 1-Mar-2021
	4-Jul-2020 yearday 367 1-Jan-2021
	4-Jul-2020 julian 1 1-Jan-2020
	4-Jul-2020 week 1 1-Jan-2020
	4-Jul-2020 week 2 5-Jan-2020
	4-Jul-2020 week 10 1-Mar-2020
	4-Jul-2023 week 2 8-Jan-2023
	4-Jul-2023 week 53 31-Dec-2023
	4-Jul-2022 week 0 1-Jan-2022
	4-Jul-2020 isoweek 1 30-Dec-2019
	4-Jul-2021 isoweek 1 4-Jan-2021
	4-Jul-2021 isoweek 10 8-Mar-2021
	4-Jul-2026 isoweek 53 28-Dec-2026
	4-Jul-2022 isoweek 0 27-Dec-2021
	31-Jan-2020/10:30:00 hour 5 31-Jan-2020/5:30:00
	31-Jan-2020/10:30:00 hour 25 1-Feb-2020/1:30:00
	31-Jan-2020/10:30:00+02:00 hour 0 31-Jan-2020/0:30:00+02:00
	31-Jan-2020 hour 7 31-Jan-2020/7:00:00
	31-Jan-2020/10:30:00 minute 15 31-Jan-2020/10:15:00
	31-Jan-2020/23:30:00 minute 90 1-Feb-2020/0:30:00
	1-Jan-2020/0:30:00-03:30 minute 0 1-Jan-2020/0:00:00-03:30
	31-Jan-2020/10:30:05 second 42 31-Jan-2020/10:30:42
	31-Dec-2020/23:59:00 second 61 1-Jan-2021/0:00:01
	31-Jan-2020/10:30:05 second 1.5 31-Jan-2020/10:30:01.5
	31-Jan-2020 time 10:30 31-Jan-2020/10:30:00
	31-Jan-2020/10:30:00+05:30 time 1:00 31-Jan-2020/1:00:00+05:30
	31-Jan-2020/10:30:00 time 25:00 1-Feb-2020/1:00:00
	31-Jan-2020/10:30:00+01:00 time none 31-Jan-2020
	31-Jan-2020/10:30:00 zone 2 31-Jan-2020/10:30:00+02:00
	31-Jan-2020/10:30:00+02:00 zone -5 31-Jan-2020/10:30:00-05:00
	31-Jan-2020/10:30:00 zone 5:30 31-Jan-2020/10:30:00+05:30
	31-Jan-2020/10:30:00 zone -3:30 31-Jan-2020/10:30:00-03:30
	31-Jan-2020 zone 3 31-Jan-2020/0:00:00+03:00
	31-Jan-2020/10:30:00+02:00 zone 0 31-Jan-2020/10:30:00
	31-Jan-2020/10:30:00 timezone 2 31-Jan-2020/12:30:00+02:00
	31-Jan-2020/1:00:00+02:00 timezone 0 30-Jan-2020/23:00:00
	31-Jan-2020/23:00:00 timezone 5:30 1-Feb-2020/4:30:00+05:30
	1-Jan-2020/1:00:00 timezone -3 31-Dec-2019/22:00:00-03:00
	31-Jan-2020/10:30:00-05:00 timezone 10 1-Feb-2020/1:30:00+10:00
	31-Jan-2020/10:30:00+02:00 date 5-May-2021/1:00 5-May-2021/10:30:00+02:00
]
foreach [base field value expected] date-cases [
	d: base
	do reduce [to set-path! reduce ['d field] value]
	check reduce [base field value] mold expected mold d
]

; Time fields, by word and by number.
time-cases: [
	1:30:00 hour 5 5:30:00
	1:30:00 minute 15 1:15:00
	1:30:00 minute 75 2:15:00
	1:30:00 second 1.5 1:30:01.5
	1:30:00 second 20 1:30:20
	1:30:00 1 3 3:30:00
	1:30:00 2 45 1:45:00
	1:30:00 3 7 1:30:07
	100:00:00 hour 2 2:00:00
]
foreach [base field value expected] time-cases [
	t: base
	do reduce [to set-path! reduce ['t field] value]
	check reduce [base field value] expected t
]

; Pairs, tuples and points.
p: 1x2
p/x: 5
expect 5x2 [p]
p/y: -3
expect 5x-3 [p]
p/1: 2.9
expect 2x-3 [p]
p/2: 8
expect 2x8 [p]
tu: 1.2.3
tu/2: 9
expect 1.9.3 [tu]
tu/1: 300
expect 255.9.3 [tu]
tu/5: 5
expect 255.9.3.0.5 [tu]
pt: as-point2D 1 2
pt/x: 5
expect 5.0 [pt/x]
expect 2.0 [pt/y]
pt3: as-point3D 1 2 3
pt3/z: 7
expect [1.0 2.0 7.0] [reduce [pt3/x pt3/y pt3/z]]

; A function's local word and the set native.
f: func [/local d] [d: 31-Jan-2020 d/month: 2 d]
expect 2-Mar-2020 [f]
g: func [t] [t/minute: 15 t]
expect 1:15:00 [g 1:30:00]
d: 31-Jan-2020
set 'd/month 14
expect 3-Mar-2021 [d]
p: 1x2
set 'p/y 9
expect 1x9 [p]

; An object's field: on-change* fires once with the word, the old and the
; new value.
log: copy []
o: make object! [
	t: 1:30:00
	d: 31-Jan-2020/10:30
	p: 1x2
	tu: 1.2.3
	on-change*: func [word old new] [append log reduce [word old new]]
	bump: does [d/day: 1 t/hour: 0]
]
o/t/minute: 30
expect 1:30:00 [o/t]
o/t/minute: 15
expect 1:15:00 [o/t]
expect [t 1:30:00 1:30:00 t 1:30:00 1:15:00] [log]
clear log
o/d/month: 2
expect 2-Mar-2020/10:30 [o/d]
o/p/y: 7
expect 1x7 [o/p]
o/tu/3: 0
expect 1.2.0 [o/tu]
expect [d 31-Jan-2020/10:30 2-Mar-2020/10:30 p 1x2 1x7 tu 1.2.3 1.2.0] [log]

; A method's word bound to the object's field sets it as a set-word would.
clear log
o/bump
expect 1-Mar-2020/10:30 [o/d]
expect 0:15:00 [o/t]
expect [d 2-Mar-2020/10:30 1-Mar-2020/10:30 t 1:15:00 0:15:00] [log]

; Deeper: a time inside a date inside an object (date time field, then the
; object's field), and a date's zone as a time.
clear log
o/d/time/hour: 20
expect 1-Mar-2020/20:30 [o/d]
expect [d 1-Mar-2020/10:30 1-Mar-2020/20:30] [log]
d: 31-Jan-2020/10:30
d/time/minute: 5
expect 31-Jan-2020/10:05 [d]
d: 31-Jan-2020/10:30+2:00
d/zone/hour: 5
expect "31-Jan-2020/10:30:00+05:00" [mold d]

; A block slot: the block changes, and its owner hears of it.
b: reduce [1x2 1.2.3 31-Jan-2020 1:30:00]
b/1/y: 7
b/2/2: 9
b/3/month: 2
b/4/second: 5
expect [1x7 1.9.3 2-Mar-2020 1:30:05] [b]
events: copy []
h: make object! [
	items: reduce [1x2 31-Jan-2020]
	on-deep-change*: func [owner word target action new index part] [
		append events reduce [word action index new]
	]
]
h/items/1/x: 4
expect 4x2 [h/items/1]
expect [items poke 0 4x2 items poked 0 4x2] [events]
clear events
h/items/2/day: 0
expect 31-Dec-2019 [h/items/2]
expect [items poke 1 31-Dec-2019 items poked 1 31-Dec-2019] [events]

; Nested series holders: object, block, pair; a map value; a paren selector
; evaluated once.
c: make object! [b: reduce [1x2 [5x5]]]
c/b/1/x: 3
c/b/2/1/y: 6
expect [3x2 [5x6]] [c/b]
k: reduce ['a 1x2 'b 31-Jan-2020]
k/a/y: 3
k/b/day: 2
expect [a 1x3 b 2-Jan-2020] [k]
hs: make hash! reduce ['a 1x2 'b 31-Jan-2020]
hs/b/month: 2
expect 2-Mar-2020 [select hs 'b]
m: make map! reduce ['k 1x2]
m/k/x: 9
expect 9x2 [m/k]
calls: 0
b: reduce [1x1 2x2]
b/(calls: calls + 1 2)/y: 5
expect [1x1 2x5] [b]
expect 1 [calls]
i: 1
b/:i/x: 0
expect [0x1 2x5] [b]

; A refused value changes nothing and fires nothing.
clear log
expect-error 'script 'invalid-arg [o/d/month: "x"]
expect-error 'script 'invalid-arg [o/t/hour: 1.5]
expect-error 'script 'invalid-arg [o/p/x: "x"]
expect 1-Mar-2020/20:30 [o/d]
expect [] [log]
d: 31-Jan-2020
expect-error 'script 'invalid-arg [d/month: 'x]
expect 31-Jan-2020 [d]
expect-error 'script 'invalid-path [d/nope: 1]
expect 31-Jan-2020 [d]
