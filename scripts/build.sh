#!/usr/bin/env bash
# Installs what is missing, then configures and builds one preset (default: "default").
#   scripts/build.sh [PRESET]          the programs alone, with what building and running need
#   scripts/build.sh [PRESET] --test   everything: the tests and benchmarks too, with their tools
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
mode=${2:-}
cache=build/$preset/CMakeCache.txt
if [ "$mode" = --test ]; then
  bash scripts/setup.sh --test
  if [ "$(grep -cx 'KESTRUN_BUILD_\(TESTS\|BENCH\):BOOL=ON' "$cache" 2>/dev/null)" != 2 ]; then
    cmake --preset "$preset" -DKESTRUN_BUILD_TESTS=ON -DKESTRUN_BUILD_BENCH=ON >/dev/null
  fi
  cmake --build --preset "$preset"
else
  bash scripts/setup.sh
  # A tree configured for the tests already has their tools; a fresh one needs none of them.
  if [ ! -f "$cache" ]; then
    cmake --preset "$preset" -DKESTRUN_BUILD_TESTS=OFF -DKESTRUN_BUILD_BENCH=OFF >/dev/null
  fi
  cmake --build --preset "$preset" --target kestrun-widgets kestrun-widgets-docs kestrun-probe \
    kestrun-probe-docs kestrun-probe-repos
fi
