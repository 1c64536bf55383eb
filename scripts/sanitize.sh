#!/usr/bin/env bash
# Builds the CPU test executables (ctest label "cpu") with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build folder of their own and runs them. Any
# sanitizer report fails its test.
#
#   scripts/sanitize.sh [BUILD_FOLDER]      default: build-sanitize
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-sanitize}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLMERO_SANITIZE=ON >/dev/null
mapfile -t tests < <(ctest --test-dir "$build" -N -L '^cpu$' | sed -n 's/^ *Test *#[0-9]*: *//p')
[ ${#tests[@]} -gt 0 ] || { echo "sanitize: no CPU tests found" >&2; exit 1; }
echo "sanitize: building ${tests[*]}"
# The build runs its own generators (images, glyphs, music), sanitized too:
# their errors fail the build, but the caches that system libraries keep for
# the process's life are not reported as leaks.
export LSAN_OPTIONS=suppressions=$(pwd)/tests/sanitize/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
cmake --build "$build" --target "${tests[@]}"
ctest --test-dir "$build" -L '^cpu$' --output-on-failure
