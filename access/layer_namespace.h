#pragma once
// The layer lives in ql::access rather than ::access: the C library declares a function ::access
// (unistd.h, which <memory> pulls in), and a namespace may not share its name with a function of the
// same scope. The directive makes access::Name work everywhere, since a name before "::" is looked
// up among namespaces and types only. Call the C function as ::access.

namespace ql::access {}
using namespace ql;
