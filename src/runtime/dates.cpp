// Dates and times: the clock, building dates from parts and texts, taking
// them apart, and date arithmetic.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "zbl_dates.h"

namespace zbl {

namespace {

// 1899-12-30 counted from 1970-01-01.
constexpr long long kEpochShift = 25569;
// 100-01-01 and 9999-12-31, the first and last days a Date holds.
constexpr long long kFirstDay = -657434;
constexpr long long kLastDay = 2958465;
constexpr long long kDaySeconds = 86400;

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

long long floorDiv(long long a, long long b) {
    long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
long long floorMod(long long a, long long b) {
    return a - floorDiv(a, b) * b;
}

// Days from 1970-01-01 in the proleptic Gregorian calendar.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    long long era = floorDiv(y, 400);
    unsigned yoe = unsigned(y - era * 400);
    unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    long long era = floorDiv(z, 146097);
    unsigned doe = unsigned(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

long long serialDay(long long y, int m, int d) {
    return daysFromCivil(y, unsigned(m), unsigned(d)) + kEpochShift;
}

bool isLeap(long long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int daysInMonth(long long y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// The time line as a plain number: the serial with the time of a negative
// serial turned to count forward, so that later is always larger.
double linear(Date d) {
    double whole = std::trunc(d.serial);
    return whole + std::fabs(d.serial - whole);
}
Date fromLinear(double lin) {
    double whole = std::floor(lin);
    double f = lin - whole;
    return Date{whole >= 0 ? whole + f : whole - f};
}

long long secondsOf(Date d) {
    double lin = linear(d);
    if (!(lin >= double(kFirstDay) && lin < double(kLastDay + 1)))
        raise(kOverflow);
    return std::llround(lin * kDaySeconds);
}

// A result outside the Date range is an invalid argument.
Date checked(double lin) {
    if (!(lin >= double(kFirstDay) && lin < double(kLastDay + 1)))
        raise(kInvalidCall);
    return fromLinear(lin);
}
Date fromSeconds(long long s) {
    long long day = floorDiv(s, kDaySeconds);
    return checked(double(day) + double(s - day * kDaySeconds) / kDaySeconds);
}

Date local(bool withDate, bool withTime) {
    time_t t = time(nullptr);
    tm lt{};
    localtime_r(&t, &lt);
    double day = withDate ? double(serialDay(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday)) : 0;
    double secs = withTime ? lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec : 0;
    return fromLinear(day + secs / kDaySeconds);
}

int checkedFirstDay(Long firstDayOfWeek) {
    if (firstDayOfWeek < 0 || firstDayOfWeek > 7)
        raise(kInvalidCall);
    return firstDayOfWeek == 0 ? 1 : firstDayOfWeek;
}

// Weeks counted so that every week starts on `first` (1 Sunday).
long long weekIndex(long long day, int first) {
    // Day 1, 1899-12-31, was a Sunday.
    return floorDiv(day - first, 7);
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval intervalOf(const String& s) {
    std::string t;
    for (char c : s.str())
        t += char(std::tolower(static_cast<unsigned char>(c)));
    static const std::pair<const char*, Interval> names[] = {
        {"yyyy", Interval::Year},   {"q", Interval::Quarter}, {"m", Interval::Month},
        {"y", Interval::DayOfYear}, {"d", Interval::Day},     {"w", Interval::Weekday},
        {"ww", Interval::Week},     {"h", Interval::Hour},    {"n", Interval::Minute},
        {"s", Interval::Second}};
    for (const auto& [name, iv] : names)
        if (t == name)
            return iv;
    raise(kInvalidCall);
}

Date addMonths(Date d, long long k) {
    double lin = linear(d);
    double whole = std::floor(lin);
    int y, m, dd;
    civilFromDays((long long)whole - kEpochShift, y, m, dd);
    long long total = y * 12LL + (m - 1) + k;
    long long ny = floorDiv(total, 12);
    int nm = int(floorMod(total, 12)) + 1;
    if (ny < 100 || ny > 9999)
        raise(kInvalidCall);
    int nd = std::min(dd, daysInMonth(ny, nm));
    return checked(double(serialDay(ny, nm, nd)) + (lin - whole));
}

// ---- reading dates from text ----

struct Number {
    long value;
    int digits;
};

// Full names, or their first three letters or more.
int nameIndex(const std::string& word, const char* const* names, int count) {
    if (word.size() < 3)
        return 0;
    for (int i = 0; i < count; ++i) {
        std::string n = names[i];
        for (char& c : n)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (n.compare(0, word.size(), word) == 0)
            return i + 1;
    }
    return 0;
}

bool isYear(const Number& n) {
    return n.digits >= 3 || n.value > 31;
}

// Two-digit years fall in 1930-2029.
long windowYear(const Number& n) {
    if (n.digits <= 2 && n.value < 30)
        return n.value + 2000;
    if (n.digits <= 2 && n.value < 100)
        return n.value + 1900;
    return n.value;
}

long currentYear() {
    time_t t = time(nullptr);
    tm lt{};
    localtime_r(&t, &lt);
    return lt.tm_year + 1900;
}

// Settles year, month and day from the numbers and month name found.
bool settleDate(const std::vector<Number>& nums, int monthName, long& y, long& m, long& d) {
    if (monthName) {
        m = monthName;
        if (nums.size() == 1) {
            if (isYear(nums[0]))
                y = windowYear(nums[0]), d = 1;
            else
                d = nums[0].value, y = currentYear();
        } else if (nums.size() == 2) {
            bool yearFirst = isYear(nums[0]);
            y = windowYear(nums[yearFirst ? 0 : 1]);
            d = nums[yearFirst ? 1 : 0].value;
        } else {
            return false;
        }
    } else if (nums.size() == 2) {
        if (isYear(nums[1]))
            m = nums[0].value, y = windowYear(nums[1]), d = 1;
        else if (isYear(nums[0]))
            y = windowYear(nums[0]), m = nums[1].value, d = 1;
        else
            m = nums[0].value, d = nums[1].value, y = currentYear();
    } else if (nums.size() == 3) {
        if (isYear(nums[0])) {
            y = windowYear(nums[0]), m = nums[1].value, d = nums[2].value;
        } else {
            m = nums[0].value, d = nums[1].value, y = windowYear(nums[2]);
            if (m > 12 && d <= 12)
                std::swap(m, d);  // a day-first date that cannot be month-first
        }
    } else {
        return false;
    }
    return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, int(m));
}

Number readNumber(std::string_view t, std::size_t& i) {
    Number n{0, 0};
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        if (n.digits < 9)
            n.value = n.value * 10 + (t[i] - '0');
        ++n.digits;
        ++i;
    }
    return n;
}

}  // namespace

// ---- taking dates apart ----

detail::DateParts detail::split_date(Date d) {
    long long secs = secondsOf(d);
    DateParts p{};
    p.dayNumber = floorDiv(secs, kDaySeconds);
    long long t = secs - p.dayNumber * kDaySeconds;
    p.h = int(t / 3600);
    p.n = int(t / 60 % 60);
    p.s = int(t % 60);
    civilFromDays(p.dayNumber - kEpochShift, p.y, p.m, p.d);
    p.dayOfWeek = int(floorMod(p.dayNumber - 1, 7)) + 1;
    p.dayOfYear = int(p.dayNumber - serialDay(p.y, 1, 1)) + 1;
    return p;
}

int detail::week_of_year(const DateParts& p, Long firstDayOfWeek) {
    int first = checkedFirstDay(firstDayOfWeek);
    long long jan1 = p.dayNumber - (p.dayOfYear - 1);
    return int(weekIndex(p.dayNumber, first) - weekIndex(jan1, first)) + 1;
}

Integer year(Date d) {
    return Integer(detail::split_date(d).y);
}
Integer month(Date d) {
    return Integer(detail::split_date(d).m);
}
Integer day(Date d) {
    return Integer(detail::split_date(d).d);
}
Integer hour(Date d) {
    return Integer(detail::split_date(d).h);
}
Integer minute(Date d) {
    return Integer(detail::split_date(d).n);
}
Integer second(Date d) {
    return Integer(detail::split_date(d).s);
}
Integer weekday(Date d, Long firstDayOfWeek) {
    int first = checkedFirstDay(firstDayOfWeek);
    return Integer(floorMod(detail::split_date(d).dayOfWeek - first, 7) + 1);
}

// ---- the clock ----

Date now() {
    return local(true, true);
}
Date date_today() {
    return local(true, false);
}
Date time_now() {
    return local(false, true);
}

String date_string() {
    detail::DateParts p = detail::split_date(now());
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", p.m, p.d, p.y);
    return String(buf);
}
String time_string() {
    detail::DateParts p = detail::split_date(now());
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", p.h, p.n, p.s);
    return String(buf);
}

// ---- building dates ----

Date date_serial(Long y, Long m, Long d) {
    long long yy = y;
    if (yy >= 0 && yy < 30)
        yy += 2000;
    else if (yy >= 30 && yy < 100)
        yy += 1900;
    long long months = (long long)m - 1;
    yy += floorDiv(months, 12);
    if (yy < 0 || yy > 10000)
        raise(kInvalidCall);
    long long day = serialDay(yy, int(floorMod(months, 12)) + 1, 1) + d - 1;
    return checked(double(day));
}

Date time_serial(Long h, Long m, Long s) {
    return fromSeconds(h * 3600LL + m * 60LL + s);
}

bool parse_date(std::string_view t, Date& out) {
    std::vector<Number> nums;
    int monthName = 0, ampm = 0;  // ampm: 1 AM, 2 PM
    bool hasTime = false;
    long th = 0, tm = 0, ts = 0;
    std::size_t i = 0;
    while (i < t.size()) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if (std::isdigit(c)) {
            Number n = readNumber(t, i);
            if (i < t.size() && t[i] == ':') {
                if (hasTime)
                    return false;
                hasTime = true;
                th = n.value;
                ++i;
                Number mm = readNumber(t, i);
                if (mm.digits == 0)
                    return false;
                tm = mm.value;
                if (i < t.size() && t[i] == ':') {
                    ++i;
                    Number ss = readNumber(t, i);
                    if (ss.digits == 0)
                        return false;
                    ts = ss.value;
                }
            } else {
                nums.push_back(n);
            }
        } else if (std::isalpha(c)) {
            std::string word;
            while (i < t.size() && std::isalpha(static_cast<unsigned char>(t[i])))
                word += char(std::tolower(static_cast<unsigned char>(t[i++])));
            if (word == "am" || word == "a" || word == "pm" || word == "p") {
                if (ampm)
                    return false;
                ampm = word[0] == 'a' ? 1 : 2;
            } else if (int mn = nameIndex(word, kMonths, 12)) {
                if (monthName)
                    return false;
                monthName = mn;
            } else if (!nameIndex(word, kWeekdays, 7)) {
                return false;  // a weekday's name is allowed and ignored
            }
        } else if (c == ' ' || c == '\t' || c == ',' || c == '/' || c == '-' || c == '.') {
            ++i;
        } else {
            return false;
        }
    }
    // "1 PM": a lone number before AM/PM is an hour.
    if (ampm && !hasTime && !nums.empty()) {
        hasTime = true;
        th = nums.back().value;
        nums.pop_back();
    }
    if (ampm && !hasTime)
        return false;
    if (hasTime) {
        if (ampm) {
            if (th > 12)
                return false;
            th = th % 12 + (ampm == 2 ? 12 : 0);
        }
        if (th > 23 || tm > 59 || ts > 59)
            return false;
    }
    double day = 0;
    if (!nums.empty() || monthName) {
        long y, m, d;
        if (!settleDate(nums, monthName, y, m, d))
            return false;
        day = double(serialDay(y, int(m), int(d)));
    } else if (!hasTime) {
        return false;
    }
    out = fromLinear(day + double(th * 3600 + tm * 60 + ts) / kDaySeconds);
    return true;
}

Date cdate(const String& s) {
    Date d;
    if (!parse_date(s.str(), d))
        raise(kTypeMismatch);
    return d;
}

Date date_value(const String& s) {
    return Date{std::trunc(cdate(s).serial)};
}

Date time_value(const String& s) {
    Date d = cdate(s);
    return Date{std::fabs(d.serial - std::trunc(d.serial))};
}

bool is_date(const String& s) {
    Date d;
    return parse_date(s.str(), d);
}

// ---- arithmetic ----

// A fractional count is cut to its whole part.
Date date_add(const String& interval, double n, Date d) {
    Interval iv = intervalOf(interval);
    double k = std::trunc(n);
    if (!(std::fabs(k) < 1e10))
        raise(kInvalidCall);
    long long kk = (long long)k;
    switch (iv) {
        case Interval::Year:
            return addMonths(d, kk * 12);
        case Interval::Quarter:
            return addMonths(d, kk * 3);
        case Interval::Month:
            return addMonths(d, kk);
        case Interval::DayOfYear:
        case Interval::Day:
        case Interval::Weekday:
            return checked(linear(d) + double(kk));
        case Interval::Week:
            return checked(linear(d) + double(kk * 7));
        case Interval::Hour:
            return fromSeconds(secondsOf(d) + kk * 3600);
        case Interval::Minute:
            return fromSeconds(secondsOf(d) + kk * 60);
        case Interval::Second:
            return fromSeconds(secondsOf(d) + kk);
    }
    return d;
}

Long date_diff(const String& interval, Date a, Date b, Long firstDayOfWeek) {
    Interval iv = intervalOf(interval);
    int first = checkedFirstDay(firstDayOfWeek);
    detail::DateParts pa = detail::split_date(a), pb = detail::split_date(b);
    long long r = 0;
    switch (iv) {
        case Interval::Year:
            r = pb.y - pa.y;
            break;
        case Interval::Quarter:
            r = (pb.y * 4LL + (pb.m - 1) / 3) - (pa.y * 4LL + (pa.m - 1) / 3);
            break;
        case Interval::Month:
            r = (pb.y * 12LL + pb.m) - (pa.y * 12LL + pa.m);
            break;
        case Interval::DayOfYear:
        case Interval::Day:
            r = pb.dayNumber - pa.dayNumber;
            break;
        case Interval::Weekday:  // whole weeks
            r = (pb.dayNumber - pa.dayNumber) / 7;
            break;
        case Interval::Week:  // first days of weeks passed
            r = weekIndex(pb.dayNumber, first) - weekIndex(pa.dayNumber, first);
            break;
        case Interval::Hour:
            r = floorDiv(secondsOf(b), 3600) - floorDiv(secondsOf(a), 3600);
            break;
        case Interval::Minute:
            r = floorDiv(secondsOf(b), 60) - floorDiv(secondsOf(a), 60);
            break;
        case Interval::Second:
            r = secondsOf(b) - secondsOf(a);
            break;
    }
    if (r < std::numeric_limits<Long>::min() || r > std::numeric_limits<Long>::max())
        raise(kOverflow);
    return Long(r);
}

Integer date_part(const String& interval, Date d, Long firstDayOfWeek) {
    Interval iv = intervalOf(interval);
    detail::DateParts p = detail::split_date(d);
    switch (iv) {
        case Interval::Year:
            return Integer(p.y);
        case Interval::Quarter:
            return Integer((p.m - 1) / 3 + 1);
        case Interval::Month:
            return Integer(p.m);
        case Interval::DayOfYear:
            return Integer(p.dayOfYear);
        case Interval::Day:
            return Integer(p.d);
        case Interval::Weekday:
            return weekday(d, firstDayOfWeek);
        case Interval::Week:
            return Integer(detail::week_of_year(p, firstDayOfWeek));
        case Interval::Hour:
            return Integer(p.h);
        case Interval::Minute:
            return Integer(p.n);
        case Interval::Second:
            return Integer(p.s);
    }
    return 0;
}

// ---- names and text ----

String month_name(Long m, bool abbreviate) {
    if (m < 1 || m > 12)
        raise(kInvalidCall);
    std::string n = kMonths[m - 1];
    return String(abbreviate ? n.substr(0, 3) : n);
}

String weekday_name(Long d, bool abbreviate, Long firstDayOfWeek) {
    int first = checkedFirstDay(firstDayOfWeek);
    if (d < 1 || d > 7)
        raise(kInvalidCall);
    std::string n = kWeekdays[(d - 1 + first - 1) % 7];
    return String(abbreviate ? n.substr(0, 3) : n);
}

std::string date_text(Date d) {
    detail::DateParts p = detail::split_date(d);
    char date[32], time[32];
    std::snprintf(date, sizeof date, "%d/%d/%d", p.m, p.d, p.y);
    std::snprintf(time, sizeof time, "%d:%02d:%02d %s", p.h % 12 == 0 ? 12 : p.h % 12, p.n, p.s,
                  p.h < 12 ? "AM" : "PM");
    if (p.dayNumber == 0)
        return time;
    if (p.h == 0 && p.n == 0 && p.s == 0)
        return date;
    return std::string(date) + " " + time;
}

}  // namespace zbl
