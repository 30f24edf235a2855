#!/usr/bin/env bash
# The main job: what the widgets would get now. With a readable snapshot file in the group
# container it prints the timeline; without one, the gallery preview.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default >/dev/null
cli=build/default/bin/kestrun-widgets
if "$cli" where >/dev/null 2>&1; then
  exec "$cli" timeline "$@"
else
  exec "$cli" snapshot --preview "$@"
fi
