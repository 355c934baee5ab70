#!/usr/bin/env bash
# The whole `fenoris-cli statistics` command on a national-size table (100,000 trees, 5,000 plots,
# 30 survey years) against its floor: reading the table once through the engine (`fenoris-cli query`
# to /dev/null) plus copying the two result files with cp. Prints the times (the median of RUNS,
# wall clock and CPU), their ratio (target at most 2, at most 3 required) and the run's peak memory
# against the table's size (target below 1).
#
# Then kills runs at the exact renames of the two result tables (strace) and at KILLS random points
# (SIGKILL, SIGTERM and SIGINT in turn), and starts RACES (default 20) pairs of runs at once; every
# time the data table must be unchanged and TRANSIT.DBF and AVERAGE.DBF one whole pair, old or new,
# after the next command; at the end the next run must clear what the killed ones left.
#
#   [RACES=N] bench/statistics_run.sh build/src/cli/fenoris-cli [DIR] [RUNS] [KILLS]
set -euo pipefail

cli=$(realpath "${1:?usage: statistics_run.sh FENORIS-CLI [DIR] [RUNS] [KILLS]}")
dir=${2:-${TMPDIR:-/tmp}/fenoris-bench-run}
runs=${3:-3}
kills=${4:-10}
mkdir -p "$dir/copy"
cd "$dir"

if [[ ! -f T.dbf ]]; then
    "$cli" generate T.dbf --trees 100000 --plots 5000 --years 30 >/dev/null
fi
"$cli" statistics T.dbf >/dev/null # the tables the floor copies, and a warm page cache

# "wall user+sys peakKB" of a command, its output discarded.
measure() {
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -o "$dir/time.out" -f "%U %S %M" "$@" >/dev/null 2>/dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" '{ printf "%.3f %.3f %d\n", e - s, $1 + $2, $3 }' "$dir/time.out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run_wall=(); run_cpu=(); floor_wall=(); floor_cpu=(); peak=0
for ((i = 0; i < runs; ++i)); do
    read -r wall cpu kb < <(measure "$cli" statistics T.dbf)
    run_wall+=("$wall"); run_cpu+=("$cpu"); ((kb > peak)) && peak=$kb
    read -r qwall qcpu _ < <(measure "$cli" query . "SELECT * FROM 'T.dbf'")
    read -r cwall ccpu _ < <(measure cp TRANSIT.DBF AVERAGE.DBF copy/)
    floor_wall+=("$(awk -v a="$qwall" -v b="$cwall" 'BEGIN { print a + b }')")
    floor_cpu+=("$(awk -v a="$qcpu" -v b="$ccpu" 'BEGIN { print a + b }')")
done
rw=$(printf '%s\n' "${run_wall[@]}" | median); rc=$(printf '%s\n' "${run_cpu[@]}" | median)
fw=$(printf '%s\n' "${floor_wall[@]}" | median); fc=$(printf '%s\n' "${floor_cpu[@]}" | median)
table=$(stat -c %s T.dbf)
results=$(($(stat -c %s TRANSIT.DBF) + $(stat -c %s AVERAGE.DBF)))
echo "table $((table / 1000)) kB, result tables $((results / 1000)) kB, load $(cut -d' ' -f1 /proc/loadavg)"
echo "statistics run:        ${rw} s wall, ${rc} s CPU (median of $runs)"
echo "floor (query + cp):    ${fw} s wall, ${fc} s CPU"
awk -v rw="$rw" -v fw="$fw" -v rc="$rc" -v fc="$fc" \
    'BEGIN { printf "run / floor:           %.2f wall, %.2f CPU (target: at most 2, at most 3 required)\n", rw / fw, rc / fc }'
awk -v p="$peak" -v t="$table" \
    'BEGIN { printf "peak memory of a run:  %d kB = %.2f x the table (target: below 1)\n", p, p * 1024 / t }'

# Kills and concurrent runs. A run with --interval 3 writes other tables than the default run, so
# each pair after a kill or a race is checked to be one of the two whole pairs, never a mix, and the
# data table to be untouched. The next command in the folder (`info`) finishes a commit a kill cut
# short, so the pair is checked after it.
data() { md5sum T.dbf T.yrs T.var; }
pair() { md5sum TRANSIT.DBF AVERAGE.DBF; }
data_before=$(data)
old=$(pair)
"$cli" statistics T.dbf --interval 3 >/dev/null
new=$(pair)
"$cli" statistics T.dbf >/dev/null
[[ "$new" != "$old" ]] || { echo "the two settings give the same tables: the checks would see nothing" >&2; exit 1; }

# Which pair the folder holds after the next command: "old" or "new"; anything else ends the script.
settled() {
    "$cli" info T.dbf >/dev/null
    local now
    now=$(pair)
    [[ "$(data)" == "$data_before" ]] || { echo "$1: the data table changed" >&2; exit 1; }
    if [[ "$now" == "$old" ]]; then echo old
    elif [[ "$now" == "$new" ]]; then echo new
    else echo "$1: TRANSIT.DBF and AVERAGE.DBF are not one pair" >&2; exit 1
    fi
}
restore() { [[ "$1" == old ]] || "$cli" statistics T.dbf >/dev/null; }

# At the exact points: SIGKILL at the first and at the second rename of the pair.
for when in 1 2; do
    # In a subshell, which keeps the shell's own report of the kill off the output.
    (strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 \
        -e inject=rename,renameat,renameat2:signal=KILL:when=$when \
        "$cli" statistics T.dbf --interval 3 >/dev/null 2>&1) 2>/dev/null &&
        { echo "rename $when: the run was not killed" >&2; exit 1; }
    got=$(settled "kill at rename $when")
    [[ "$got" == new ]] || { echo "kill at rename $when: the committed pair was not put in place" >&2; exit 1; }
    echo "kill at rename $when: the pair is whole and new after the next command"
    restore "$got"
done

# At random points of a run.
signals=(KILL TERM INT)
kept=0
for ((k = 0; k < kills; ++k)); do
    delay=$(awk -v l="$rw" -v r="$RANDOM" 'BEGIN { printf "%.3f", l * r / 32768 }')
    signal=${signals[k % 3]}
    "$cli" statistics T.dbf --interval 3 >/dev/null 2>"$dir/kill.err" &
    pid=$!
    sleep "$delay"
    kill -s "$signal" "$pid" 2>/dev/null || true
    status=0
    { wait "$pid"; } 2>/dev/null || status=$?
    got=$(settled "kill $k")
    ((status == 0)) || kept=$((kept + 1))
    echo "kill $k: SIG$signal at ${delay} s, exit $status: the pair is whole ($got)$(grep -o ' after [0-9]* of [0-9]* plots' "$dir/kill.err" || true)"
    restore "$got"
done

# Two runs at once, with different settings: each finishes or is refused, and the pair is whole.
races=${RACES:-20}
refused=0
for ((r = 0; r < races; ++r)); do
    "$cli" statistics T.dbf >/dev/null 2>"$dir/race1.err" &
    first=$!
    "$cli" statistics T.dbf --interval 3 >/dev/null 2>"$dir/race2.err" &
    second=$!
    s1=0; s2=0
    wait "$first" || s1=$?
    wait "$second" || s2=$?
    for s in "$s1:$dir/race1.err" "$s2:$dir/race2.err"; do
        if [[ "${s%%:*}" != 0 ]]; then
            grep -q 'Another statistics run (process [0-9]*) is writing' "${s#*:}" ||
                { echo "race $r: a run failed otherwise: $(cat "${s#*:}")" >&2; exit 1; }
            refused=$((refused + 1))
        fi
    done
    got=$(settled "race $r")
    restore "$got"
done
echo "concurrent runs: $races pairs, $refused runs refused while the other wrote, the pair whole every time"

"$cli" statistics T.dbf >/dev/null
if ls -a | grep -q '^\.~'; then
    echo "the next run left temporary files behind" >&2
    exit 1
fi
[[ "$(pair)" == "$old" ]] || { echo "the next run wrote other tables" >&2; exit 1; }
echo "kill test: $kept of $kills runs killed before their end, every pair whole after the next command; the next run cleared what they left"
