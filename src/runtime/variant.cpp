// Variants: conversions, and arithmetic that keeps the operands' types.
#include <cmath>

#include "zbl_runtime.h"

namespace zbl {

Variant::Variant(const Variant& o) : k_(o.k_), i_(o.i_), d_(o.d_), s_(o.s_) {
    if (o.a_)
        a_ = std::make_unique<Array<Variant>>(*o.a_);
}

Variant& Variant::operator=(const Variant& o) {
    if (this != &o) {
        Variant copy(o);
        *this = std::move(copy);
    }
    return *this;
}

Variant::~Variant() = default;

double Variant::number() const {
    switch (k_) {
        case Kind::Empty:
            return 0;
        case Kind::Single:
        case Kind::Double:
        case Kind::Date:
            return d_;
        case Kind::Currency:
            return double(i_) / Currency::scale;
        case Kind::String:
            return to_double(s_);
        case Kind::Array:
        case Kind::Error:
            raise(kTypeMismatch);
        case Kind::Null:
            raise(94);
        default:
            return double(i_);
    }
}

std::string Variant::text() const {
    switch (k_) {
        case Kind::Empty:
            return "";
        case Kind::Boolean:
            return i_ ? "True" : "False";
        case Kind::Single:
            return cstr(float(d_));
        case Kind::Double:
            return cstr(d_);
        case Kind::Date:
            return date_text(Date{d_});
        case Kind::Currency:
            return currency_text(Currency{i_});
        case Kind::String:
            return s_.str();
        case Kind::Error:
            return "Error " + std::to_string(i_);
        case Kind::Null:
            raise(94);
        case Kind::Array:
            raise(kTypeMismatch);
        default:
            return std::to_string(i_);
    }
}

Array<Variant>& Variant::array() {
    if (k_ != Kind::Array)
        raise(kTypeMismatch);
    return *a_;
}

const Array<Variant>& Variant::array() const {
    if (k_ != Kind::Array)
        raise(kTypeMismatch);
    return *a_;
}

Array<Variant>& Variant::makeArray() {
    if (k_ != Kind::Array) {
        *this = Variant();
        k_ = Kind::Array;
        a_ = std::make_unique<Array<Variant>>();
    }
    return *a_;
}

namespace {

using Kind = Variant::Kind;

// The rank of a value's type in arithmetic: Byte < Integer < Long < Single
// < Double. Empty and Boolean count as Integer, strings as Double.
int rankOf(const Variant& v) {
    switch (v.kind()) {
        case Kind::Byte:
            return 0;
        case Kind::Empty:
        case Kind::Boolean:
        case Kind::Integer:
            return 1;
        case Kind::Long:
            return 2;
        case Kind::Single:
            return 3;
        default:
            return 4;
    }
}

// A whole-number result in the smallest type from `rank` up that holds it.
Variant wholeOf(long long v, int rank) {
    if (rank == 0 && v >= 0 && v <= 255)
        return Variant(Byte(v));
    if (rank <= 1 && v >= -32768 && v <= 32767)
        return Variant(Integer(v));
    if (v >= std::numeric_limits<Long>::min() && v <= std::numeric_limits<Long>::max())
        return Variant(Long(v));
    return Variant(double(v));
}

Variant realOf(double v, int rank) {
    if (!std::isfinite(v))
        raise(kOverflow);
    if (rank == 3 && std::fabs(v) <= 3.402823466e38)
        return Variant(float(v));
    return Variant(v);
}

}  // namespace

Variant varith(VOp op, const Variant& a, const Variant& b) {
    if (a.kind() == Kind::Array || b.kind() == Kind::Array)
        raise(kTypeMismatch);
    if (a.kind() == Kind::Null || b.kind() == Kind::Null)
        return Variant::null();
    if (op >= VOp::And) {
        // Two Booleans give a Boolean; anything else works on the bits.
        long long x = to_int<Long>(a.number()), y = to_int<Long>(b.number());
        long long r = 0;
        switch (op) {
            case VOp::And:
                r = x & y;
                break;
            case VOp::Or:
                r = x | y;
                break;
            case VOp::Xor:
                r = x ^ y;
                break;
            case VOp::Eqv:
                r = ~(x ^ y);
                break;
            default:
                r = ~x | y;
                break;
        }
        if (a.kind() == Kind::Boolean && b.kind() == Kind::Boolean)
            return Variant(r != 0);
        return wholeOf(r, std::max(rankOf(a), rankOf(b)) <= 1 ? 1 : 2);
    }
    bool aText = a.kind() == Kind::String, bText = b.kind() == Kind::String;
    if (op == VOp::Add && (aText || a.kind() == Kind::Empty) &&
        (bText || b.kind() == Kind::Empty) && (aText || bText))
        return Variant(String(a.string().str() + b.string().str()));
    // A date and a number give a date; two dates subtracted give days.
    const bool aDate = a.kind() == Kind::Date, bDate = b.kind() == Kind::Date;
    if ((aDate || bDate) && op != VOp::Mul) {
        double v = op == VOp::Add ? a.number() + b.number() : a.number() - b.number();
        if (aDate && bDate && op == VOp::Sub)
            return realOf(v, 4);
        return Variant(Date{realOf(v, 4).real()});
    }
    int ra = rankOf(a), rb = rankOf(b);
    int r = std::max(ra, rb);
    if (r == 3 && (ra == 2 || rb == 2))
        r = 4;
    if (r <= 2) {
        long long x = a.whole(), y = b.whole();
        long long v = op == VOp::Add ? x + y : op == VOp::Sub ? x - y : x * y;
        return wholeOf(v, r);
    }
    double x = a.number(), y = b.number();
    return realOf(op == VOp::Add ? x + y : op == VOp::Sub ? x - y : x * y, r);
}

Variant vneg(const Variant& a) {
    if (a.kind() == Kind::Null)
        return a;
    if (a.isIntegral())
        return wholeOf(-a.whole(), std::max(rankOf(a), 1));
    return realOf(-a.number(), rankOf(a));
}

Variant vnot(const Variant& a) {
    if (a.kind() == Kind::Boolean)
        return Variant(a.whole() == 0);
    return wholeOf(~(long long)to_int<Long>(a.number()), rankOf(a) <= 1 ? 1 : 2);
}

// Two strings (or a string and Empty) compare as text, anything else as
// numbers.
int vcompare(const Variant& a, const Variant& b, bool text) {
    // Null compares as unknown: no comparison with it holds. The caller's
    // test then fails, as an If on Null does not run its block.
    if (a.kind() == Kind::Null || b.kind() == Kind::Null)
        return kUnknown;
    bool aText = a.kind() == Kind::String, bText = b.kind() == Kind::String;
    if ((aText || a.kind() == Kind::Empty) && (bText || b.kind() == Kind::Empty) &&
        (aText || bText)) {
        if (text)
            return text_compare(a.string(), b.string());
        int c = a.string().str().compare(b.string().str());
        return (c > 0) - (c < 0);
    }
    double x = a.number(), y = b.number();
    return (x > y) - (x < y);
}

void print(const Variant& v) {
    switch (v.kind()) {
        case Kind::Empty:
            return;
        case Kind::Boolean:
            return print(v.whole() != 0);
        case Kind::Single:
            return print(float(v.real()));
        case Kind::Double:
            return print(v.real());
        case Kind::Date:
            return print(String(date_text(Date{v.real()})));
        case Kind::Currency:
            return print(Currency{v.whole()});
        case Kind::Null:
            return print(String("Null"));
        case Kind::String:
            return print(v.string());
        case Kind::Array:
            raise(kTypeMismatch);
        default:
            return print(Long(v.whole()));
    }
}

String str(const Variant& v) {
    switch (v.kind()) {
        case Kind::Empty:
            return String();
        case Kind::Boolean:
            return str(v.whole() != 0);
        case Kind::Single:
            return str(float(v.real()));
        case Kind::Date:
            return String(date_text(Date{v.real()}));
        case Kind::Currency:
            return str(Currency{v.whole()});
        case Kind::String:
            return str(v.string());
        case Kind::Double:
            return str(v.real());
        case Kind::Array:
            raise(kTypeMismatch);
        default:
            return str(Long(v.whole()));
    }
}

String variant_type_name(const Variant& v) {
    static const char* const names[] = {"Empty",  "Boolean",  "Byte",   "Integer",   "Long",
                                        "Single", "Double",   "String", "Variant()", "Date",
                                        "Error",  "Currency", "Null"};
    return String(names[int(v.kind())]);
}

Integer variant_var_type(const Variant& v) {
    static const Integer numbers[] = {0, 11, 17, 2, 3, 4, 5, 8, 8204, 7, 10, 6, 1};
    return numbers[int(v.kind())];
}

Array<String> split(const String& s, const String& delimiter, Long limit, Long compare) {
    if (limit < -1)
        raise(kInvalidCall);
    std::vector<String> parts;
    const std::string& text = s.str();
    std::string d = delimiter.str();
    if (!text.empty()) {
        std::string hay = text;
        if (compare == 1) {
            for (char& c : hay)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            for (char& c : d)
                c = char(std::tolower(static_cast<unsigned char>(c)));
        }
        std::size_t at = 0;
        for (;;) {
            if (limit != -1 && Long(parts.size()) == limit - 1) {
                parts.emplace_back(text.substr(at));
                break;
            }
            std::size_t next = d.empty() ? std::string::npos : hay.find(d, at);
            if (next == std::string::npos) {
                parts.emplace_back(text.substr(at));
                break;
            }
            parts.emplace_back(text.substr(at, next - at));
            at = next + d.size();
        }
        if (limit == 0)
            parts.clear();
    }
    return string_array(std::move(parts));
}

}  // namespace zbl
