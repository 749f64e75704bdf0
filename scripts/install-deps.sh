#!/usr/bin/env bash
# Installs every Debian package the build, the host, the tests and the benchmark need
# (chromium: the fiscal ledger's HTML report is checked in a real browser).
# (prometheus, openssl: the head-office view's promtool check and
#  the test's self-signed certificate.)
# (faketime: the suites are run as if on other days before a change lands.)
# (clang-format, python3: the test command checks the layout of the sources.)
# Idempotent: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc qt6-qpa-plugins
  libgl-dev libvulkan-dev
  libgtest-dev googletest libbenchmark-dev
  libsqlite3-dev sqlite3 libpq-dev postgresql
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc
  fonts-liberation
  chromium
  prometheus openssl
  clang libclang-rt-dev
  clang-format python3
  faketime
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
