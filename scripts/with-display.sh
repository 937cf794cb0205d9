#!/usr/bin/env bash
# Runs a command on a virtual display of its own (Xvfb) with a window manager (openbox), as on a desktop: for the
# tests that open real windows and need the keyboard focus that a window manager hands to a new window.
#   scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail

work=$(mktemp -d)
trap 'kill "${wm:-}" "${server:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# The server picks a free display number and writes it to fd 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "with-display: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

openbox >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done

"$@"
