#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite (SQLite and a
# throwaway PostgreSQL server that the suite starts and stops itself).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j"$(nproc)"
