// Arrays of any rank with their own bounds, stored column-major (the first
// index varies fastest) as the language lays them out, so ReDim Preserve
// keeps the elements when the last dimension changes.
#pragma once

#include <initializer_list>
#include <vector>

#include "zbl_runtime.h"

namespace zbl {

struct Bound {
    Long lo = 0, hi = 0;
};

template <class T>
class Array {
public:
    using value_type = T;
    // A dynamic array, without elements until ReDim gives it bounds.
    Array() = default;
    // A fixed array: its bounds never change.
    static Array fixed(std::initializer_list<Bound> bounds) {
        Array a;
        a.shape(std::vector<Bound>(bounds), false);
        a.fixed_ = true;
        return a;
    }

    bool isFixed() const { return fixed_; }
    bool allocated() const { return !lo_.empty(); }
    int rank() const { return int(lo_.size()); }
    std::size_t count() const { return data_.size(); }
    T& flat(std::size_t k) {
        if (k >= data_.size())
            raise(kSubscriptOutOfRange);
        return data_[k];
    }
    const std::vector<T>& elements() const { return data_; }

    void redim(std::initializer_list<Bound> bounds, bool preserve) {
        redim(std::vector<Bound>(bounds), preserve);
    }
    void redim(const std::vector<Bound>& bounds, bool preserve) {
        if (fixed_)
            raise(kArrayFixed);
        if (!preserve || !allocated()) {
            shape(bounds, false);
            return;
        }
        // Preserve may change only the last dimension's upper bound.
        if (bounds.size() != lo_.size())
            raise(kSubscriptOutOfRange);
        for (std::size_t d = 0; d < bounds.size(); ++d)
            if (bounds[d].lo != lo_[d] || (d + 1 < bounds.size() && Long(n_[d]) != span(bounds[d])))
                raise(kSubscriptOutOfRange);
        shape(bounds, true);
    }

    // Erase: a fixed array gets default values back, a dynamic one is freed.
    void erase() {
        if (fixed_) {
            for (T& v : data_)
                v = T{};
        } else {
            data_.clear();
            lo_.clear();
            n_.clear();
        }
    }

    Long lbound(Long dim = 1) const { return lo_[checkDim(dim)]; }
    Long ubound(Long dim = 1) const {
        std::size_t d = checkDim(dim);
        return Long(lo_[d] + Long(n_[d]) - 1);
    }

    T& operator()(Long i) {
        if (lo_.size() != 1)
            raise(kSubscriptOutOfRange);
        std::size_t k = std::size_t(i - lo_[0]);
        if (k >= n_[0])
            raise(kSubscriptOutOfRange);
        return data_[k];
    }
    T& operator()(Long i, Long j) {
        if (lo_.size() != 2)
            raise(kSubscriptOutOfRange);
        std::size_t a = std::size_t(i - lo_[0]), b = std::size_t(j - lo_[1]);
        if (a >= n_[0] || b >= n_[1])
            raise(kSubscriptOutOfRange);
        return data_[a + b * n_[0]];
    }
    template <class... I>
    T& operator()(const I&... index) {
        if constexpr (sizeof...(I) == 1 || sizeof...(I) == 2)
            return (*this)(cast<Long>(index)...);
        else {
            const Long at[] = {cast<Long>(index)...};
            if (lo_.size() != sizeof...(I))
                raise(kSubscriptOutOfRange);
            std::size_t k = 0, stride = 1;
            for (std::size_t d = 0; d < sizeof...(I); ++d) {
                std::size_t off = std::size_t(at[d] - lo_[d]);
                if (off >= n_[d])
                    raise(kSubscriptOutOfRange);
                k += off * stride;
                stride *= n_[d];
            }
            return data_[k];
        }
    }

    // Copies another array's bounds and elements, converting each element.
    template <class U>
    void assignFrom(const Array<U>& src) {
        if (fixed_)
            raise(kArrayFixed);
        if constexpr (std::is_same_v<T, U>) {
            if (this == &src)
                return;
            data_ = src.data_;
        } else {
            data_.clear();
            data_.reserve(src.data_.size());
            for (const U& v : src.data_)
                data_.push_back(cast<T>(v));
        }
        lo_ = src.lo_;
        n_ = src.n_;
    }

private:
    template <class U>
    friend class Array;

    static Long span(Bound b) { return b.hi - b.lo + 1; }

    std::size_t checkDim(Long dim) const {
        if (dim < 1 || std::size_t(dim) > lo_.size())
            raise(kSubscriptOutOfRange);
        return std::size_t(dim - 1);
    }

    void shape(const std::vector<Bound>& bounds, bool keep) {
        std::vector<Long> lo;
        std::vector<std::size_t> n;
        std::size_t total = 1;
        for (const Bound& b : bounds) {
            if (b.hi < b.lo - 1)
                raise(kSubscriptOutOfRange);
            std::size_t k = std::size_t(span(b));
            if (k && total > (std::size_t(1) << 40) / k)
                raise(7);  // Out of memory
            total *= k;
            lo.push_back(b.lo);
            n.push_back(k);
        }
        if (bounds.empty())
            raise(kSubscriptOutOfRange);
        if (keep)
            data_.resize(total);
        else
            data_.assign(total, T{});
        lo_ = std::move(lo);
        n_ = std::move(n);
    }

    std::vector<T> data_;
    std::vector<Long> lo_;
    std::vector<std::size_t> n_;
    bool fixed_ = false;
};

template <class T>
inline constexpr bool is_array_v = false;
template <class T>
inline constexpr bool is_array_v<Array<T>> = true;

template <class T>
Variant::Variant(const Array<T>& a) : k_(Kind::Array), a_(std::make_unique<Array<Variant>>()) {
    a_->assignFrom(a);
}

// The array a name stands for: an array variable, or a Variant holding one.
template <class T>
inline Array<T>& array_of(Array<T>& a) {
    return a;
}
inline Array<Variant>& array_of(Variant& v) {
    return v.array();
}
template <class T>
inline const Array<T>& array_of(const Array<T>& a) {
    return a;
}
inline const Array<Variant>& array_of(const Variant& v) {
    return v.array();
}

template <class A>
inline Long lbound(const A& a, Long dim = 1) {
    return array_of(a).lbound(dim);
}
template <class A>
inline Long ubound(const A& a, Long dim = 1) {
    return array_of(a).ubound(dim);
}

// Assigning a whole array: to an array variable or into a Variant.
template <class T, class S>
inline void assign_array(Array<T>& dst, const S& src) {
    dst.assignFrom(array_of(src));
}
template <class S>
inline void assign_array(Variant& dst, const S& src) {
    dst = Variant(array_of(src));
}

// An element of a Variant that holds an array.
template <class... I>
inline Variant& velem(Variant& v, const I&... index) {
    return v.array()(index...);
}

// Strings as an array counted from 0, as Split and Filter give them.
inline Array<String> string_array(std::vector<String> items) {
    Array<String> r;
    r.redim({Bound{0, Long(items.size()) - 1}}, false);
    for (std::size_t i = 0; i < items.size(); ++i)
        r(Long(i)) = std::move(items[i]);
    return r;
}

Array<String> split(const String& s, const String& delimiter = String(" "), Long limit = -1,
                    Long compare = 0);
template <class A>
inline String join(const A& a, const String& delimiter = String(" ")) {
    const auto& arr = array_of(a);
    if (arr.rank() > 1)
        raise(kInvalidCall);
    std::string r;
    bool first = true;
    for (const auto& v : arr.elements()) {
        if (!first)
            r += delimiter.str();
        first = false;
        r += cstr(v);
    }
    return String(std::move(r));
}

}  // namespace zbl

namespace zbl {

// Array(a, b, ...): a Variant holding the values, counted from 0.
template <class... T>
Array<Variant> param_array(const T&... values);
template <class... T>
inline Variant make_array(const T&... values) {
    return Variant(param_array(values...));
}
// The same counted from `lower`, as under Option Base 1.
template <class... T>
inline Variant make_array_at(Long lower, const T&... values) {
    Array<Variant> a;
    a.redim({Bound{lower, lower + Long(sizeof...(T)) - 1}}, false);
    Long i = lower;
    ((a(i++) = as_variant(values)), ...);
    return Variant(a);
}

// The type functions: what a value holds, by name and by VarType number.
namespace detail {
template <class T>
constexpr const char* plain_type_name() {
    if constexpr (std::is_same_v<T, bool>)
        return "Boolean";
    else if constexpr (std::is_same_v<T, Byte>)
        return "Byte";
    else if constexpr (std::is_same_v<T, Integer>)
        return "Integer";
    else if constexpr (std::is_same_v<T, Long>)
        return "Long";
    else if constexpr (std::is_same_v<T, float>)
        return "Single";
    else if constexpr (std::is_same_v<T, double>)
        return "Double";
    else if constexpr (is_string_v<T>)
        return "String";
    else if constexpr (is_date_v<T>)
        return "Date";
    else if constexpr (is_currency_v<T>)
        return "Currency";
    else
        return "Variant";
}
template <class T>
constexpr int plain_var_type() {
    if constexpr (std::is_same_v<T, bool>)
        return 11;
    else if constexpr (std::is_same_v<T, Byte>)
        return 17;
    else if constexpr (std::is_same_v<T, Integer>)
        return 2;
    else if constexpr (std::is_same_v<T, Long>)
        return 3;
    else if constexpr (std::is_same_v<T, float>)
        return 4;
    else if constexpr (std::is_same_v<T, double>)
        return 5;
    else if constexpr (is_string_v<T>)
        return 8;
    else if constexpr (is_date_v<T>)
        return 7;
    else if constexpr (is_currency_v<T>)
        return 6;
    else
        return 12;
}
}  // namespace detail

String variant_type_name(const Variant& v);
Integer variant_var_type(const Variant& v);

template <class T>
inline String type_name(const T& v) {
    if constexpr (is_variant_v<T>)
        return variant_type_name(v);
    else if constexpr (is_array_v<T>)
        return String(std::string(detail::plain_type_name<typename T::value_type>()) + "()");
    else
        return String(detail::plain_type_name<T>());
}
template <class T>
inline Integer var_type(const T& v) {
    if constexpr (is_variant_v<T>)
        return variant_var_type(v);
    else if constexpr (is_array_v<T>)
        return Integer(8192 + detail::plain_var_type<typename T::value_type>());
    else
        return Integer(detail::plain_var_type<T>());
}
template <class T>
inline bool is_empty(const T& v) {
    if constexpr (is_variant_v<T>)
        return v.kind() == Variant::Kind::Empty;
    else
        return false;
}
template <class T>
inline bool is_missing(const T& v) {
    if constexpr (is_variant_v<T>)
        return v.kind() == Variant::Kind::Error && v.whole() == 448;
    else
        return false;
}

// ParamArray: the arguments from there on, as an array of Variants from 0.
template <class... T>
inline Array<Variant> param_array(const T&... values) {
    Array<Variant> a;
    a.redim({Bound{0, Long(sizeof...(T)) - 1}}, false);
    Long i = 0;
    ((a(i++) = as_variant(values)), ...);
    return a;
}

// An array of String * n: new elements hold n zero characters, the others
// keep their text at that length.
inline void fix_strings(Array<String>& a, Long n) {
    for (std::size_t k = 0; k < a.count(); ++k) {
        String& s = a.flat(k);
        if (s.size() == 0)
            s = fixed_string(n);
        else
            fix_length(s, n);
    }
}
inline Array<String> fixed_strings(Array<String> a, Long n) {
    fix_strings(a, n);
    return a;
}

template <class T>
inline bool is_array(const T& v) {
    if constexpr (is_variant_v<T>)
        return v.kind() == Variant::Kind::Array;
    else
        return is_array_v<T>;
}

}  // namespace zbl
