#!/usr/bin/env bash
# Builds the benchmarks and runs each one; extra arguments go to every benchmark program.
# Every figure that has a floor is measured against it in the same iteration: read the `_ratio`
# counters (medians of the pairs' ratios), and the load average printed around each program,
# which says how quiet the machine was.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default --test
for b in build/default/bench/*; do
  [ -x "$b" ] && [ -f "$b" ] || continue
  echo "== $(basename "$b") (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
echo "== host_start (load average $(cut -d' ' -f1-3 /proc/loadavg))"
bash bench/host_start.sh build/default
echo "== done (load average $(cut -d' ' -f1-3 /proc/loadavg))"
