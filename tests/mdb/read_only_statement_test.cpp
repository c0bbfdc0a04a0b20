// Which statements an Access file, opened read-only, lets through.

#include "access/mdb/mdb_read_only.h"

#include <gtest/gtest.h>

namespace ql {

namespace {

TEST(ReadOnlyStatement, OnlyASingleQueryThatWritesNowhereGoesThrough) {
  struct Case {
    std::string_view sql;
    bool reads;
  };
  const Case cases[] = {
      {"select * from Customers", true},
      {"  \n\tSELECT 1", true},
      {"(select a from t) union (select b from t)", true},
      {"-- a note\nselect 1 /* into */", true},
      {"select 'insert into x; delete' as a, \"into\", [into] from t", true},
      {"select 'it''s' from t where b = ';delete from t'", true},
      {"select * from t;  ;", true},
      {"TRANSFORM Sum(q) SELECT p FROM t GROUP BY p PIVOT y", true},
      {"select * from Umsätze", true},
      {"delete from Customers", false},
      {"insert into t values (1)", false},
      {"update t set a = 1", false},
      {"drop table t", false},
      {"create table t (a int)", false},
      {"alter table t add b int", false},
      {"select * into copy from t", false},
      {"select 1; delete from t", false},
      {"selectinto from t", false},
      {"with q as (select 1) select * from q", false},
      {"/* select */ delete from t", false},
      {"/* never closed select 1", false},
      {"", false},
      {"   ", false},
      {"(", false},
  };
  for (const Case& c : cases) EXPECT_EQ(access::IsReadOnlyStatement(c.sql), c.reads) << c.sql;
}

}  // namespace

}  // namespace ql
