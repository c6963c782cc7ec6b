Zep [
	Title: "The system object"
	Purpose: {
		The system object with its fields in their fixed order. Fields whose
		content belongs to parts of the library not built yet hold none;
		the error catalogue (errors.zep) fills system/catalog/errors.
	}
]

system: make object! [
	version: "0.6.6"
	build: none
	words: none
	platform: none

	catalog: make object! [
		datatypes: none
		actions: none
		natives: none
		accessors: [
			date! [
				date year month day zone time hour minute second weekday
				yearday timezone week isoweek julian
			]
			email! [user host]
			event! [
				type face window offset key picked flags orientation away?
				down? mid-down? alt-down? aux-down? ctrl? shift?
			]
			image! [size argb rgb alpha]
			pair! [x y]
			point2D! [x y]
			point3D! [x y z]
			time! [hour minute second]
			money! [code amount]
		]
		errors: none
	]

	state: make object! [
		interpreted?: none	; a routine, stored once the object exists
		last-error: none
		stack-trace: 1
		source-files: []

		callbacks: make object! [
			lexer?: false
			parse?: false
			sort?: false
			change?: false
			deep?: false
			port?: false
			bits: 0

			; Keeps BITS in step with the flags: the field at position n is
			; bit n - 1.
			on-change*: func [word old new /local bit][
				if integer! <> type? :bits [set-quiet 'bits 0]
				bit: shift-left 1 (index? word) - 1
				set-quiet 'bits either :new [bits or bit][bits and complement bit]
			]
		]

		GC: none
	]

	modules: none
	codecs: none
	schemes: none
	ports: none

	locale: make object! [
		language: none
		language*: none
		locale: none
		locale*: none
		months: [
			"January" "February" "March" "April" "May" "June" "July"
			"August" "September" "October" "November" "December"
		]
		days: [
			"Monday" "Tuesday" "Wednesday" "Thursday" "Friday" "Saturday"
			"Sunday"
		]

		; The currency codes that money! accepts. The list only grows, by
		; appending new three-letter codes, which are stored upper-cased.
		currencies: make object! [
			list: [
				AED AFN ALL AMD ANG AOA ARS AUD AWG AZN BAM BBD BDT BTC BGN BHD
				BIF BMD BND BOB BRL BSD BTN BWP BYN BZD CAD CDF CHF CKD CLP CNY
				COP CRC CUC CUP CVE CZK DJF DKK DOP DZD EGP ERN ETB ETH EUR FJD
				FKP FOK GBP GEL GGP GHS GIP GMD GNF GTQ GYD HKD HNL HRK HTG HUF
				IDR ILS IMP INR IQD IRR ISK JEP JMD JOD JPY KES KGS KHR KID KMF
				KPW KRW KWD KYD KZT LAK LBP LKR LRD LSL LYD MAD MDL MGA MKD MMK
				MNT MOP MRU MUR MVR MWK MXN MYR MZN NAD NGN NIO NOK NPR NZD OMR
				PAB PEN PGK PHP PKR PLN PND PRB PYG QAR ZEP RON RSD RUB RWF SAR
				SBD SCR SDG SEK SGD SHP SLL SLS SOS SRD SSP STN SYP SZL THB TJS
				TMT TND TOP TRY TTD TVD TWD TZS UAH UGX USD UYU UZS VES VND VUV
				WST CFA XAF XCD XOF CFP XPF YER ZAR ZMW
			]

			on-change*: func [word old new][
				set-quiet word :old
				do make error! [type: 'script id: 'protected]
			]

			on-deep-change*: func [owner word target action new index part][
				if any [
					word <> 'list
					not find [append appended] action
					word! <> type? :new
					all [
						action = 'append
						any [find list new 255 < length? list]
					]
					3 <> length? form :new
				][
					do make error! [type: 'script id: 'protected]
				]
				if action = 'appended [
					set-slot-quiet
						back tail list
						to word! uppercase form pick back tail list 1
				]
			]
		]
	]

	options: none

	script: make object! [
		title: none
		header: none
		parent: none
		path: none
		args: none
	]

	standard: make object! [
		header: make object! [
			Title: Name: Type: Version: Date: File: Home: Author: Tabs: Needs:
			License: Note: History: Rights: Usage: Purpose: Comment:
			Language: Content: Owner: none
		]
		port: make object! [
			spec: scheme: actor: awake: state: data: extra: none
		]
		error: make object! [
			code: type: id: arg1: arg2: arg3: near: where: stack: files: none
		]
		file-info: make object! [
			name: size: date: type: none
		]
		url-parts: make object! [
			scheme: user-info: host: port: path: target: query: fragment: ref: none
		]
		scheme: make object! [
			name: title: info: actor: awake: none
		]
	]

	lexer: none
	console: none
	view: none
	reactivity: none
	tools: none
]
