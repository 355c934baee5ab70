#!/usr/bin/env bash
# The whole `fenoris-cli report` on a national-size table (100,000 trees, 5,000 plots, 30 survey
# years): the median wall time of RUNS runs with --jobs 1 and with --jobs equal to the number of
# processors, the time per plot and species (one picture, one section of a plot page and one index
# row each), the processor time over the wall time (how well the workers keep the processors busy;
# target at least 1.7 with 2 processors) and the peak memory, with the load average before the runs
# (other work on the machine lowers the ratio). Target: the whole report in under 30 s.
#
#   bench/report_run.sh build/src/cli/fenoris-cli [DIR] [RUNS]
set -euo pipefail

cli=$(realpath "${1:?usage: report_run.sh FENORIS-CLI [DIR] [RUNS]}")
dir=${2:-${TMPDIR:-/tmp}/fenoris-bench-report}
runs=${3:-3}
mkdir -p "$dir"
cd "$dir"

if [[ ! -f T.dbf ]]; then
    "$cli" generate T.dbf --trees 100000 --plots 5000 --years 30 >/dev/null
fi
"$cli" query . "SELECT Count(*) FROM T" >/dev/null # a warm page cache
echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors"

for jobs in 1 "$(nproc)"; do
    times=()
    for ((run = 0; run < runs; run++)); do
        rm -rf report time.txt
        /usr/bin/time -o time.txt -f "%e %M %U %S" "$cli" report T.dbf --out report --jobs "$jobs" >/dev/null 2>&1
        times+=("$(tail -1 time.txt)")
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
    read -r wall peak user system <<<"$median"
    pairs=$(($(wc -l <report/summary.csv) - 1))
    pages=$(find report/plots -name '*.html' | wc -l)
    awk -v jobs="$jobs" -v wall="$wall" -v peak="$peak" -v pairs="$pairs" -v pages="$pages" \
        -v cpu="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" 'BEGIN {
        printf "--jobs %d: %.2f s for %d pictures and %d plot pages, %.2f ms per picture, CPU/wall %.2f, peak %d MB%s\n",
            jobs, wall, pairs, pages, 1000 * wall / pairs, cpu / wall, peak / 1024, wall < 30 ? "" : "  (over the 30 s target)"
    }'
done
rm -rf report time.txt
