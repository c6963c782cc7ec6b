Zep [
	Title: "money! with a currency code: loading, molding, as-money and arithmetic"
]

; Loading and molding: the code is read without regard to case and molded
; upper-cased, before the "$" and after the sign.
foreach [text molded] [
	"USD$5"         "USD$5.00"
	"usd$5"         "USD$5.00"
	"-EUR$1'000.5"  "-EUR$1000.50"
	"+chf$0.00001"  "CHF$0.00001"
	"ZEP$12.345"    "ZEP$12.345"
	"BTC$0"         "BTC$0.00"
	"$7"            "$7.00"
][
	expect molded [mold pick transcode text 1]
	expect molded [mold pick transcode molded 1]
]
expect [USD$5.00 EUR$1.00] [reduce [USD$5 EUR$1]]
expect "USD$5.00" [form USD$5]
foreach text ["QQQ$1" "US$1" "USDX$1" "USD$" "USD$1.1234567"] [
	expect-error 'syntax 'invalid [transcode text]
]

; as-money takes a currency of the list, as a word in any case.
expect "USD$10.00" [mold as-money 'USD 10]
expect "EUR$1.23457" [mold as-money 'eur 1.234565]
expect "-JPY$0.50" [mold as-money 'JPY -0.5]
expect-error 'script 'bad-denom [as-money 'XYZ 1]
expect-error 'script 'bad-denom [as-money 'US 1]
expect "GBP$3.00" [mold make money! [GBP 3]]
expect "GBP$3.00" [mold to money! "gbp$3"]
expect-error 'script 'bad-denom [make money! [XYZ 3]]

; Arithmetic: an amount without a currency takes the other's; two different
; currencies do not mix.
expect USD$6 [USD$5 + $1]
expect USD$6 [$1 + USD$5]
expect USD$6 [USD$5 + 1]
expect USD$4.5 [USD$5 - 0.5]
expect USD$10 [USD$5 * 2]
expect USD$2.5 [USD$5 / 2]
expect 2.5 [USD$5 / USD$2]
expect USD$2 [USD$5 // 3]
expect -USD$5 [negate USD$5]
expect USD$5 [absolute -USD$5]
expect USD$7 [max USD$5 USD$7]
expect true [USD$5 < USD$7]
expect false [USD$5 = EUR$5]
expect true [USD$5 = USD$5.00]
foreach code [[USD$5 + EUR$1] [USD$5 - EUR$1] [USD$5 / EUR$1] [USD$5 < EUR$1] [max USD$5 EUR$1]][
	expect-error 'script 'wrong-denom code
]
expect-error 'script 'not-related [USD$5 * USD$2]

; The list only grows, and a code appended to it loads at once.
append system/locale/currencies/list 'abc
expect 'ABC [pick back tail system/locale/currencies/list 1]
expect "ABC$1.00" [mold pick transcode "abc$1" 1]
expect "ABC$2.00" [mold as-money 'Abc 2]
expect-error 'script 'protected [append system/locale/currencies/list 'abc]
