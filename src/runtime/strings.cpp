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

bool like(const String& text, const String& pattern) {
    return likeAt(text.str(), 0, pattern.str(), 0);
}

}  // namespace zbl
