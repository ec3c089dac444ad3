#!/bin/bash
# Search-page latency on 100,000 records, beside Zebra running the same queries.
#
# Builds the benchmark programs in BUILD (default build/ beside this folder), runs
# search_page_bench (each request a new cgizarix64 process) and, when Zebra (zebraidx, zebrasrv)
# is installed, loads the same ISO file into a Zebra register, starts zebrasrv on 127.0.0.1 and
# runs the same two-word AND queries with 20 records retrieved over one persistent connection.
# Prints both figures and our median over Zebra's.
#
# Usage: bench/search_page.sh [runs]     (BUILD defaults to build/; WORK keeps the data between runs, default BUILD/bench-search-page)
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${BUILD:-$HERE/../build}
WORK=${WORK:-$BUILD/bench-search-page}
RUNS=${1:-300}
PORT=${ZEBRA_PORT:-21990}

cmake --build "$BUILD" --target search_page_bench cgizarix64 zarix64 zarix-admin -j2 >/dev/null
mkdir -p "$WORK"
"$BUILD/bench/search_page_bench" "$WORK" "$RUNS" | tee "$WORK/ours.txt"
ours=$(awk '/median/ {print $2}' "$WORK/ours.txt")

if ! command -v zebraidx >/dev/null || ! command -v zebrasrv >/dev/null; then
  echo "Zebra (idzebra-2.0) is not installed: no comparison"
  exit 0
fi
cmake --build "$BUILD" --target search_page_zebra -j2 >/dev/null

Z="$WORK/zebra"
mkdir -p "$Z/reg"
modules=$(dirname "$(find /usr/lib -name mod-grs-marc.so 2>/dev/null | head -1)")
cat > "$Z/zebra.cfg" <<CFG
profilePath: /usr/share/idzebra-2.0/tab
modulePath: $modules
attset: bib1.att
attset: explain.att
recordType: grs.marc.usmarc
register: $Z/reg:4G
lockDir: $Z
memMax: 256M
CFG
if [ ! -f "$Z/loaded" ]; then
  start=$(date +%s)
  zebraidx -c "$Z/zebra.cfg" -l "$Z/zebraidx.log" init
  zebraidx -c "$Z/zebra.cfg" -l "$Z/zebraidx.log" update "$WORK/books.iso"
  zebraidx -c "$Z/zebra.cfg" -l "$Z/zebraidx.log" commit || true
  echo "zebra import: $(( $(date +%s) - start )) s"
  touch "$Z/loaded"
fi

zebrasrv -c "$Z/zebra.cfg" -l "$Z/zebrasrv.log" "tcp:127.0.0.1:$PORT" &
SRV=$!
trap 'kill $SRV 2>/dev/null || true' EXIT
for i in 1 2 3 4 5 6 7 8 9 10; do
  if (echo > /dev/tcp/127.0.0.1/$PORT) 2>/dev/null; then break; fi
  sleep 0.3
done
"$BUILD/bench/search_page_zebra" "127.0.0.1:$PORT/Default" "$WORK/queries.txt" "$RUNS" | tee "$WORK/zebra.txt"
zebra=$(awk '/median/ {print $2}' "$WORK/zebra.txt")
awk -v a="$ours" -v b="$zebra" 'BEGIN { printf "our median over Zebra'"'"'s: %.1f\n", a / b }'
