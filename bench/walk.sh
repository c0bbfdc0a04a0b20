#!/usr/bin/env bash
# Walk benchmark: builds a 1,000,000-row Account table in bench/out/bench.db (once), then times
#   sqlite3 bench.db 'select * from account' > /dev/null
# and the same query walked through the data-access layer (bench/walk.cpp: static cursor, every field
# of every row read), and reports both with the layer's peak memory against the file's size.
#
#   bash bench/walk.sh [ROWS]        ROWS defaults to 1000000; QL_BENCH_BUILD names the build tree
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rows=${1:-1000000}
build=${QL_BENCH_BUILD:-$root/build-bench}
out=$root/bench/out
db=$out/bench-$rows.db
mkdir -p "$out"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target walk -j2 >/dev/null

if [[ ! -f $db ]]; then
  echo "building $db ($rows rows)"
  sqlite3 "$db.tmp" <<SQL
CREATE TABLE Account (ID INTEGER PRIMARY KEY, Account VARCHAR(64), User VARCHAR(32), Password VARCHAR(16),
                      SetupDate DATETIME, pop3 VARCHAR(64), smtp VARCHAR(64), Type INTEGER);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO Account
SELECT i, 'user' || i || '@mail' || (i % 7) || '.example.com', NULL, printf('%06d', (i * 7919) % 1000000),
       datetime('2003-10-01', '+' || (i % 3650) || ' days', '+' || (i % 86400) || ' seconds'),
       'pop3.mail' || (i % 7) || '.example.com', 'smtp.mail' || (i % 7) || '.example.com', i % 3
FROM n;
SQL
  mv "$db.tmp" "$db"
fi

size_kib=$(( $(stat -c %s "$db") / 1024 ))
# Both read the file from the page cache: one unmeasured pass warms it.
sqlite3 "$db" 'select * from account' > /dev/null

# Both are timed from outside, process start-up included.
start=$(date +%s%N)
sqlite3 "$db" 'select * from account' > /dev/null
sqlite_ns=$(( $(date +%s%N) - start ))

start=$(date +%s%N)
walk=$("$build/bench/walk" "$db")
walk_ns=$(( $(date +%s%N) - start ))
walk_rows=$(awk '$1 == "rows" {print $2}' <<<"$walk")
peak_kib=$(awk '$1 == "peak_kib" {print $2}' <<<"$walk")

awk -v rows="$walk_rows" -v s="$sqlite_ns" -v w="$walk_ns" -v size="$size_kib" -v peak="$peak_kib" 'BEGIN {
  printf "rows walked          %d\n", rows
  printf "sqlite3 wall time    %.3f s\n", s / 1e9
  printf "layer walk time      %.3f s   (%.2fx sqlite3; target 1.5x)\n", w / 1e9, w / s
  printf "database file        %d KiB\n", size
  printf "layer peak memory    %d KiB   (%.2fx the file; target 1.5x)\n", peak, peak / size
}'
