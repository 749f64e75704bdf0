#!/usr/bin/env bash
# Builds and runs the fiscal ledger's benchmark: ten years of a hundred
# registers in SQLite and in a PostgreSQL of its own, kal02700-fiscal auditar
# over all of it (time, peak memory) against the sqlite3 tool reading the same
# rows. One line per audit run, "auditar 1 dia sqlite: 0.042 s, 31.0 MB" (runs
# "1 dia", "1 mes filial", "1 ano", "10 anos"; "sqlite" and "postgresql"), then
# the ratio lines; the last is "auditar/leitura sqlite3 ratio: N.NN".
#   scripts/bench-fiscal.sh [--keep]   --keep reuses the SQLite data a previous run
#                                      left in build/bench-fiscal (KAL_BENCH_WORK)
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
export KAL_BENCH_WORK=${KAL_BENCH_WORK:-$root/build/bench-fiscal}
mkdir -p "$KAL_BENCH_WORK"
"$build/bin/kal02700-fiscal-bench" "$@"
