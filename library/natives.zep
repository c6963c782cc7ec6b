Zep [
	Title: "Natives"
	Purpose: {
		The native functions, each made from its spec block and its index
		in the natives table. The index links the word to the C++ entry;
		the spec gives the argument names, the accepted types and the
		refinements in the order the entries read them.
	}
]

if: make native! [[
	"If conditional expression is truthy, evaluate block; else return NONE"
	cond [any-type!]
	then-blk [block!]
] 1]

unless: make native! [[
	"If conditional expression is falsy, evaluate block; else return NONE"
	cond [any-type!]
	then-blk [block!]
] 2]

either: make native! [[
	"If conditional expression is truthy, evaluate the first branch; else evaluate the alternative"
	cond [any-type!]
	true-blk [block!]
	false-blk [block!]
] 3]

any: make native! [[
	"Evaluates, returning at the first that is truthy"
	conds [block!]
] 4]

all: make native! [[
	"Evaluates, returning at the first that is not truthy"
	conds [block!]
] 5]

while: make native! [[
	"Evaluates body as long as condition block evaluates to truthy value"
	cond [block!] "Condition block to evaluate on each iteration"
	body [block!] "Block to evaluate on each iteration"
] 6]

until: make native! [[
	"Evaluates body until it is truthy"
	body [block!]
] 7]

loop: make native! [[
	"Evaluates body a number of times"
	count [integer! float!]
	body [block!]
] 8]

repeat: make native! [[
	"Evaluates body a number of times, tracking iteration count"
	'word [word!] "Iteration counter; not local to loop"
	value [integer! float!] "Number of times to evaluate body"
	body [block!]
] 9]

forever: make native! [[
	"Evaluates body repeatedly forever"
	body [block!]
] 10]

foreach: make native! [[
	"Evaluates body for each value in a series"
	'word [word! block!] "Word, or words, to set on each iteration"
	series [series! map!]
	body [block!]
] 11]

forall: make native! [[
	"Evaluates body for all values in a series"
	'word [word!] "Word referring to series to iterate over"
	body [block!]
] 12]

remove-each: make native! [[
	"Removes values for each block that returns truthy value"
	'word [word! block!] "Word or block of words to set each time"
	data [series!] "The series to traverse (modified)"
	body [block!] "Block to evaluate (return truthy value to remove)"
] 13]

func: make native! [[
	"Defines a function with a given spec and body"
	spec [block!]
	body [block!]
] 14]

function: make native! [[
	"Defines a function, making all set-words found in body, local"
	spec [block!]
	body [block!]
	/extern "Exclude words that follow this refinement"
] 15]

does: make native! [[
	"Defines a function with no arguments or local variables"
	body [block!]
] 16]

has: make native! [[
	"Defines a function with local variables, but no arguments"
	vars [block!]
	body [block!]
] 17]

switch: make native! [[
	"Evaluates the first block following the value found in cases"
	value [any-type!] "The value to match"
	cases [block!]
	/default "Specify a default block, if value is not found in cases"
		case [block!] "Default block to evaluate"
] 18]

case: make native! [[
	"Evaluates the block following the first truthy condition"
	cases [block!] "Block of condition-block pairs"
	/all "Test all conditions, evaluating the block following each truthy condition"
] 19]

do: make native! [[
	"Evaluates a value, returning the last evaluation result"
	value [any-type!]
	/expand "Expand directives before evaluation"
	/args "If value is a script, this will set its system/script/args"
		arg "Args passed to a script (normally a string)"
	/next "Do next expression only, return it, update block word"
		position [word!] "Word updated with new block position"
	/trace "Evaluate the code and report the evaluation events to a callback"
		callback [function!]
] 20]

get: make native! [[
	"Returns the value a word refers to"
	word [any-word! any-path! object!]
	/any "If word has no value, return UNSET rather than causing an error"
	/case "Use case-sensitive comparison (path only)"
] 21]

set: make native! [[
	"Sets the value(s) one or more words refer to"
	word [any-word! block! object! any-path!] "Word, object, map path or block of words to set"
	value [any-type!] "Value or block of values to assign to words"
	/any "Allow UNSET as a value rather than causing an error"
	/case "Use case-sensitive comparison (path only)"
	/only "Block or object value argument is set as a single value"
	/some "None values in a block or object value argument, are not set"
] 22]

print: make native! [[
	"Outputs a value followed by a newline"
	value [any-type!]
] 23]

prin: make native! [[
	"Outputs a value"
	value [any-type!]
] 24]

equal?: make native! [[
	"Returns TRUE if two values are equal"
	value1 [any-type!]
	value2 [any-type!]
] 25]

not-equal?: make native! [[
	"Returns TRUE if two values are not equal"
	value1 [any-type!]
	value2 [any-type!]
] 26]

strict-equal?: make native! [[
	"Returns TRUE if two values are equal, and also the same datatype"
	value1 [any-type!]
	value2 [any-type!]
] 27]

lesser?: make native! [[
	"Returns TRUE if the first value is less than the second"
	value1 [any-type!]
	value2 [any-type!]
] 28]

greater?: make native! [[
	"Returns TRUE if the first value is greater than the second"
	value1 [any-type!]
	value2 [any-type!]
] 29]

lesser-or-equal?: make native! [[
	"Returns TRUE if the first value is less than or equal to the second"
	value1 [any-type!]
	value2 [any-type!]
] 30]

greater-or-equal?: make native! [[
	"Returns TRUE if the first value is greater than or equal to the second"
	value1 [any-type!]
	value2 [any-type!]
] 31]

same?: make native! [[
	"Returns TRUE if two values have the same identity"
	value1 [any-type!]
	value2 [any-type!]
] 32]

not: make native! [[
	"Returns the logic complement"
	value [any-type!] "(Only FALSE and NONE return TRUE)"
] 33]

type?: make native! [[
	"Returns the datatype of a value"
	value [any-type!]
	/word "Return a word value, rather than a datatype value"
] 34]

reduce: make native! [[
	"Returns a copy of a block, evaluating all expressions"
	value [any-type!]
	/into "Put results in out block, instead of creating a new block"
		out [any-block!] "Target block for results, when /into is used"
] 35]

compose: make native! [[
	"Returns a copy of a block, evaluating only parens"
	value [block!]
	/deep "Compose nested blocks"
	/only "Compose nested blocks as blocks containing their values"
	/into "Put results in out block, instead of creating a new block"
		out [any-block!] "Target block for results, when /into is used"
] 36]

stats: make native! [[
	"Returns interpreter statistics"
	/show "TBD:"
	/info "Output formatted results"
] 37]

bind: make native! [[
	"Bind words to a context; returns rebound words"
	word [block! any-word!]
	context [any-word! any-object! function!]
	/copy "Deep copy blocks before binding"
] 38]

in: make native! [[
	"Returns the given word bound to the object's context"
	object [any-object! any-function!]
	word [any-word! refinement!]
] 39]

parse: make native! [[
	"Process a series using dialected grammar rules"
	input [binary! any-block! any-string!]
	rules [block!]
	/case "Uses case-sensitive comparison"
	/part "Limit to a length or position"
		length [number! series!]
	/trace
		callback [function! [
			event [word!]
			match? [logic!]
			rule [block!]
			input [series!]
			stack [block!]
			return: [logic!]
		]]
	return: [logic! block!]
] 40]

union: make native! [[
	"Returns the union of two data sets"
	set1 [block! hash! string! bitset! typeset!]
	set2 [block! hash! string! bitset! typeset!]
	/case "Use case-sensitive comparison"
	/skip "Treat the series as fixed size records"
		size [integer!]
] 41]

intersect: make native! [[
	"Returns the intersection of two data sets"
	set1 [block! hash! string! bitset! typeset!]
	set2 [block! hash! string! bitset! typeset!]
	/case "Use case-sensitive comparison"
	/skip "Treat the series as fixed size records"
		size [integer!]
] 42]

unique: make native! [[
	"Returns the data set with duplicates removed"
	set [block! hash! string!]
	/case "Use case-sensitive comparison"
	/skip "Treat the series as fixed size records"
		size [integer!]
] 43]

difference: make native! [[
	"Returns the special difference of two data sets"
	set1 [block! hash! string! bitset! typeset! date!]
	set2 [block! hash! string! bitset! typeset! date!]
	/case "Use case-sensitive comparison"
	/skip "Treat the series as fixed size records"
		size [integer!]
] 44]

exclude: make native! [[
	"Returns the first data set less the second data set"
	set1 [block! hash! string! bitset! typeset!]
	set2 [block! hash! string! bitset! typeset!]
	/case "Use case-sensitive comparison"
	/skip "Treat the series as fixed size records"
		size [integer!]
] 45]

complement?: make native! [[
	"Returns TRUE if the bitset is complemented"
	bits [bitset!]
] 46]

dehex: make native! [[
	"Converts URL-style hex encoded (%xx) strings"
	value [any-string!]
] 47]

enhex: make native! [[
	"Encode URL-style hex encoded (%xx) strings"
	value [any-string!]
] 48]

negative?: make native! [[
	"Returns TRUE if the number is negative"
	number [number! money! time!]
] 49]

positive?: make native! [[
	"Returns TRUE if the number is positive"
	number [number! money! time!]
] 50]

max: make native! [[
	"Returns the greater of the two values"
	value1 [scalar! series!]
	value2 [scalar! series!]
] 51]

min: make native! [[
	"Returns the lesser of the two values"
	value1 [scalar! series!]
	value2 [scalar! series!]
] 52]

shift: make native! [[
	"Perform a bit shift operation. Right shift (decreasing) by default"
	data [integer!]
	bits [integer!]
	/left "Shift bits to the left (increasing)"
	/logical "Use logical shift (unsigned, fill with zero)"
] 53]

to-hex: make native! [[
	"Converts numeric value to a hex issue! datatype (with leading # and 0's)"
	value [integer!]
	/size "Specify number of hex digits in result"
		length [integer!]
] 54]

sine: make native! [[
	"Returns the trigonometric sine"
	angle [float! integer!]
	/radians "Angle is specified in radians"
] 55]

cosine: make native! [[
	"Returns the trigonometric cosine"
	angle [float! integer!]
	/radians "Angle is specified in radians"
] 56]

tangent: make native! [[
	"Returns the trigonometric tangent"
	angle [float! integer!]
	/radians "Angle is specified in radians"
] 57]

arcsine: make native! [[
	"Returns the trigonometric arcsine (in degrees by default)"
	value [float! integer!]
	/radians "Angle is returned in radians"
] 58]

arccosine: make native! [[
	"Returns the trigonometric arccosine (in degrees by default)"
	value [float! integer!]
	/radians "Angle is returned in radians"
] 59]

arctangent: make native! [[
	"Returns the trigonometric arctangent (in degrees by default)"
	value [float! integer!]
	/radians "Angle is returned in radians"
] 60]

arctangent2: make native! [[
	"Returns the smallest angle between the vectors (1,0) and (x,y) in degrees by default"
	y [float! integer!]
	x [float! integer!]
	/radians "Angle is returned in radians"
] 61]

NaN?: make native! [[
	"Returns TRUE if the number is Not-a-Number"
	value [number!]
] 62]

log-2: make native! [[
	"Return the base-2 logarithm"
	value [float! integer! percent!]
] 63]

log-10: make native! [[
	"Returns the base-10 logarithm"
	value [float! integer! percent!]
] 64]

log-e: make native! [[
	"Returns the natural (base-E) logarithm of the given value"
	value [float! integer! percent!]
] 65]

exp: make native! [[
	"Raises E (the base of natural logarithm) to the power specified"
	value [float! integer! percent!]
] 66]

square-root: make native! [[
	"Returns the square root of a number"
	value [float! integer! percent!]
] 67]

construct: make native! [[
	"Makes a new object from an unevaluated spec; standard logic words are evaluated"
	block [block!]
	/with "Use a prototype object"
		object [object!] "Prototype object"
	/only "Don't evaluate standard logic words"
] 68]

value?: make native! [[
	"Returns TRUE if the word has a value"
	value [word!]
] 69]

try: make native! [[
	"Tries to DO a block and returns its value or an error"
	block [block!]
	/all "Catch also BREAK, CONTINUE, RETURN, EXIT and THROW exceptions"
	/keep "Capture and save the call stack in the error object"
] 70]

uppercase: make native! [[
	"Converts string of characters to uppercase"
	string [any-string! char!] "Value to convert (modified)"
	/part "Limits to a given length or position"
		limit [number! any-string!]
] 71]

lowercase: make native! [[
	"Converts string of characters to lowercase"
	string [any-string! char!] "Value to convert (modified)"
	/part "Limits to a given length or position"
		limit [number! any-string!]
] 72]

as-pair: make native! [[
	"Combine X and Y values into a pair"
	x [integer! float!]
	y [integer! float!]
] 73]

as-point2D: make native! [[
	"Combine X and Y values into a 2D point"
	x [integer! float!]
	y [integer! float!]
] 74]

as-point3D: make native! [[
	"Combine X, Y and Z values into a 3D point"
	x [integer! float!]
	y [integer! float!]
	z [integer! float!]
] 75]

as-money: make native! [[
	"Combine currency code and amount into a monetary value"
	currency [word!]
	amount [integer! float!]
] 76]

break: make native! [[
	"Breaks out of a loop, while, until, repeat, foreach, etc"
	/return "Forces the loop function to return a value"
		value [any-type!]
] 77]

continue: make native! [[
	"Throws control back to top of loop"
] 78]

exit: make native! [[
	"Exits a function, returning no value"
] 79]

return: make native! [[
	"Returns a value from a function"
	value [any-type!]
] 80]

throw: make native! [[
	"Throws control back to a previous catch"
	value [any-type!] "Value returned from catch"
	/name "Throws to a named catch"
		word [word!]
] 81]

catch: make native! [[
	"Catches a throw from a block and returns its value"
	block [block!] "Block to evaluate"
	/name "Catches a named throw"
		word [word! block!] "One or more names"
] 82]

extend: make native! [[
	"Extend an object or map value with list of key and value pairs"
	obj [object! map!]
	spec [block! hash! map!]
	/case "Use case-sensitive comparison"
] 83]

debase: make native! [[
	"Decodes binary-coded string (BASE-64 default) to binary value"
	value [string!] "The string to decode"
	/base "Binary base to use"
		base-value [integer!] "The base to convert from: 64, 58, 16, or 2"
] 84]

to-local-file: make native! [[
	"Converts a Zep file path to the local system file path"
	path [file! string!]
	/full "Prepends current dir for full path (for relative paths only)"
] 85]

wait: make native! [[
	"Waits for a duration in seconds or specified time"
	value [number! time! block! none!]
	/all "Returns all events in a block"
] 86]

checksum: make native! [[
	"Computes a checksum, CRC, hash, or HMAC"
	data [binary! string! file!]
	method [word!] "MD5 SHA1 SHA256 SHA384 SHA512 CRC32 TCP ADLER32 hash"
	/with "Extra value for HMAC key or hash table size; not compatible with TCP/CRC32/ADLER32 methods"
		spec [any-string! binary! integer!] "String or binary for MD5/SHA* HMAC key, integer for hash table size"
] 87]

unset: make native! [[
	"Unsets the value of a word in its current context"
	word [word! block!] "Word or block of words"
] 88]

new-line: make native! [[
	"Sets or clears the new-line marker within a list series"
	position [any-list!] "Position to change marker (modified)"
	value [logic!] "Set TRUE for newline"
	/all "Set/clear marker to end of series"
	/skip "Set/clear marker periodically to the end of the series"
		size [integer!]
] 89]

new-line?: make native! [[
	"Returns the state of the new-line marker within a list series"
	position [any-list!] "Position to check marker"
] 90]

enbase: make native! [[
	"Encodes a string into a binary-coded string (BASE-64 default)"
	value [binary! string!] "If string, will be UTF8 encoded"
	/base "Binary base to use"
		base-value [integer!] "The base to convert from: 64, 58, 16, or 2"
] 91]

context?: make native! [[
	"Returns the context to which a word is bound"
	word [any-word!] "Word to check"
] 92]

set-env: make native! [[
	"Sets the value of an operating system environment variable (for current process)"
	var [any-string! any-word!] "Variable to set"
	value [string! none!] "Value to set, or NONE to unset it"
] 93]

get-env: make native! [[
	"Returns the value of an OS environment variable (for current process)"
	var [any-string! any-word!] "Variable to get"
] 94]

list-env: make native! [[
	"Returns a map of OS environment variables (for current process)"
] 95]

now: make native! [[
	"Returns date and time"
	/year "Returns year only"
	/month "Returns month only"
	/day "Returns day of the month only"
	/time "Returns time only"
	/zone "Returns time zone offset from UCT (GMT) only"
	/date "Returns date only"
	/weekday "Returns day of the week as integer (Monday is day 1)"
	/yearday "Returns day of the year (Julian)"
	/precise "High precision time"
	/utc "Universal time (no zone)"
] 96]

sign?: make native! [[
	"Returns sign of N as 1, 0, or -1 (to use as a multiplier)"
	number [number! money! time!]
] 97]

as: make native! [[
	"Coerce a series into a compatible datatype without copying it"
	type [datatype! block! paren! any-path! any-string! hash! binary!] "The datatype or example value"
	spec [block! paren! any-path! any-string! hash! binary!] "The series to coerce"
] 98]

call: make native! [[
	"Executes a shell command to run another process"
	cmd [string! file!] "A shell command or an executable file"
	/wait "Runs command and waits for exit"
	/show "Force the display of system's shell window"
	/console "Runs command with I/O redirected to console"
	/shell "Forces command to be run from shell"
	/input in [string! file! binary!] "Redirects in to stdin"
	/output out [string! file! binary!] "Redirects stdout to out"
	/error err [string! file! binary!] "Redirects stderr to err"
] 99]

zero?: make native! [[
	"Returns TRUE if the value is zero"
	value [number! money! pair! time! char! tuple! any-point!]
] 100]

size?: make native! [[
	"Returns the size of a file content"
	file [file!]
] 101]

browse: make native! [[
	"Open web browser to a URL or local file"
	url [url! file!]
] 102]

compress: make native! [[
	"Compresses data"
	data [any-string! binary!]
	method [word!] "zlib deflate gzip"
] 103]

decompress: make native! [[
	"Decompresses data"
	data [binary!]
	method [word!] "zlib deflate gzip"
	/size "Specify an uncompressed data size (ignored for GZIP)"
		sz [integer!] "Uncompressed data size; must not be negative"
] 104]

recycle: make native! [[
	"Recycles unused memory and returns memory amount still in use"
	/on "Turns on garbage collector"
	/off "Turns off garbage collector"
] 105]

transcode: make native! [[
	"Translates UTF-8 binary source to values. Returns one or several values in a block"
	src [binary! string!] "UTF-8 input buffer; string argument will be UTF-8 encoded"
	/next "Translate next complete value (blocks as single value)"
	/one "Translate next complete value, returns the value only"
	/prescan "Prescans only, do not load values. Returns guessed type"
	/scan "Scans only, do not load values. Returns recognized type"
	/part "Translates only part of the input buffer"
		length [integer! binary!] "Length in bytes or tail position"
	/into "Optionally provides an output block"
		dst [block!]
	/trace
		callback [function!]
] 106]

apply: make native! [[
	"Apply a function to a reduced block of arguments"
	func [word! path! any-function!] "Function to apply, with eventual refinements"
	args [block!] "Block of args, reduced first (unless /safer)"
	/all "Provides a value for every argument of the function, in order"
	/safer "Forces single refinement arguments, skip them when inactive instead of evaluating"
] 107]
