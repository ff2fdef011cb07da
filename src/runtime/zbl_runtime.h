// The run-time library that translated Zorbel modules include and link.
// Values map onto plain C++ types; the operators below follow the language's
// rules for result types, overflow and division by zero.
#pragma once

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace zbl {

using Boolean = bool;
using Byte = std::uint8_t;
using Integer = std::int16_t;
using Long = std::int32_t;
using Single = float;
using Double = double;

enum ErrorCode : int {
    kInvalidCall = 5,
    kOverflow = 6,
    kDivisionByZero = 11,
    kSubscriptOutOfRange = 9,
    kArrayFixed = 10,
    kTypeMismatch = 13,
};

// Ends the program with "Run-time error 'N':" and the error's text.
[[noreturn]] void raise(int code);
// An error with a description of its own (naming a file or a library).
[[noreturn]] void raise_with(int code, const std::string& description);
const char* error_text(int code);
// Declare ... Lib: the C function `name` of a shared library.
void* dll_symbol(const char* library, const char* name);

class String;
// The Err object: the last error's number, text and source, and Raise and
// Clear.
struct ErrObject;
ErrObject& err();

// A string value. Appends grow the buffer geometrically, so building a
// string piece by piece with s = s & x is linear.
class String {
public:
    String() = default;
    String(const char* s) : d_(s) {}
    String(const char* s, std::size_t n) : d_(s, n) {}
    String(std::string s) : d_(std::move(s)) {}
    const std::string& str() const { return d_; }
    std::string& str() { return d_; }
    std::size_t size() const { return d_.size(); }
    void append(std::string_view s) { d_.append(s); }
    friend bool operator==(const String&, const String&) = default;
    friend auto operator<=>(const String& a, const String& b) { return a.d_.compare(b.d_) <=> 0; }

private:
    std::string d_;
};

// A date: the serial day count from 1899-12-30, whose fraction is the time
// of day. Before that day the whole part counts days back and the fraction
// still counts the time forward from that day's midnight: -1.25 is
// 1899-12-29 6:00.
struct Date {
    double serial = 0;
    friend bool operator==(Date a, Date b) { return a.serial == b.serial; }
    friend auto operator<=>(Date a, Date b) { return a.serial <=> b.serial; }
};
std::string date_text(Date d);  // as CStr writes it
Date cdate(const String& s);    // date and time; Type mismatch if not one

template <class T>
inline constexpr bool is_date_v = std::is_same_v<std::decay_t<T>, Date>;

// Currency: a fixed-point number with four decimals, kept as a count of
// ten-thousandths, so sums of money are exact.
struct Currency {
    long long units = 0;  // value * 10,000
    static constexpr double scale = 10000.0;
    static Currency from(double v);  // rounds half to even; Overflow out of range
    double value() const { return double(units) / scale; }
    friend bool operator==(Currency a, Currency b) = default;
};
std::string currency_text(Currency c);  // as CStr writes it

template <class T>
inline constexpr bool is_currency_v = std::is_same_v<std::decay_t<T>, Currency>;

template <class T>
class Array;

// A value of any type, holding its type along: Empty until assigned, then a
// number, a string or an array of Variants. Copies are deep, as assigning a
// Variant that holds an array copies the array.
class Variant {
public:
    enum class Kind : std::uint8_t {
        Empty,
        Boolean,
        Byte,
        Integer,
        Long,
        Single,
        Double,
        String,
        Array,
        Date,
        Error,  // an error value: what an Optional Variant left out holds
        Currency,
        Null  // no valid data; arithmetic with it gives Null
    };
    Variant() = default;
    Variant(bool v) : k_(Kind::Boolean), i_(v ? -1 : 0) {}
    Variant(Byte v) : k_(Kind::Byte), i_(v) {}
    Variant(Integer v) : k_(Kind::Integer), i_(v) {}
    Variant(Long v) : k_(Kind::Long), i_(v) {}
    Variant(float v) : k_(Kind::Single), d_(v) {}
    Variant(double v) : k_(Kind::Double), d_(v) {}
    Variant(Date v) : k_(Kind::Date), d_(v.serial) {}
    Variant(Currency v) : k_(Kind::Currency), i_(v.units) {}
    static Variant null() {
        Variant v;
        v.k_ = Kind::Null;
        return v;
    }
    // The value of an Optional Variant parameter the caller left out.
    static Variant missing() {
        Variant v;
        v.k_ = Kind::Error;
        v.i_ = 448;
        return v;
    }
    Variant(String v) : k_(Kind::String), s_(std::move(v)) {}
    Variant(const char* v) : k_(Kind::String), s_(v) {}
    template <class T>
    Variant(const Array<T>& a);
    Variant(const Variant& o);
    Variant(Variant&&) noexcept = default;
    Variant& operator=(const Variant& o);
    Variant& operator=(Variant&&) noexcept = default;
    ~Variant();

    Kind kind() const { return k_; }
    bool isNumeric() const { return k_ >= Kind::Boolean && k_ <= Kind::Double; }
    bool isIntegral() const { return k_ >= Kind::Boolean && k_ <= Kind::Long; }
    long long whole() const { return i_; }
    double real() const {
        return k_ == Kind::Single || k_ == Kind::Double || k_ == Kind::Date ? d_ : double(i_);
    }
    const String& string() const { return s_; }
    double number() const;     // Type mismatch unless numeric or a numeric string
    std::string text() const;  // as CStr writes it
    Array<Variant>& array();   // Type mismatch unless it holds an array
    const Array<Variant>& array() const;
    // ReDim on a Variant: makes it an array of Variants.
    Array<Variant>& makeArray();

private:
    Kind k_ = Kind::Empty;
    long long i_ = 0;
    double d_ = 0;
    String s_;
    std::unique_ptr<Array<Variant>> a_;
};

template <class T>
inline constexpr bool is_variant_v = std::is_same_v<std::decay_t<T>, Variant>;

struct ErrObject {
    Long number = 0;
    String description;
    String source;
    void clear() {
        number = 0;
        description = String();
        source = String();
    }
    // Err.Raise: a description left empty gets the number's own text.
    [[noreturn]] void raise(Long n, const String& src = String(), const String& text = String());
};

// The value as a Variant, without a copy when it is one already.
template <class T>
inline decltype(auto) as_variant(const T& v) {
    if constexpr (is_variant_v<T>)
        return (v);
    else
        return Variant(v);
}

// ---- conversions between values ----

template <class T>
inline constexpr bool is_string_v = std::is_same_v<std::decay_t<T>, String>;

// Parses a whole string as a number (surrounding blanks allowed); false if
// it is not one. Accepts &H and &O forms.
bool parse_number(std::string_view s, double& out);
double to_double(const String& s);  // Type mismatch unless numeric

// Up to `digits` significant digits, no padding. Print and Str$ write 0.5 as
// ".5"; CStr and & keep the zero.
std::string format_number(double v, int digits, bool leadingZero = false);
std::string cstr(double v);
inline std::string cstr(float v) {
    return format_number(v, 7, true);
}
inline std::string cstr(bool v) {
    return v ? "True" : "False";
}
template <class T>
requires std::is_integral_v<T>
inline std::string cstr(T v) {
    return std::to_string(static_cast<long long>(v));
}
inline std::string cstr(const String& s) {
    return s.str();
}
inline std::string cstr(const Variant& v) {
    return v.text();
}
inline std::string cstr(Date d) {
    return date_text(d);
}
inline std::string cstr(Currency c) {
    return currency_text(c);
}

template <class T>
inline double num(const T& v) {
    if constexpr (is_string_v<T>)
        return to_double(v);
    else if constexpr (is_variant_v<T>)
        return v.number();
    else if constexpr (is_date_v<T>)
        return v.serial;
    else if constexpr (is_currency_v<T>)
        return v.value();
    else if constexpr (std::is_same_v<T, bool>)
        return v ? -1.0 : 0.0;
    else
        return static_cast<double>(v);
}

// Rounds half to even and checks the range, as assigning to an integer does.
template <class T>
inline T to_int(double v) {
    if (std::isnan(v))
        raise(kOverflow);
    double r = std::nearbyint(v);
    if (r < double(std::numeric_limits<T>::min()) || r > double(std::numeric_limits<T>::max()))
        raise(kOverflow);
    return static_cast<T>(r);
}

template <class T>
inline bool truth(const T& v) {
    if constexpr (std::is_same_v<T, bool>)
        return v;
    else if constexpr (is_date_v<T>)
        return v.serial != 0;
    else if constexpr (is_currency_v<T>)
        return v.units != 0;
    else if constexpr (is_variant_v<T>) {
        if (v.kind() == Variant::Kind::String)
            return truth(v.string());
        return v.number() != 0;
    } else if constexpr (is_string_v<T>) {
        std::string s = v.str();
        for (char& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (s == "true")
            return true;
        if (s == "false")
            return false;
        return to_double(v) != 0;
    } else
        return v != 0;
}

// Converts a value to the type of the variable it is assigned to.
template <class T, class U>
inline T cast(const U& v) {
    if constexpr (std::is_same_v<T, U>)
        return v;
    else if constexpr (is_variant_v<T>)
        return Variant(v);
    else if constexpr (is_currency_v<T>)
        return Currency::from(num(v));
    else if constexpr (is_date_v<T>) {
        // Text is read as a date, a number is a serial day.
        if constexpr (is_string_v<U>)
            return cdate(v);
        else if constexpr (is_variant_v<U>) {
            if (v.kind() == Variant::Kind::String)
                return cdate(v.string());
            return Date{v.number()};
        } else
            return Date{num(v)};
    } else if constexpr (is_string_v<T>)
        return String(cstr(v));
    else if constexpr (std::is_same_v<T, bool>)
        return truth(v);
    else if constexpr (std::is_integral_v<T>)
        return to_int<T>(num(v));
    else {
        double d = num(v);
        if constexpr (std::is_same_v<T, float>)
            if (std::isfinite(d) && std::fabs(d) > 3.402823466e38)
                raise(kOverflow);
        return static_cast<T>(d);
    }
}

// Gives a temporary an lvalue for the length of the statement, so that a
// value can be passed where a ByRef parameter is expected.
template <class T>
inline T& lv(T&& v) {
    return v;
}

// ---- arithmetic ----

namespace detail {
template <class T>
constexpr int rank() {
    if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, Integer>)
        return 1;
    else if constexpr (std::is_same_v<T, Byte>)
        return 0;
    else if constexpr (std::is_same_v<T, Long>)
        return 2;
    else if constexpr (std::is_same_v<T, float>)
        return 3;
    else
        return 4;  // Double and strings taken as numbers
}
template <class A, class B>
struct Arith {
    static constexpr int ra = rank<A>(), rb = rank<B>();
    static constexpr int r = ra > rb ? ra : rb;
    // Single with Long widens to Double.
    static constexpr int k = (r == 3 && (ra == 2 || rb == 2)) ? 4 : r;
    using type = std::conditional_t<
        k == 0, Byte,
        std::conditional_t<
            k == 1, Integer,
            std::conditional_t<k == 2, Long, std::conditional_t<k == 3, float, double>>>>;
};
template <class R>
inline R checked(long long v) {
    if (v < std::numeric_limits<R>::min() || v > std::numeric_limits<R>::max())
        raise(kOverflow);
    return static_cast<R>(v);
}
template <class R>
inline R checked_real(double v) {
    if (!std::isfinite(v) || (std::is_same_v<R, float> && std::fabs(v) > 3.402823466e38))
        raise(kOverflow);
    return static_cast<R>(v);
}
}  // namespace detail

template <class A, class B>
using arith_t = typename detail::Arith<A, B>::type;

// Arithmetic on Variants keeps the operands' types and widens on overflow
// (Integer to Long to Double), as the language does.
enum class VOp : std::uint8_t { Add, Sub, Mul, And, Or, Xor, Eqv, Imp };
Variant varith(VOp op, const Variant& a, const Variant& b);
Variant vneg(const Variant& a);
Variant vnot(const Variant& a);
int vcompare(const Variant& a, const Variant& b, bool text = false);
// Two strings compared without regard to case: -1, 0 or 1.
int text_compare(const String& a, const String& b);

// Currency with a whole number or Currency stays Currency; with a Single or
// a Double it gives a Double, as the language has it.
template <class A, class B, class F>
inline auto currency_arith(const A& a, const B& b, F op) {
    constexpr bool exact =
        (is_currency_v<A> || std::is_integral_v<A>)&&(is_currency_v<B> || std::is_integral_v<B>);
    if constexpr (exact)
        return Currency::from(op(num(a), num(b)));
    else
        return detail::checked_real<double>(op(num(a), num(b)));
}

#define ZBL_ARITH(NAME, OP, VOP)                                                    \
    template <class A, class B>                                                     \
    inline auto NAME(const A& a, const B& b) {                                      \
        using R = arith_t<A, B>;                                                    \
        if constexpr (is_variant_v<A> || is_variant_v<B>)                           \
            return varith(VOP, as_variant(a), as_variant(b));                       \
        else if constexpr (is_currency_v<A> || is_currency_v<B>)                    \
            return currency_arith(a, b, [](double x, double y) { return x OP y; }); \
        else if constexpr (VOP == VOp::Sub && is_date_v<A> && is_date_v<B>)         \
            return double(a.serial - b.serial);                                     \
        else if constexpr (VOP == VOp::Sub && is_date_v<A>)                         \
            return Date{detail::checked_real<double>(num(a) - num(b))};             \
        else if constexpr (std::is_integral_v<R>)                                   \
            return detail::checked<R>((long long)num(a) OP(long long) num(b));      \
        else                                                                        \
            return detail::checked_real<R>(double(num(a)) OP double(num(b)));       \
    }
ZBL_ARITH(sub, -, VOp::Sub)
ZBL_ARITH(mul, *, VOp::Mul)
#undef ZBL_ARITH

template <class A, class B>
inline auto add(const A& a, const B& b) {
    if constexpr (is_string_v<A> && is_string_v<B>) {
        String r = a;
        r.append(b.str());
        return r;
    } else if constexpr (is_variant_v<A> || is_variant_v<B>) {
        return varith(VOp::Add, as_variant(a), as_variant(b));
    } else if constexpr (is_currency_v<A> || is_currency_v<B>) {
        return currency_arith(a, b, [](double x, double y) { return x + y; });
    } else if constexpr (is_date_v<A> || is_date_v<B>) {
        return Date{detail::checked_real<double>(num(a) + num(b))};  // days later
    } else {
        using R = arith_t<A, B>;
        if constexpr (std::is_integral_v<R>)
            return detail::checked<R>((long long)num(a) + (long long)num(b));
        else
            return detail::checked_real<R>(double(num(a)) + double(num(b)));
    }
}

// "/" gives a Double, but a Single when a Single meets a Single, an Integer,
// a Byte or a Boolean.
template <class A, class B>
inline auto fdiv(const A& a, const B& b) {
    double x = num(a), y = num(b);
    if (y == 0)
        raise(x == 0 ? kOverflow : kDivisionByZero);
    constexpr bool single = (std::is_same_v<A, float> || std::is_same_v<B, float>)&&(
                                std::is_same_v<A, float> || detail::rank<A>() <= 1) &&
                            (std::is_same_v<B, float> || detail::rank<B>() <= 1);
    if constexpr (single)
        return detail::checked_real<float>(x / y);
    else
        return detail::checked_real<double>(x / y);
}

template <class T>
using int_t = std::conditional_t<detail::rank<T>() <= 1, Integer, Long>;

template <class A, class B>
inline auto idiv(const A& a, const B& b) {
    using R = std::conditional_t<(detail::rank<A>() <= 1 && detail::rank<B>() <= 1), Integer, Long>;
    long long x = to_int<Long>(num(a)), y = to_int<Long>(num(b));
    if (y == 0)
        raise(kDivisionByZero);
    return detail::checked<R>(x / y);
}

template <class A, class B>
inline auto mod(const A& a, const B& b) {
    using R = std::conditional_t<(detail::rank<A>() <= 1 && detail::rank<B>() <= 1), Integer, Long>;
    long long x = to_int<Long>(num(a)), y = to_int<Long>(num(b));
    if (y == 0)
        raise(kDivisionByZero);
    return detail::checked<R>(x % y);
}

template <class A, class B>
inline double pow(const A& a, const B& b) {
    double x = num(a), y = num(b);
    if (x == 0 && y < 0)
        raise(kDivisionByZero);
    if (x < 0 && y != std::floor(y))
        raise(kInvalidCall);
    return detail::checked_real<double>(std::pow(x, y));
}

template <class A>
inline auto neg(const A& a) {
    using R = arith_t<A, A>;
    if constexpr (is_variant_v<A>)
        return vneg(a);
    else if constexpr (std::is_integral_v<R>)
        return detail::checked<R>(-(long long)num(a));
    else
        return static_cast<R>(-num(a));
}

template <class A, class B>
inline String concat(const A& a, const B& b) {
    // & takes Null as "", the one operation that lets it through.
    auto text = [](const auto& v) {
        if constexpr (is_variant_v<decltype(v)>)
            return v.kind() == Variant::Kind::Null ? std::string() : cstr(v);
        else
            return cstr(v);
    };
    String r(text(a));
    r.append(text(b));
    return r;
}
template <class B>
inline void append(String& s, const B& b) {
    if constexpr (is_string_v<B>)
        s.append(b.str());
    else
        s.append(cstr(b));
}

// ---- logic: on two Booleans logical, otherwise bitwise on whole numbers ----

namespace detail {
template <class A, class B>
using logic_t = std::conditional_t<(rank<A>() <= 1 && rank<B>() <= 1), Integer, Long>;
template <class T>
inline long long bits(const T& v) {
    if constexpr (std::is_same_v<T, bool>)
        return v ? -1 : 0;
    else
        return to_int<Long>(num(v));
}
}  // namespace detail

#define ZBL_LOGIC(NAME, BOOLEXPR, BITEXPR, VOP)                           \
    template <class A, class B>                                           \
    inline auto NAME(const A& a, const B& b) {                            \
        if constexpr (std::is_same_v<A, bool> && std::is_same_v<B, bool>) \
            return bool(BOOLEXPR);                                        \
        else if constexpr (is_variant_v<A> || is_variant_v<B>)            \
            return varith(VOP, as_variant(a), as_variant(b));             \
        else {                                                            \
            long long x = detail::bits(a), y = detail::bits(b);           \
            return static_cast<detail::logic_t<A, B>>(BITEXPR);           \
        }                                                                 \
    }
ZBL_LOGIC(and_, a&& b, x& y, VOp::And)
ZBL_LOGIC(or_, a || b, x | y, VOp::Or)
ZBL_LOGIC(xor_, a != b, x ^ y, VOp::Xor)
ZBL_LOGIC(eqv, a == b, ~(x ^ y), VOp::Eqv)
ZBL_LOGIC(imp, !a || b, ~x | y, VOp::Imp)
#undef ZBL_LOGIC

template <class A>
inline auto not_(const A& a) {
    if constexpr (std::is_same_v<A, bool>)
        return !a;
    else if constexpr (is_variant_v<A>)
        return vnot(a);
    else
        return static_cast<detail::logic_t<A, A>>(~detail::bits(a));
}

// ---- comparisons: two strings compare as text, anything else as numbers ----

// Text: as Option Compare Text has it, without regard to case.
template <bool Text = false, class A, class B>
inline int compare(const A& a, const B& b) {
    if constexpr (is_string_v<A> && is_string_v<B>) {
        if constexpr (Text)
            return text_compare(a, b);
        int c = a.str().compare(b.str());
        return (c > 0) - (c < 0);
    } else if constexpr (is_variant_v<A> || is_variant_v<B>) {
        return vcompare(as_variant(a), as_variant(b), Text);
    } else if constexpr (std::is_arithmetic_v<A> && std::is_arithmetic_v<B> &&
                         !std::is_same_v<A, bool> && !std::is_same_v<B, bool>) {
        return (a > b) - (a < b);
    } else {
        double x = num(a), y = num(b);
        return (x > y) - (x < y);
    }
}
// What compare gives when a Null takes part: no comparison holds.
inline constexpr int kUnknown = 2;
template <bool Text = false, class A, class B>
inline bool eq(const A& a, const B& b) {
    const int c = compare<Text>(a, b);
    return c != kUnknown && c == 0;
}
template <bool Text = false, class A, class B>
inline bool ne(const A& a, const B& b) {
    const int c = compare<Text>(a, b);
    return c != kUnknown && c != 0;
}
template <bool Text = false, class A, class B>
inline bool lt(const A& a, const B& b) {
    const int c = compare<Text>(a, b);
    return c != kUnknown && c < 0;
}
template <bool Text = false, class A, class B>
inline bool gt(const A& a, const B& b) {
    const int c = compare<Text>(a, b);
    return c != kUnknown && c > 0;
}
template <bool Text = false, class A, class B>
inline bool le(const A& a, const B& b) {
    const int c = compare<Text>(a, b);
    return c != kUnknown && c <= 0;
}
template <bool Text = false, class A, class B>
inline bool ge(const A& a, const B& b) {
    const int c = compare<Text>(a, b);
    return c != kUnknown && c >= 0;
}
bool like(const String& text, const String& pattern, bool textCompare = false);
template <bool Text = false, class A, class B>
inline bool like(const A& a, const B& b) {
    return like(cast<String>(a), cast<String>(b), Text);
}

// ---- built-in functions ----

Long len(const String& s);
template <class T>
requires(!is_string_v<T>) inline Long len(const T& v) {
    return Long(cstr(v).size());
}
String left(const String& s, Long n);
String right(const String& s, Long n);
String mid(const String& s, Long start);
String mid(const String& s, Long start, Long n);
String ucase(const String& s);
String lcase(const String& s);
String trim(const String& s);
String ltrim(const String& s);
String rtrim(const String& s);
String space(Long n);
String chr(Long code);
Integer asc(const String& s);
double val(const String& s);
String str(double v);
inline String str(float v) {
    std::string t = format_number(v, 7);
    return String(v >= 0 ? " " + t : t);
}
inline String str(bool v) {
    return String(v ? "True" : "False");
}
template <class T>
requires std::is_integral_v<T>
inline String str(T v) {
    return String(v >= 0 ? " " + cstr(v) : cstr(v));
}
inline String str(const String& s) {
    return str(to_double(s));
}
String str(const Variant& v);
inline String str(Date d) {
    return String(date_text(d));
}
inline String str(Currency c) {
    const std::string t = currency_text(c);
    return String(c.units >= 0 ? " " + t : t);
}

template <class T>
inline auto abs(const T& v) {
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        return detail::checked<T>(v < 0 ? -(long long)v : (long long)v);
    } else if constexpr (std::is_floating_point_v<T>) {
        return std::fabs(v);
    } else
        return std::fabs(num(v));
}
template <class T>
inline auto int_(const T& v) {
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
        return v;
    else if constexpr (std::is_floating_point_v<T>)
        return static_cast<T>(std::floor(v));
    else
        return std::floor(num(v));
}
template <class T>
inline auto fix(const T& v) {
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
        return v;
    else if constexpr (std::is_floating_point_v<T>)
        return static_cast<T>(std::trunc(v));
    else
        return std::trunc(num(v));
}
template <class T>
inline Integer sgn(const T& v) {
    double d = num(v);
    return Integer((d > 0) - (d < 0));
}
double sqr(double v);

// ---- the console ----

void print(const String& s);
void print(const Variant& v);
inline void print(Date d) {
    print(String(date_text(d)));
}
inline void print(Currency c) {
    print(String(str(c).str() + " "));
}
void print(double v);
void print(float v);
void print(bool v);
template <class T>
requires std::is_integral_v<T>
inline void print(T v) {
    print(String(str(v).str() + " "));
}
void print_zone();       // "," moves to the next 14-column zone
void print_tab(Long n);  // Tab(n) in a Print list: to column n
void print_spc(Long n);  // Spc(n) in a Print list: n blanks
void print_newline();    // a Print without a trailing ";" or ","
void flush();

// Error(n) and Error$: the text of an error number ("" for 0).
String error_string(Long code);
inline String error_string() {
    return error_string(err().number);
}

// Program start and end: the translated Sub Main runs between them.
void start(int argc, char** argv);
[[noreturn]] void end_program();
int finish();

}  // namespace zbl

namespace zbl {

// Assignment converts to the variable's type.
template <class T, class U>
inline void assign(T& dst, const U& v) {
    dst = cast<T>(v);
}

// String * n: a new one holds n zero characters; a value assigned to it is
// cut to n characters or filled up with blanks.
inline String fixed_string(Long n) {
    return String(std::string(std::size_t(n > 0 ? n : 0), '\0'));
}
inline void fix_length(String& s, Long n) {
    s.str().resize(std::size_t(n > 0 ? n : 0), ' ');
}
template <class U>
inline void assign_fixed(String& dst, const U& v, Long n) {
    dst = cast<String>(v);
    fix_length(dst, n);
}

// A For loop goes on while the counter has not passed the end, in the
// direction of the step.
template <class T>
inline bool for_continue(const T& i, const T& end, const T& step) {
    if constexpr (std::is_arithmetic_v<T>)
        return step >= 0 ? i <= end : i >= end;
    else
        return num(step) >= 0 ? compare(i, end) <= 0 : compare(i, end) >= 0;
}

// A loop entered by a jump past its For has no end or step to go on with.
inline void for_started(bool started) {
    if (!started)
        raise(92);
}

// IIf evaluates both values, as the language does, and gives a Variant.
template <class C, class A, class B>
inline Variant iif(const C& cond, const A& a, const B& b) {
    return truth(cond) ? Variant(as_variant(a)) : Variant(as_variant(b));
}

// Choose(index, first, second, ...): the value the index (from 1, rounded)
// names; Null when it names none.
template <class I, class... T>
inline Variant choose(const I& index, const T&... values) {
    const Long k = cast<Long>(index);
    Variant chosen = Variant::null();
    Long i = 0;
    ((++i == k ? void(chosen = as_variant(values)) : void()), ...);
    return chosen;
}

// Switch(condition, value, ...): the value after the first true condition;
// Null when none is true. An odd count of arguments is error 5.
inline Variant switch_() {
    return Variant::null();
}
template <class C>
inline Variant switch_(const C&) {
    raise(5);
}
template <class C, class V, class... Rest>
inline Variant switch_(const C& condition, const V& value, const Rest&... rest) {
    if (truth(condition))
        return as_variant(value);
    return switch_(rest...);
}

}  // namespace zbl

#include "zbl_array.h"
#include "zbl_builtins.h"
#include "zbl_dates.h"
#include "zbl_files.h"
#include "zbl_trace.h"

namespace zbl {

// Functions whose argument may be a string or a number.
template <class T>
inline String string_any(Long n, const T& v) {
    if constexpr (is_string_v<T>)
        return string_(n, v);
    else if constexpr (is_variant_v<T>)
        return v.kind() == Variant::Kind::String ? string_(n, v.string())
                                                 : string_(n, cast<Long>(v));
    else
        return string_(n, cast<Long>(v));
}
template <class T>
inline String environ_any(const T& v) {
    if constexpr (is_string_v<T>)
        return environ(v);
    else if constexpr (is_variant_v<T>)
        return v.kind() == Variant::Kind::String ? environ(v.string()) : environ(cast<Long>(v));
    else
        return environ(cast<Long>(v));
}
inline bool isnumeric(const Variant& v) {
    if (v.kind() == Variant::Kind::String)
        return isnumeric(v.string());
    return v.kind() != Variant::Kind::Array;
}

// A field typed at an Input prompt, into its variable: numbers as Val
// reads them, a Variant as a number when the field is one.
template <class T>
inline void assign_input(T& dst, const String& field) {
    if constexpr (is_string_v<T>)
        dst = field;
    else if constexpr (is_variant_v<T>)
        dst = isnumeric(field) ? Variant(val(field)) : Variant(field);
    else
        dst = cast<T>(val(field));
}

}  // namespace zbl

namespace zbl {

// RGB(r, g, b): a colour as a Long, red in the low byte. A part above 255
// counts as 255; a negative one is an invalid argument.
inline Long rgb(Long r, Long g, Long b) {
    if (r < 0 || g < 0 || b < 0)
        raise(kInvalidCall);
    auto part = [](Long v) { return v > 255 ? 255 : v; };
    return part(r) | (part(g) << 8) | (part(b) << 16);
}

}  // namespace zbl

namespace zbl {

// On n GoTo|GoSub: the branch to take, 0 for none; below 0 or past 255 is
// an invalid argument.
template <class T>
inline Long on_index(const T& v) {
    Long n = cast<Long>(v);
    if (n < 0 || n > 255)
        raise(kInvalidCall);
    return n;
}
inline int pop_gosub(std::vector<int>& stack) {
    int k = stack.back();
    stack.pop_back();
    return k;
}

}  // namespace zbl

namespace zbl {

inline constexpr Long vbUpperCase = 1;
inline constexpr Long vbLowerCase = 2;
inline constexpr Long vbProperCase = 3;

// Mid$(s, start[, length]) = text: overwrites in place; s keeps its length.
void mid_assign(String& s, Long start, Long length, const String& text);
// StrConv for case: upper, lower, or each word capitalised.
String strconv(const String& s, Long conversion);
void beep();
Integer do_events();
// Shell: starts a command line through the shell without waiting; its
// process id, or error 53 when it cannot start.
double shell(const String& command, Long windowStyle = 1);

// Filter(array, match [, include [, compare]]): the strings that contain
// (or, with include False, lack) match, counted from 0.
template <class A>
inline Array<String> filter(const A& source, const String& match, Long include = -1,
                            Long compare = 0) {
    const bool keep = include != 0;
    std::vector<String> found;
    for (const auto& v : array_of(source).elements()) {
        String s = cast<String>(v);
        bool has = compare == 1 ? instr(1, s, match, 1) > 0 : instr(s, match) > 0;
        if (has == keep)
            found.push_back(std::move(s));
    }
    return string_array(std::move(found));
}

}  // namespace zbl

namespace zbl {

// Format$ and IsDate for a value of any type: a date as a date, text as
// text, anything else as a number.
template <class T>
inline String format_any(const T& v, const String& fmt = String()) {
    const bool plain = fmt.size() == 0;
    if constexpr (is_date_v<T>)
        return plain ? format(v) : format(v, fmt);
    else if constexpr (is_string_v<T>)
        return plain ? format(v) : format(v, fmt);
    else if constexpr (is_variant_v<T>) {
        if (v.kind() == Variant::Kind::Date)
            return format_any(Date{v.real()}, fmt);
        if (v.kind() == Variant::Kind::String)
            return format_any(v.string(), fmt);
        if (v.kind() == Variant::Kind::Empty)
            return String();
        return format_any(v.number(), fmt);
    } else
        return plain ? format(num(v)) : format(num(v), fmt);
}
template <class T>
inline bool is_date_any(const T& v) {
    if constexpr (is_date_v<T>)
        return true;
    else if constexpr (is_string_v<T>)
        return is_date(v);
    else if constexpr (is_variant_v<T>)
        return v.kind() == Variant::Kind::Date ||
               (v.kind() == Variant::Kind::String && is_date(v.string()));
    else
        return false;
}

}  // namespace zbl

namespace zbl {

template <class T>
inline bool is_null(const T& v) {
    if constexpr (is_variant_v<T>)
        return v.kind() == Variant::Kind::Null;
    else
        return false;
}
template <class T>
inline bool is_object(const T&) {
    return false;  // a Zorbel program has no objects
}

}  // namespace zbl
