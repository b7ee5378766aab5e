#!/usr/bin/env bash
# Builds the Debian package of BUILD_DIR with CPack and checks it as a user would get it: lintian
# finds no fault, Depends names the package of every library the programs link, the files are
# in it, and the tessaro-cli unpacked from it with dpkg -x runs on a picture from the same root.
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/options.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

(cd "$dir" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$dir/out" >"$dir/cpack.log" 2>&1) ||
  fail "cpack failed: $(cat "$dir/cpack.log")"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$dir/out/tessaro_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb: $(ls "$dir/out")"
lintian --allow-root --fail-on error,warning "$deb" >&2 || fail "lintian found faults"

# The packages holding the libraries the programs need, as the system's own database names them.
depends=$(dpkg-deb -f "$deb" Depends)
for program in tessaro tessaro-cli; do
  for lib in $(objdump -p "$build/$program" | awk '$1 == "NEEDED" { print $2 }'); do
    owners=$(dpkg -S "*/$lib" | cut -d: -f1 | tr ', ' '\n\n' | grep -v '^$' | sort -u)
    found=""
    for owner in $owners; do [[ ", $depends," == *", $owner "* || ", $depends," == *", $owner,"* ]] && found=$owner; done
    [ -n "$found" ] || fail "Depends lacks any of [$owners] (for $lib of $program): $depends"
  done
done

dpkg -x "$deb" "$dir/root"
root=$dir/root/usr
for f in bin/tessaro bin/tessaro-cli share/tessaro/tessaro2.html share/applications/tessaro.desktop \
  share/icons/hicolor/48x48/apps/tessaro.png share/icons/hicolor/scalable/apps/tessaro.svg \
  share/man/man1/tessaro.1.gz share/man/man1/tessaro-cli.1.gz share/man/de/man1/tessaro.1.gz \
  share/man/de/man1/tessaro-cli.1.gz share/bash-completion/completions/tessaro-cli \
  share/metainfo/org.example.tessaro.metainfo.xml share/doc/tessaro/copyright; do
  [ -s "$root/$f" ] || fail "$f not in the package"
done

help=$("$root/bin/tessaro-cli" --help) || fail "the installed tessaro-cli --help failed"
[ "$(options_in <<<"$help")" = "$("$build/tessaro-cli" --help | options_in)" ] || fail "installed --help differs"
icon=$root/share/icons/hicolor/256x256/apps/tessaro.png
info=$("$root/bin/tessaro-cli" info "$icon") || fail "the installed tessaro-cli info failed"
want=$(identify -format 'Breite: %w\nHöhe: %h' "$icon")
[ "$(head -2 <<<"$info")" = "$want" ] || fail "info says [$info], identify [$want]"
echo "package test: ok"
