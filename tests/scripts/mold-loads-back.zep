Zep [
	Title: "mold writes every number in a form that loads back"
]

load-one: func [text /local loaded][
	loaded: transcode text
	expect 1 [length? loaded]
	pick loaded 1
]

; mold, then load: the same value of the same type.
exact: reduce [
	0.0 0.1 -2.5 0.1 + 0.2 1e-7 1e-8 1e16 1e17 1.5e17 1e21 1e300 5e-324
	1.7976931348623157e308 -1.7976931348623157e308 2.2250738585072014e-308
	123456789012345678.0 1.0 / 3.0 1.#INF -1.#INF
	0% 12.5% -12.5% 0.1% 0.000001% 0.0000001% 33.33333333333333%
	to percent! 0.1 + 0.2 to percent! 1e-300 to percent! 1e300
	to percent! 1.7976931348623157e308 to percent! 5e-324 to percent! 1e20
	to percent! -1e-20 to percent! 123456789.123
	$0 $0.00001 -$0.00001 $99999999999999999.99999 -$99999999999999999.99999
	$1.5 as-money 'USD 1e-5 as-money 'EUR -12345678901234.5
	0 1 -1 2147483647 -2147483648
	1x2 -2147483648x2147483647 1.2.3 255.255.255.255.255.255.255.255.255.255.255.255
	as-point2D 1.5 -2 as-point2D 1e20 1e-20 as-point3D 3e38 -3e38 1e-38
	as-point2D 1e-45 0
	0:00 1:02:03 -0:00:03.5 0:00:00.00001 2147483647:00:00 12:34:56.789
]
foreach value exact [
	text: mold :value
	loaded: load-one text
	expect type? :value [type? :loaded]
	unless strict-equal? :value :loaded [
		print ["mold" text "loads back as" mold :loaded]
		expect :value [:loaded]
	]
]

; NaN is unequal to itself; it loads back as a NaN.
foreach value reduce [1.#NaN (as-point2D 0 0) * 1.#NaN][
	loaded: load-one mold value
	expect type? value [type? loaded]
	expect mold value [mold loaded]
]

; Times keep 6 significant digits of their seconds: the text loads back to a
; time of the same text, also where the seconds round up to a minute.
foreach [value text] reduce [
	to time! 59.9999999          "0:01:00"
	to time! 3599.9999999        "1:00:00"
	to time! -119.9999999        "-0:02:00"
	to time! 86399.99999999      "24:00:00"
	to time! 3723.5              "1:02:03.5"
	to time! 1e-7                "0:00:00"
	to time! 1.2345678           "0:00:01.23457"
][
	expect text [mold value]
	loaded: load-one text
	expect time! [type? loaded]
	expect text [mold loaded]
]

; form keeps its own shorter text.
expect "1e-6%" [form 0.000001%]
expect "30%" [form to percent! 0.1 + 0.2]
