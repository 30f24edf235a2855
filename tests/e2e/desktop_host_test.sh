#!/usr/bin/env bash
# The live host end to end under Xvfb and openbox: the windows sit on the desktop layer (type and
# state read back from the window manager's properties), a click opens its link on release and
# once (also when double-clicked), a press dragged away opens nothing, Enter opens the focused
# link, replacing the snapshot changes the window, a wake-up from sleep renews the timelines,
# closing one window leaves the others running, the menu's Hide closes one and its Quit ends the
# host with status 0. Bounded: every wait has a deadline, and everything started is stopped.
set -euo pipefail
cli=$1
bundle=$2
fakes=$3

source "$(dirname "$0")/lib.sh"
snapshot 19756849152
start_session

start_host

# On the desktop layer: a utility window (movable by every window manager), below the others,
# on every workspace, out of the taskbar and pager, without decorations, with the app's class.
props=$(xprop -id "$window")
grep -q '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_UTILITY' <<< "$props" || fail "wrong window type: $props"
state=$(grep '^_NET_WM_STATE(ATOM)' <<< "$props")
for s in BELOW SKIP_TASKBAR SKIP_PAGER; do
  grep -q "_NET_WM_STATE_$s" <<< "$state" || fail "no $s in $state"
done
grep -q '_NET_WM_DESKTOP(CARDINAL) = 4294967295' <<< "$props" || fail "not on every workspace: $props"
grep -q 'WM_CLASS(STRING) = "app.kestrun.widgets", "app.kestrun.widgets"' <<< "$props" || fail "wrong class"
grep -q '_NET_FRAME_EXTENTS(CARDINAL) = 0, 0, 0, 0' <<< "$props" || fail "decorated: $props"
# Out of the taskbar, but managed by the window manager like any window.
xprop -root _NET_CLIENT_LIST | grep -q "$(printf '0x%x' "$window")" || fail "not managed by openbox"

before=$(shot "$window")

# A click opens on release, once; a double click opens once more, not twice.
xdotool mousemove --window "$window" 85 85 click 1
await_opened 1 || fail "a click opened nothing"
[ "$(cat "$RECORD")" = "kestrun://open/memory" ] || fail "the handler got \"$(cat "$RECORD")\""
sleep 0.6  # past the double-click time, so the next click starts a new run
xdotool mousemove --window "$window" 85 85 click --repeat 2 --delay 80 1
await_opened 2 || fail "a double click opened nothing"
sleep 1.5
[ "$(wc -l < "$RECORD")" -eq 2 ] || fail "a double click opened $(($(wc -l < "$RECORD") - 1)) times"

# A press dragged away from the link is a move, and opens nothing.
read -r x0 y0 <<< "$(window_position "$window")"
xdotool mousemove --window "$window" 85 85 mousedown 1
for step in 10 20 40 60 80; do xdotool mousemove_relative -- -$step 0; sleep 0.05; done
xdotool mouseup 1
sleep 1
[ "$(wc -l < "$RECORD")" -eq 2 ] || fail "a press dragged away opened a link"
read -r x1 y1 <<< "$(window_position "$window")"
[ "$x1" -lt "$x0" ] || fail "the drag did not move the window ($x0,$y0 -> $x1,$y1)"

# The keyboard reaches the same links: Tab to the first, Enter opens it.
xdotool windowactivate --sync "$window" 2> /dev/null
xdotool key Tab Return
await_opened 3 || fail "Enter on a focused link opened nothing"
[ "$(tail -n 1 "$RECORD")" = "kestrun://open/memory" ] || fail "Enter opened $(tail -n 1 "$RECORD")"

snapshot 30000000000
await_change "$window" "$before" || fail "the window did not change within 10 s of a new snapshot"

# Assistive technology sees the large widget's six link regions, named by their texts.
grep -q 'Zed Avudad exposes 6 links; "MEMORY, Normal pressure, [^"]*" -> kestrun://open/memory' "$tmp/host.log" \
  || fail "the large widget's link regions are not exposed as expected"

await_log "watching for sleep" || fail "the host does not watch for sleep"
dbus-send --bus="$bus" --type=signal /org/freedesktop/login1 \
  org.freedesktop.login1.Manager.PrepareForSleep boolean:false
await_log "new timelines (resumed from sleep)" || fail "the host did not renew its timelines on wake-up"

# Closing one widget as a person does (Alt+F4 through openbox): the others keep running and
# redrawing, and nothing touches the closed one (any GLib critical would end the host).
wifi=$(window_named Wi-Fi)
xdotool windowactivate --sync "$wifi" 2> /dev/null
xdotool key alt+F4
for _ in $(seq 50); do xdotool search --name '^Wi-Fi$' > /dev/null || break; sleep 0.1; done
xdotool search --name '^Wi-Fi$' > /dev/null && fail "Alt+F4 did not close the Wi-Fi widget"
before=$(shot "$window")
snapshot 19756849152
await_change "$window" "$before" || fail "the other widgets stopped redrawing after one was closed"
dbus-send --bus="$bus" --type=signal /org/freedesktop/login1 \
  org.freedesktop.login1.Manager.PrepareForSleep boolean:false
sleep 0.5
kill -0 "$host" 2>/dev/null || fail "the host ended after one window was closed"

# The right-click menu opens and closes without a critical.
xdotool mousemove --window "$window" 40 40 click 3
sleep 0.5
xdotool key Escape
sleep 0.5

# Its Hide closes that widget alone: the others keep running. (The pointer moves first: after the
# menu let go of it, only a move tells GTK again that it is over the window, as any hand does.)
name=$(xdotool getwindowname "$window")
xdotool mousemove --window "$window" 60 60
sleep 0.1
xdotool mousemove --window "$window" 40 40 click 3
sleep 0.5
xdotool key Return  # the menu opens with its first item, Hide, focused
for _ in $(seq 50); do xdotool search --name "^$name\$" > /dev/null || break; sleep 0.1; done
xdotool search --name "^$name\$" > /dev/null && fail "Hide in the menu did not close $name"
kill -0 "$host" 2>/dev/null || fail "the host ended when $name was hidden"

# Its Quit ends the host, with status 0.
last=$(window_named 'Zed Avudad')
xdotool mousemove --window "$last" 40 40 click 3
sleep 0.5
xdotool key Up Return  # up from the first item is the last, Quit
for _ in $(seq 50); do kill -0 "$host" 2>/dev/null || break; sleep 0.1; done
kill -0 "$host" 2>/dev/null && fail "Quit in the menu did not end the host"
status=0
wait "$host" || status=$?
[ "$status" -eq 0 ] || fail "Quit ended the host with status $status"
echo "1 passed, 0 failed"
