#!/usr/bin/env bash
# The whole `fenoris-cli statistics` command on a national-size table (100,000 trees, 5,000 plots,
# 30 survey years) against its floor: reading the table once through the engine (`fenoris-cli query`
# to /dev/null) plus copying the two result files with cp. Prints the times (the median of RUNS,
# wall clock and CPU), their ratio (target at most 2, at most 3 required) and the run's peak memory
# against the table's size (target below 1).
#
# Then kills runs at KILLS random points (SIGKILL, SIGTERM and SIGINT in turn) and checks every time
# that TRANSIT.DBF, AVERAGE.DBF and the data table are byte for byte as before, and at the end that
# the next run clears what the killed ones left.
#
#   bench/statistics_run.sh build/src/cli/fenoris-cli [DIR] [RUNS] [KILLS]
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

# Kills at random points of a run with other settings, so that tables it finished would differ.
sums() { md5sum T.dbf T.yrs T.var TRANSIT.DBF AVERAGE.DBF; }
before=$(sums)
length=$(awk -v w="$rw" 'BEGIN { print w }')
signals=(KILL TERM INT)
kept=0
for ((k = 0; k < kills; ++k)); do
    delay=$(awk -v l="$length" -v r="$RANDOM" 'BEGIN { printf "%.3f", l * r / 32768 }')
    signal=${signals[k % 3]}
    "$cli" statistics T.dbf --interval 3 >/dev/null 2>"$dir/kill.err" &
    pid=$!
    sleep "$delay"
    kill -s "$signal" "$pid" 2>/dev/null || true
    status=0
    { wait "$pid"; } 2>/dev/null || status=$?
    if ((status == 0)); then
        echo "kill $k: SIG$signal at ${delay} s came after the run had finished"
        "$cli" statistics T.dbf >/dev/null
        before=$(sums)
        continue
    fi
    if [[ "$(sums)" != "$before" ]]; then
        echo "kill $k: SIG$signal at ${delay} s changed the tables or the data table" >&2
        exit 1
    fi
    kept=$((kept + 1))
    echo "kill $k: SIG$signal at ${delay} s, exit $status: last tables and data table unchanged$(grep -o ' after [0-9]* of [0-9]* plots' "$dir/kill.err" || true)"
done
"$cli" statistics T.dbf >/dev/null
if ls -a | grep -q '^\.~'; then
    echo "the next run left temporary files behind" >&2
    exit 1
fi
[[ "$(sums)" == "$before" ]] || { echo "the next run wrote other tables" >&2; exit 1; }
echo "kill test: $kept of $kills runs killed before their end, every time the last tables stayed; the next run cleared what they left"
