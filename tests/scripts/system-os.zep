Zep [Title: "Child processes, the environment, the clock, files, memory figures, wait"]

expect 0 [call ""]
expect 3 [call/wait/shell "exit 3"]
out: copy ""
call/wait/shell/output "printf hi" out
expect "hi" [out]
; Several megabytes of output are captured whole.
big: copy ""
expect 0 [call/shell/output "head -c 3000000 /dev/zero | tr '\0' x" big]
expect 3000000 [length? big]
echoed: copy #{}
call/shell/input/output "cat" "in" echoed
expect #{696E} [echoed]

set-env "ZEP_SYSTEM_SCRIPT" "v"
expect "v" [get-env "ZEP_SYSTEM_SCRIPT"]
expect "v" [select list-env "ZEP_SYSTEM_SCRIPT"]
set-env 'ZEP_SYSTEM_SCRIPT none
expect none [get-env "ZEP_SYSTEM_SCRIPT"]

expect date! [type? now]
expect integer! [type? now/year]
expect time! [type? now/time/precise]
expect-error 'script 'bad-refines [now/year/month]

expect none [size? %/no/such/file]
expect none [size? %./]
expect "/tmp/x" [to-local-file %/tmp/x]

expect integer! [type? stats]
expect integer! [type? recycle]
expect none [wait 0]
expect-error 'script 'invalid-arg [wait [1]]
expect-error 'script 'invalid-arg [wait none]
