#!/usr/bin/env bash
# Makes COUNT git repositories under DIR/src, each cloned from a bare remote in DIR/remotes with
# 30 commits, the last 2 of every other one not pushed; writes DIR/config/kestrun-probe/probe.ini
# naming DIR/src as the only project root. For the probe's benchmarks.
set -euo pipefail
dir=$1 count=${2:-20}
export GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null
g=(git -c user.name=Bench -c user.email=bench@example.invalid -c init.defaultBranch=main)
mkdir -p "$dir/src" "$dir/remotes" "$dir/config/kestrun-probe"
for i in $(seq 1 "$count"); do
  remote="$dir/remotes/r$i.git" work="$dir/src/project-$i"
  "${g[@]}" init -q --bare "$remote"
  "${g[@]}" clone -q "$remote" "$work" 2>/dev/null
  for c in $(seq 1 30); do
    echo "$c" >"$work/file"
    "${g[@]}" -C "$work" add file
    "${g[@]}" -C "$work" commit -q -m "change $c"
    if [ "$c" = 28 ]; then "${g[@]}" -C "$work" push -q origin HEAD:main; fi
  done
  if [ $((i % 2)) = 0 ]; then "${g[@]}" -C "$work" push -q origin HEAD:main; fi
done
printf '[Probe]\nInterval=%s\n[Projects]\nRoots=%s/src\n' "${INTERVAL:-60}" "$dir" \
  >"$dir/config/kestrun-probe/probe.ini"
