#pragma once
// Dates and times written as text ("2004-03-02 14:05:09.123456"), as servers send them and as
// SQLite's date functions read them, made into the OLE date of the record display.

#include <optional>
#include <string_view>

#include "access/ole_date.h"

namespace ql::access {

// "YYYY-MM-DD", optionally followed by a time "HH:MM", "HH:MM:SS" or "HH:MM:SS.f..." after a blank
// or a 'T' (or 't'); or the time alone, which falls on day 0 of the OLE calendar as a time value
// does there. Blanks around the whole are ignored. The fraction of a second is dropped: the display
// shows whole seconds, and a fraction kept in the double could round it up into the next second or
// day. Nothing for any other text, and so for a value the date form cannot show without changing
// it: a zone or offset ("Z", "+02", "-05:30"), an era ("BC"), a year outside 100 to 9999, a day or
// time that does not exist; the caller keeps such a value as its text.
std::optional<double> OleDateFromIsoText(std::string_view text);
// The fields of such a text as written, before MakeOleDate checks their ranges: for a caller that
// keeps them beside the date (RowWriter::PutDate), so that they are read from the text only once.
std::optional<CalendarTime> CalendarTimeFromIsoText(std::string_view text);

}  // namespace ql::access
