#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, render and run the live
# host. Does nothing when they are all present already. Needs root (or sudo) only when
# something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsimdjson-dev libplist-dev libicu-dev
  zlib1g-dev libcairo2-dev libpango1.0-dev libgtk-4-dev
  gettext
  fonts-inter fonts-quicksand fonts-material-design-icons-iconfont fonts-noto-color-emoji
  xvfb xauth xdotool x11-apps dbus-daemon dbus-bin strace
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
