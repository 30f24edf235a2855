#!/usr/bin/env bash
# The live host end to end under Xvfb: a snapshot in a private data directory, a click on the
# Memory widget reaches a test handler for kestrun:// links, replacing the snapshot changes the
# window within a second, and a wake-up from sleep announced on a private system bus renews the
# timelines. Bounded: every wait has a deadline, and everything started is stopped.
set -euo pipefail
cli=$1
bundle=$2

tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

export KESTRUN_BUNDLE=$bundle
export XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config XDG_DATA_DIRS=$tmp/share:/usr/share
export RECORD=$tmp/opened
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" "$tmp/share"

# A handler for kestrun:// that records the URL it is given.
cat > "$tmp/record.sh" <<'SH'
#!/bin/sh
printf '%s\n' "$1" >> "$RECORD"
SH
chmod +x "$tmp/record.sh"
cat > "$XDG_DATA_HOME/applications/kestrun-test.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Kestrun test handler
Exec=$tmp/record.sh %u
MimeType=x-scheme-handler/kestrun;
NoDisplay=true
DESKTOP
printf '[Default Applications]\nx-scheme-handler/kestrun=kestrun-test.desktop\n' \
  > "$XDG_CONFIG_HOME/mimeapps.list"

snapshot() {  # memory used in bytes
  "$cli" sample | sed "s/\"used\":[0-9]*/\"used\":$1/" | "$cli" write - > /dev/null
}
snapshot 19756849152

# A display of our own.
display=
for n in $(seq 91 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "no free display"; exit 1; }
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation > /dev/null 2>&1 && break; sleep 0.1; done

# A bus of our own stands in for the system bus that logind speaks on.
dbus-daemon --session --nofork --nopidfile --print-address=3 3> "$tmp/bus" > /dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$tmp/bus" ] && break; sleep 0.1; done
bus=$(head -n 1 "$tmp/bus")
[ -n "$bus" ] || { echo "no private bus"; exit 1; }
export DBUS_SYSTEM_BUS_ADDRESS=$bus

"$cli" host --verbose > "$tmp/host.log" 2>&1 &
pids+=($!)
window=$(timeout 15 xdotool search --sync --name '^Memory$' | head -n 1)
[ -n "$window" ] || { echo "no Memory window"; cat "$tmp/host.log"; exit 1; }
sleep 0.5

shot() { xwd -silent -id "$window" | md5sum | cut -d' ' -f1; }
before=$(shot)

xdotool mousemove --window "$window" 85 85 click 1
for _ in $(seq 50); do [ -s "$RECORD" ] && break; sleep 0.1; done
opened=$(cat "$RECORD" 2>/dev/null || true)
if [ "$opened" != "kestrun://open/memory" ]; then
  echo "the handler got \"$opened\", not kestrun://open/memory"; cat "$tmp/host.log"; exit 1
fi

snapshot 30000000000
sleep 1
after=$(shot)
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
