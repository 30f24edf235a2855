#!/usr/bin/env bash
# The live host in a desktop session under Xvfb and openbox, with a fake settings portal and
# notification server on a private session bus: the widgets follow the portal's colour scheme to
# dark and back, a link nothing opens is reported once as a notification (and on stderr, the
# window title untouched), the host runs and ends cleanly without a session bus, and `--now`
# starts a clock that runs, so the host sleeps between entries instead of renewing its timelines
# every second.
set -euo pipefail
cli=$1
bundle=$2
fakes=$3

source "$(dirname "$0")/lib.sh"
snapshot 19756849152
start_session
start_fakes 2
# Nothing is set to open kestrun:// links in this session.
rm -f "$XDG_CONFIG_HOME/mimeapps.list" "$XDG_DATA_HOME/applications/kestrun-test.desktop"

start_host
light=$(shot "$window")

kill -USR1 "$fakes_pid"
await_change "$window" "$light" || fail "the portal's switch to dark did not reach the window"
await_log "appearance dark" || fail "the host did not say it turned dark"
kill -USR1 "$fakes_pid"
for _ in $(seq 50); do [ "$(shot "$window")" = "$light" ] && break; sleep 0.1; done
[ "$(shot "$window")" = "$light" ] || fail "back to light, the window does not look as it did"

xdotool mousemove --window "$window" 85 85 click 1
for _ in $(seq 50); do [ -s "$NOTIFIED" ] && break; sleep 0.1; done
[ -s "$NOTIFIED" ] || fail "no notification for a link nothing opens"
grep -q 'No application is set to open kestrun:// links' "$NOTIFIED" || fail "notification: $(cat "$NOTIFIED")"
sleep 0.6
xdotool mousemove --window "$window" 85 85 click 1
await_log "nothing opened.*nothing opened" || true
for _ in $(seq 30); do [ "$(grep -c 'nothing opened kestrun://open/memory' "$tmp/host.log")" -ge 2 ] && break; sleep 0.1; done
[ "$(grep -c 'nothing opened kestrun://open/memory' "$tmp/host.log")" -eq 2 ] || fail "stderr did not report both failures"
[ "$(wc -l < "$NOTIFIED")" -eq 1 ] || fail "more than one notification: $(cat "$NOTIFIED")"
[ "$(xdotool getwindowname "$window")" = "Memory" ] || fail "the title changed to $(xdotool getwindowname "$window")"
kill -TERM "$host"
wait "$host" || fail "SIGTERM ended the host with a failure"

# Without a session bus (so without accessibility bus, portal or notifications) the host still
# shows its widgets and ends cleanly.
(
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/no-bus
  unset GTK_A11Y
  start_host
  kill -TERM "$host"
  wait "$host" || fail "without a session bus, SIGTERM ended the host with a failure"
)

# Idle with --now: no system call at all for 4 s once drawn (strace needs ptrace; without it,
# this part says so and is left out).
if strace -o /dev/null true 2> /dev/null; then
  strace -f -o "$tmp/trace" "$cli" --now 2026-01-01T00:00:00Z host --verbose > "$tmp/host.log" 2>&1 &
  tracer=$!
  pids+=($tracer)
  await_log "Zed Avudad drawn" || fail "the widgets were not drawn under strace"
  sleep 2
  before=$(wc -l < "$tmp/trace")
  sleep 4
  after=$(wc -l < "$tmp/trace")
  [ "$after" -eq "$before" ] || { tail -n 20 "$tmp/trace"; fail "$((after - before)) system calls in 4 s of idling with --now"; }
  grep -q "new timeline" "$tmp/host.log" && fail "timelines were renewed while idle with --now"
  kill -TERM "$tracer"
else
  echo "strace cannot trace here: the idle check is left out"
fi
echo "1 passed, 0 failed"
