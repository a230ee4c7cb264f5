#!/usr/bin/env bash
# mereth in a real SDL2 window on an Xvfb screen: closing the window ends
# the program with 0.
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
  # The window is asked to close once it is there.
  for _ in $(seq 1 60); do
    sleep 0.5
    if "$2"; then break; fi
  done
  wait "$pid"
' close "$mereth" "$close_windows"
