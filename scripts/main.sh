#!/usr/bin/env bash
# The main job: measures this machine once with kestrun-probe and draws the four widgets from that
# snapshot to out/widgets/, printing each path. When the probe cannot run at all the widgets show
# the gallery's source instead (the snapshot file in the group container, or the sample); parts it
# cannot measure are simply absent. What the probe noticed is in out/probe.log.
# Extra arguments go to `kestrun-widgets render` (for example --appearance dark).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default >/dev/null
mkdir -p out
bin=build/default/bin
source=(--source preview)
if "$bin/kestrun-probe" once --print --verbose >out/probe-snapshot.json.tmp 2>out/probe.log &&
  "$bin/kestrun-widgets" decode out/probe-snapshot.json.tmp >/dev/null 2>>out/probe.log; then
  mv out/probe-snapshot.json.tmp out/probe-snapshot.json
  source=(--snapshot out/probe-snapshot.json)
else
  rm -f out/probe-snapshot.json.tmp
  echo "main: the probe could not measure this machine (see out/probe.log); drawing the gallery's snapshot" >&2
fi
exec "$bin/kestrun-widgets" render "${source[@]}" --out out/widgets "$@"
