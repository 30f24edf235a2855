#!/usr/bin/env bash
# A soak of the live host under Xvfb: for $KESTRUN_SOAK_SECONDS (default 60) the snapshot is
# replaced 20 times a second, alternating a valid and a damaged document. Throughout, the Memory
# window shows either the valid document or the no-snapshot view (never a mixture or a
# half-drawn frame), clicks keep reaching the kestrun:// handler, and the host's RSS at the end is
# within 1 MiB of its RSS after warm-up ($KESTRUN_SOAK_RSS_CHECK=0 turns that check off, for
# sanitizer builds whose allocator keeps freed memory in quarantine).
set -euo pipefail
cli=$1
bundle=$2
seconds=${KESTRUN_SOAK_SECONDS:-60}

source "$(dirname "$0")/lib.sh"
file=$({ "$cli" where || true; } | sed -n 's/^file: //p')
[ -n "$file" ] || { echo "no snapshot file"; exit 1; }
mkdir -p "$(dirname "$file")"
sample_with_memory 19756849152 > "$tmp/valid.json"
head -c 300 "$tmp/valid.json" > "$tmp/damaged.json"  # cut off mid-document
replace() { cp "$1" "$file.soak" && mv -f "$file.soak" "$file"; }

start_session
replace "$tmp/valid.json"
"$cli" host > "$tmp/host.log" 2>&1 &
host=$!
pids+=($host)
window=$(window_named Memory)
[ -n "$window" ] || { echo "no Memory window"; cat "$tmp/host.log"; exit 1; }

# What the window may show: the valid document, or no snapshot.
settle() { replace "$1"; sleep 0.8; shot "$window"; }
valid=$(settle "$tmp/valid.json")
damaged=$(settle "$tmp/damaged.json")
[ "$valid" != "$damaged" ] || { echo "a damaged file did not change the window"; exit 1; }
valid_again=$(settle "$tmp/valid.json")
[ "$valid" = "$valid_again" ] || { echo "the same document drew differently"; exit 1; }

rss() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$host/status"; }

# The writer: 20 replacements a second until told to stop.
(
  while [ ! -e "$tmp/stop" ]; do
    replace "$tmp/valid.json"; sleep 0.05
    replace "$tmp/damaged.json"; sleep 0.05
  done
) &
writer=$!
pids+=($writer)

warm=$((seconds / 6 > 5 ? seconds / 6 : 5))
start=$SECONDS
clicks=0 shots=0 warm_rss=
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  if [ -z "$warm_rss" ] && [ $((SECONDS - start)) -ge "$warm" ]; then warm_rss=$(rss); fi
  now=$(shot "$window")
  shots=$((shots + 1))
  if [ "$now" != "$valid" ] && [ "$now" != "$damaged" ]; then
    sleep 0.3  # a frame being drawn is no failure; one that stays is
    now=$(shot "$window")
    if [ "$now" != "$valid" ] && [ "$now" != "$damaged" ]; then
      xwd -silent -id "$window" > "${KESTRUN_SOAK_KEEP:-$tmp}/torn.xwd"
      echo "the window shows neither document after $((SECONDS - start)) s"; exit 1
    fi
  fi
  if [ $((shots % 10)) -eq 0 ]; then
    clicks=$((clicks + 1))
    xdotool mousemove --window "$window" 85 85 click 1
    await_opened "$clicks" || { echo "click $clicks was not answered within 5 s"; exit 1; }
  fi
  kill -0 "$host" 2>/dev/null || { echo "the host exited"; cat "$tmp/host.log"; exit 1; }
  sleep 0.2
done
touch "$tmp/stop"
wait "$writer" 2>/dev/null || true

# Quiet again: the last document shows, and memory went back to where warm-up left it.
final=$(settle "$tmp/valid.json")
[ "$final" = "$valid" ] || { echo "the valid document does not show after the soak"; exit 1; }
end_rss=$(rss)
echo "soak: ${seconds} s, $shots screenshots, $clicks clicks answered, RSS ${warm_rss} kB after warm-up, ${end_rss} kB at the end"
if [ "${KESTRUN_SOAK_RSS_CHECK:-1}" != 0 ] && [ $((end_rss - warm_rss)) -gt 1024 ]; then
  echo "RSS grew by $((end_rss - warm_rss)) kB"; exit 1
fi
echo "1 passed, 0 failed"
