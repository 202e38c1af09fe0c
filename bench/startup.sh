#!/usr/bin/env bash
# How long the desk takes to show its board, on a folder of years of bills against an empty
# one and against a bare Qt window with one Chinese label, with data.db in the page cache
# (warm) and evicted from it (cold: the first start of the day). The goal: at any size, at
# most 1.2 times the start on an empty folder.
#
# Then the start's work in the background on the house: the first start of an ordinary
# business day (its quick check of the file, then its backup: the pages changed since the
# week's whole copy, after a day of bills), timed until the backup is written, in CPU seconds of
# the desk's process and wall time, while bench_settlement settles bills on the same file; its
# settlement p99 is set against that of as many settlements with the desk closed. Goals: under
# 6 CPU-seconds at 1.1 million receipts, settlement p99 within 1.5 times the idle p99, the whole
# copy at least 3 times smaller than the database. A later start of the day, the same first
# start with no whole copy to build on, and the weekly start with the whole check and the whole
# copy, are shown beside it.
#
#     bench/startup.sh BUILD_DIR HOUSE_FOLDER [RUNS]
#
# HOUSE_FOLDER is made by GenerateHouse (see the README); it is copied nowhere. The starts
# take backups into its backup/ and the settlements add bills to it. The empty folder is a
# fresh installation made by the first run. Each start figure is the median of RUNS starts
# (default 15) as the program reports it with --report-start-time: milliseconds from main()
# to the first paint of the board.
set -euo pipefail

build=${1:?usage: startup.sh BUILD_DIR HOUSE_FOLDER [RUNS]}
house=${2:?usage: startup.sh BUILD_DIR HOUSE_FOLDER [RUNS]}
runs=${3:-15}
tavrel="$build/src/tavrel"
evict="$build/bench/EvictFromCache"
bare="$build/bench/BareWindow"
settle="$build/bench/bench_settlement"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

empty=$(mktemp -d)
scratch=$(mktemp -d)
trap 'rm -rf "$empty" "$scratch"' EXIT
"$tavrel" --data-dir "$empty" --report-start-time >/dev/null # the first start installs it

bare_once() {
    "$bare" | sed -n 's/^board shown after \([0-9]*\) ms$/\1/p'
}

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
bareStart="" emptyWarm="" emptyCold="" houseWarm="" houseCold=""
for _ in $(seq "$runs"); do
    bareStart+=" $(bare_once)"
    emptyWarm+=" $(start_once "$empty" warm)"
    houseWarm+=" $(start_once "$house" warm)"
    emptyCold+=" $(start_once "$empty" cold)"
    houseCold+=" $(start_once "$house" cold)"
done
bareStart=$(median <<<"$bareStart")
emptyWarm=$(median <<<"$emptyWarm")
emptyCold=$(median <<<"$emptyCold")
houseWarm=$(median <<<"$houseWarm")
houseCold=$(median <<<"$houseCold")

printf 'start to board shown, median of %d runs (ms)\n' "$runs"
printf '%-34s %8s %8s\n' "" warm cold
printf '%-34s %8s %8s\n' "bare Qt window, one Chinese label" "$bareStart" "$bareStart"
printf '%-34s %8s %8s\n' "empty folder" "$emptyWarm" "$emptyCold"
printf '%-34s %8s %8s\n' "$receipts receipts, $size MB" "$houseWarm" "$houseCold"
awk -v hw="$houseWarm" -v ew="$emptyWarm" -v hc="$houseCold" -v ec="$emptyCold" -v b="$bareStart" 'BEGIN {
    verdict = (hw / ew <= 1.2 && hc / ec <= 1.2) ? "met" : "missed"
    printf "%-34s %8.2f %8.2f   (goal: at most 1.20: %s)\n", "house / empty folder", hw / ew, hc / ec, verdict
    printf "%-34s %8.2f %8.2f\n", "house / bare window", hw / b, hc / b
}'

# One start of the desk on the house that waits for its background work, with settlements
# written meanwhile when $1 is "settling"; prints the desk's report and leaves the
# settlements' in $scratch/during.
background_once() {
    local out="$scratch/desk" flag="$scratch/settling"
    : >"$out"
    "$tavrel" --data-dir "$house" --report-background-work >"$out" &
    local desk=$!
    until grep -q '^board shown' "$out" || ! kill -0 "$desk" 2>/dev/null; do sleep 0.02; done
    if [ "$1" = settling ]; then
        touch "$flag"
        "$settle" --folder "$house" --settlements 1000000 --while-file "$flag" >"$scratch/during" &
        local settling=$!
    fi
    wait "$desk" || true
    if [ "$1" = settling ]; then
        rm -f "$flag"
        wait "$settling"
    fi
    sed -n 's/^background work done after \([0-9]*\) ms, \([0-9.]*\) CPU-s: \(.*\)$/\1 \2 \3/p' "$out"
}

p99_of() {
    sed -n 's/^  desk settlement .* p99 \([0-9.]*\) ms .*$/\1/p' "$1"
}

# The first start of a week: the whole check of every page and index, and the whole copy that
# the week's backups build on.
rm -f "$house/data.db-checked"
read -r weeklyMs weeklyCpu weeklyBackup <<<"$(background_once quiet)"
# A day of business on the house: its bills change some of the file's pages.
daySettlements=400
"$settle" --folder "$house" --settlements "$daySettlements" >/dev/null
# The first start of the next business day: the file was last found sound two days ago, by
# the whole check too. Its backup holds the pages changed since the whole copy.
twoDaysAgo=$(date -d '2 days ago' +%F)
printf '%s thorough %s\n' "$twoDaysAgo" "$twoDaysAgo" >"$house/data.db-checked"
cat "$house/data.db" >/dev/null
read -r firstMs firstCpu firstBackup <<<"$(background_once settling)"
rounds=$(sed -n 's/^\([0-9]*\) settlements of .*/\1/p' "$scratch/during")
duringP99=$(p99_of "$scratch/during")
"$settle" --folder "$house" --settlements "$rounds" >"$scratch/idle"
idleP99=$(p99_of "$scratch/idle")
read -r laterMs laterCpu _ <<<"$(background_once quiet)"
# The same first start with no whole copy of the last two weeks to build on (the backups moved
# aside and put back after): it takes a whole copy.
printf '%s thorough %s\n' "$twoDaysAgo" "$twoDaysAgo" >"$house/data.db-checked"
mv "$house/backup" "$scratch/kept"
read -r wholeMs wholeCpu _ <<<"$(background_once quiet)"
rm -rf "$house/backup"
mv "$scratch/kept" "$house/backup"
# The floor: the same protection by the simplest tools, in the same run: sqlite3's quick check
# of the file through a map of it, sqlite3's own online backup into a scratch file, zstd -1 of
# that file on one thread. CPU seconds of each (user and system).
cpu_of() {
    local TIMEFORMAT='%U %S'
    { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%.2f", $1 + $2 }'
}
floorCheck=$(cpu_of sqlite3 "file:$house/data.db?mode=ro" "PRAGMA mmap_size=2147418112" "PRAGMA quick_check")
floorCopy=$(cpu_of sqlite3 "file:$house/data.db?mode=ro" ".backup '$scratch/floor.db'")
floorPack=$(cpu_of zstd -q -1 -T1 "$scratch/floor.db" -o "$scratch/floor.db.zst")
rm -f "$scratch/floor.db" "$scratch/floor.db.zst"
wholeBytes=$(du -b "$weeklyBackup" | tail -1 | cut -f1)
incrementBytes=$(du -b "$firstBackup" | tail -1 | cut -f1)
databaseBytes=$(stat -c %s "$house/data.db")

printf '\nthe start'"'"'s background work until its backup is written\n'
printf '%-52s %9s %7s\n' "" "wall ms" "CPU-s"
printf '%-52s %9s %7s\n' "first start of the day (check, incremental backup)" "$firstMs" "$firstCpu"
printf '%-52s %9s %7s\n' "later start of the day (incremental backup only)" "$laterMs" "$laterCpu"
printf '%-52s %9s %7s\n' "first start of the day, no whole copy to build on" "$wholeMs" "$wholeCpu"
printf '%-52s %9s %7s\n' "first start of a week (whole check, whole copy)" "$weeklyMs" "$weeklyCpu"
printf '%-52s %9s %7.2f\n' "floor: sqlite3 quick_check" "" "$floorCheck"
printf '%-52s %9s %7.2f\n' "floor: sqlite3 .backup, then zstd -1" "" "$(awk -v a="$floorCopy" -v b="$floorPack" 'BEGIN { print a + b }')"
awk -v cpu="$firstCpu" -v during="$duringP99" -v idle="$idleP99" -v rounds="$rounds" \
    -v whole="$wholeBytes" -v increment="$incrementBytes" -v database="$databaseBytes" -v day="$daySettlements" \
    -v floor="$(awk -v a="$floorCheck" -v b="$floorCopy" -v c="$floorPack" 'BEGIN { print a + b + c }')" 'BEGIN {
    printf "background work: %.2f CPU-s, %.2f x the floor of %.2f CPU-s (goal: under 6: %s)\n", cpu, cpu / floor,
        floor, (cpu < 6 ? "met" : "missed")
    printf "settlement p99 during it: %.3f ms against %.3f ms idle, %d settlements each: %.2f x (goal: at most 1.5: %s)\n",
        during, idle, rounds, during / idle, (during / idle <= 1.5 ? "met" : "missed")
    printf "whole copy: %.1f MB of a %.1f MB database, %.1f x smaller (goal: at least 3: %s)\n",
        whole / 1e6, database / 1e6, database / whole, (database / whole >= 3 ? "met" : "missed")
    printf "incremental backup after a day of %d bills: %.1f MB\n", day, increment / 1e6
}'
