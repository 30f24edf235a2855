#!/usr/bin/env bash
# The main job: the four widgets as the widget gallery shows them (from the snapshot file in the
# group container, or the sample when there is none), drawn to out/widgets/; prints each path.
# Extra arguments go to `kestrun-widgets render` (for example --appearance dark).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default >/dev/null
exec build/default/bin/kestrun-widgets render --source preview --out out/widgets "$@"
