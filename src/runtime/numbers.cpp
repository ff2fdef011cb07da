// Numbers: parsing, formatting as the language writes them, and maths.
#include <bit>
#include <cmath>
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
    if (!t.empty() && t[0] == '&') {
        std::size_t i = 1;
        int base = 8;
        if (i < t.size() && (t[i] == 'H' || t[i] == 'h'))
            base = 16, ++i;
        else if (i < t.size() && (t[i] == 'O' || t[i] == 'o'))
            ++i;
        std::uint64_t v = 0;
        for (; i < t.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(t[i]);
            int d = std::isdigit(c) ? c - '0' : std::isxdigit(c) ? std::tolower(c) - 'a' + 10 : 99;
            if (d >= base)
                break;
            v = v * unsigned(base) + unsigned(d);
            if (v > 0xFFFFFFFFu)
                raise(kOverflow);
        }
        // Up to four hex digits make an Integer, so &HFFFF is -1.
        return v <= 0xFFFF ? double(std::int16_t(v)) : double(std::int32_t(std::uint32_t(v)));
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
    double d = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(d))
        raise(kOverflow);
    return d + 0.0;  // no negative zero
}

bool isnumeric(const String& s) {
    double d = 0;
    return parse_number(s.str(), d);
}

String detail::radix_text(std::uint32_t v, int bitsPerDigit) {
    const char* digits = "0123456789ABCDEF";
    unsigned mask = (1u << bitsPerDigit) - 1;
    std::string r;
    do {
        r.insert(r.begin(), digits[v & mask]);
        v >>= bitsPerDigit;
    } while (v != 0);
    return String(std::move(r));
}

// Scales, rounds half to even and scales back, as the language's Round does;
// so Round(1.005, 2) is 1 (1.005 is just below it in binary).
double round(double v, Long digits) {
    if (digits < 0)
        raise(kInvalidCall);
    if (!std::isfinite(v))
        return v;
    double f = std::pow(10.0, digits);
    double scaled = v * f;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 0x1p52)
        return v;
    return std::nearbyint(scaled) / f + 0.0;
}

double sqr(double v) {
    if (v < 0)
        raise(kInvalidCall);
    return std::sqrt(v);
}

double sin_(double v) {
    return std::sin(v);
}
double cos_(double v) {
    return std::cos(v);
}
double tan_(double v) {
    return std::tan(v);
}
double atn(double v) {
    return std::atan(v);
}

double exp_(double v) {
    double r = std::exp(v);
    if (!std::isfinite(r) && !std::isnan(v))
        raise(kOverflow);
    return r;
}

double log_(double v) {
    if (!(v > 0))
        raise(kInvalidCall);
    return std::log(v);
}

// ---- Rnd: a 24-bit linear congruential generator ----

namespace {
std::uint32_t rndSeed = 0x50000;

// Folds 32 bits of a seed into the middle 16 bits of the generator's state.
void mixSeed(std::uint32_t bits) {
    std::uint32_t folded = ((bits & 0xFFFF) ^ (bits >> 16)) << 8;
    rndSeed = (rndSeed & 0xFF) | (folded & 0xFFFF00);
}
}  // namespace

Single rnd() {
    return rnd(1.0f);
}

// A negative argument reseeds from its bits, so Rnd(-x) always gives the
// same number for the same x; zero repeats the last number.
Single rnd(Single n) {
    if (n != 0) {
        if (n < 0) {
            std::uint32_t b = std::bit_cast<std::uint32_t>(n);
            rndSeed = (b + (b >> 24)) & 0xFFFFFF;
        }
        rndSeed = std::uint32_t((std::uint64_t(rndSeed) * 1140671485u + 12820163u) & 0xFFFFFF);
    }
    return Single(rndSeed) / 16777216.0f;
}

void randomize() {
    mixSeed(std::bit_cast<std::uint32_t>(timer()));
}

// The seed's high 32 bits, as a Double, are what count.
void randomize(double seed) {
    mixSeed(std::uint32_t(std::bit_cast<std::uint64_t>(seed) >> 32));
}

Currency Currency::from(double v) {
    const double scaled = std::nearbyint(v * scale);
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.2233720368547758e18)
        raise(kOverflow);
    return Currency{static_cast<long long>(scaled)};
}

std::string currency_text(Currency c) {
    // Up to four decimals, trailing zeros dropped, as CStr writes it.
    const bool negative = c.units < 0;
    unsigned long long u = negative ? 0ull - static_cast<unsigned long long>(c.units)
                                    : static_cast<unsigned long long>(c.units);
    std::string t = std::to_string(u / 10000);
    unsigned long long frac = u % 10000;
    if (frac) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%04llu", frac);
        std::string f = buf;
        while (f.back() == '0')
            f.pop_back();
        t += f;
    }
    return negative ? "-" + t : t;
}

}  // namespace zbl
