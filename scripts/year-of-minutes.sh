#!/usr/bin/env bash
# Writes a year of minutes (one line a minute, CR LF) in the log's own form to FILE: the input
# on which two builds of solamine-cli must give the same bytes. YEAR defaults to 2023.
# Usage: scripts/year-of-minutes.sh FILE [YEAR]
set -euo pipefail
awk -v year="${2:-2023}" 'BEGIN {
    split("31 28 31 30 31 30 31 31 30 31 30 31", days, " ")
    if (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) days[2] = 29
    for (m = 1; m <= 12; ++m) for (d = 1; d <= days[m]; ++d)
        for (h = 0; h < 24; ++h) for (n = 0; n < 60; ++n)
            printf "%02d/%02d/%02d, %02d:%02d, %d\r\n", year % 100, m, d, h, n, (m * 7 + d * 3 + h * 11 + n) % 61 + 10
}' >"$1"
