#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree a desktop
# reads: the program and its sign-in program, the menu entry and the AppStream
# description (both validated) and the icon at every size.
set -euo pipefail
build="$1"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/velto-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install tree: $*" >&2; exit 1; }
[ -x "$prefix/bin/velto" ] || fail "bin/velto is missing"
[ -x "$prefix/bin/velto-signin" ] || fail "bin/velto-signin, the sign-in window velto starts, is missing"
# Only the sign-in program may load the web engine.
if ldd "$prefix/bin/velto" | grep -E 'libQt6(WebEngine|Quick|Qml)' >&2; then
  fail "bin/velto links the web engine, Quick or QML"
fi
desktop="$prefix/share/applications/velto.desktop"
[ -f "$desktop" ] || fail "velto.desktop is missing"
desktop-file-validate "$desktop" || fail "velto.desktop does not validate"
grep -qx 'Exec=velto' "$desktop" || fail "the menu entry does not start velto"
grep -qx 'Icon=velto' "$desktop" || fail "the menu entry names another icon"
grep -qx 'StartupWMClass=velto' "$desktop" ||
  fail "the menu entry does not claim the class of the windows of velto and velto-signin"
metainfo="$prefix/share/metainfo/example.velto.Velto.metainfo.xml"
[ -f "$metainfo" ] || fail "the metainfo file is missing"
appstreamcli validate --no-net "$metainfo" >/dev/null || {
  appstreamcli validate --no-net "$metainfo" >&2
  fail "the metainfo file does not validate"
}
grep -q '<launchable type="desktop-id">velto.desktop</launchable>' "$metainfo" ||
  fail "the metainfo file does not launch velto.desktop"
[ -f "$prefix/share/icons/hicolor/scalable/apps/velto.svg" ] || fail "the scalable icon is missing"
for size in 16 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/velto.png"
  [ -f "$icon" ] || fail "the ${size} px icon is missing"
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  width=$(od -An -tu1 -j16 -N4 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  [ "$width" = "$size" ] || fail "the ${size} px icon is ${width} px wide"
done
echo "install tree: complete and valid in $prefix"
