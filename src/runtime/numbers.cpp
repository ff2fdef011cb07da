// Numbers: parsing, formatting as the language writes them, and maths.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zbl_runtime.h"

namespace zbl {

namespace {
bool parseRadix(std::string_view s, std::size_t i, double& out) {
    int base = 8;
    if (i < s.size() && (s[i] == 'H' || s[i] == 'h')) {
        base = 16;
        ++i;
    } else if (i < s.size() && (s[i] == 'O' || s[i] == 'o')) {
        ++i;
    }
    unsigned long long v = 0;
    std::size_t digits = 0;
    for (; i < s.size(); ++i, ++digits) {
        int d =
            std::isxdigit(static_cast<unsigned char>(s[i]))
                ? (std::isdigit(static_cast<unsigned char>(s[i])) ? s[i] - '0'
                                                                  : std::tolower(s[i]) - 'a' + 10)
                : 99;
        if (d >= base || v > 0xFFFFFFFFull)
            break;
        v = v * base + d;
    }
    if (digits == 0)
        return false;
    out = v <= 0xFFFF ? double(std::int16_t(v)) : double(std::int32_t(std::uint32_t(v)));
    return i == s.size();
}
}  // namespace

bool parse_number(std::string_view s, double& out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    if (s.empty())
        return false;
    if (s[0] == '&')
        return parseRadix(s, 1, out);
    std::string t(s);
    for (char& c : t)
        if (c == 'd' || c == 'D')
            c = 'E';
    if (t[0] != '-' && t[0] != '+' && t[0] != '.' &&
        !std::isdigit(static_cast<unsigned char>(t[0])))
        return false;
    char* end = nullptr;
    out = std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size() && std::strpbrk(t.c_str(), "xXnNiIpP") == nullptr;
}

double to_double(const String& s) {
    double d = 0;
    if (!parse_number(s.str(), d))
        raise(kTypeMismatch);
    return d;
}

// Exponents are written E+20 / E-05.
std::string format_number(double v, int digits, bool leadingZero) {
    if (v == 0)
        return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, v);
    std::string s = buf;
    std::string mant = s, exp;
    if (auto e = s.find('E'); e != std::string::npos) {
        mant = s.substr(0, e);
        exp = s.substr(e);
    }
    if (mant.find('.') != std::string::npos) {
        while (mant.back() == '0')
            mant.pop_back();
        if (mant.back() == '.')
            mant.pop_back();
    }
    if (leadingZero) {
    } else if (mant.rfind("0.", 0) == 0)
        mant.erase(0, 1);
    else if (mant.rfind("-0.", 0) == 0)
        mant.erase(1, 1);
    return mant + exp;
}

std::string cstr(double v) {
    return format_number(v, 15, true);
}

String str(double v) {
    std::string t = format_number(v, 15);
    return String(v >= 0 ? " " + t : t);
}

// Reads a leading number, ignoring blanks anywhere; stops at the first
// character that cannot continue it.
double val(const String& s) {
    std::string t;
    for (char c : s.str())
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            t += c;
    if (t.size() > 1 && t[0] == '&') {
        std::size_t n = 2;
        while (n < t.size() && std::isxdigit(static_cast<unsigned char>(t[n])))
            ++n;
        double d = 0;
        return parse_number(std::string_view(t).substr(0, n), d) ? d : 0.0;
    }
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
        ++i;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            ++i;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '-' || t[j] == '+'))
            ++j;
        if (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) {
            t[i] = 'E';
            i = j;
            while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
                ++i;
        }
    }
    t.resize(i);
    return std::strtod(t.c_str(), nullptr);
}

double sqr(double v) {
    if (v < 0)
        raise(kInvalidCall);
    return std::sqrt(v);
}

}  // namespace zbl
