// Run-time errors end the program with the error's number and text, and
// where each active procedure was.
#include <cstdio>
#include <cstdlib>

#include "zbl_runtime.h"

namespace zbl {

const char* error_text(int code) {
    switch (code) {
        case 3:
            return "Return without GoSub";
        case kInvalidCall:
            return "Invalid procedure call or argument";
        case kOverflow:
            return "Overflow";
        case 7:
            return "Out of memory";
        case kSubscriptOutOfRange:
            return "Subscript out of range";
        case kArrayFixed:
            return "This array is fixed or temporarily locked";
        case kDivisionByZero:
            return "Division by zero";
        case kTypeMismatch:
            return "Type mismatch";
        case 28:
            return "Out of stack space";
        case 52:
            return "Bad file name or number";
        case 53:
            return "File not found";
        case 62:
            return "Input past end of file";
        default:
            return "Application-defined or object-defined error";
    }
}

void raise(int code) {
    flush();
    std::fprintf(stderr, "Run-time error '%d':\n\n%s\n\n", code, error_text(code));
    for (const Frame* f = Frame::top; f; f = f->caller)
        std::fprintf(stderr, "    at %s (%s:%d)\n", f->proc, f->file, f->line);
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace zbl
