// String functions.
#include <algorithm>
#include <cctype>

#include "zbl_runtime.h"

namespace zbl {

Long len(const String& s) {
    return Long(s.size());
}

String left(const String& s, Long n) {
    if (n < 0)
        raise(kInvalidCall);
    return String(s.str().substr(0, std::size_t(n)));
}

String right(const String& s, Long n) {
    if (n < 0)
        raise(kInvalidCall);
    std::size_t k = std::min<std::size_t>(std::size_t(n), s.size());
    return String(s.str().substr(s.size() - k));
}

String mid(const String& s, Long start) {
    if (start < 1)
        raise(kInvalidCall);
    if (std::size_t(start) > s.size())
        return String();
    return String(s.str().substr(std::size_t(start) - 1));
}

String mid(const String& s, Long start, Long n) {
    if (start < 1 || n < 0)
        raise(kInvalidCall);
    if (std::size_t(start) > s.size())
        return String();
    return String(s.str().substr(std::size_t(start) - 1, std::size_t(n)));
}

String ucase(const String& s) {
    std::string r = s.str();
    for (char& c : r)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return String(std::move(r));
}

String lcase(const String& s) {
    std::string r = s.str();
    for (char& c : r)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return String(std::move(r));
}

String ltrim(const String& s) {
    const std::string& t = s.str();
    std::size_t b = t.find_first_not_of(' ');
    return b == std::string::npos ? String() : String(t.substr(b));
}

String rtrim(const String& s) {
    const std::string& t = s.str();
    std::size_t e = t.find_last_not_of(' ');
    return e == std::string::npos ? String() : String(t.substr(0, e + 1));
}

String trim(const String& s) {
    return ltrim(rtrim(s));
}

String space(Long n) {
    if (n < 0)
        raise(kInvalidCall);
    return String(std::string(std::size_t(n), ' '));
}

String chr(Long code) {
    if (code < 0 || code > 255)
        raise(kInvalidCall);
    return String(std::string(1, char(code)));
}

Integer asc(const String& s) {
    if (s.size() == 0)
        raise(kInvalidCall);
    return Integer(static_cast<unsigned char>(s.str()[0]));
}

// ---- searching and replacing ----

namespace {
char fold(char c) {
    return char(std::tolower(static_cast<unsigned char>(c)));
}

bool textCompare(Long compare) {
    if (compare < -1 || compare > 2)
        raise(kInvalidCall);
    return compare >= 1;
}

// First position of `f` in `s` at or after `from`, or npos.
std::size_t findFrom(const std::string& s, const std::string& f, std::size_t from, bool text) {
    if (!text)
        return s.find(f, from);
    if (from > s.size())
        return std::string::npos;
    auto it = std::search(s.begin() + std::ptrdiff_t(from), s.end(), f.begin(), f.end(),
                          [](char a, char b) { return fold(a) == fold(b); });
    return it == s.end() && !f.empty() ? std::string::npos : std::size_t(it - s.begin());
}

bool matchesAt(const std::string& s, const std::string& f, std::size_t at, bool text) {
    for (std::size_t k = 0; k < f.size(); ++k)
        if (text ? fold(s[at + k]) != fold(f[k]) : s[at + k] != f[k])
            return false;
    return true;
}
}  // namespace

Long instr(const String& s, const String& find) {
    return instr(1, s, find);
}

Long instr(Long start, const String& s, const String& find, Long compare) {
    if (start < 1)
        raise(kInvalidCall);
    bool text = textCompare(compare);
    if (s.size() == 0 || std::size_t(start) > s.size() + 1)
        return 0;
    if (find.size() == 0)
        return start;
    std::size_t p = findFrom(s.str(), find.str(), std::size_t(start) - 1, text);
    return p == std::string::npos ? 0 : Long(p + 1);
}

// A match must end at or before `start`.
Long instrrev(const String& s, const String& find, Long start, Long compare) {
    if (start == 0 || start < -1)
        raise(kInvalidCall);
    bool text = textCompare(compare);
    std::size_t n = s.size();
    if (start == -1)
        start = Long(n);
    if (n == 0 || std::size_t(start) > n)
        return 0;
    if (find.size() == 0)
        return start;
    if (find.size() > std::size_t(start))
        return 0;
    for (std::size_t at = std::size_t(start) - find.size() + 1; at-- > 0;)
        if (matchesAt(s.str(), find.str(), at, text))
            return Long(at + 1);
    return 0;
}

String replace(const String& s, const String& find, const String& with, Long start, Long count,
               Long compare) {
    if (start < 1 || count < -1)
        raise(kInvalidCall);
    bool text = textCompare(compare);
    if (std::size_t(start) > s.size())
        return String();
    std::string src = s.str().substr(std::size_t(start) - 1);
    if (find.size() == 0 || count == 0)
        return String(std::move(src));
    std::string out;
    out.reserve(src.size());
    std::size_t from = 0;
    for (Long done = 0; count < 0 || done < count; ++done) {
        std::size_t p = findFrom(src, find.str(), from, text);
        if (p == std::string::npos)
            break;
        out.append(src, from, p - from);
        out.append(with.str());
        from = p + find.size();
    }
    out.append(src, from, std::string::npos);
    return String(std::move(out));
}

String strreverse(const String& s) {
    return String(std::string(s.str().rbegin(), s.str().rend()));
}

String string_(Long n, const String& ch) {
    if (n < 0 || ch.size() == 0)
        raise(kInvalidCall);
    return String(std::string(std::size_t(n), ch.str()[0]));
}

// Codes above 255 wrap, as the language's String does.
String string_(Long n, Long code) {
    if (n < 0 || code < 0)
        raise(kInvalidCall);
    return String(std::string(std::size_t(n), char(code % 256)));
}

Integer strcomp(const String& a, const String& b, Long compare) {
    if (!textCompare(compare)) {
        int c = a.str().compare(b.str());
        return Integer((c > 0) - (c < 0));
    }
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k) {
        unsigned char x = static_cast<unsigned char>(fold(a.str()[k]));
        unsigned char y = static_cast<unsigned char>(fold(b.str()[k]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return Integer((a.size() > n) - (b.size() > n));
}

namespace {
// Matches with ? (one character), * (any run), # (a digit) and [list] / [!list].
bool likeAt(const std::string& t, std::size_t ti, const std::string& p, std::size_t pi) {
    while (pi < p.size()) {
        char c = p[pi];
        if (c == '*') {
            for (std::size_t k = ti; k <= t.size(); ++k)
                if (likeAt(t, k, p, pi + 1))
                    return true;
            return false;
        }
        if (ti >= t.size())
            return false;
        if (c == '?') {
        } else if (c == '#') {
            if (!std::isdigit(static_cast<unsigned char>(t[ti])))
                return false;
        } else if (c == '[') {
            std::size_t close = p.find(']', pi + 1);
            if (close == std::string::npos)
                raise(kInvalidCall);
            std::size_t q = pi + 1;
            bool negate = q < close && p[q] == '!';
            if (negate)
                ++q;
            bool hit = false;
            for (; q < close; ++q) {
                if (q + 2 < close && p[q + 1] == '-') {
                    hit = hit || (t[ti] >= p[q] && t[ti] <= p[q + 2]);
                    q += 2;
                } else {
                    hit = hit || t[ti] == p[q];
                }
            }
            if (hit == negate)
                return false;
            pi = close;
        } else if (c != t[ti]) {
            return false;
        }
        ++ti;
        ++pi;
    }
    return ti == t.size();
}
}  // namespace

bool like(const String& text, const String& pattern, bool textCompare) {
    if (textCompare)
        return likeAt(lcase(text).str(), 0, lcase(pattern).str(), 0);
    return likeAt(text.str(), 0, pattern.str(), 0);
}

int text_compare(const String& a, const String& b) {
    return strcomp(a, b, 1);
}

void mid_assign(String& s, Long start, Long length, const String& text) {
    if (start < 1 || start > Long(s.size()) || (length < 0 && length != -1))
        raise(kInvalidCall);
    std::size_t at = std::size_t(start) - 1;
    std::size_t n = std::min(s.size() - at, text.size());
    if (length != -1)
        n = std::min(n, std::size_t(length));
    s.str().replace(at, n, text.str(), 0, n);
}

String strconv(const String& s, Long conversion) {
    std::string r = s.str();
    switch (conversion) {
        case 1:
            return ucase(s);
        case 2:
            return lcase(s);
        case 3: {
            bool start = true;
            for (char& c : r) {
                unsigned char u = static_cast<unsigned char>(c);
                c = char(start ? std::toupper(u) : std::tolower(u));
                start = std::isspace(u) != 0;
            }
            return String(std::move(r));
        }
        default:
            raise(kInvalidCall);
    }
}

}  // namespace zbl
