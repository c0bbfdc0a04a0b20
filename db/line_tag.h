#pragma once
// The number each Database operation prints in the frame of its error report, so that a reader can
// tell which operation failed. Close has none: it reports nothing.

namespace ql::db {

enum LineTag : int {
  kTagOpen = 101,
  kTagMoveFirst = 145,
  kTagMoveNext = 164,
  kTagIsEof = 183,
  kTagRecordCount = 203,
  kTagListTables = 238,
  kTagListColumns = 255,
  kTagListDatabases = 277,
  kTagShowRecord = 420,
  kTagExecuteSql = 442,
  kTagShowRows = 460,
  kTagNextResult = 470,
  kTagDescribe = 480,
};

}  // namespace ql::db
