#!/bin/bash
# Requests per second and latency (median, 95th percentile) of a typical search page of the demo
# catalogue served by lighttpd, with 1, 4 and 16 concurrent clients (ApacheBench).
#
# The database is the 100,000-record one of bench/search_page.sh (the MARC 21 sample records of
# data/ repeated with new control numbers), made once in WORK; the page is the demo site's (header
# with the search form, result summary, sort choices, paging, ten brief records, footer) with the
# demo's MARC 21 formats. The query is a two-word keyword search, as the search box sends it.
#
# Usage: bench/lighttpd_search_page.sh [requests per client count]   (default 300)
#   BUILD (default build/), WORK (default BUILD/bench-search-page, shared with search_page.sh)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/.." && pwd)
BUILD=$(cd "${BUILD:-$TOP/build}" && pwd)
WORK=${WORK:-$BUILD/bench-search-page}
REQUESTS=${1:-300}

for tool in ab lighttpd; do
  if ! command -v "$tool" >/dev/null && [ ! -x "/usr/sbin/$tool" ]; then
    echo "$tool is not installed: run scripts/bootstrap" >&2
    exit 1
  fi
done

cmake --build "$BUILD" --target search_page_bench cgizarix64 zarix64 zarix-admin -j2 >/dev/null
mkdir -p "$WORK"
if [ ! -f "$WORK/data/BOOKS.par" ]; then
  # search_page_bench makes the ISO file and the database when they are missing.
  ZARIX_SHARED_DIR="$TOP" "$BUILD/bench/search_page_bench" "$WORK" 20 >/dev/null
fi

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')
site="$WORK/lighttpd-site"
"$TOP/scripts/demo-site" "$site" "$BUILD" "$port"
# BOOKS: the records and index of the 100,000-record database, the formats of the demo's MARC 21
# database (line 10 of a .par file names the folder of the formats).
{
  for line in 1 2 3 4 5 6 7 8 9; do echo "$line=$WORK/data/BOOKS/"; done
  echo "10=$site/data/MARC21/"
  echo "11=$WORK/data/BOOKS/"
} > "$site/data/BOOKS.par"

lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
"$lighttpd" -D -f "$site/lighttpd.conf" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  if (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
  sleep 0.1
done

url="http://127.0.0.1:$port/cgi-bin/cgizarix64?C21COM=S&I21DBN=BOOKS&LNG=en&S21P01=1&S21P03=K%3D&S21LOG=1&S21STR=computer%20science"
found=$(curl -fsS "$url" | sed -n 's/.*class="count">\([0-9]*\)<.*/\1/p')
if [ -z "$found" ]; then
  echo "the search page did not answer with a result count: $url" >&2
  exit 1
fi
records=$(( $("$BUILD/zarix64/zarix-admin" stats BOOKS --datapath "$WORK/data" 2>/dev/null |
             sed -n 's/.*records[^0-9]*\([0-9][0-9]*\).*/\1/p' | head -1) + 0 )) || records=0
echo "search page through lighttpd: \"computer science\", $found records found, 10 shown;" \
     "database of ${records:-100000} records (MARC 21 samples repeated); $REQUESTS requests per row"
printf '%8s %14s %12s %10s %8s\n' clients 'requests/s' 'median ms' 'p95 ms' failed
for clients in 1 4 16; do
  ab -q -n "$REQUESTS" -c "$clients" "$url" >"$WORK/ab-$clients.txt" 2>&1
  awk -v c="$clients" '
    /^Requests per second:/ { rps = $4 }
    /^Failed requests:/ { failed = $3 }
    /^Non-2xx responses:/ { failed += $3 }
    /^  50%/ { median = $2 }
    /^  95%/ { p95 = $2 }
    END { printf "%8d %14.1f %12s %10s %8d\n", c, rps, median, p95, failed }' "$WORK/ab-$clients.txt"
done
