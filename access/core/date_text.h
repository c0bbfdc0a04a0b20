#pragma once
// Dates and times as servers write them in text ("2004-03-02 14:05:09.123456"), read into the OLE
// date of the record display.

#include <optional>
#include <string_view>


namespace ql::access {

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" (or with 'T') with an optional fraction of a second, or a
// time of day "HH:MM:SS[.f]" alone, which falls on day 0 of the OLE calendar as a time value does
// there. The fraction is dropped: the display shows whole seconds, and a fraction kept in the
// double could round it up into the next second or day. Nothing for any other text, and so for a
// value the date form cannot show without changing it: a zone or offset ("Z", "+02", "-05:30"),
// an era ("BC"), a year outside 100 to 9999, a day that does not exist; the caller keeps such a
// value as its text.
std::optional<double> OleDateFromIsoText(std::string_view text);

}  // namespace ql::access
