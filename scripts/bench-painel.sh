#!/usr/bin/env bash
# Benchmark of the head-office view: kal02700-painel as a process, /api/noite
# read from the database (each night's first request) and from the cache, then
# 200 requests 50 at a time: all answered whole, median and slowest printed;
# with --rede also the 30-night history from the database and the cache, and
# /saude during a flood of wrong passwords.
#   scripts/bench-painel.sh [--keep]         the ledger benchmark's ten years of a hundred registers (SQLite)
#   scripts/bench-painel.sh --rede [--keep]  a chain: 500 branches x 10 registers, a year of history, one
#                                            register-day in twenty pending; on SQLite and on a PostgreSQL of
#                                            its own, and the page in headless chromium (first drawing of the
#                                            night, size of the document)
#   --keep reuses the SQLite data of a previous run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BENCH_BUILD_DIR:-$root/build-bench}
rede=0 keep=0
for a in "$@"; do
  case $a in --rede) rede=1 ;; --keep) keep=1 ;; *) echo "Uso: $0 [--rede] [--keep]" >&2; exit 2 ;; esac
done
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAL_BUILD_TESTS=OFF -DKAL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target kal02700-painel-bench-data kal02700-painel

work=$(mktemp -d)
painel=""
stopPainel() { [ -n "$painel" ] && { kill "$painel" 2>/dev/null || true; wait "$painel" 2>/dev/null || true; }; painel=""; }
trap 'stopPainel; "$root/tests/support/pg-fixture.sh" stop "$work/pg" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

median() { sort -n | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else printf "%.6f\n", (v[NR/2]+v[NR/2+1])/2}'; }
slowest() { sort -n | tail -1; }

# startPainel CONNECTION: the service on a free port, base URL in $base.
startPainel() {
  local port
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  # A period longer than the run: every later request of a night is the cache's.
  "$build/bin/kal02700-painel" --db "$1" --porta "$port" --atualizar 3600 2>"$work/log" &
  painel=$!
  for _ in $(seq 100); do
    grep -q "Painel em" "$work/log" && break
    sleep 0.1
  done
  base="http://127.0.0.1:$port"
  # The reads of the start (the night, the page's 30 nights) end before anything is measured.
  curl -s -o /dev/null -m 600 "$base/api/historico"
}

# firstThenCached PATH BODY DB CACHE: PATH asked once (its time added to DB,
# its answer kept in BODY), then five times more (their times added to CACHE).
firstThenCached() {
  curl -s -o "$2" -w '%{time_total}\n' "$base$1" >>"$3"
  for _ in 1 2 3 4 5; do
    curl -s -o /dev/null -w '%{time_total}\n' "$base$1" >>"$4"
  done
}

# measure LABEL TARGET_DB TARGET_CACHE NIGHT... (the last night is the one of the 200 requests)
measure() {
  local label=$1 goalDb=$2 goalCache=$3
  shift 3
  local nights=("$@") many=${*: -1}
  : >"$work/db"
  : >"$work/cache"
  for d in "${nights[@]:0:${#nights[@]}-1}"; do
    firstThenCached "/api/noite?dia=$d" "$work/body" "$work/db" "$work/cache"
  done
  local caixas
  caixas=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["totais"]["caixas"])' "$work/body")
  echo "== $label: noite de $caixas caixas, $(wc -c <"$work/body") bytes de JSON"
  echo "/api/noite do banco (primeira leitura de $(wc -l <"$work/db") noites): mediana $(median <"$work/db") s, mais lenta $(slowest <"$work/db") s (meta $goalDb s)"
  echo "/api/noite do cache ($(wc -l <"$work/cache") pedidos): mediana $(median <"$work/cache") s, mais lenta $(slowest <"$work/cache") s (meta $goalCache s)"
  # 200 requests, 50 at a time, on a night not read yet: one read, all answered whole.
  seq 200 | xargs -P 50 -I{} curl -s -o /dev/null -w '%{http_code} %{size_download} %{time_total}\n' \
    "$base/api/noite?dia=$many" >"$work/many"
  answered=$(awk '$1 == 200' "$work/many" | wc -l)
  sizes=$(awk '{print $2}' "$work/many" | sort -u | wc -l)
  echo "200 pedidos, 50 de cada vez: $answered respondidos com 200, $sizes tamanho(s) de resposta distinto(s)"
  echo "200 pedidos: mediana $(awk '{print $3}' "$work/many" | median) s, mais lento $(awk '{print $3}' "$work/many" | slowest) s"
  curl -s "$base/metrics" | grep '^kal02700_leitura_segundos'
  [ "$answered" -eq 200 ] && [ "$sizes" -eq 1 ]
}

# history LABEL ATE...: /api/historico of the 30 nights up to each ATE, first
# from the database (nights not read yet), then five times each from the cache.
history() {
  local label=$1
  shift
  : >"$work/hdb"
  : >"$work/hcache"
  for ate in "$@"; do
    firstThenCached "/api/historico?ate=$ate" "$work/hbody" "$work/hdb" "$work/hcache"
  done
  echo "== $label: histórico de 30 noites, $(wc -c <"$work/hbody") bytes de JSON"
  echo "/api/historico do banco ($(wc -l <"$work/hdb") períodos): mediana $(median <"$work/hdb") s, mais lenta $(slowest <"$work/hdb") s (meta 1 s)"
  echo "/api/historico do cache ($(wc -l <"$work/hcache") pedidos): mediana $(median <"$work/hcache") s, mais lenta $(slowest <"$work/hcache") s"
}

# flood CONNECTION: the service with a users file; 20 clients send wrong
# passwords for ten seconds while /saude is asked every 0.1 s (in one Python
# process: curl started 20 times over would measure the machine, not the service).
flood() {
  printf 'Cofre#2026\n' | "$build/bin/kal02700-painel" --nova-senha matriz >"$work/usuarios"
  chmod 600 "$work/usuarios"
  local port
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "$build/bin/kal02700-painel" --db "$1" --porta "$port" --atualizar 3600 --usuarios "$work/usuarios" 2>"$work/log" &
  painel=$!
  for _ in $(seq 100); do
    grep -q "Painel em" "$work/log" && break
    sleep 0.1
  done
  curl -s -o /dev/null -m 600 -u 'matriz:Cofre#2026' "http://127.0.0.1:$port/api/historico"
  python3 "$root/scripts/painel-flood.py" "$port"
  stopPainel
}

# page NIGHT: the page in headless chromium at a phone's width, three times:
# when the night was first drawn (the page notes it) and the document's size.
page() {
  command -v chromium >/dev/null || { echo "página: chromium ausente"; return; }
  : >"$work/drawn"
  : >"$work/strips"
  for i in 1 2 3; do
    HOME="$work" timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run \
      --user-data-dir="$work/chromium-$i" --window-size=390,844 --virtual-time-budget=10000 \
      --dump-dom "$base/#dia=$1" >"$work/dom" 2>/dev/null || true
    grep -o 'data-desenhado-ms="[0-9]*"' "$work/dom" | grep -o '[0-9]*' >>"$work/drawn" || true
    grep -o 'data-faixas-ms="[0-9]*"' "$work/dom" | grep -o '[0-9]*' >>"$work/strips" || true
  done
  echo "página: noite desenhada em $(median <"$work/drawn") ms (mediana de 3, meta 500 ms); últimas 30 noites desenhadas em $(median <"$work/strips") ms; documento de $(wc -c <"$work/dom") bytes (meta 500000); $(grep -o '<details' "$work/dom" | wc -l) filiais, $(grep -o 'class="caixa"' "$work/dom" | wc -l) caixas desenhados"
}

if [ "$rede" -eq 0 ]; then
  db="$build/painel-bench.db"
  if [ "$keep" -eq 0 ] || [ ! -f "$db" ]; then
    rm -f "$db"
    echo "== dados: dez anos, 10 filiais x 10 caixas"
    "$build/bin/kal02700-painel-bench-data" "$db" "$root/db/schema-sqlite.sql"
  fi
  startPainel "sqlite:$db"
  measure "SQLite" 0.2 0.005 2024-03-04 2024-03-05 2024-03-06 2024-03-07 2024-03-08 2024-03-11
  exit
fi

db="$build/painel-rede.db"
if [ "$keep" -eq 0 ] || [ ! -f "$db" ]; then
  rm -f "$db"
  echo "== dados SQLite: 2026, 500 filiais x 10 caixas"
  "$build/bin/kal02700-painel-bench-data" "$db" "$root/db/schema-sqlite.sql" rede
fi
startPainel "sqlite:$db"
measure "rede, SQLite" 0.15 0.005 2026-03-04 2026-03-05 2026-03-06 2026-03-07 2026-03-08 2026-03-11
history "rede, SQLite" 2026-05-31 2026-07-31 2026-09-30
page 2026-03-04
stopPainel
flood "sqlite:$db"

"$root/tests/support/pg-fixture.sh" start "$work/pg" >/dev/null
conn=$(cat "$work/pg/connection")
echo "== dados PostgreSQL: 2026, 500 filiais x 10 caixas"
"$build/bin/kal02700-painel-bench-data" "postgresql:$conn" "$root/db/schema-postgresql.sql" rede
startPainel "$conn"
measure "rede, PostgreSQL" 0.3 0.005 2026-03-04 2026-03-05 2026-03-06 2026-03-07 2026-03-08 2026-03-11
history "rede, PostgreSQL" 2026-05-31 2026-07-31 2026-09-30
