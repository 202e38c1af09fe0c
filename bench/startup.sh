#!/usr/bin/env bash
# How long the desk takes to show its board, on a folder of years of bills against an empty
# one, with data.db in the page cache (warm) and evicted from it (cold: the first start of the
# day). The goal: at any size, at most 1.2 times the start on an empty folder.
#
#     bench/startup.sh BUILD_DIR HOUSE_FOLDER [RUNS]
#
# HOUSE_FOLDER is made by GenerateHouse (see the README); it is copied nowhere and only read
# and opened as the desk opens it. The empty folder is a fresh installation made by the first
# run. Each figure is the median of RUNS starts (default 15) as the program reports it with
# --report-start-time: milliseconds from main() to the first paint of the board.
set -euo pipefail

build=${1:?usage: startup.sh BUILD_DIR HOUSE_FOLDER [RUNS]}
house=${2:?usage: startup.sh BUILD_DIR HOUSE_FOLDER [RUNS]}
runs=${3:-15}
tavrel="$build/src/tavrel"
evict="$build/bench/EvictFromCache"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
"$tavrel" --data-dir "$empty" --report-start-time >/dev/null # the first start installs it

# Prints the milliseconds of one start on folder $1: with the whole of data.db read into the
# page cache first when $2 is "warm", with none of it there when $2 is "cold".
start_once() {
    if [ "$2" = cold ]; then
        "$evict" "$1"/data.db "$1"/data.db-wal 2>/dev/null || "$evict" "$1"/data.db
    else
        cat "$1"/data.db >/dev/null
    fi
    "$tavrel" --data-dir "$1" --report-start-time | sed -n 's/^board shown after \([0-9]*\) ms$/\1/p'
}

median() {
    tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

size=$(du -m "$house/data.db" | cut -f1)
receipts=$(sqlite3 "file:$house/data.db?mode=ro" "SELECT count(*) FROM Receiptform" 2>/dev/null || echo "?")

# The four kinds of start take turns, so that a busy moment of the machine falls on all alike.
emptyWarm="" emptyCold="" houseWarm="" houseCold=""
for _ in $(seq "$runs"); do
    emptyWarm+=" $(start_once "$empty" warm)"
    houseWarm+=" $(start_once "$house" warm)"
    emptyCold+=" $(start_once "$empty" cold)"
    houseCold+=" $(start_once "$house" cold)"
done
emptyWarm=$(median <<<"$emptyWarm")
emptyCold=$(median <<<"$emptyCold")
houseWarm=$(median <<<"$houseWarm")
houseCold=$(median <<<"$houseCold")

printf 'start to board shown, median of %d runs (ms)\n' "$runs"
printf '%-34s %8s %8s\n' "" warm cold
printf '%-34s %8s %8s\n' "empty folder" "$emptyWarm" "$emptyCold"
printf '%-34s %8s %8s\n' "$receipts receipts, $size MB" "$houseWarm" "$houseCold"
awk -v hw="$houseWarm" -v ew="$emptyWarm" -v hc="$houseCold" -v ec="$emptyCold" 'BEGIN {
    printf "%-34s %8.2f %8.2f   (goal: at most 1.20)\n", "ratio", hw / ew, hc / ec
}'
