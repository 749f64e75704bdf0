#!/usr/bin/env bash
# Builds and runs the benchmark: setRedZ against raw sqlite3 and libpq, a
# whole automatic call, and CAT-52 files of 20 MB and 100 MB on both databases
# (peak memory as a multiple of the file). Starts its own PostgreSQL.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BENCH_BUILD_DIR:-$root/build-bench}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAL_BUILD_TESTS=OFF -DKAL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kal02700-bench kal02700-host
state=$(mktemp -d)
trap '"$root/tests/support/pg-fixture.sh" stop "$state/pg" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT
"$root/tests/support/pg-fixture.sh" start "$state/pg" >/dev/null
export KAL_BENCH_PG=$(cat "$state/pg/connection")
export QT_QPA_PLATFORM=offscreen
"$build/bin/kal02700-bench" "$@"
