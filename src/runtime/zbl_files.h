// Files: Open ... As #n and what reads and writes them, and the file system
// functions. Text files are read with CR LF, LF or CR line ends alike and
// written with CR LF, as the programs' Windows users expect. A "\" in a
// path is read as "/". Errors are the language's: 52 Bad file name or
// number, 53 File not found, 54 Bad file mode, 55 File already open, 58 File
// already exists, 59 Bad record length, 62 Input past end of file, 63 Bad
// record number, 67 Too many files, 70 Permission denied, 75 Path/File
// access error, 76 Path not found.
#pragma once

#include "zbl_runtime.h"

namespace zbl {

enum class FileMode { Input, Output, Append, Binary, Random };

inline constexpr Long vbNormal = 0;
inline constexpr Long vbReadOnly = 1;
inline constexpr Long vbHidden = 2;
inline constexpr Long vbSystem = 4;
inline constexpr Long vbVolume = 8;
inline constexpr Long vbDirectory = 16;
inline constexpr Long vbArchive = 32;

// Open path For mode As #number [Len = recordLength]. Numbers run from 1
// to 511; a Random file's records are 128 bytes unless given.
void file_open(const String& path, FileMode mode, Long number, Long recordLength = 0);
void file_close(Long number);       // Close #n: a number that is not open is no error
void file_close_all();              // Close
Integer free_file(Long range = 0);  // 0: from 1 to 255, 1: from 256 to 511
bool file_eof(Long number);
Long file_lof(Long number);
Long file_loc(Long number);
Long file_seek(Long number);                 // Seek(n): the next byte or record, from 1
void file_seek(Long number, Long position);  // Seek #n, position

// Print #n: the console's Print rules (number text, ";" and "," zones)
// into the file, which keeps its own column.
void file_print(Long number, const String& s);
void file_print(Long number, const Variant& v);
void file_print(Long number, double v);
inline void file_print(Long number, Currency v) {
    file_print(number, String(str(v).str() + " "));
}
inline void file_print(Long number, Date v) {
    file_print(number, String(date_text(v)));
}
void file_print(Long number, float v);
void file_print(Long number, bool v);
template <class T>
requires std::is_integral_v<T>
inline void file_print(Long number, T v) {
    file_print(number, String(str(v).str() + " "));
}
void file_print_zone(Long number);
void file_print_newline(Long number);

// Write #n, a, b: items separated by commas, strings in quotes, numbers
// without blanks, Booleans as #TRUE# and #FALSE#; the line ends with CR LF.
void file_write_item(Long number, const String& s);
void file_write_item(Long number, const Variant& v);
void file_write_item(Long number, double v);
inline void file_write_item(Long number, Currency v) {
    file_write_item(number, v.value());
}
void file_write_item(Long number, float v);
void file_write_item(Long number, bool v);
template <class T>
requires std::is_arithmetic_v<T> &&
    (!std::is_same_v<T, bool>)inline void file_write_item(Long number, T v) {
    file_write_item(number, double(v));
}
void file_write_end(Long number);

// Input #n: the next field (quoted strings keep their commas; #TRUE# and
// #FALSE# read as "True" and "False"); Line Input #n: the next line
// without its end.
String file_input_field(Long number);
String file_line_input(Long number);
// Line Input #n, variable: into the variable, reusing its buffer.
void file_line_input(Long number, String& dst);

namespace detail {
struct InputField {
    enum Kind : std::uint8_t { Plain, Quoted, True, False, Null };
    String text;
    Kind kind = Plain;
};
InputField input_field(Long number, bool numeric = false);
}  // namespace detail

// Input #n, variable: the next field into a variable of any type. A quoted
// field stays a string in a Variant, #TRUE# is True in any variable.
template <class T>
inline void file_input(Long number, T& dst) {
    detail::InputField f = detail::input_field(number, std::is_arithmetic_v<T> || is_currency_v<T>);
    using K = detail::InputField::Kind;
    if (f.kind == K::True || f.kind == K::False) {
        bool b = f.kind == K::True;
        if constexpr (is_string_v<T>)
            dst = String(b ? "True" : "False");
        else
            dst = cast<T>(b);
    } else if constexpr (is_variant_v<T>) {
        if (f.kind == K::Quoted)
            dst = Variant(std::move(f.text));
        else if (f.kind == K::Null || f.text.size() == 0)
            dst = Variant();
        else
            assign_input(dst, f.text);
    } else {
        assign_input(dst, f.text);
    }
}

// Get and Put of a number or a string: Binary files at a byte, Random files
// at a record (0: the current position). A Boolean takes two bytes, -1 or
// 0; numbers are little-endian. In a Random file a string is its two-byte
// length and its bytes; in a Binary file Put writes the bytes and Get reads
// as many as the string holds already.
void file_get(Long number, Long position, String& value);
void file_put(Long number, Long position, const String& value);
void file_get(Long number, Long position, Variant& value);
void file_put(Long number, Long position, const Variant& value);
void file_get_bytes(Long number, Long position, void* data, std::size_t size);
void file_put_bytes(Long number, Long position, const void* data, std::size_t size);
template <class T>
requires std::is_arithmetic_v<T>
inline void file_get(Long number, Long position, T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        Integer v = 0;
        file_get_bytes(number, position, &v, sizeof v);
        value = v != 0;
    } else {
        file_get_bytes(number, position, &value, sizeof value);
    }
}
template <class T>
requires std::is_arithmetic_v<T>
inline void file_put(Long number, Long position, const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        Integer v = value ? -1 : 0;
        file_put_bytes(number, position, &v, sizeof v);
    } else {
        file_put_bytes(number, position, &value, sizeof value);
    }
}

// Get and Put of everything else: a Date, a Currency, a Type's value or an
// array, as a record of fields in order and without gaps. A String field
// is its two-byte length and its bytes, a Variant its two-byte type number
// and its value, a fixed array its elements, a dynamic array a descriptor
// (two bytes of rank, then each dimension's count and lower bound, four
// bytes each) and its elements.
namespace fileio {
struct OpenFile;
}
struct RecordWriter {
    std::string bytes;
    void add(const void* data, std::size_t size) {
        bytes.append(static_cast<const char*>(data), size);
    }
};
// Reads a record field by field: within a Random file's record (a field
// past its end is error 59), or on from a Binary file's position. finish()
// moves past the record.
class RecordReader {
public:
    RecordReader(Long number, Long position);
    void read(void* data, std::size_t size);
    void finish();

private:
    fileio::OpenFile& f_;
    long long start_;
    std::size_t used_ = 0;
    bool short_ = false;
};
[[noreturn]] void bad_record();  // error 59, Bad record length
void put_field(RecordWriter& w, const String& v);
// A String * n field: its n characters, without a length.
void put_fixed(RecordWriter& w, const String& v, Long n);
void get_fixed(RecordReader& r, String& v, Long n);
void file_put_fixed(Long number, Long position, const String& v, Long n);
void file_get_fixed(Long number, Long position, String& v, Long n);
void put_field(RecordWriter& w, const Variant& v);
void get_field(RecordReader& r, String& v);
void get_field(RecordReader& r, Variant& v);
template <class T>
void put_field(RecordWriter& w, const T& v);
template <class T>
void get_field(RecordReader& r, T& v);

template <class T>
void put_field(RecordWriter& w, const T& v) {
    if constexpr (std::is_same_v<T, bool>) {
        const Integer i = v ? -1 : 0;
        w.add(&i, sizeof i);
    } else if constexpr (std::is_arithmetic_v<T>) {
        w.add(&v, sizeof v);
    } else if constexpr (is_date_v<T>) {
        w.add(&v.serial, sizeof v.serial);
    } else if constexpr (is_currency_v<T>) {
        w.add(&v.units, sizeof v.units);
    } else if constexpr (is_array_v<T>) {
        if (!v.isFixed()) {
            const std::int16_t rank = std::int16_t(v.rank());
            w.add(&rank, sizeof rank);
            for (Long d = 1; d <= rank; ++d) {
                const std::int32_t count = v.ubound(d) - v.lbound(d) + 1, lo = v.lbound(d);
                w.add(&count, sizeof count);
                w.add(&lo, sizeof lo);
            }
        }
        for (const auto& e : v.elements())
            put_field(w, e);
    } else {
        zbl_fields(w, v);  // a Type: its fields, written with it
    }
}

template <class T>
void get_field(RecordReader& r, T& v) {
    if constexpr (std::is_same_v<T, bool>) {
        Integer i = 0;
        r.read(&i, sizeof i);
        v = i != 0;
    } else if constexpr (std::is_arithmetic_v<T>) {
        r.read(&v, sizeof v);
    } else if constexpr (is_date_v<T>) {
        r.read(&v.serial, sizeof v.serial);
    } else if constexpr (is_currency_v<T>) {
        r.read(&v.units, sizeof v.units);
    } else if constexpr (is_array_v<T>) {
        if (!v.isFixed()) {
            std::int16_t rank = 0;
            r.read(&rank, sizeof rank);
            if (rank < 1 || rank > 60)
                bad_record();
            std::vector<Bound> bounds;
            for (int d = 0; d < rank; ++d) {
                std::int32_t count = 0, lo = 0;
                r.read(&count, sizeof count);
                r.read(&lo, sizeof lo);
                if (count < 1 || count > (1 << 24))
                    bad_record();
                bounds.push_back(Bound{lo, Long(lo + count - 1)});
            }
            v.redim(bounds, false);
        }
        for (std::size_t k = 0; k < v.count(); ++k)
            get_field(r, v.flat(k));
    } else {
        zbl_fields(r, v);
    }
}

template <class T>
requires(!std::is_arithmetic_v<T> && !is_string_v<T> &&
         !is_variant_v<T>) void file_put(Long number, Long position, const T& value) {
    RecordWriter w;
    put_field(w, value);
    file_put_bytes(number, position, w.bytes.data(), w.bytes.size());
}
template <class T>
requires(!std::is_arithmetic_v<T> && !is_string_v<T> &&
         !is_variant_v<T>) void file_get(Long number, Long position, T& value) {
    RecordReader r(number, position);
    get_field(r, value);
    r.finish();
}

// The file system. Dir$ and Kill take the patterns "*" and "?"; "*.*"
// matches names without a dot too.
void kill(const String& pattern);
void name_as(const String& from, const String& to);
void file_copy(const String& from, const String& to);
void mk_dir(const String& path);
void rm_dir(const String& path);
void ch_dir(const String& path);
String cur_dir();
String dir(const String& pattern, Long attributes = 0);  // the first match
String dir();                                            // the next match
Long file_len(const String& path);
Date file_date_time(const String& path);  // when it was last written, local time
Integer get_attr(const String& path);     // vbNormal 0, vbReadOnly 1, vbHidden 2, vbDirectory 16
void set_attr(const String& path, Long attributes);

namespace detail {
// Writes what every open file holds back and closes them all, errors
// ignored: the program is ending.
void close_files() noexcept;
// The path as the system names it: "\" read as "/".
std::string native_path(const String& path);
// True if the file at `path` is open under some number; `writing` only
// counts the numbers that may write to it.
bool is_open(const std::string& path, bool writing);
}  // namespace detail

}  // namespace zbl
