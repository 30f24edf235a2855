#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from this build, clean for lintian (no
# errors), its desktop files valid, its dependencies found by dpkg-shlibdeps plus the fonts, and
# the program unpacked into a scratch root drawing the widgets from there, with the catalogues
# it carries.
# Usage: debian_package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$tmp/out/kestrun-widgets_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"

# lintian prints a note on stderr when run as root; the verdict is its status. Every program
# has its manual page: lintian only warns of one missing, so that is looked for in what it says.
lintian --fail-on error --no-tag-display-limit "$deb" 2>/dev/null >"$tmp/lintian.log" ||
  { cat "$tmp/lintian.log" >&2; fail "lintian reports errors"; }
if grep -q 'no-manual-page' "$tmp/lintian.log"; then
  cat "$tmp/lintian.log" >&2
  fail "lintian finds a program without a manual page"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-inter fonts-material-design-icons-iconfont libgtk-4-1 libcairo2 libpango-1.0-0 \
  libicu72 libc6; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done

root=$tmp/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/app.kestrun.widgets.desktop" ||
  fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/app.kestrun.widgets.metainfo.xml" \
  >"$tmp/appstream.log" 2>&1 || { cat "$tmp/appstream.log" >&2; fail "AppStream metadata"; }
[ -f "$root/usr/share/icons/hicolor/scalable/apps/app.kestrun.widgets.svg" ] || fail "icon"

# The manual pages and the completions, made from the programs' own declarations.
for program in kestrun-widgets kestrun-probe; do
  man_page=$root/usr/share/man/man1/$program.1.gz
  [ -f "$man_page" ] || fail "no manual page for $program"
  for section in NAME SYNOPSIS COMMANDS OPTIONS ENVIRONMENT "EXIT STATUS"; do
    zcat "$man_page" | grep -qx "\.SH $section" || fail "the manual page of $program lacks $section"
  done
  completion=$root/usr/share/bash-completion/completions/$program
  [ -f "$completion" ] || fail "no bash completion for $program"
  bash -n "$completion" || fail "the bash completion of $program is no bash"
  grep -qx "complete -F _${program//-/_} $program" "$completion" ||
    fail "the completion of $program completes nothing"
done

# The probe's unit and link handler name the program where the package puts it.
grep -qx "ExecStart=/usr/bin/kestrun-probe run" "$root/usr/lib/systemd/user/kestrun-probe.service" ||
  fail "the probe's unit does not run /usr/bin/kestrun-probe"
grep -qx "Exec=/usr/bin/kestrun-probe open %u" "$root/usr/share/applications/kestrun-probe.desktop" ||
  fail "the probe's link handler does not run /usr/bin/kestrun-probe"
unit=$root/usr/lib/systemd/user/kestrun-widgets.service
for line in "ExecStart=/usr/bin/kestrun-widgets host" "PartOf=graphical-session.target" \
  "After=graphical-session.target" "Restart=on-failure"; do
  grep -qx "$line" "$unit" || fail "unit lacks $line"
done
# systemd's own reading of the unit, pointed at the unpacked program (where systemd is installed;
# the manual page belongs to the package, not to this machine).
if command -v systemd-analyze >/dev/null; then
  mkdir -m 700 "$tmp/runtime"
  sed "s|^ExecStart=/usr/bin/|ExecStart=$root/usr/bin/|" "$unit" >"$tmp/runtime/kestrun-widgets.service"
  XDG_RUNTIME_DIR=$tmp/runtime systemd-analyze verify --man=no --user \
    "$tmp/runtime/kestrun-widgets.service" || fail "systemd-analyze verify"
fi
# Nothing starts by itself for every user: no autostart entry, no unit enabled by the package.
if [ -d "$root/etc" ]; then fail "the package installs into /etc: $(find "$root/etc")"; fi
for script in postinst preinst; do
  if dpkg-deb --ctrl-tarfile "$deb" | tar -xO "./$script" 2>/dev/null | grep -q systemctl; then
    fail "$script enables the unit"
  fi
done
# The shared layers are private (a directory of their own, out of the linker's cache): nothing for
# ldconfig to do, and lintian warns of a maintainer script that runs it.
for script in postinst postrm; do
  if dpkg-deb --ctrl-tarfile "$deb" | tar -xO "./$script" 2>/dev/null | grep -q ldconfig; then
    fail "$script runs ldconfig"
  fi
done

# Every program and module finds the libraries it links from where the package puts them.
while IFS= read -r -d '' elf; do
  if head -c 4 "$elf" | grep -q $'\x7fELF'; then
    missing=$(ldd "$elf" 2>&1 | grep 'not found' || true)
    [ -z "$missing" ] || fail "${elf#"$root"} cannot find: $missing"
  fi
done < <(find "$root/usr/bin" "$root/usr/lib" -type f -print0)

# From the scratch root, with nothing of the build tree in reach.
cli=$root/usr/bin/kestrun-widgets
run() { env -u KESTRUN_BUNDLE XDG_DATA_HOME="$tmp/data" LANGUAGE= "$@"; }
[ "$(run "$cli" --version)" = "kestrun-widgets $version" ] || fail "--version: $(run "$cli" --version)"
probe=$root/usr/bin/kestrun-probe
[ "$(run "$probe" --version)" = "kestrun-probe $version" ] ||
  fail "kestrun-probe --version: $(run "$probe" --version)"
grep -q "<string>$version</string>" "$root/usr/share/kestrun-widgets/Info.plist" ||
  fail "Info.plist does not carry version $version"
run LANG=C.UTF-8 "$cli" --now 2026-12-09T06:00:00Z render --source preview --out "$tmp/widgets" \
  >"$tmp/paths"
[ "$(wc -l <"$tmp/paths")" -eq 4 ] || fail "render printed $(cat "$tmp/paths")"
while read -r png; do
  [ -s "$png" ] || fail "empty $png"
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
done <"$tmp/paths"
run LANG=de_DE.UTF-8 "$cli" --now 2026-12-09T06:00:00Z tree --widget overview --source preview |
  grep -q '"text":"Erneut testen"' || fail "the installed German catalogue is not used"
run LANG=C.UTF-8 "$cli" gallery --out "$tmp/gallery" >/dev/null
grep -q "how hard the system is working" "$tmp/gallery/index.html" ||
  fail "the installed English catalogue is not used"
echo "package: $(basename "$deb") passes"
