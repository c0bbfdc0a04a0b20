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

# The W2 (records), Rows all (the same rows as a table) and W3 (count) inputs for one connection
# string and size, into $work.
write_scripts() {  # connection-string rows
  local connection=$1 rows=$2
  {
    printf 'open "%s"\nsql "select * from account"\nrecord\n' "$connection"
    awk -v n="$rows" 'BEGIN { for (i = 1; i < n; ++i) print "t" }'
    echo q
  } >"$work/w2.in"
  printf 'open "%s"\nsql "select * from account"\nRows all\nq\n' "$connection" >"$work/rows.in"
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

# PostgreSQL: the throw-away server of tests/servers/test-servers, once its servers.env is sourced.
pg_sql() { PGPASSWORD=$PG_PASSWORD psql -X -q -v ON_ERROR_STOP=1 -h "$PG_HOST" -p "$PG_PORT" -U "$PG_USER" -d "$PG_DATABASE" "$@"; }

load_pg() {  # rows
  pg_sql >/dev/null <<SQL
SET client_min_messages = warning;
DROP TABLE IF EXISTS account;
CREATE TABLE account (id integer PRIMARY KEY, account varchar(64), "User" varchar(32), password varchar(16),
                      setupdate timestamp, pop3 varchar(64), smtp varchar(64), type integer);
INSERT INTO account
SELECT i, 'user' || i || '@mail' || (i % 7) || '.example.com', NULL, lpad(((i::bigint * 7919) % 1000000)::text, 6, '0'),
       timestamp '2003-10-01' + (i % 3650) * interval '1 day' + (i % 86400) * interval '1 second',
       'pop3.mail' || (i % 7) || '.example.com', 'smtp.mail' || (i % 7) || '.example.com', i % 3
FROM generate_series(1, $1) AS i;
VACUUM ANALYZE account;
SQL
}

make_pg_w4() {
  pg_sql -c "SET client_min_messages = warning" -c "DROP TABLE IF EXISTS w4" -c "CREATE TABLE w4 (id integer PRIMARY KEY, account varchar(64), password varchar(16), setupdate timestamp, type integer)" >/dev/null
}

# The connection strings: through ODBC (psqlODBC), through the native provider over libpq, and
# libpq's own for bench/pg_stream.
pg_strings() {
  pg_connection="Driver={PostgreSQL Unicode};Server=$PG_HOST;Port=$PG_PORT;Database=$PG_DATABASE;Uid=$PG_USER;Pwd=$PG_PASSWORD"
  pg_native="Provider=PostgreSQL;Data Source=$PG_HOST,$PG_PORT;Initial Catalog=$PG_DATABASE;User ID=$PG_USER;Password=$PG_PASSWORD"
  pg_conninfo="host=$PG_HOST port=$PG_PORT dbname=$PG_DATABASE user=$PG_USER password=$PG_PASSWORD"
}

# MariaDB: the throw-away server of tests/servers/test-servers, once its servers.env is sourced. The
# client takes the password from the environment, so that it says nothing about one on its command line.
maria_sql() { MYSQL_PWD=$MARIADB_PASSWORD mariadb --no-defaults -h "$MARIADB_HOST" -P "$MARIADB_PORT" -u "$MARIADB_USER" "$MARIADB_DATABASE" "$@"; }

# The same rows as load_pg's, from the server's sequence engine.
load_maria() {  # rows
  maria_sql >/dev/null <<SQL
DROP TABLE IF EXISTS account;
CREATE TABLE account (id integer PRIMARY KEY, account varchar(64), \`User\` varchar(32), password varchar(16),
                      setupdate datetime, pop3 varchar(64), smtp varchar(64), type integer);
INSERT INTO account
SELECT seq, concat('user', seq, '@mail', seq % 7, '.example.com'), NULL, lpad((seq * 7919) % 1000000, 6, '0'),
       timestamp '2003-10-01 00:00:00' + interval (seq % 3650) day + interval (seq % 86400) second,
       concat('pop3.mail', seq % 7, '.example.com'), concat('smtp.mail', seq % 7, '.example.com'), seq % 3
FROM seq_1_to_$1;
ANALYZE TABLE account;
SQL
}

make_maria_w4() {
  maria_sql -e "DROP TABLE IF EXISTS w4; CREATE TABLE w4 (id integer PRIMARY KEY, account varchar(64), password varchar(16), setupdate datetime, type integer)"
}

# Through ODBC (MariaDB Connector/ODBC) and through the native provider over MariaDB Connector/C.
maria_strings() {
  maria_connection="Driver={MariaDB Unicode};Server=$MARIADB_HOST;Port=$MARIADB_PORT;Database=$MARIADB_DATABASE;Uid=$MARIADB_USER;Pwd=$MARIADB_PASSWORD"
  maria_native="Provider=MariaDB;Data Source=$MARIADB_HOST,$MARIADB_PORT;Initial Catalog=$MARIADB_DATABASE;User ID=$MARIADB_USER;Password=$MARIADB_PASSWORD"
}
