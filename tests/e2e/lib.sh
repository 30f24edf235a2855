# Shared by the live host's end-to-end tests: a private home for the snapshot and the desktop's
# settings, a test handler for kestrun:// links, a display server, window manager and session bus
# of our own, and cleanup of everything started. Source it with the program as $cli and the
# bundle as $bundle (and the fake session services as $fakes, for start_fakes).

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
export XDG_STATE_HOME=$tmp/state HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# Only the session we start here: never a desktop's theme, bus or accessibility bus.
unset DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS GTK_THEME
export GTK_A11Y=${GTK_A11Y:-none}
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
# Returns non-zero when the display does not come up.
start_display() {
  rm -f "$tmp/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$tmp/display" > /dev/null 2>&1 &
  xvfb_pid=$!
  pids+=($xvfb_pid)
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
  [ -s "$tmp/display" ] || { echo "Xvfb did not start"; return 1; }
  export DISPLAY=:$(head -n 1 "$tmp/display")
  for _ in $(seq 100); do xdotool getmouselocation > /dev/null 2>&1 && return 0; sleep 0.1; done
  echo "the display $DISPLAY does not answer"; return 1
}

# openbox, once it manages the screen. Returns non-zero when it does not.
start_wm() {
  openbox --sm-disable > "$tmp/openbox.log" 2>&1 &
  wm_pid=$!
  pids+=($wm_pid)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "openbox did not start"; cat "$tmp/openbox.log"; return 1
}

# A display with openbox on it. Right after another test's display server has gone, a new one
# has been seen to answer once and then refuse the window manager: such a start is tried again
# on a fresh display.
start_desktop() {
  for attempt in 1 2 3; do
    if start_display && start_wm; then return 0; fi
    kill "${wm_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    wait "${wm_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    echo "attempt $attempt at a display with a window manager failed" >&2
  done
  exit 1
}

# A private bus that serves as both the session bus and the system bus.
start_bus() {
  dbus-daemon --session --nofork --nopidfile --print-address=3 3> "$tmp/bus" > /dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$tmp/bus" ] && break; sleep 0.1; done
  bus=$(head -n 1 "$tmp/bus")
  [ -n "$bus" ] || { echo "no private bus"; exit 1; }
  export DBUS_SESSION_BUS_ADDRESS=$bus DBUS_SYSTEM_BUS_ADDRESS=$bus
}

# The fake notification server and settings portal; notifications land in $NOTIFIED.
# $1: the portal's colour scheme (1 dark, 2 light).
export NOTIFIED=$tmp/notified
start_fakes() {
  "$fakes" "$NOTIFIED" "$tmp/fakes-ready" "${1:-2}" &
  fakes_pid=$!
  pids+=($fakes_pid)
  for _ in $(seq 50); do [ -e "$tmp/fakes-ready" ] && return 0; sleep 0.1; done
  echo "the fake session services did not start"; exit 1
}

# A display, openbox and a private bus: the desktop session the host runs in.
start_session() {
  start_desktop
  start_bus
}

# Starts `host --verbose` (with the global options in "$@") and waits until every widget is
# drawn; sets $host and $window (the Memory widget's).
start_host() {
  "$cli" "$@" host --verbose > "$tmp/host.log" 2>&1 &
  host=$!
  pids+=($host)
  window=$(window_named Memory)
  [ -n "$window" ] || fail "no Memory window"
  await_log "Zed Avudad drawn" || fail "the widgets were not drawn"
  sleep 0.3
}

# The window named $1, once it is shown.
window_named() {
  timeout 15 xdotool search --sync --name "^$1\$" | head -n 1
}

shot() { xwd -silent -id "$1" | md5sum | cut -d' ' -f1; }

# Waits up to 10 s for the window's picture to differ from $2 (a loaded machine is slow to
# draw; an unloaded one takes milliseconds).
await_change() {
  for _ in $(seq 100); do
    [ "$(shot "$1")" != "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to 10 s for the host's log to say $1 (a grep pattern).
await_log() {
  for _ in $(seq 100); do grep -q -- "$1" "$tmp/host.log" && return 0; sleep 0.1; done
  return 1
}

# Fails the test with a message and the host's log.
fail() { echo "$*"; cat "$tmp/host.log" 2>/dev/null; exit 1; }

# The window's top-left corner on the screen as "X Y".
window_position() {
  xdotool getwindowgeometry "$1" | sed -n 's/^ *Position: \([0-9-]*\),\([0-9-]*\).*/\1 \2/p'
}

# Waits up to 5 s for the handler to have recorded $1 URLs.
await_opened() {
  for _ in $(seq 50); do
    [ "$(wc -l < "$RECORD" 2>/dev/null || echo 0)" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
