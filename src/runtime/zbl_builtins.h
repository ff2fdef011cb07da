// The built-in functions of the language that work on plain strings and
// numbers. Translated code passes arguments already converted to the types
// declared here.
#pragma once

#include <cstdio>
#include <vector>

#include "zbl_runtime.h"

namespace zbl {

inline constexpr int kInputPastEnd = 62;

// ---- constants ----

inline constexpr Long vbOKOnly = 0;
inline constexpr Long vbOKCancel = 1;
inline constexpr Long vbAbortRetryIgnore = 2;
inline constexpr Long vbYesNoCancel = 3;
inline constexpr Long vbYesNo = 4;
inline constexpr Long vbRetryCancel = 5;
inline constexpr Long vbCritical = 16;
// Err.Raise vbObjectError + n: a program's own error numbers.
inline constexpr Long vbObjectError = -2147221504;
// What VarType gives.
inline constexpr Long vbEmpty = 0, vbNull = 1, vbInteger = 2, vbLong = 3, vbSingle = 4,
                      vbDouble = 5, vbCurrency = 6, vbDate = 7, vbString = 8, vbObject = 9,
                      vbError = 10, vbBoolean = 11, vbVariant = 12, vbByte = 17, vbArray = 8192;
inline constexpr Long vbQuestion = 32;
inline constexpr Long vbExclamation = 48;
inline constexpr Long vbInformation = 64;
inline constexpr Long vbDefaultButton1 = 0;
inline constexpr Long vbDefaultButton2 = 256;
inline constexpr Long vbDefaultButton3 = 512;
inline constexpr Long vbOK = 1;
inline constexpr Long vbCancel = 2;
inline constexpr Long vbAbort = 3;
inline constexpr Long vbRetry = 4;
inline constexpr Long vbIgnore = 5;
inline constexpr Long vbYes = 6;
inline constexpr Long vbNo = 7;

inline constexpr Long vbUseCompareOption = -1;
inline constexpr Long vbBinaryCompare = 0;
inline constexpr Long vbTextCompare = 1;
inline constexpr Long vbDatabaseCompare = 2;

inline const String vbCrLf("\r\n");
inline const String vbCr("\r");
inline const String vbLf("\n");
inline const String vbNewLine("\n");
inline const String vbTab("\t");
inline const String vbBack("\b");
inline const String vbFormFeed("\f");
inline const String vbVerticalTab("\v");
inline const String vbNullChar("", 1);
inline const String vbNullString;

// ---- strings ----

// `compare`: 0 binary, 1 text (case-insensitive), -1 the module's default
// (binary); anything else is an invalid argument.
Long instr(const String& s, const String& find);
Long instr(Long start, const String& s, const String& find, Long compare = 0);
Long instrrev(const String& s, const String& find, Long start = -1, Long compare = 0);
// The result starts at `start`, as the language's Replace does.
String replace(const String& s, const String& find, const String& with, Long start = 1,
               Long count = -1, Long compare = 0);
String strreverse(const String& s);
String string_(Long n, const String& ch);
String string_(Long n, Long code);
Integer strcomp(const String& a, const String& b, Long compare = 0);

// ---- numbers ----

namespace detail {
String radix_text(std::uint32_t v, int bitsPerDigit);
// Integer-ranked values give 16 bits, everything else is rounded to a Long.
template <class T>
inline std::uint32_t radix_bits(const T& v) {
    bool narrow;
    if constexpr (is_variant_v<T>)
        narrow = v.kind() == Variant::Kind::Boolean || v.kind() == Variant::Kind::Byte ||
                 v.kind() == Variant::Kind::Integer;
    else
        narrow = rank<T>() <= 1;
    if (narrow)
        return std::uint16_t(to_int<Integer>(num(v)));
    return std::uint32_t(to_int<Long>(num(v)));
}
}  // namespace detail

template <class T>
inline String hex(const T& v) {
    return detail::radix_text(detail::radix_bits(v), 4);
}
template <class T>
inline String oct(const T& v) {
    return detail::radix_text(detail::radix_bits(v), 3);
}

// Half-way values go to the even neighbour.
double round(double v, Long digits = 0);

bool isnumeric(const String& s);
template <class T>
requires(!is_string_v<T>) inline bool isnumeric(const T&) {
    return true;
}

double sin_(double v);
double cos_(double v);
double tan_(double v);
double atn(double v);
double exp_(double v);
double log_(double v);

// The generator and seeding of the language's Rnd, so that a seeded program
// repeats the same sequence it always has.
Single rnd();
Single rnd(Single n);
void randomize();
void randomize(double seed);

// ---- the system ----

Single timer();  // seconds since local midnight
String command();
String environ(const String& name);
String environ(Long index);

// ---- console input and dialogs ----

String line_input(const String& prompt);
// Asks until the answer has exactly `count` comma-separated fields; a field
// marked in `numeric` must also be a number (or empty).
std::vector<String> input_fields(const String& prompt, bool question, std::size_t count,
                                 const std::vector<bool>& numeric = {});
Integer msgbox(const String& prompt, Long buttons = 0, const String& title = "");
// A program without a console (Option Console Off) shows MsgBox and
// InputBox as dialogs: use_dialogs(), in the separate dialog library, puts
// them here.
namespace detail {
struct Dialogs {
    Integer (*msgbox)(const String&, Long, const String&) = nullptr;
    String (*inputbox)(const String&, const String&, const String&) = nullptr;
};
extern Dialogs dialogs;
}  // namespace detail
void use_dialogs();
String inputbox(const String& prompt, const String& title = "", const String& deflt = "");

namespace detail {
void keep_args(int argc, char** argv);
// Where the console reads and writes; null restores stdin / stdout.
void set_console(std::FILE* in, std::FILE* out);
}  // namespace detail

}  // namespace zbl
