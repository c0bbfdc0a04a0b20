#include "access/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

namespace ql {

namespace {

std::string Split(double date) {
  const auto time = access::SplitOleDate(date);
  if (!time) return "none";
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%d:%d", time->year, time->month, time->day, time->hour, time->minute,
                time->second);
  return text;
}

TEST(OleDate, SplitsIntoCalendarFieldsWithTheSecondsTruncated) {
  struct Case {
    double date;
    std::string fields;
  };
  const Case cases[] = {
      {0.0, "1899/12/30 0:0:0"},
      {1.0, "1899/12/31 0:0:0"},
      {2.0, "1900/1/1 0:0:0"},
      {37895.0, "2003/10/1 0:0:0"},
      {38048.0 + 50709.0 / 86400, "2004/3/2 14:5:9"},
      {0.25, "1899/12/30 6:0:0"},
      // Before day 0 the days count backwards while the time still counts forwards from midnight.
      {-1.25, "1899/12/29 6:0:0"},
      {-0.25, "1899/12/30 6:0:0"},
      {-1.9999999, "1899/12/29 23:59:59"},
      {-2.5, "1899/12/28 12:0:0"},
      // A fraction of a second never carries into the next second, day or year...
      {36891.0 + 86399.6 / 86400, "2000/12/31 23:59:59"},
      {36891.0 + 86399.999 / 86400, "2000/12/31 23:59:59"},
      {36891.0 + 86399.4 / 86400, "2000/12/31 23:59:59"},
      {-2.0 - 59.999 / 86400, "1899/12/28 0:0:59"},
      // ...but a whole second stored a hair below itself is that second.
      {std::nextafter(36891.0 + 86399.0 / 86400, 0.0), "2000/12/31 23:59:59"},
      {std::nextafter(36892.0, 0.0), "2001/1/1 0:0:0"},
      {std::nextafter(2958465.0 + 86399.0 / 86400, 0.0), "9999/12/31 23:59:59"},
      {-657434.0, "100/1/1 0:0:0"},
      {2958465.0 + 86399.0 / 86400, "9999/12/31 23:59:59"},
      {-657435.0, "none"},
      {2958466.0, "none"},
      {2958465.0 + 86399.9 / 86400, "9999/12/31 23:59:59"},
      {1e300, "none"},
      {-1e300, "none"},
      {std::numeric_limits<double>::quiet_NaN(), "none"},
      {std::numeric_limits<double>::infinity(), "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.date), c.fields) << c.date;
}

TEST(OleDate, MakesADateFromFieldsAndSplitsItBackUnchanged) {
  const access::CalendarTime times[] = {
      {100, 1, 1, 0, 0, 0},     {1600, 2, 29, 12, 30, 45}, {1899, 12, 29, 6, 0, 0}, {1899, 12, 30, 0, 0, 1},
      {1900, 3, 1, 23, 59, 59}, {2000, 2, 29, 0, 0, 0},    {2004, 3, 2, 14, 5, 9},  {9999, 12, 31, 23, 59, 59},
  };
  for (const access::CalendarTime& time : times) {
    const auto date = access::MakeOleDate(time);
    ASSERT_TRUE(date.has_value()) << time.year << "-" << time.month << "-" << time.day;
    EXPECT_EQ(access::SplitOleDate(*date), time) << *date;
  }
  // Dates read from their fields are kept packed and shown from the fields (Variant::CalendarFields),
  // others by splitting the number: the two must agree in every month of every year there is, at the
  // first and last second of its days.
  for (int year = 100; year <= 9999; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (const int day : {1, 28}) {
        for (const access::CalendarTime time :
             {access::CalendarTime{year, month, day, 0, 0, 0}, access::CalendarTime{year, month, day, 23, 59, 59}}) {
          const auto date = access::MakeOleDate(time);
          if (!date || access::SplitOleDate(*date) != time ||
              access::UnpackCalendarTime(access::PackCalendarTime(time)) != time) {
            ADD_FAILURE() << year << "-" << month << "-" << day << " " << time.hour;
            return;
          }
        }
      }
    }
  }
  EXPECT_EQ(access::MakeOleDate({1899, 12, 29, 6, 0, 0}).value_or(0), -1.25);
  EXPECT_EQ(access::MakeOleDate({2003, 10, 1, 0, 0, 0}).value_or(0), 37895.0);
}

TEST(OleDate, RefusesFieldsOutOfTheirRanges) {
  const access::CalendarTime invalid[] = {
      {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {2003, 0, 1, 0, 0, 0},  {2003, 13, 1, 0, 0, 0},
      {2003, 2, 29, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2003, 4, 31, 0, 0, 0}, {2003, 1, 0, 0, 0, 0},
      {2003, 1, 1, 24, 0, 0}, {2003, 1, 1, 0, 60, 0}, {2003, 1, 1, 0, 0, 60}, {2003, 1, 1, -1, 0, 0},
  };
  for (const access::CalendarTime& time : invalid) {
    EXPECT_FALSE(access::MakeOleDate(time).has_value()) << time.year << "-" << time.month << "-" << time.day << " "
                                                        << time.hour << ":" << time.minute << ":" << time.second;
  }
}

}  // namespace

}  // namespace ql
