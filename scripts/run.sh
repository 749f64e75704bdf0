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

# A store's installation: the host with the module and packages beside it,
# and the two local parameter files in the host's folder.
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp "$build/bin/kal02700-host" "$demo/"
for lib in "$build"/bin/lib*.so*; do ln -s "$lib" "$demo/"; done
cp "$root/reference/host-app/demo/PARAMETROSKIV.CDS" "$root/reference/host-app/demo/PRAXUMO.CDS" "$demo/"
sed "s|@DAY@|$(date +%d/%m/%Y)|" "$root/reference/host-app/demo/printer.json.in" > "$demo/printer.json"

db="$demo/kal02700.db"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
"$demo/kal02700-host" --db "sqlite:$db" --init-db
sqlite3 "$db" < "$root/db/demo.sql"

echo "== kal02700-host --automatico (today, branch 0001, register 001, printer 001)"
set +e
"$demo/kal02700-host" --db "sqlite:$db" --cdfilial 0001 --cdcaixa 001 --nrecf 001 \
  --nrserieecf BE091010100011223344 --automatico --printer "$demo/printer.json"
status=$?
set -e
echo "== exit status $status"
echo "== stored in $db"
sqlite3 -header -column "$db" "SELECT CDFILIAL, CDCAIXA, NRECFREDZ, DTREDUCAOZ, NRREDREDZ, NRPRIMCFREDZ, NRULTCFREDZ,
  VRGTREDZ, VRVENBRUREDZ, VRVENLIQREDZ, DSMODMARCAECF FROM REDUCAOZ WHERE DTREDUCAOZ = date('now', 'localtime')"
sqlite3 -header -column "$db" "SELECT CDIMPOSTO, VRALIQIMPRZ, VRBCALCIMPRZ, VRIMPOSTORZ FROM IMPOSTOREDZ"
sqlite3 -header -column "$db" "SELECT NMARQCAT52, DTMOVCAT52, length(DSARQCAT52) AS BYTES FROM ARQCAT52"
exit $status
