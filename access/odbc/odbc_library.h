#pragma once
// The ODBC driver manager (unixODBC's libodbc.so.2) is loaded when the program first
// calls into it, not at start-up: most sessions never use ODBC, and loading it (with libltdl) took
// a fifth of the program's start-up time.

#include <string>

namespace ql::access {

// Why the driver manager could not be loaded, or empty when it was (or was never needed yet).
std::string OdbcLibraryError();

}  // namespace ql::access
