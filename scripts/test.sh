#!/usr/bin/env bash
# Builds and runs every test through ctest. Pass "asan" to run the suite under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash scripts/build.sh "$preset" --test
ctest --preset "$preset" -j2
