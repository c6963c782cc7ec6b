Zep [
	Title: "The system object"
]

expect [
	version build words platform catalog state modules codecs schemes ports
	locale options script standard lexer console view reactivity tools
] [reflect system 'words]
expect "0.6.6" [system/version]

; The error catalogue: ten categories in code order.
expect [
	throw note syntax script math access reserved1 reserved2 user internal
] [reflect system/catalog/errors 'words]
expect "Throw Error" [system/catalog/errors/throw/type]
expect 300 [system/catalog/errors/script/code]
expect [:arg1 "has no value"] [system/catalog/errors/script/no-value]
expect 96 [length? reflect system/catalog/errors/script 'words]
expect [x y z] [select system/catalog/accessors 'point3D!]

; The prototypes.
expect [code type id arg1 arg2 arg3 near where stack files]
	[reflect system/standard/error 'words]
expect [name size date type] [reflect system/standard/file-info 'words]
expect [name title info actor awake] [reflect system/standard/scheme 'words]
expect 20 [length? reflect system/standard/header 'words]
expect none [system/standard/header/Title]

; The interpreter's state.
expect 1 [system/state/stack-trace]
expect [] [system/state/source-files]
expect true [system/state/interpreted?]

; The callback flags mirror into bits: the field at position n is bit n - 1.
callbacks: system/state/callbacks
expect 0 [callbacks/bits]
callbacks/parse?: true
expect 2 [callbacks/bits]
callbacks/port?: true
expect 34 [callbacks/bits]
callbacks/parse?: false
expect 32 [callbacks/bits]
callbacks/port?: false
expect 0 [callbacks/bits]

; The locale.
expect 12 [length? system/locale/months]
expect "December" [pick system/locale/months 12]
expect "Monday" [pick system/locale/days 1]
expect "1-Feb-2000" [mold 1-Feb-2000]
; date! mold takes its month names from the locale.
poke system/locale/months 2 "Fevereiro"
expect "1-Fev-2000" [mold 1-Feb-2000]
poke system/locale/months 2 "February"

; The currency list accepts new three-letter codes only, upper-cased.
list: system/locale/currencies/list
expect 170 [length? list]
assert [to logic! find list 'ZEP]
append list 'abc
expect 'ABC [pick tail list -1]
expect 171 [length? list]
expect-error 'script 'protected [append list 'abc]
expect-error 'script 'protected [append list 'abcd]
expect-error 'script 'protected [append list "xyz"]
expect-error 'script 'protected [insert list 'xyz]
expect-error 'script 'protected [system/locale/currencies/list: []]
expect 171 [length? system/locale/currencies/list]
