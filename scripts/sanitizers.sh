#!/usr/bin/env bash
# Builds and runs the suite under the sanitizers: everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (leak checks on), and the tests where threads meet (the watcher, the
# transfers, the window) with ThreadSanitizer. Run from anywhere; uses build-asan/ and build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j"$jobs"
# The Windows cross build runs once, in the plain build.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 300 -E '^windows_'

echo "== ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan -j"$jobs" --target test_watcher test_transfer test_pictures test_languages \
  test_firmware test_app
export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp halt_on_error=1 second_deadlock_stack=1"
for suite in test_watcher test_transfer test_pictures test_languages test_firmware test_app; do
  echo "-- $suite"
  build-tsan/tests/"$suite" --gtest_brief=1
done
