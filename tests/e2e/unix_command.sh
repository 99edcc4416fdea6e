#!/bin/sh
# Runs a unix program for a Windows test under Wine (started through Wine's CreateProcess,
# which runs unix programs as they are but gives the caller no process handle).
#
#   unix_command.sh RESULT PROGRAM [ARGUMENT...]
#
# RESULT, a unix path, then holds "ok" when the program exited with 0, else
# "error: PROGRAM ARGUMENTS: its output".
result="$1"
shift
[ -n "$result" ] && [ $# -gt 0 ] || exit 2
if message=$("$@" 2>&1); then
    printf 'ok\n' >"$result.part"
else
    printf 'error: %s: %s\n' "$*" "$message" >"$result.part"
fi
mv -f "$result.part" "$result"
