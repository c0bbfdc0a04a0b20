#pragma once
// Entry points of the data-access layer: where its objects come from, and its version.

#include <string>

#include "access/connection.h"
#include "access/recordset.h"

namespace ql::access {

// Makes connections and recordsets. The layer's own objects come from NativeObjects(); tests may
// hand a user of the layer a factory of their own.
class ObjectFactory {
 public:
  virtual ~ObjectFactory() = default;
  virtual Ref<Connection> CreateConnection() = 0;
  virtual Ref<Recordset> CreateRecordset() = 0;
};

ObjectFactory& NativeObjects();

// The versions of the libraries the layer uses, for example "SQLite 3.40.1, unixODBC 2.3.11"
// (without unixODBC's when the driver manager does not tell it).
std::string LibraryVersions();

// The layer's and its libraries' versions in at most 63 bytes, for example
// "1.0 (SQLite 3.40.1, unixODBC 2.3.11)"; empty when they cannot be had.
std::string ComponentVersion();

}  // namespace ql::access
