#!/usr/bin/env bash
# Runs a command on a virtual display of its own (Xvfb) with a window manager (openbox), as on a desktop: for the
# tests that open real windows and need the keyboard focus that a window manager hands to a new window.
#   scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail

work=$(mktemp -d)
trap 'kill "${wm:-}" "${server:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# A display number of its own, well away from :0: the framework connects a program without DISPLAY to :0, so a
# server there would be found by every headless test running meanwhile (and pulled away from under it).
for number in $(seq 90 140); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    server=$!
    for _ in $(seq 100); do
        xdpyinfo -display ":$number" >/dev/null 2>&1 && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    xdpyinfo -display ":$number" >/dev/null 2>&1 && break
    server=""
done
[ -n "${server:-}" ] || { echo "with-display: no Xvfb display could be started" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$number"

openbox >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done

"$@"
