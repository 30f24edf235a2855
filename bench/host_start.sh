#!/usr/bin/env bash
# The live host's start to drawn (four widgets on screen) beside its floor, a bare GTK program
# that shows four windows painted with Cairo, under the same Xvfb, openbox and load.
# Usage: bench/host_start.sh BUILD_DIR [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
cli=$build/bin/kestrun-widgets
bundle=$build/share/kestrun-widgets
source "$here/../tests/e2e/lib.sh"
gcc -O2 "$here/host_start/floor.c" -o "$tmp/floor" $(pkg-config --cflags --libs gtk4)
snapshot 19756849152
start_session
export GDK_DEBUG=gl-disable  # as the host sets for itself
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 "$here/host_start/measure.py" "$cli" "$tmp/floor" "${2:-9}"
