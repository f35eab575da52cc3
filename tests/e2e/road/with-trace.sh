#!/bin/sh
# Runs a test program under Wine with its Unix stderr in a file that the program can read
# (named in ROAD_TRACE_FILE): the Wine relay trace of a GUI program it starts goes to the
# stderr that program inherits, which is this one. Wine's own messages are passed on after.
trace=$(mktemp "${TMPDIR:-/tmp}/road-trace.XXXXXX") || exit 1
ROAD_TRACE_FILE=$trace wine "$@" 2>"$trace"
status=$?
grep -v -e ':Call ' -e ':Ret ' -e ':trace:relay:' -e ':Starting thread proc ' "$trace" >&2
rm -f "$trace"
exit $status
