#!/bin/sh
# Puts a file-size limit on a running Windows program under Wine, for the end-to-end tests
# (started by them through Wine's CreateProcess, which runs unix programs as they are).
#
#   set_file_limit.sh PROGRAM BYTES RESULT
#
# PROGRAM is the Windows path the program was started from, as its command line begins
# (quotes aside). The one process of this user whose command line that is gets
# RLIMIT_FSIZE = BYTES (soft and hard); RESULT, a unix path, then holds "ok PID", or
# "error: ..." when no process or several matched or prlimit failed. The program must
# have been started with SIGXFSZ ignored (scripts/wine-run.sh does that), or its first
# write across the limit kills it.
program="$1"
bytes="$2"
result="$3"
[ -n "$program" ] && [ -n "$bytes" ] && [ -n "$result" ] || exit 2

report() {
    printf '%s\n' "$1" >"$result.part" && mv -f "$result.part" "$result"
}

# Wine shows a process's Windows command line as its own, padded with spaces.
found=""
for dir in /proc/[0-9]*; do
    [ -O "$dir" ] || continue
    line=$(tr '\000' ' ' <"$dir/cmdline" 2>/dev/null | tr -d '"')
    case "$line" in
    "$program" | "$program "*) found="$found ${dir#/proc/}" ;;
    esac
done
set -- $found
if [ $# -eq 0 ]; then
    report "error: no running process started from $program"
elif [ $# -gt 1 ]; then
    report "error: several processes started from $program:$found"
elif message=$(prlimit --pid "$1" --fsize="$bytes" 2>&1); then
    report "ok $1"
else
    report "error: prlimit --pid $1 --fsize=$bytes: $message"
fi
