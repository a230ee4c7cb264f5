#!/usr/bin/env bash
# Builds and runs every test: the threaded tests under ThreadSanitizer, the
# fuzz targets for a few seconds each, and last the whole suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, whose summary ends the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
jobs="$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1"
# Tests that stream to the simulated units in real time run alone: beside a
# full parallel run a late poll can starve a unit, which says nothing of the
# code under test.
realtime='OfRealTime'
# A compiler cache, where the machine has one, lets repeated runs and several
# checkouts share what they compiled.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

tsan="$root/build/tsan"
cmake -S "$root" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DMERETH_SANITIZE=thread -DMERETH_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
targets=$(cmake --build "$tsan" --target help | sed -n 's/^\([A-Za-z0-9_]*_mt_tests\):.*/\1/p')
if [[ -n "$targets" ]]; then
  echo "== threaded tests under ThreadSanitizer"
  cmake --build "$tsan" -j "$jobs" --target $targets
  (cd "$tsan" && ctest -L threads -R "$realtime" --output-on-failure --timeout 300 > ctest.log &&
   ctest -j "$jobs" -L threads -E "$realtime" --output-on-failure --timeout 300 >> ctest.log) \
    || { cat "$tsan/ctest.log"; exit 1; }
  grep -E 'tests passed' "$tsan/ctest.log"
fi

# Each fuzz target replays its corpus and then fuzzes for a few seconds; new
# inputs go to a scratch folder so the kept corpus only grows by hand.
fuzz="$root/build/fuzz"
if compgen -G "$root/fuzz/*_fuzz.cpp" >/dev/null; then
  echo "== fuzz targets"
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DMERETH_FUZZ=ON \
        -DMERETH_BUILD_TESTS=OFF -DMERETH_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
  for src in "$root"/fuzz/*_fuzz.cpp; do
    name="$(basename "$src" .cpp)"
    cmake --build "$fuzz" -j "$jobs" --target "$name"
    scratch="$(mktemp -d)"
    corpus="$root/fuzz/corpus/${name%_fuzz}"
    echo "-- $name"
    "$fuzz/fuzz/$name" -max_total_time="${MERETH_FUZZ_SECONDS:-5}" -print_final_stats=0 \
        "$scratch" "$corpus" > "$scratch.log" 2>&1 || { cat "$scratch.log"; exit 1; }
    tail -n 1 "$scratch.log"
    rm -rf "$scratch" "$scratch.log"
  done
fi

echo "== whole suite under AddressSanitizer and UndefinedBehaviorSanitizer"
asan="$root/build/asan"
# Unoptimised with line tables only: the suite compiles in half the time and
# the sanitizers' reports still name file and line.
cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" -DMERETH_SANITIZE=address,undefined "${launcher[@]}" >/dev/null
cmake --build "$asan" -j "$jobs"
cd "$asan"
ctest -R "$realtime" --output-on-failure --timeout 300
ctest -j "$jobs" -E "$realtime" --output-on-failure --timeout 300
