// The language's built-in functions and constants, as the C++ writer calls
// them in the run-time library.
#pragma once

#include <string>

namespace zbl::trans {

struct Builtin {
    const char* name;  // lower case, without a type character
    const char* cpp;
    // One letter an argument: S String, L Long, D Double, F Single, T Date, A any
    // value, R an array of plain values (or a Variant holding one), Y any
    // array, of a Type too, X a value or an array;
    // "*": any number of values.
    const char* params;
    int required;
    bool dollar;  // may be written with a $ suffix
    // What it gives: 'S' a String, 'N' a number, 'V' a Variant, 'A' an array
    // of Strings, '-' nothing (a statement).
    char result;
    // C++ values for arguments left out between others, '|' between
    // parameters; "" where the parameter has none.
    const char* defaults = "";
    // Its last parameter is how strings compare, which Option Compare Text
    // makes vbTextCompare when it is left out.
    bool compares = false;
};

const Builtin* findBuiltin(const std::string& lowerName);

// A named constant of the library (vbCrLf, vbYesNo, ...): its C++ name, or
// nullptr.
const char* findConstant(const std::string& lowerName);

}  // namespace zbl::trans
