#!/usr/bin/env bash
# kestrun-probe run with 20 repositories and a 2-second interval, in a home of its own: how often it
# wakes between rounds (traced with strace), its threads, its CPU per round and its resident memory.
# Usage: bench/probe_wakeups.sh [SECONDS]   (default 20; the build must exist)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20} interval=2
bin=$PWD/build/default/bin/kestrun-probe
work=$(mktemp -d /tmp/kestrun-probe-wakeups.XXXXXX)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

INTERVAL=$interval bash bench/make-probe-repos.sh "$work" 20
mkdir -p "$work/bundle" "$work/cache"
printf '<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>KestrunAppGroup</key><string>group.bench</string></dict></plist>\n' >"$work/bundle/Info.plist"
export HOME=$work KESTRUN_BUNDLE=$work/bundle XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config \
  XDG_CACHE_HOME=$work/cache
unset XDG_RUNTIME_DIR DOCKER_HOST

# Untraced: CPU and memory after the given time.
"$bin" run & pid=$!
sleep "$seconds"
read -r -a stat <"/proc/$pid/stat"
ticks=$(getconf CLK_TCK)
# utime and stime of the probe, cutime and cstime of the helpers it waited for.
cpu_ms=$(( (stat[13] + stat[14] + stat[15] + stat[16]) * 1000 / ticks ))
rounds=$(( seconds / interval + 1 ))
threads=$(ls "/proc/$pid/task" | wc -l)
hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=

# Traced: every system call, to count the sleeps and anything else that could wake the process.
strace -f -tt -o "$work/trace" "$bin" run & pid=$!
sleep "$seconds"
# Ending the traced program, not strace, lets strace write the whole trace and exit.
for child in $(cat "/proc/$pid/task/$pid/children"); do kill "$child"; done
wait "$pid" 2>/dev/null || true; pid=
sleeps=$(grep -c 'clock_nanosleep(CLOCK_BOOTTIME, TIMER_ABSTIME' "$work/trace" || true)
others=$(grep -cE ' (poll|ppoll|epoll_wait|epoll_pwait|select|pselect6|nanosleep|wait4)\(|futex\(.*WAIT' "$work/trace" || true)
helpers=$(grep -c 'execve(".*kestrun-probe-repos"' "$work/trace" || true)
tids=$(awk '{print $1}' "$work/trace" | sort -u | wc -l)
calls=$(wc -l <"$work/trace")
echo "rounds (untraced, ${seconds} s at ${interval} s): ~${rounds}, CPU ${cpu_ms} ms in all (helpers included), $(( cpu_ms / rounds )) ms a round with startup"
echo "threads: ${threads}; resident: ${rss} KiB now, ${hwm} KiB at most"
echo "traced: ${sleeps} sleeps on the boot clock, ${helpers} repository helpers run, ${others} other blocking calls (the waits for the helpers included), ${tids} process and thread ids, $(( calls / (sleeps > 0 ? sleeps : 1) )) system calls a round"
