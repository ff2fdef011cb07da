// Format$: numbers, dates and texts laid out by a format string or one of
// the named formats.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "zbl_dates.h"

namespace zbl {

namespace {

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
bool startsWith(std::string_view s, std::size_t i, std::string_view word) {
    return s.size() - i >= word.size() && sameText(s.substr(i, word.size()), word);
}
char lower(char c) {
    return char(std::tolower(static_cast<unsigned char>(c)));
}

// The length of the literal that starts at s[i] (a \x escape or a quoted
// text), 0 when none does.
std::size_t literalLength(std::string_view s, std::size_t i) {
    if (s[i] == '\\')
        return i + 1 < s.size() ? 2 : 1;
    if (s[i] == '"') {
        std::size_t close = s.find('"', i + 1);
        return close == std::string_view::npos ? s.size() - i : close - i + 1;
    }
    return 0;
}
std::string literalText(std::string_view s, std::size_t i, std::size_t n) {
    if (s[i] == '\\')
        return std::string(s.substr(i + 1, n - 1));
    std::size_t inner = n >= 2 && s[i + n - 1] == '"' ? n - 2 : n - 1;
    return std::string(s.substr(i + 1, inner));
}

// Splits a format at the semicolons outside literals.
std::vector<std::string_view> sections(std::string_view f) {
    std::vector<std::string_view> r;
    std::size_t start = 0;
    for (std::size_t i = 0; i < f.size();) {
        if (std::size_t n = literalLength(f, i)) {
            i += n;
        } else if (f[i] == ';') {
            r.push_back(f.substr(start, i - start));
            start = ++i;
        } else {
            ++i;
        }
    }
    r.push_back(f.substr(start));
    return r;
}

// A format that names a date or time part outside literals lays out a date.
bool isDateFormat(std::string_view f) {
    for (std::size_t i = 0; i < f.size();) {
        if (std::size_t n = literalLength(f, i)) {
            i += n;
            continue;
        }
        char c = lower(f[i]);
        if ((c == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-')) {
            i += 2;
            continue;
        }
        if (std::string_view("dmyhnswqc").find(c) != std::string_view::npos ||
            startsWith(f, i, "ttttt") || startsWith(f, i, "a/p") || startsWith(f, i, "am/pm") ||
            startsWith(f, i, "ampm"))
            return true;
        ++i;
    }
    return false;
}

// @ or & placeholders, or only < > ! and literals, lay out a text.
bool isTextFormat(std::string_view f) {
    bool caseOrOrder = false;
    for (std::size_t i = 0; i < f.size();) {
        if (std::size_t n = literalLength(f, i)) {
            i += n;
            continue;
        }
        char c = f[i++];
        if (c == '@' || c == '&')
            return true;
        if (c == '0' || c == '#')
            return false;
        caseOrOrder = caseOrOrder || c == '<' || c == '>' || c == '!';
    }
    return caseOrOrder;
}

// ---- numbers ----

struct Digits {
    std::string intPart;   // no leading zeros; empty for zero
    std::string fracPart;  // exactly the decimals asked for
};

// Rounds the digit string ds, whose point falls after `point` digits, half
// up to `frac` decimals.
Digits roundDigits(std::string ds, int point, int frac) {
    if (point < 0) {
        ds.insert(0, std::size_t(-point), '0');
        point = 0;
    }
    ds.insert(0, 1, '0');  // room for a carry
    ++point;
    std::size_t keep = std::size_t(point + frac);
    if (ds.size() < keep + 1)
        ds.resize(keep + 1, '0');
    bool up = ds[keep] >= '5';
    ds.resize(keep);
    if (up) {
        std::size_t i = keep;
        while (ds[i - 1] == '9')
            ds[--i] = '0';
        ++ds[i - 1];
    }
    Digits r{ds.substr(0, std::size_t(point)), ds.substr(std::size_t(point))};
    r.intPart.erase(0, r.intPart.find_first_not_of('0'));
    return r;
}

// A Double has 15 significant decimal digits, and Format rounds those: so
// 1.005 to two places is 1.01.
std::string significant(double x, int& exp10) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", x);
    std::string ds = std::string(1, buf[0]) + std::string(buf + 2, 14);
    exp10 = std::atoi(std::strchr(buf, 'e') + 1);
    return ds;
}

Digits fixedDigits(double x, int frac) {
    int e;
    std::string ds = significant(x, e);
    return roundDigits(ds, e + 1, frac);
}

// A mantissa with `whole` digits before the point, and its exponent.
Digits scientificDigits(double x, int whole, int frac, int& exp10) {
    if (x == 0) {
        exp10 = 0;
        return roundDigits("0", 1, frac);
    }
    int e;
    std::string ds = significant(x, e);
    exp10 = e - (whole - 1);
    Digits r = roundDigits(ds, whole, frac);
    if (int(r.intPart.size()) > whole) {  // 9.99 rounded up to 10.0
        ++exp10;
        r = roundDigits(r.intPart + r.fracPart, whole, frac);
    }
    return r;
}

// One section of a number format, read into placeholders and literals.
struct NumberLayout {
    enum Kind { Literal, IntDigit, Point, FracDigit, Exponent };
    struct Item {
        Kind kind;
        char ph;  // '0' or '#'; for the exponent 'E' or 'e'
        std::string text;
    };
    std::vector<Item> items;
    std::string intPh, fracPh;
    bool thousands = false;
    int scale = 0;  // commas just left of the point: thousands each
    int percent = 0;
    char expSign = 0;  // '+' or '-'
    int expZeros = 0;
};

NumberLayout readNumberLayout(std::string_view s) {
    NumberLayout l;
    enum { Whole, Fraction, Done } part = Whole;
    int pendingCommas = 0;
    auto endWhole = [&] {
        l.scale += pendingCommas;
        pendingCommas = 0;
    };
    for (std::size_t i = 0; i < s.size();) {
        char c = s[i];
        if (std::size_t n = literalLength(s, i)) {
            l.items.push_back({NumberLayout::Literal, 0, literalText(s, i, n)});
            i += n;
        } else if ((c == '0' || c == '#') && part != Done) {
            if (part == Whole) {
                if (pendingCommas)
                    l.thousands = true;
                pendingCommas = 0;
                l.intPh += c;
                l.items.push_back({NumberLayout::IntDigit, c, ""});
            } else {
                l.fracPh += c;
                l.items.push_back({NumberLayout::FracDigit, c, ""});
            }
            ++i;
        } else if (c == '.' && part == Whole) {
            endWhole();
            part = Fraction;
            l.items.push_back({NumberLayout::Point, 0, ""});
            ++i;
        } else if (c == ',' && part == Whole && !l.intPh.empty()) {
            ++pendingCommas;
            ++i;
        } else if ((c == 'E' || c == 'e') && part != Done && i + 1 < s.size() &&
                   (s[i + 1] == '+' || s[i + 1] == '-')) {
            endWhole();
            part = Done;
            l.expSign = s[i + 1];
            i += 2;
            for (; i < s.size() && (s[i] == '0' || s[i] == '#'); ++i)
                l.expZeros += s[i] == '0';
            l.items.push_back({NumberLayout::Exponent, c, ""});
        } else {
            l.percent += c == '%';
            l.items.push_back({NumberLayout::Literal, 0, std::string(1, c)});
            ++i;
        }
    }
    endWhole();
    return l;
}

std::string grouped(const std::string& digits) {
    std::string r;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            r += ',';
        r += digits[i];
    }
    return r;
}

// Lays out x >= 0 by one section; the caller adds any sign.
std::string formatSection(double x, std::string_view section) {
    NumberLayout l = readNumberLayout(section);
    for (int i = 0; i < l.percent; ++i)
        x *= 100;
    for (int i = 0; i < l.scale; ++i)
        x /= 1000;
    int intPlaces = int(l.intPh.size()), fracPlaces = int(l.fracPh.size());
    int exp10 = 0;
    Digits dg =
        l.expSign ? scientificDigits(x, intPlaces, fracPlaces, exp10) : fixedDigits(x, fracPlaces);

    // A '#' shows no trailing zero of the fraction, nor leading zero of the whole part.
    std::string frac = dg.fracPart;
    while (!frac.empty() && l.fracPh[frac.size() - 1] == '#' && frac.back() == '0')
        frac.pop_back();
    std::string whole = dg.intPart;
    std::size_t firstZero = l.intPh.find('0');
    if (firstZero != std::string::npos && whole.size() < l.intPh.size() - firstZero)
        whole.insert(0, l.intPh.size() - firstZero - whole.size(), '0');
    if (l.thousands)
        whole = grouped(whole);

    std::string out;
    int intIndex = 0, fracIndex = 0;
    for (const NumberLayout::Item& it : l.items) {
        switch (it.kind) {
            case NumberLayout::Literal:
                out += it.text;
                break;
            case NumberLayout::IntDigit: {
                // Digits fill the places from the right; the leftmost place
                // takes whatever is left over.
                int j = intIndex++;
                if (l.thousands) {
                    if (j == 0)
                        out += whole;
                    break;
                }
                long pos = long(whole.size()) - intPlaces + j;
                if (j == 0 && pos >= 0)
                    out += whole.substr(0, std::size_t(pos) + 1);
                else if (pos >= 0)
                    out += whole[std::size_t(pos)];
                break;
            }
            case NumberLayout::Point:
                if (intPlaces == 0)
                    out += whole;
                out += '.';
                break;
            case NumberLayout::FracDigit:
                if (fracIndex < int(frac.size()))
                    out += frac[std::size_t(fracIndex)];
                ++fracIndex;
                break;
            case NumberLayout::Exponent: {
                out += it.ph;
                if (exp10 < 0)
                    out += '-';
                else if (l.expSign == '+')
                    out += '+';
                std::string e = std::to_string(std::abs(exp10));
                if (int(e.size()) < l.expZeros)
                    e.insert(0, std::size_t(l.expZeros) - e.size(), '0');
                out += e;
                break;
            }
        }
    }
    return out;
}

// Sections: positive (and the rest); negative; zero. A negative number laid
// out by the first section gets a leading minus.
std::string formatNumber(double v, std::string_view fmt) {
    std::vector<std::string_view> secs = sections(fmt);
    std::string_view section = secs[0];
    bool minus = false;
    if (v < 0) {
        if (secs.size() >= 2 && !secs[1].empty())
            section = secs[1];
        else
            minus = true;
    } else if (v == 0 && secs.size() >= 3 && !secs[2].empty()) {
        section = secs[2];
    }
    std::string body = formatSection(std::fabs(v), section);
    return minus ? "-" + body : body;
}

// ---- dates ----

std::string twoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string formatDate(Date d, std::string_view fmt) {
    std::string_view f = sections(fmt)[0];
    detail::DateParts p = detail::split_date(d);
    bool twelveHour = false;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (literalLength(f, i))
            i += literalLength(f, i) - 1;
        else if (startsWith(f, i, "a/p") || startsWith(f, i, "am/pm") || startsWith(f, i, "ampm"))
            twelveHour = true;
    int hour = twelveHour ? (p.h % 12 == 0 ? 12 : p.h % 12) : p.h;

    std::string out;
    bool afterHour = false;  // m and mm right after h or hh are minutes
    for (std::size_t i = 0; i < f.size();) {
        if (std::size_t n = literalLength(f, i)) {
            out += literalText(f, i, n);
            i += n;
            continue;
        }
        char c = lower(f[i]);
        std::size_t run = 1;
        while (i + run < f.size() && lower(f[i + run]) == c)
            ++run;
        bool wasAfterHour = afterHour;
        afterHour = false;
        std::size_t used = run;
        switch (c) {
            case 'd':
                if (run == 1)
                    out += std::to_string(p.d);
                else if (run == 2)
                    out += twoDigits(p.d);
                else if (run <= 4)
                    out += weekday_name(p.dayOfWeek, run == 3).str();
                else if (run == 5)
                    out += formatDate(d, "m/d/yyyy");
                else
                    out += formatDate(d, "dddd, mmmm d, yyyy");
                break;
            case 'w':
                out += std::to_string(run == 1 ? p.dayOfWeek : detail::week_of_year(p, vbSunday));
                break;
            case 'm':
                if (run <= 2 && wasAfterHour)
                    out += run == 1 ? std::to_string(p.n) : twoDigits(p.n);
                else if (run <= 2)
                    out += run == 1 ? std::to_string(p.m) : twoDigits(p.m);
                else
                    out += month_name(p.m, run == 3).str();
                break;
            case 'y':
                used = run >= 4 ? 4 : run >= 2 ? 2 : 1;
                out += used == 4   ? std::to_string(p.y)
                       : used == 2 ? twoDigits(p.y % 100)
                                   : std::to_string(p.dayOfYear);
                break;
            case 'q':
                used = 1;
                out += std::to_string((p.m - 1) / 3 + 1);
                break;
            case 'h':
                out += run == 1 ? std::to_string(hour) : twoDigits(hour);
                afterHour = true;
                break;
            case 'n':
                out += run == 1 ? std::to_string(p.n) : twoDigits(p.n);
                break;
            case 's':
                out += run == 1 ? std::to_string(p.s) : twoDigits(p.s);
                break;
            case 'c':
                used = 1;
                out += date_text(d);
                break;
            case 't':
                if (run >= 5) {
                    used = 5;
                    out += formatDate(d, "h:mm:ss AM/PM");
                } else {
                    out += f.substr(i, run);
                }
                break;
            case 'a': {
                bool upper = f[i] == 'A';
                if (startsWith(f, i, "ampm")) {  // the locale's own words
                    used = 4;
                    out += p.h < 12 ? "AM" : "PM";
                } else if (startsWith(f, i, "am/pm")) {
                    used = 5;
                    out += p.h < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
                } else if (startsWith(f, i, "a/p")) {
                    used = 3;
                    out += p.h < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
                } else {
                    used = 1;
                    out += f[i];
                }
                break;
            }
            default:
                used = 1;
                out += f[i];
                afterHour = wasAfterHour;  // separators keep h and m together
                break;
        }
        i += used;
    }
    return out;
}

Date dateOf(double v) {
    if (!(v > -657435.0 && v < 2958466.0))
        raise(kOverflow);
    return Date{v};
}

// ---- texts ----

// @ is a character or a blank, & a character or nothing; the text fills the
// places from the right unless ! asks for left to right. < and > change case.
std::string formatText(const std::string& text, std::string_view fmt) {
    std::vector<std::string_view> secs = sections(fmt);
    std::string_view f = text.empty() && secs.size() >= 2 ? secs[1] : secs[0];
    struct Item {
        char ph;  // '@', '&' or 0 for a literal
        std::string text;
    };
    std::vector<Item> items;
    int places = 0, caseChange = 0;
    bool leftToRight = false;
    for (std::size_t i = 0; i < f.size();) {
        if (std::size_t n = literalLength(f, i)) {
            items.push_back({0, literalText(f, i, n)});
            i += n;
            continue;
        }
        char c = f[i++];
        if (c == '@' || c == '&') {
            items.push_back({c, ""});
            ++places;
        } else if (c == '<' || c == '>') {
            caseChange = c;
        } else if (c == '!') {
            leftToRight = true;
        } else {
            items.push_back({0, std::string(1, c)});
        }
    }
    std::string s = text;
    for (char& c : s)
        c = caseChange == '<'   ? lower(c)
            : caseChange == '>' ? char(std::toupper(static_cast<unsigned char>(c)))
                                : c;
    if (places == 0) {
        std::string out;
        for (const Item& it : items)
            out += it.text;
        return out + s;
    }
    std::string out;
    long len = long(s.size()), j = 0;
    for (const Item& it : items) {
        if (!it.ph) {
            out += it.text;
            continue;
        }
        long pos = leftToRight ? j : len - places + j;
        if (pos >= 0 && pos < len) {
            if (!leftToRight && j == 0)
                out += s.substr(0, std::size_t(pos) + 1);
            else if (leftToRight && j == places - 1)
                out += s.substr(std::size_t(pos));
            else
                out += s[std::size_t(pos)];
        } else if (it.ph == '@') {
            out += ' ';
        }
        ++j;
    }
    return out;
}

// ---- named formats ----

struct Named {
    const char* name;
    const char* layout;
};
const Named kNumberNames[] = {
    {"Currency", "$#,##0.00;($#,##0.00)"},
    {"Fixed", "0.00"},
    {"Standard", "#,##0.00"},
    {"Percent", "0.00%"},
    {"Scientific", "0.00E+00"},
};
const Named kDateNames[] = {
    {"Long Date", "dddd, mmmm d, yyyy"}, {"Medium Date", "dd-mmm-yy"},   {"Short Date", "m/d/yyyy"},
    {"Long Time", "h:mm:ss AM/PM"},      {"Medium Time", "hh:mm AM/PM"}, {"Short Time", "hh:mm"},
};
const Named kTruthNames[] = {
    {"Yes/No", "Yes\0No"}, {"True/False", "True\0False"}, {"On/Off", "On\0Off"}};

const char* dateLayout(std::string_view fmt) {
    for (const Named& n : kDateNames)
        if (sameText(fmt, n.name))
            return n.layout;
    return nullptr;
}

bool isNamed(std::string_view fmt) {
    for (const Named& n : kNumberNames)
        if (sameText(fmt, n.name))
            return true;
    for (const Named& n : kTruthNames)
        if (sameText(fmt, n.name))
            return true;
    return dateLayout(fmt) || sameText(fmt, "General Number") || sameText(fmt, "General Date");
}

}  // namespace

String format(double v) {
    return String(cstr(v));
}

String format(double v, const String& fmt) {
    const std::string& f = fmt.str();
    if (f.empty() || !std::isfinite(v) || sameText(f, "General Number"))
        return format(v);
    for (const Named& n : kNumberNames)
        if (sameText(f, n.name))
            return String(formatNumber(v, n.layout));
    for (const Named& n : kTruthNames)
        if (sameText(f, n.name))
            return String(v != 0 ? n.layout : n.layout + std::strlen(n.layout) + 1);
    if (sameText(f, "General Date") || dateLayout(f) || isDateFormat(f))
        return format(dateOf(v), fmt);
    if (isTextFormat(f))
        return String(formatText(cstr(v), f));
    return String(formatNumber(v, f));
}

String format(const String& s) {
    return s;
}

String format(const String& s, const String& fmt) {
    const std::string& f = fmt.str();
    double v;
    if (!isTextFormat(f) && parse_number(s.str(), v))
        return format(v, fmt);
    Date d;
    if ((sameText(f, "General Date") || dateLayout(f) || isDateFormat(f)) && parse_date(s.str(), d))
        return format(d, fmt);
    if (isNamed(f))
        return s;
    return String(formatText(s.str(), f));
}

String format(Date d) {
    return String(date_text(d));
}

String format(Date d, const String& fmt) {
    const std::string& f = fmt.str();
    if (f.empty() || sameText(f, "General Date"))
        return format(d);
    if (const char* layout = dateLayout(f))
        return String(formatDate(d, layout));
    if (!isNamed(f) && isDateFormat(f))
        return String(formatDate(d, f));
    return format(d.serial, fmt);
}

}  // namespace zbl
