Zep [
	Title: "Logic and none words"
	Purpose: {
		The words that stand for the none value and the two logic values.
		The lexer's construction syntax gives the values themselves, so
		this file needs nothing but set-words.
	}
]

none: #(none)
true: yes: on: #(true)
false: no: off: #(false)
