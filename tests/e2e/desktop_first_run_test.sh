#!/usr/bin/env bash
# The live host's first run under Xvfb and openbox: started before the group container exists,
# it shows the first snapshot as soon as it is written, follows the container being deleted and
# made again, keeps a dragged widget's position across a restart, and a second `host` brings the
# running one forward and exits 0. Bounded: every wait has a deadline.
set -euo pipefail
cli=$1
bundle=$2
fakes=$3

source "$(dirname "$0")/lib.sh"
file=$({ "$cli" where || true; } | sed -n 's/^file: //p')
container=$(dirname "$file")
[ ! -e "$container" ] || fail "the container exists before the first run"
start_session

start_host
empty=$(shot "$window")

# The first snapshot, written into a container that did not exist, reaches the window at once.
snapshot 19756849152
await_change "$window" "$empty" || fail "the first snapshot did not show within 10 s"
first=$(shot "$window")

# Deleted and made again: no snapshot, then the new one.
rm -rf "$container"
await_change "$window" "$first" || fail "deleting the container did not change the window"
gone=$(shot "$window")
snapshot 30000000000
await_change "$window" "$gone" || fail "a snapshot in the remade container did not show"
[ "$(shot "$window")" != "$first" ] || fail "the remade container's snapshot shows the old one"

# A drag moves the widget, and the position is kept (atomically: no temp file stays behind).
read -r x0 y0 <<< "$(window_position "$window")"
xdotool mousemove --window "$window" 20 20 mousedown 1
for _ in $(seq 8); do xdotool mousemove_relative -- -20 15; sleep 0.05; done
xdotool mouseup 1
await_log "Memory moved to" || fail "the drag was not kept"
read -r x1 y1 <<< "$(window_position "$window")"
[ "$x1" -lt "$x0" ] && [ "$y1" -gt "$y0" ] || fail "the drag did not move the window ($x0,$y0 -> $x1,$y1)"
positions=$XDG_STATE_HOME/kestrun-widgets/positions.ini
for _ in $(seq 50); do grep -q "^at-.*=$x1;$y1;" "$positions" 2>/dev/null && break; sleep 0.1; done
grep -q "^at-.*=$x1;$y1;" "$positions" || fail "positions.ini does not hold $x1,$y1: $(cat "$positions")"
[ -z "$(find "$(dirname "$positions")" -name '*.tmp*')" ] || fail "a temp file was left beside positions.ini"

# A second host hands over to the first and exits 0.
status=0
timeout 20 "$cli" host > "$tmp/second.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the second host exited with $status: $(cat "$tmp/second.log")"
await_log "asked again" || fail "the running host was not asked to come forward"
kill -0 "$host" || fail "the first host ended"
[ "$(xdotool search --name '^Memory$' | wc -l)" -eq 1 ] || fail "a second Memory window appeared"

# After a restart the widget is where it was left.
kill -TERM "$host"
wait "$host" || fail "SIGTERM ended the host with a failure"
start_host
await_log "Memory placed at $x1,$y1" || fail "the restarted host did not place Memory at $x1,$y1"
for _ in $(seq 30); do [ "$(window_position "$window")" = "$x1 $y1" ] && break; sleep 0.1; done
[ "$(window_position "$window")" = "$x1 $y1" ] || fail "Memory is at $(window_position "$window"), not $x1 $y1"
echo "1 passed, 0 failed"
