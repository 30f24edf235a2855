#!/usr/bin/env bash
# The live host end to end under Xvfb: a snapshot in a private data directory, a click on the
# Memory widget reaches a test handler for kestrun:// links, replacing the snapshot changes the
# window within a second, and a wake-up from sleep announced on a private system bus renews the
# timelines. Bounded: every wait has a deadline, and everything started is stopped.
set -euo pipefail
cli=$1
bundle=$2

source "$(dirname "$0")/lib.sh"
snapshot 19756849152
start_display

# A bus of our own stands in for the system bus that logind speaks on.
dbus-daemon --session --nofork --nopidfile --print-address=3 3> "$tmp/bus" > /dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$tmp/bus" ] && break; sleep 0.1; done
bus=$(head -n 1 "$tmp/bus")
[ -n "$bus" ] || { echo "no private bus"; exit 1; }
export DBUS_SYSTEM_BUS_ADDRESS=$bus

"$cli" host --verbose > "$tmp/host.log" 2>&1 &
pids+=($!)
window=$(window_named Memory)
[ -n "$window" ] || { echo "no Memory window"; cat "$tmp/host.log"; exit 1; }
sleep 0.5

before=$(shot "$window")

xdotool mousemove --window "$window" 85 85 click 1
await_opened 1 || true
opened=$(cat "$RECORD" 2>/dev/null || true)
if [ "$opened" != "kestrun://open/memory" ]; then
  echo "the handler got \"$opened\", not kestrun://open/memory"; cat "$tmp/host.log"; exit 1
fi

snapshot 30000000000
sleep 1
after=$(shot "$window")
if [ "$before" = "$after" ]; then echo "the window did not change within a second"; exit 1; fi

# Assistive technology sees the large widget's six link regions, named by their texts.
if ! grep -q 'Zed Avudad exposes 6 links; "MEMORY, Normal pressure, [^"]*" -> kestrun://open/memory' "$tmp/host.log"; then
  echo "the large widget's link regions are not exposed as expected"; cat "$tmp/host.log"; exit 1
fi

for _ in $(seq 50); do grep -q "watching for sleep" "$tmp/host.log" && break; sleep 0.1; done
dbus-send --bus="$bus" --type=signal /org/freedesktop/login1 \
  org.freedesktop.login1.Manager.PrepareForSleep boolean:false
for _ in $(seq 50); do grep -q "resumed from sleep" "$tmp/host.log" && break; sleep 0.1; done
if ! grep -q "new timelines (resumed from sleep)" "$tmp/host.log"; then
  echo "the host did not renew its timelines on wake-up"; cat "$tmp/host.log"; exit 1
fi

echo "1 passed, 0 failed"
