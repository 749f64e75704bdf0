#!/usr/bin/env bash
# Builds and runs the fiscal ledger's benchmark: ten years of a hundred
# registers in SQLite and in a PostgreSQL of its own, kal02700-fiscal auditar
# over all of it (time, peak memory) against the sqlite3 tool reading the same
# rows. The last line printed is "auditar/leitura sqlite3 ratio: N.NN".
#   scripts/bench-fiscal.sh [--keep]   --keep reuses the SQLite data of a previous run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BENCH_BUILD_DIR:-$root/build-bench}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAL_BUILD_TESTS=OFF -DKAL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kal02700-fiscal-bench kal02700-fiscal
state=$(mktemp -d)
trap '"$root/tests/support/pg-fixture.sh" stop "$state/pg" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT
"$root/tests/support/pg-fixture.sh" start "$state/pg" >/dev/null
export KAL_BENCH_PG=$(cat "$state/pg/connection")
export KAL_BENCH_WORK=${KAL_BENCH_WORK:-$build}
"$build/bin/kal02700-fiscal-bench" "$@"
