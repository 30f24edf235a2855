#!/usr/bin/env bash
# Installs the Debian packages the project needs and does nothing when they are all present.
#   scripts/setup.sh          what building and running the program need
#   scripts/setup.sh --test   that, and what the tests, the sanitizer and fuzz builds, the
#                             benchmarks and the package checks need
# Needs root (or sudo) only when something is missing.
set -euo pipefail

# Building and running.
runtime=(
  build-essential cmake ninja-build pkg-config
  libsimdjson-dev libplist-dev libicu-dev
  zlib1g-dev libcairo2-dev libpango1.0-dev libgtk-4-dev
  libglib2.0-dev libgit2-dev libnl-3-dev libnl-genl-3-dev libnl-route-3-dev
  gettext
  fonts-inter fonts-material-design-icons-iconfont
)

# Testing, measuring and checking the package.
test=(
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-color-emoji
  xvfb xauth xdotool x11-apps x11-utils openbox dbus-daemon dbus-bin strace
  file lintian desktop-file-utils appstream
)

packages=("${runtime[@]}")
case "${1:-}" in
  --test) packages+=("${test[@]}") ;;
  "") ;;
  *) echo "usage: scripts/setup.sh [--test]" >&2; exit 64 ;;
esac

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
