#!/usr/bin/env bash
# varnolt-kw against `cat` copying the same output bytes, at 10,000, 100,000
# and 1,000,000 keywords: `typos --all`, `adwords` with every notation and
# `export`, and export of 1,000,000 distinct keywords.
# Both sides write a file in a temporary folder (varnolt-kw through -o, which
# syncs the file before it replaces the old one), and both write into a pipe
# that `wc -c` empties; each run is timed by the shell's own clock (no
# process started to read the time), best of N runs. The engine alone, in
# one process, is timed by the bench_kw_engine program.
# Peak memory comes from /usr/bin/time when it is installed.
# Run from the repository root with BUILD set to the build folder.
set -euo pipefail
BUILD="${BUILD:-build}"
KW="$BUILD/varnolt-kw"
RUNS="${RUNS:-5}"
SIZES="${SIZES:-10000 100000 1000000}"
[ -x "$KW" ] || { echo "kw.sh: $KW not built" >&2; exit 1; }
((BASH_VERSINFO[0] >= 5)) || { echo "kw.sh: needs bash 5 (EPOCHREALTIME)" >&2; exit 1; }

work=$(mktemp -d /tmp/varnolt-kwbench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# A fixed-seed generator (Park-Miller, exact in awk's doubles), so every run
# and every machine gets the same list: one to three words, some capitalised,
# some numbers, CR LF line ends.
make_input() {  # make_input COUNT FILE
    awk -v count="$1" 'BEGIN {
    n = split("red running shoes cheap buy online best hotel london new york " \
              "car insurance quote laptop deals free shipping women men kids " \
              "winter jacket leather boots phone case wireless headphones cheap " \
              "flights paris rome pizza delivery near me dentist lawyer plumber " \
              "garden furniture outdoor kitchen table coffee maker espresso " \
              "machine vacuum cleaner mattress sale hiking backpack camping tent " \
              "yoga mat protein powder vitamins skin care organic tea gift ideas " \
              "wedding dress tuxedo rental used cars repair service", w, " ")
    m = split("2024 10 15 4k 500 3 64gb 12", d, " ")
    x = 20240611
    for (i = 0; i < count; i++) {
        words = 1 + (x = (x * 16807) % 2147483647) % 3
        line = ""
        for (j = 0; j < words; j++) {
            x = (x * 16807) % 2147483647
            if (x % 9 == 0) word = d[1 + int(x / 9) % m]
            else word = w[1 + int(x / 9) % n]
            x = (x * 16807) % 2147483647
            if (x % 7 == 0) word = toupper(substr(word, 1, 1)) substr(word, 2)
            else if (x % 53 == 0) word = toupper(word)
            line = line (j ? " " : "") word
        }
        printf "%s\r\n", line
    }
}' > "$2"
}

make_distinct() {  # make_distinct FILE: 1,000,000 distinct keywords, CR LF
    awk 'BEGIN {
    n = split("red running shoes cheap buy online best hotel london new york car " \
              "insurance quote laptop deals free shipping women men kids winter jacket " \
              "leather boots phone case wireless headphones flights paris rome pizza " \
              "delivery near me dentist lawyer plumber garden furniture outdoor kitchen " \
              "table coffee maker espresso machine vacuum cleaner mattress sale hiking " \
              "backpack camping tent yoga mat protein powder vitamins skin care organic " \
              "tea gift ideas wedding dress tuxedo rental used cars repair service 2024 " \
              "10 15 4k 500 3 64gb 12 sofa lamp desk chair bike helmet watch ring " \
              "guitar piano drums violin tickets concert hostel drone camera", w, " ")
    if (n != 100) { print "make_distinct: " n " words, not 100" > "/dev/stderr"; exit 1 }
    for (i = 0; i < 1000000; i++) {
        a = w[1 + i % 100]; b = w[1 + int(i / 100) % 100]; c = w[1 + int(i / 10000)]
        if (i % 7 == 0) a = toupper(substr(a, 1, 1)) substr(a, 2)
        printf "%s %s %s\r\n", a, b, c
    }
}' > "$1"
}

usec() { local t=${EPOCHREALTIME/[.,]/}; echo "$t"; }
best_of() {  # best_of FILE CMD...: fastest wall time in microseconds over $RUNS
    # runs of CMD, each writing FILE anew (removed before the clock starts, so
    # neither side pays for truncating the last run's output)
    local file=$1 best=0 t0 t1 dt r
    shift
    for ((r = 0; r < RUNS; r++)); do
        rm -f "$file"
        t0=${EPOCHREALTIME/[.,]/}
        "$@"
        t1=${EPOCHREALTIME/[.,]/}
        dt=$((t1 - t0))
        if ((best == 0 || dt < best)); then best=$dt; fi
    done
    echo "$best"
}
peak_kb() {  # peak_kb CMD...: the largest resident size in KiB, or "?"
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f %M -o "$work/rss" "$@" && cat "$work/rss"
    else
        echo "?"
    fi
}
cpu_us() {  # cpu_us FILE: the user and system time of the shell's finished
    # children, from the `times` written to FILE, in microseconds
    awk 'END {
        t = 0
        for (k = 1; k <= 2; k++) { split($k, p, "m"); t += p[1] * 60 + p[2] }
        printf "%d", t * 1e6 }' "$1"
}
cpu_of() {  # cpu_of FILE CMD...: user+system microseconds of $RUNS runs, averaged
    local file=$1 c0 c1 r
    shift
    times > "$work/t0"  # a builtin: no process between the two readings
    for ((r = 0; r < RUNS; r++)); do
        rm -f "$file"
        "$@"
    done
    times > "$work/t1"
    c0=$(cpu_us "$work/t0")
    c1=$(cpu_us "$work/t1")
    echo $(((c1 - c0) / RUNS))
}
label() { case "$1" in *--unique*) echo "unique" ;; *) echo "${1%% *}" ;; esac; }
ms() { awk -v us="$1" 'BEGIN { printf "%.1f ms", us / 1e3 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

in="$work/keywords.txt"
out="$work/out.txt"
copy="$work/copy.txt"
kw_run() { "$KW" "$@" "$in" -o "$out"; }
cat_run() { cat "$out" > "$copy"; }
# Into a pipe: the output file is kept, and `copy` receives only a count.
kw_pipe() { "$KW" "$@" "$in" | wc -c > "$copy"; }
# shellcheck disable=SC2002  # cat is the reference here
cat_pipe() { cat "$out" | wc -c > "$copy"; }

printf '%-9s %-8s %12s %14s %11s %11s %7s %9s %10s %9s\n' \
    keywords command lines bytes varnolt-kw cat ratio "cpu ratio" "pipe ratio" "peak KiB"
# measure LABEL CMD: one row of the table for CMD run on "$in"
measure() {
    local label=$1 cmd=$2 lines bytes t_cat t_kw t_cat2 c_kw c_cat p_kw p_cat rss
    # shellcheck disable=SC2086
    kw_run $cmd
    lines=$(wc -l < "$out")
    bytes=$(stat -c %s "$out")
    t_cat=$(best_of "$copy" cat_run)
    # shellcheck disable=SC2086
    t_kw=$(best_of "$out" kw_run $cmd)
    t_cat2=$(best_of "$copy" cat_run)
    ((t_cat2 < t_cat)) && t_cat=$t_cat2
    # $(...) runs in a subshell: the CPU figures are taken inside it.
    # shellcheck disable=SC2086
    c_kw=$(cpu_of "$out" kw_run $cmd)
    c_cat=$(cpu_of "$copy" cat_run)
    # shellcheck disable=SC2086
    p_kw=$(best_of "$copy" kw_pipe $cmd)
    p_cat=$(best_of "$copy" cat_pipe)
    rm -f "$out"
    # shellcheck disable=SC2086
    rss=$(peak_kb "$KW" $cmd "$in" -o "$out")
    printf '%-9s %-8s %12s %14s %11s %11s %7s %9s %10s %9s\n' "$label" "$(label "$cmd")" \
        "$lines" "$bytes" "$(ms "$t_kw")" "$(ms "$t_cat")" "$(ratio "$t_kw" "$t_cat")" \
        "$(ratio "$c_kw" "$c_cat")" "$(ratio "$p_kw" "$p_cat")" "$rss"
    last_kw=$t_kw last_pipe=$p_kw
}

export_cmd="export --format google-ads --campaign C --ad-group G --exact --negative-phrase"
for size in $SIZES; do
    make_input "$size" "$in"
    cmds=("typos --all" "adwords --broad --phrase --exact --minus --negative-phrase --negative-exact"
        "$export_cmd")
    # --unique against the same run without it (aim: 2 or less) at 10,000.
    ((size == 10000)) && cmds+=("typos --all --unique")
    for cmd in "${cmds[@]}"; do
        measure "$size" "$cmd"
        if ((size == 10000)); then
            case "$cmd" in
            "typos --all") typos_kw=$last_kw typos_pipe=$last_pipe ;;
            *--unique) unique_line="--unique over the same run without it, 10000 keywords: \
$(ratio "$last_kw" "$typos_kw") into a file, $(ratio "$last_pipe" "$typos_pipe") into a pipe \
(aim: 2 or less)" ;;
            esac
        fi
    done
    rm -f "$out" "$copy"
done
# The lists above repeat many keywords (a million lines hold about 258,000
# keywords). A list bought for an account holds each keyword once: every
# three-word combination of 100 words, in order, some capitalised.
make_distinct "$in"
measure "1000000d" "$export_cmd"
rm -f "$out" "$copy"
echo "ratio: varnolt-kw over cat copying its output to a file, wall time, best of $RUNS"
echo "cpu ratio: the same over user+system time, mean of $RUNS"
echo "pipe ratio: varnolt-kw over cat, each writing into a pipe, wall time, best of $RUNS"
echo "(aim: 3 or less)"
[[ -n ${unique_line:-} ]] && echo "$unique_line"
