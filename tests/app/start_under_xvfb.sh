#!/usr/bin/env bash
# Starts the real program on a virtual X display and waits for its window "Tessaro 2.1".
# With a check command after the program, runs it once the window is there, the program
# serving the accessibility bus (call this under dbus-run-session then).
# Exit 0 when the window appeared within the time limit and the check, if any, passed.
set -u
bin=$1
shift
export QT_QPA_PLATFORM=xcb
# A first run: nothing the user's own runs remembered (options, folder, place) counts, and this run
# leaves nothing behind for them.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
[ $# -gt 0 ] && export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$bin" >/tmp/tessaro-xvfb.log 2>&1 &
prog=$!
window_seen() {
  for _ in $(seq 1 150); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Tessaro 2.1"' && return 0
    kill -0 "$prog" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}
window_seen
found=$?
if [ $found -eq 0 ] && [ $# -gt 0 ]; then
  "$@"
  found=$?
fi
kill -TERM "$prog" 2>/dev/null
wait "$prog" 2>/dev/null
exit $found
