// Run-time errors end the program with the error's number and text.
#include <cstdio>
#include <cstdlib>

#include "zbl_runtime.h"

namespace zbl {

namespace {
const char* errorText(int code) {
    switch (code) {
        case kInvalidCall:
            return "Invalid procedure call or argument";
        case kOverflow:
            return "Overflow";
        case kDivisionByZero:
            return "Division by zero";
        case kTypeMismatch:
            return "Type mismatch";
        default:
            return "Application-defined or object-defined error";
    }
}
}  // namespace

void raise(int code) {
    flush();
    std::fprintf(stderr, "Run-time error '%d':\n\n%s\n", code, errorText(code));
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace zbl
