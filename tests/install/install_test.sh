#!/usr/bin/env bash
# Installs the build in BUILD_DIR into a temporary DESTDIR and checks what a desktop needs: both
# programs, the help page where the program looks for it, a valid desktop entry and the icons.
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
root=$dest/usr
fail() { echo "install test: $*" >&2; exit 1; }

for f in bin/tessaro bin/tessaro-cli; do [ -x "$root/$f" ] || fail "$f missing or not executable"; done
# The program looks for its help page at ../share/tessaro/ from its own folder.
[ -s "$root/bin/../share/tessaro/tessaro2.html" ] || fail "help page not in share/tessaro"
entry=$root/share/applications/tessaro.desktop
[ -f "$entry" ] || fail "desktop entry missing"
desktop-file-validate "$entry" || fail "desktop-file-validate refused the entry"
grep -qx 'Exec=tessaro %f' "$entry" || fail "Exec line is not 'tessaro %f'"
grep -qx 'Icon=tessaro' "$entry" || fail "Icon is not tessaro"

# Each PNG must really be the size its folder names; ImageMagick reads them independently.
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/tessaro.png
  [ -f "$icon" ] || fail "icon ${size}x${size} missing"
  got=$(identify -format '%wx%h' "$icon")
  [ "$got" = "${size}x${size}" ] || fail "icon ${size}x${size} is $got"
done
svg=$root/share/icons/hicolor/scalable/apps/tessaro.svg
grep -q '<svg' "$svg" || fail "scalable icon missing"
echo "install test: ok"
