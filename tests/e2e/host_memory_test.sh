#!/usr/bin/env bash
# The live host's memory under a run of distinct documents: forty snapshots, each with a network
# name and an attention title of 100 KB and different from every other, replace one another. Once
# the last is drawn, the host's RSS is within a few MiB of its RSS after the first, whatever the
# documents held ($KESTRUN_RSS_CHECK=0 turns the comparison off, for sanitizer builds whose
# allocator keeps freed memory in quarantine). Every window still shows, and the host still runs.
set -euo pipefail
cli=$1
bundle=$2
documents=40
allowed_kib=$((4 * 1024))

source "$(dirname "$0")/lib.sh"
file=$({ "$cli" where || true; } | sed -n 's/^file: //p')
[ -n "$file" ] || { echo "no snapshot file"; exit 1; }
mkdir -p "$(dirname "$file")"

# Document $1: the sample with its network name and first attention title made long and unique.
names=$(head -c 100000 /dev/zero | tr '\0' n)
titles=$(head -c 100000 /dev/zero | tr '\0' t)
"$cli" sample > "$tmp/sample.json"
document() {
  printf 's/"ssid":"[^"]*"/"ssid":"%s %s"/\ns/"title":"[^"]*"/"title":"%s %s"/\n' \
    "$1" "$names" "$1" "$titles" > "$tmp/edit.sed"
  sed -f "$tmp/edit.sed" "$tmp/sample.json" > "$file.new"
  mv -f "$file.new" "$file"
}

rss() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$host/status"; }
reloads() { grep -c 'snapshot file changed' "$tmp/host.log" || true; }
# Waits up to 10 s for the host to have taken $1 replacements in all.
await_reloads() {
  for _ in $(seq 100); do [ "$(reloads)" -ge "$1" ] && return 0; sleep 0.1; done
  return 1
}
# Drawn, and the memory the reload freed handed back (a second after it).
settle() { sleep 2; }

document 1
start_session
start_host
settle
first=$(rss)
for n in $(seq 2 "$documents"); do
  document "$n"
  await_reloads $((n - 1)) || fail "document $n was not taken"
done
settle
last=$(rss)
kill -0 "$host" 2>/dev/null || fail "the host exited"
for name in "Wi-Fi" Memory "Wi-Fi & Memory" "Zed Avudad"; do
  [ -n "$(window_named "$name")" ] || fail "no $name window after $documents documents"
done
echo "host RSS ${first} kB after the first document, ${last} kB after $documents"
if [ "${KESTRUN_RSS_CHECK:-1}" != 0 ] && [ $((last - first)) -gt "$allowed_kib" ]; then
  fail "RSS grew by $((last - first)) kB over $documents documents"
fi
echo "1 passed, 0 failed"
