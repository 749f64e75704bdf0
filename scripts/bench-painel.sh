#!/usr/bin/env bash
# Benchmark of the head-office view: kal02700-painel on the ledger
# benchmark's ten years of a hundred registers (SQLite), /api/noite for a
# night of 100 registers read from the database (each night's first request)
# and from the cache, then 200 requests 50 at a time: all answered whole,
# median and slowest printed.
#   scripts/bench-painel.sh [--keep]   --keep reuses the data of a previous run
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BENCH_BUILD_DIR:-$root/build-bench}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAL_BUILD_TESTS=OFF -DKAL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target kal02700-painel-bench-data kal02700-painel
db="$build/painel-bench.db"
if [ "${1:-}" != "--keep" ] || [ ! -f "$db" ]; then
  rm -f "$db"
  echo "== dados: dez anos, 10 filiais x 10 caixas"
  "$build/bin/kal02700-painel-bench-data" "$db" "$root/db/schema-sqlite.sql"
fi

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
log=$(mktemp)
# A period longer than the run: every later request of a night is the cache's.
"$build/bin/kal02700-painel" --db "sqlite:$db" --porta "$port" --atualizar 3600 2>"$log" &
painel=$!
trap 'kill $painel 2>/dev/null || true; wait $painel 2>/dev/null || true; rm -f "$log" "$log".*' EXIT
for _ in $(seq 100); do
  grep -q "Painel em" "$log" && break
  sleep 0.1
done
base="http://127.0.0.1:$port"

median() { sort -n | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else printf "%.6f\n", (v[NR/2]+v[NR/2+1])/2}'; }
slowest() { sort -n | tail -1; }

# Five nights of 2024, each read from the database on its first request.
: >"$log.db"
: >"$log.cache"
for d in 2024-03-04 2024-03-05 2024-03-06 2024-03-07 2024-03-08; do
  curl -s -o "$log.body" -w '%{time_total}\n' "$base/api/noite?dia=$d" >>"$log.db"
  for _ in 1 2 3 4 5; do
    curl -s -o /dev/null -w '%{time_total}\n' "$base/api/noite?dia=$d" >>"$log.cache"
  done
done
caixas=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["totais"]["caixas"])' "$log.body")
echo "== noite de $caixas caixas"
echo "/api/noite do banco (primeira leitura de 5 noites): mediana $(median <"$log.db") s, mais lenta $(slowest <"$log.db") s (meta 0.2 s)"
echo "/api/noite do cache (25 pedidos): mediana $(median <"$log.cache") s, mais lenta $(slowest <"$log.cache") s (meta 0.005 s)"

# 200 requests, 50 at a time, on a night not read yet: one read, all answered whole.
seq 200 | xargs -P 50 -I{} curl -s -o /dev/null -w '%{http_code} %{size_download} %{time_total}\n' \
  "$base/api/noite?dia=2024-03-11" >"$log.many"
answered=$(awk '$1 == 200' "$log.many" | wc -l)
sizes=$(awk '{print $2}' "$log.many" | sort -u | wc -l)
echo "200 pedidos, 50 de cada vez: $answered respondidos com 200, $sizes tamanho(s) de resposta distinto(s)"
echo "200 pedidos: mediana $(awk '{print $3}' "$log.many" | median) s, mais lento $(awk '{print $3}' "$log.many" | slowest) s"
curl -s "$base/metrics" | grep '^kal02700_leitura_segundos'
[ "$answered" -eq 200 ] && [ "$sizes" -eq 1 ]
