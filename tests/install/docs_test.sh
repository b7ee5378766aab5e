#!/usr/bin/env bash
# The manual pages and the AppStream file of the build in BUILD_DIR: both format without a
# warning, and each manual page of tessaro-cli names exactly the options its --help names.
set -euo pipefail
build=$1
. "$(dirname "$0")/options.sh"

help=$("$build/tessaro-cli" --help | options_in)
[ "$(wc -l <<<"$help")" -gt 60 ] || fail "too few options found in --help: $help"
for page in "$build"/man/*/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
  case $page in
    */tessaro-cli.1)
      named=$(options_in <"$page")
      diff <(echo "$help") <(echo "$named") >&2 || fail "$page and --help name different options (< help, > page)"
      ;;
  esac
done
[ "$(ls "$build"/man/{en,de}/tessaro-cli.1 | wc -l)" = 2 ] || fail "a manual page of tessaro-cli is missing"

appstreamcli validate --no-net --pedantic "$build"/*.metainfo.xml >&2 || fail "appstreamcli refused the metainfo"
echo "docs test: ok"
