Zep [
	Title: "A user error raised at the top level"
]
; expect-status: 254
do make error! "boom"
