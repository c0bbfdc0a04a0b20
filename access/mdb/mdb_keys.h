#pragma once
// The OLE DB keys of the Access and SQL Server providers as the keys of the ODBC drivers
// that stand in for them here, MDBTools for Access files and FreeTDS for SQL Server.

#include "access/core/connection_string.h"
#include "access/core/error_list.h"

namespace ql::access {

// Driver={MDBTools} and the file named by Data Source as DBQ; nothing else of the string reaches
// the driver. Raises kProviderFailed when Data Source is missing or empty.
ConnectionString AccessFileKeys(const ConnectionString& oledb, ErrorList& errors);

// Driver={FreeTDS}; Data Source (or Server, Address) as Server and Port, "(local)" and "." being
// 127.0.0.1, "host,port" split and "host\instance" kept whole; Initial Catalog as Database, User ID
// and Password as UID and PWD; TDS_Version 7.4 and ClientCharset UTF-8 unless given. Keys the
// table does not name pass on unchanged. Raises kNotSupported for Integrated Security (there is no
// Windows login to lend), kOutOfRange for a port that is not a number from 1 to 65535, and
// kProviderFailed for a named-pipe address.
ConnectionString SqlServerKeys(const ConnectionString& oledb, ErrorList& errors);

}  // namespace ql::access
