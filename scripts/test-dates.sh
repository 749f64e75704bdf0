#!/usr/bin/env bash
# Runs the built suites (build/ or $KAL_BUILD_DIR) as if it were other days,
# so that no test depends on the day it runs: by default 09/12/2026,
# 01/01/2027 and 29/02/2028 in America/Sao_Paulo; pass days ("2027-01-01 00:10")
# to choose others. The wall clock of the suites and of the hosts and ledgers
# they start moves by the same offset from the machine's; the test run's
# PostgreSQL server keeps the machine's clock, as a central server does, and
# timers and waits keep the machine's monotonic clock.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BUILD_DIR:-$root/build}
command -v faketime >/dev/null || { echo "faketime is missing: run scripts/install-deps.sh" >&2; exit 1; }
[ -f "$build/CTestTestfile.cmake" ] || { echo "no build in $build: run scripts/build.sh" >&2; exit 1; }
days=("$@")
[ ${#days[@]} -gt 0 ] || days=("2026-12-09 12:00:00" "2027-01-01 00:10:00" "2028-02-29 23:30:00")
export QT_QPA_PLATFORM=offscreen TZ=America/Sao_Paulo FAKETIME_DONT_FAKE_MONOTONIC=1
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
status=0
# The servers (the primary and its hot standby) run on the real clock.
fixture() { (cd "$build" && ctest -FA '.*' -R "^postgresql_$1\$" >/dev/null); }
fixture start && fixture standby_start
trap 'fixture standby_stop; fixture stop' EXIT
for day in "${days[@]}"; do
  echo "== as if it were $day"
  offset=$(( $(date -d "$day" +%s) - $(date +%s) ))
  [ "$offset" -ge 0 ] && offset="+$offset"
  if ! (cd "$build" && faketime -f "$offset" ctest -FA '.*' -E '^postgresql_(standby_)?(start|stop)$' --output-on-failure -j"$(nproc)"); then
    status=1
  fi
done
exit $status
