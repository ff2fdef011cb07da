// Dates and times, and Format$. A Date is a serial day count from
// 1899-12-30 whose fraction is the time of day; texts and names are the
// US English ones, so a program's output does not depend on the machine.
#pragma once

#include <string>
#include <string_view>

#include "zbl_runtime.h"

namespace zbl {

inline constexpr Long vbUseSystemDayOfWeek = 0;
inline constexpr Long vbSunday = 1;
inline constexpr Long vbMonday = 2;
inline constexpr Long vbTuesday = 3;
inline constexpr Long vbWednesday = 4;
inline constexpr Long vbThursday = 5;
inline constexpr Long vbFriday = 6;
inline constexpr Long vbSaturday = 7;

// ---- the clock, in the local time zone, to the second ----

Date now();
Date date_today();
Date time_now();
String date_string();  // Date$: MM-DD-YYYY
String time_string();  // Time$: HH:MM:SS

// ---- building and reading dates ----

// Months and days out of range carry into the neighbours; years 0-29 are
// 2000-2029 and 30-99 are 1930-1999.
Date date_serial(Long y, Long m, Long d);
Date time_serial(Long h, Long m, Long s);

// Reads a date and/or time as typed: "2026-12-05", "12/05/2026" (month
// first), "5 Dec 2026", "December 5, 2026", "13:45", "1:45:30 PM". False if
// the text is not one.
bool parse_date(std::string_view text, Date& out);
Date cdate(const String& s);       // date and time; Type mismatch if not one
Date date_value(const String& s);  // the date part only
Date time_value(const String& s);  // the time part only
bool is_date(const String& s);

Integer year(Date d);
Integer month(Date d);
Integer day(Date d);
Integer hour(Date d);
Integer minute(Date d);
Integer second(Date d);
Integer weekday(Date d, Long firstDayOfWeek = vbSunday);

// Intervals: yyyy q m y d w ww h n s. Adding months keeps the day, or the
// month's last day when it has fewer.
Date date_add(const String& interval, double n, Date d);
// The number of interval boundaries between a and b (negative when b is
// earlier): "yyyy" from Dec 31 to Jan 1 is 1.
Long date_diff(const String& interval, Date a, Date b, Long firstDayOfWeek = vbSunday);
Integer date_part(const String& interval, Date d, Long firstDayOfWeek = vbSunday);

String month_name(Long m, bool abbreviate = false);
String weekday_name(Long d, bool abbreviate = false, Long firstDayOfWeek = vbSunday);

// CStr of a date: "M/D/YYYY h:mm:ss AM", without the time at midnight and
// without the date on 1899-12-30.
std::string date_text(Date d);

namespace detail {
// A date taken apart, the time rounded to the second.
struct DateParts {
    long long dayNumber;  // the serial's day, counted from 1899-12-30
    int y, m, d, h, n, s;
    int dayOfWeek;  // 1 Sunday .. 7 Saturday
    int dayOfYear;
};
DateParts split_date(Date d);
// Week of the year that holds 1 January, weeks starting on firstDayOfWeek.
int week_of_year(const DateParts& p, Long firstDayOfWeek);
}  // namespace detail

// ---- Format$ ----

String format(double v);  // as CStr writes it
String format(double v, const String& fmt);
// A string that reads as a number is formatted as one; otherwise as text
// with the @ & < > ! placeholders.
String format(const String& s);
String format(const String& s, const String& fmt);
String format(Date d);
String format(Date d, const String& fmt);

}  // namespace zbl
