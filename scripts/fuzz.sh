#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan) and runs
# each: first over its kept regression cases, then fuzzing for SECONDS
# (default 20) from its seed corpus. A longer run: scripts/fuzz.sh 3600
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=${KAL_FUZZ_BUILD_DIR:-$root/build-fuzz}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAL_FUZZ=ON \
  -DKAL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
# Qt's regular-expression JIT is not instrumented: keep it off under the sanitizers.
export QT_ENABLE_REGEXP_JIT=0
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
status=0
for target in "$build"/bin/fuzz_*; do
  name=$(basename "$target"); name=${name#fuzz_}
  regress="$root/tests/fuzz/regressions/$name"
  seeds="$root/tests/fuzz/corpus/$name"
  work=$(mktemp -d)
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
  if [ -d "$regress" ] && [ -n "$(ls -A "$regress" 2>/dev/null)" ]; then
    "$target" "$regress"/* >/dev/null 2>&1 || { echo "fuzz_$name: a kept regression case fails again"; "$target" "$regress"/*; status=1; }
  fi
  if "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix="$work/" "$work" >"$work.log" 2>&1; then
    echo "fuzz_$name: $(grep -Eo 'Done [0-9]+ runs' "$work.log" | tail -1) in ${seconds}s, no finding"
  else
    echo "fuzz_$name: FINDING (log and crash input below; keep it in tests/fuzz/regressions/$name once fixed)"
    tail -40 "$work.log"; mkdir -p "$build/findings/$name"; cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$build/findings/$name/" 2>/dev/null || true
    ls "$build/findings/$name"
    status=1
  fi
  rm -rf "$work" "$work.log"
done
exit $status
