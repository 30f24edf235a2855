#!/usr/bin/env bash
# Builds the benchmarks and runs each one; extra arguments go to every benchmark program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default --test
for b in build/default/bench/*; do
  [ -x "$b" ] && [ -f "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
echo "== host_start"
bash bench/host_start.sh build/default
