#!/bin/sh
# Run by ctest before and after the tests: one line per reason for the cases
# that were skipped, with their number, so that a skipped case never passes
# unseen.
#
#   skip_summary.sh --start FILE   forget the skips of an earlier run
#   skip_summary.sh FILE           print the summary of this run
#
# FILE holds one line "REASON<TAB>CASE" per skipped case (written by
# tests/support/SkipRecorder.cpp through DORVELIAN_SKIP_LOG).
if [ "${1:-}" = --start ]; then
    rm -f "$2"
    exit 0
fi
[ -f "${1:-}" ] || exit 0
awk -F '\t' '
    { if (!($1 in count)) order[n++] = $1; count[$1]++ }
    END {
        for (i = 0; i < n; i++)
            printf "SKIPPED: %d test case%s: %s\n", count[order[i]], count[order[i]] == 1 ? "" : "s", order[i]
    }
' "$1"
rm -f "$1"
