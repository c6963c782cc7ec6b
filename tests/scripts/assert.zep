Zep [
	Title: "Assertions for the script tests"
	Purpose: {
		The test runner inserts this file's code after the header of each
		test script. A failing assertion prints the expression, the expected
		and the actual value, then raises an error that nothing catches, so
		the script ends with a non-zero status.
	}
]

assert-failed: func [kind [string!] code [block!] expected [any-type!] actual [any-type!]][
	print form reduce ["FAILED" kind mold/flat code]
	print form reduce ["  expected:" mold/all/flat :expected]
	print form reduce ["  actual:  " mold/all/flat :actual]
	do make error! "assertion failed"
]

expect: func [
	"Fails unless code gives a value of the expected datatype, strictly equal to it"
	expected [any-type!]
	code [block!]
	/local actual
][
	set/any 'actual do code
	unless strict-equal? :expected :actual [assert-failed "expect" code :expected :actual]
]

expect-error: func [
	"Fails unless code raises the error of the category and id"
	category [word!]
	id [word!]
	code [block!]
	/local result
][
	set/any 'result try code
	unless all [
		error! = type? :result
		result/type = category
		result/id = id
	][assert-failed "expect-error" code reduce [category id] :result]
]

assert: func [
	"Fails unless code gives true"
	code [block!]
	/local result
][
	set/any 'result do code
	unless true == :result [assert-failed "assert" code true :result]
]
