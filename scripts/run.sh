#!/usr/bin/env bash
# The main job: installs what is missing, builds, then records today's Z
# reduction of branch 0001, register 001 on a fresh embedded SQLite database,
# the way a store's nightly script runs the module (automatic mode, a printer
# that reports its last Z reduction, the day's CAT-52 file kept too).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

# A store's installation, as cmake --install lays it out: the host with the
# module, the packages and the two local parameter files in bin/.
demo="$build/demo"
rm -rf "$demo"
cmake --install "$build" --prefix "$demo" >/dev/null
host="$demo/bin/kal02700-host"
sed "s|@DAY@|$(date +%d/%m/%Y)|" "$demo/share/kal02700/printer.json.in" > "$demo/bin/printer.json"

db="$demo/kal02700.db"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
"$host" --db "sqlite:$db" --init-db
sqlite3 "$db" < "$demo/share/kal02700/demo.sql"
# Other registers of tonight and of the 29 nights before, for the head-office
# view (kal02700-painel).
sqlite3 "$db" < "$demo/share/kal02700/demo-painel.sql"

echo "== kal02700-host --automatico (today, branch 0001, register 001, printer 001)"
set +e
"$host" --db "sqlite:$db" --cdfilial 0001 --cdcaixa 001 --nrecf 001 \
  --nrserieecf BE091010100011223344 --automatico --printer "$demo/bin/printer.json"
status=$?
set -e
echo "== exit status $status"
echo "== stored in $db"
sqlite3 -header -column "$db" "SELECT CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRREDREDZ, NRPRIMCFREDZ, NRULTCFREDZ,
  VRGTREDZ, VRVENBRUREDZ, VRVENLIQREDZ, DSMODMARCAECF FROM REDUCAOZ WHERE DTREDUCAOZ = date('now', 'localtime')"
sqlite3 -header -column "$db" "SELECT CDIMPOSTO, VRALIQIMPRZ, VRBCALCIMPRZ, VRIMPOSTORZ FROM IMPOSTOREDZ"
sqlite3 -header -column "$db" "SELECT NMARQCAT52, DTMOVCAT52, length(DSARQCAT52) AS BYTES FROM ARQCAT52"
exit $status
