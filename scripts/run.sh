#!/usr/bin/env bash
# Builds the program (optimised, no tests) and starts it on the simulated hardware.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DMERETH_BUILD_TESTS=OFF -DMERETH_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target mereth
exec "$build/calibration/mereth" "$@"
