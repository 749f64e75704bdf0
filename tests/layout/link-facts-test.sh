#!/usr/bin/env bash
# The ledger and the head-office view stand on the database layer alone:
# neither they nor the ledger's library load Qt's GUI (Widgets, Gui, DBus),
# the module or a reference package, and the library shows no name of the
# module and none of its inner units.
#   link-facts-test.sh LEDGER_LIBRARY LEDGER PAINEL
set -uo pipefail
library=$1
failures=0
fail() { echo "FALHOU: $*"; failures=$((failures + 1)); }

for program in "$@"; do
  loaded=$(ldd "$program") || { fail "ldd $program"; continue; }
  for forbidden in libQt6Widgets libQt6Gui libQt6DBus libkal02700 libkalshared libWmb0000; do
    grep -q "$forbidden" <<<"$loaded" && fail "$(basename "$program") carrega $forbidden: $(grep "$forbidden" <<<"$loaded")"
  done
done

names=$(nm -DC --defined-only "$library") || fail "nm $library"
for forbidden in Srv_kal02700 Cli_kal02700 Pkg_kal02700 'AuditRules::' 'ForwardQuery::'; do
  grep -q -- "$forbidden" <<<"$names" && fail "$(basename "$library") mostra $forbidden: $(grep -m3 -- "$forbidden" <<<"$names")"
done
# What its programs use is there.
for needed in 'LedgerSession::open' 'Auditor::run' 'Cat52Store::store'; do
  grep -q -- "$needed" <<<"$names" || fail "$(basename "$library") não mostra $needed"
done
[ $failures -eq 0 ] && echo "ligações: o livro fiscal e o painel não carregam o módulo nem a interface gráfica"
exit $((failures > 0))
