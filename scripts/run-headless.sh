#!/usr/bin/env bash
# Without a display: starts the program on a virtual X display, photographs its window and stops it.
set -euo pipefail
program=$1
shot=$2
echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty): starting Tobrell on a virtual X display (Xvfb)."

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$app_pid" "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$program" &
app_pid=$!
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Tobrell"' && break
  sleep 0.1
done
sleep 1
# The bare X screen is black around the window: trim it away.
import -window root -trim +repage "$shot"
echo "Tobrell ran on $display; screenshot of its window: $(realpath "$shot")"
