Zep [Title: "Base and percent codecs, case change, checksums, compression, transcode"]

; Base and percent codecs.
expect "aGVsbG8=" [enbase "hello"]
expect "68656C6C6F" [enbase/base #{68656C6C6F} 16]
expect #{68656C6C6F} [debase/base "68656c6c6f" 16]
expect #{68656C6C6F} [debase "aGVsbG8="]
expect none [debase "not base 64!"]
expect-error 'script 'invalid-arg [debase/base "00" 3]
expect-error 'script 'invalid-arg [enbase/base #{00} 10]
expect "a bé" [dehex "a%20b%C3%A9"]
expect "a%20b%2Fc" [enhex "a b/c"]

; Case change in place.
s: "abc"
expect "ABC" [uppercase s]
expect "ABC" [s]
expect "Abc" [uppercase/part "abc" 1]
expect "abC" [lowercase/part "ABC" 2]
expect #"A" [uppercase #"a"]

; Checksums against published vectors.
expect 891568578 [checksum "abc" 'crc32]
expect 38600999 [checksum #{616263} 'adler32]
expect #{900150983CD24FB0D6963F7D28E17F72} [checksum "abc" 'md5]
expect #{A9993E364706816ABA3E25717850C26C9CD0D89D} [checksum "abc" 'SHA1]
expect #{5BDCC146BF60754E6A042426089575C75A003F089D2739839DEC58B964EC3843} [
	checksum/with "what do ya want for nothing?" 'sha256 "Jefe"
]
expect-error 'script 'invalid-refine-arg [checksum/with "abc" 'crc32 "k"]
expect-error 'script 'invalid-refine-arg [checksum "abc" 'hash]
expect-error 'script 'invalid-arg [checksum "abc" 'nope]

; Compression round trips in every format.
foreach method [zlib deflate gzip] [
	expect #{68656C6C6F2068656C6C6F} [decompress compress "hello hello" method method]
	expect #{68656C6C6F2068656C6C6F} [decompress/size compress "hello hello" method method 3]
]
expect-error 'script 'invalid-arg [compress "x" 'lzma]
expect-error 'script 'invalid-data [decompress #{0102} 'zlib]

; transcode.
expect [1 2] [transcode "1 2"]
expect integer! [transcode/scan "12"]
expect none [transcode/scan ""]
result: transcode/next "1 2"
expect 1 [first result]
expect " 2" [copy second result]
expect [12] [transcode/part #{EFBBBF3132203334} 5]
expect-error 'script 'not-same-type [transcode/part "1 2" #{00}]
