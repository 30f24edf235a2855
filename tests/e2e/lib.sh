# Shared by the live host's end-to-end tests: a private home for the snapshot and the desktop's
# settings, a test handler for kestrun:// links, a display server of our own, and cleanup of
# everything started. Source it with the program as $cli and the bundle as $bundle.

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

# The sample with memory used set to $1 bytes, as the document the store writes.
sample_with_memory() {
  "$cli" sample | sed "s/\"used\":[0-9]*/\"used\":$1/" | "$cli" decode -
}

snapshot() {  # memory used in bytes
  sample_with_memory "$1" | "$cli" write - > /dev/null
}

# Xvfb picks a free display itself (-displayfd), so tests that run side by side never collide.
start_display() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$tmp/display" > /dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
  [ -s "$tmp/display" ] || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=:$(head -n 1 "$tmp/display")
  for _ in $(seq 50); do xdotool getmouselocation > /dev/null 2>&1 && break; sleep 0.1; done
}

# The window named $1, once it is shown.
window_named() {
  timeout 15 xdotool search --sync --name "^$1\$" | head -n 1
}

shot() { xwd -silent -id "$1" | md5sum | cut -d' ' -f1; }

# Waits up to 5 s for the handler to have recorded $1 URLs.
await_opened() {
  for _ in $(seq 50); do
    [ "$(wc -l < "$RECORD" 2>/dev/null || echo 0)" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
