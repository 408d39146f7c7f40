#!/bin/sh
# Run by ctest after the tests: one line per reason for the cases that were
# skipped, with their number, so that a skipped case never passes unseen.
# Reads ctest's log of the run (BUILD/Testing/Temporary/LastTest.log); a
# case counts as skipped when ctest found gtest's "[  SKIPPED ]" in its
# output, and its reason is the message gtest printed after "Skipped".
#
#   skip_summary.sh BUILD
log=${1:-.}/Testing/Temporary/LastTest.log
[ -f "$log" ] || exit 0
awk '
    / Testing: /              { reason = ""; take = 0; next }
    take                      { reason = $0; take = 0; next }
    /: Skipped$/              { take = 1; next }
    /^Skip regular expression found in output/ {
        if (reason == "") reason = "(no reason given)"
        if (!(reason in count)) order[n++] = reason
        count[reason]++
    }
    END {
        for (i = 0; i < n; i++)
            printf "SKIPPED: %d test case%s: %s\n", count[order[i]], count[order[i]] == 1 ? "" : "s", order[i]
    }
' "$log"
