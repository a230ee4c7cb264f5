#!/usr/bin/env bash
# mereth in a real SDL2 window on an Xvfb screen: closing the window ends
# the program with 0, also when the close comes as soon as the window is
# there, while the program is still starting.
# usage: mereth_sdl_xvfb.sh MERETH CLOSE_WINDOWS
set -euo pipefail
mereth="$1" close_windows="$2"
if ! command -v xvfb-run >/dev/null; then
  echo "skipped: xvfb-run is missing (package xvfb)"
  exit 77
fi
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 640x480x24" bash -c '
  "$1" &
  pid=$!
  if ! "$2" 30; then
    echo "mereth showed no window to close"
    kill "$pid"
    exit 1
  fi
  # One close is enough: a program still running after it is a failure.
  for _ in $(seq 1 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "mereth did not end when its window was closed"
    kill -9 "$pid"
    exit 1
  fi
  wait "$pid"
' close "$mereth" "$close_windows"
