#!/usr/bin/env bash
# Installs what is missing, checks the layout, builds, and runs every suite:
#   0. every tracked C++ file as clang-format writes it, no source file over
#      800 lines and no function over 80 (check-layout.sh names offenders);
#   1. the suites on SQLite and on a throwaway PostgreSQL server that ctest
#      starts and stops itself;
#   2. a short run of every fuzzer over its kept regression cases and seeds;
#   3. the native suites again in a build with AddressSanitizer and UBSan
#      (the ODBC variants would test the drivers there, not the module).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BUILD_DIR:-$root/build}
asan=${KAL_ASAN_BUILD_DIR:-$root/build-asan}
jobs=$(nproc)
"$root/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

echo "== layout"
# An offender fails the command at the end: the suites still run meanwhile.
layout=0
"$root/scripts/check-layout.sh" || layout=1
echo "== build"
"$root/scripts/build.sh"
echo "== tests"
(cd "$build" && ctest --output-on-failure -j"$jobs")

echo "== fuzzing (${KAL_FUZZ_SECONDS:-10} s a target)"
"$root/scripts/fuzz.sh" "${KAL_FUZZ_SECONDS:-10}"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKAL_SANITIZE=ON >/dev/null
cmake --build "$asan" -j"$jobs"
# Qt's regular-expression JIT writes code the sanitizers cannot follow.
export QT_ENABLE_REGEXP_JIT=0
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan-suppressions.txt
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$asan" && ctest --output-on-failure -j"$jobs" -E '_odbc$')
if [ $layout -ne 0 ]; then
  echo "== layout: the offenders named at the start (scripts/check-layout.sh) fail this run" >&2
  exit 1
fi
