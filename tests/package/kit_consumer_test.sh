#!/usr/bin/env bash
# The kit as a host application's developer gets it: this source tree built with only the data
# contract (no Cairo, Pango or GTK) and installed to a scratch prefix; a consumer that sets no
# flags of its own built against it with CMake and with pkg-config; the snapshot it writes read by
# the widgets of this build.
# Usage: kit_consumer_test.sh SOURCE_DIR WORK_DIR kestrun-widgets BUNDLE_DIR
# The kit's own tree stays in WORK_DIR between runs, so that a run rebuilds only what changed.
set -euo pipefail
source_dir=$1
work=$2
cli=$3
bundle=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
quiet() { "$@" >"$tmp/log" 2>&1 || { cat "$tmp/log" >&2; fail "$*"; }; }

prefix=$work/prefix
rm -rf "$prefix"
quiet cmake -S "$source_dir" -B "$work/kit" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKESTRUN_DATA_CONTRACT_ONLY=ON -DCMAKE_INSTALL_PREFIX="$prefix"
if grep -Eq '^(GTK4|PANGOCAIRO)_' "$work/kit/CMakeCache.txt"; then
  fail "the data contract alone looked for GTK or Pango"
fi
quiet cmake --build "$work/kit"
quiet cmake --install "$work/kit"

# Exactly the headers the kit's interface reaches, and no build-only target in the export.
headers=$(cd "$prefix/include" && find . -type f | sort | tr '\n' ' ')
expected="./kestrun/KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h ./kestrun/KestrunWidgetKit/WidgetSnapshot/WidgetLink.h ./kestrun/KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h ./kestrun/KestrunWidgetKit/WidgetSnapshot/WidgetStore.h ./kestrun/Platform/Foundation/Date.h ./kestrun/Platform/Foundation/URL.h "
[ "$headers" = "$expected" ] || fail "installed headers: $headers"
targets=$(find "$prefix" -name KestrunWidgetKitTargets.cmake)
[ -n "$targets" ] || fail "no exported targets"
if grep -q kestrun_options "$targets"; then fail "the build's own option target is exported"; fi
while IFS= read -r -d '' lib; do
  if ldd "$lib" | grep -Eq 'libcairo|libpango|libgtk'; then fail "$lib links a drawing library"; fi
done < <(find "$prefix" -name '*.so*' -type f -print0)

# Run as a host application installed anywhere: nothing of the widgets beside it, the bundle
# found where the kit was installed.
run() { env -u KESTRUN_BUNDLE XDG_DATA_HOME="$tmp/data" XDG_DATA_DIRS="$tmp/nowhere" "$@"; }
quiet env -u CXXFLAGS -u CPPFLAGS -u LDFLAGS cmake -S "$source_dir/tests/package/consumer" \
  -B "$tmp/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix"
quiet cmake --build "$tmp/consumer"
written=$(run "$tmp/consumer/kit-consumer") || fail "the consumer wrote nothing"
[ "$written" = "$tmp/data/group-containers/group.app.kestrun/widget-snapshot.json" ] ||
  fail "the consumer wrote to $written"

# The widgets of this build read it.
widgets() { env KESTRUN_BUNDLE="$bundle" XDG_DATA_HOME="$tmp/data" LANG=C.UTF-8 LANGUAGE= "$@"; }
widgets "$cli" where | grep -qx "readable: yes" || fail "the widgets cannot read the snapshot"
# Strings from the file are set as isolates (U+2068 … U+2069), which the dump writes escaped.
widgets "$cli" tree --widget wifi | sed 's/\\u206[89]//g' |
  grep -q '"text":"Consumer network · 5 GHz"' ||
  fail "the Wi-Fi widget does not show the consumer's network"
rm "$written"

# pkg-config alone, with the compiler's own defaults; the bundle found through XDG_DATA_DIRS once
# the installed one is gone.
pc_dir=$(dirname "$(find "$prefix" -name kestrun-widget-kit.pc)")
flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs kestrun-widget-kit)
# shellcheck disable=SC2086
quiet c++ "$source_dir/tests/package/consumer/main.cpp" $flags -o "$tmp/pc-consumer"
mkdir -p "$tmp/system/kestrun-widgets"
mv "$prefix/share/kestrun-widgets/Info.plist" "$tmp/system/kestrun-widgets/"
written=$(env -u KESTRUN_BUNDLE XDG_DATA_HOME="$tmp/data" XDG_DATA_DIRS="$tmp/elsewhere:$tmp/system" \
  "$tmp/pc-consumer") || fail "the pkg-config consumer wrote nothing"
widgets "$cli" where | grep -qx "readable: yes" || fail "no snapshot after the pkg-config consumer"
echo "kit: a consumer installed against $prefix wrote $written"
