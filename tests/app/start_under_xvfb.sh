#!/usr/bin/env bash
# Starts the real program on a virtual X display and waits for its window "Tessaro 2.1".
# Exit 0 when the window appeared within the time limit.
set -u
bin=$1
export QT_QPA_PLATFORM=xcb
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
kill -TERM "$prog" 2>/dev/null
wait "$prog" 2>/dev/null
exit $found
