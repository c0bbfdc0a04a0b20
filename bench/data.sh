# The benchmark's data and statements, shared by bench/run and bench/profile (sourced, not run).

# The account rows, the same in both engines: row i of n.
sqlite_file() { echo "$out/account-$1.db"; }

make_sqlite() {  # rows
  local db
  db=$(sqlite_file "$1")
  [[ -f $db ]] && return
  echo "building $db" >&2
  rm -f "$db.tmp"
  sqlite3 "$db.tmp" <<SQL
CREATE TABLE Account (ID INTEGER PRIMARY KEY, Account VARCHAR(64), User VARCHAR(32), Password VARCHAR(16),
                      SetupDate DATETIME, pop3 VARCHAR(64), smtp VARCHAR(64), Type INTEGER);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $1)
INSERT INTO Account
SELECT i, 'user' || i || '@mail' || (i % 7) || '.example.com', NULL, printf('%06d', (i * 7919) % 1000000),
       datetime('2003-10-01', '+' || (i % 3650) || ' days', '+' || (i % 86400) || ' seconds'),
       'pop3.mail' || (i % 7) || '.example.com', 'smtp.mail' || (i % 7) || '.example.com', i % 3
FROM n;
SQL
  mv "$db.tmp" "$db"
}

insert_statements() {  # count -> one INSERT per line, no trailing semicolon
  awk -v n="$1" -v q="'" 'BEGIN {
    for (i = 1; i <= n; ++i)
      printf "insert into w4(id,account,password,setupdate,type) values(%d,%suser%d@mail%d.example.com%s,%s%06d%s,%s2004-02-%02d 10:%02d:%02d%s,%d)\n",
             i, q, i, i % 7, q, q, (i * 7919) % 1000000, q, q, i % 28 + 1, i % 60, (i * 7) % 60, q, i % 3
  }'
}

# The W2 (records) and W3 (count) inputs for one connection string and size, into $work.
write_scripts() {  # connection-string rows
  local connection=$1 rows=$2
  {
    printf 'open "%s"\nsql "select * from account"\nrecord\n' "$connection"
    awk -v n="$rows" 'BEGIN { for (i = 1; i < n; ++i) print "t" }'
    echo q
  } >"$work/w2.in"
  printf 'open "%s"\nsql "select * from account"\ncount\nq\n' "$connection" >"$work/w3.in"
}

# The W4 inputs: N inserts inside begin/commit, for QUERYLOOM and for the peer.
write_insert_scripts() {  # connection-string
  insert_statements "$inserts" >"$work/w4.sql"
  {
    printf 'open "%s"\nsql "begin"\n' "$1"
    sed 's/^/sql "/; s/$/"/' "$work/w4.sql"
    printf 'sql "commit"\nq\n'
  } >"$work/w4-ql.in"
  { echo "begin;"; sed 's/$/;/' "$work/w4.sql"; echo "commit;"; } >"$work/w4-peer.in"
}
