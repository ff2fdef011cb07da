// Run-time errors end the program with the error's number and text, and
// where each active procedure was.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zbl_runtime.h"

namespace zbl {

const char* error_text(int code) {
    switch (code) {
        case 3:
            return "Return without GoSub";
        case 20:
            return "Resume without error";
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
        case 54:
            return "Bad file mode";
        case 55:
            return "File already open";
        case 57:
            return "Device I/O error";
        case 58:
            return "File already exists";
        case 59:
            return "Bad record length";
        case 61:
            return "Disk full";
        case 62:
            return "Input past end of file";
        case 63:
            return "Bad record number";
        case 67:
            return "Too many files";
        case 70:
            return "Permission denied";
        case 74:
            return "Can't rename with different drive";
        case 75:
            return "Path/File access error";
        case 76:
            return "Path not found";
        case 92:
            return "For loop not initialized";
        case 94:
            return "Invalid use of Null";
        case 48:
            return "Error in loading DLL";
        case 453:
            return "Can't find DLL entry point";
        default:
            return "Application-defined or object-defined error";
    }
}

namespace {

// Every active call, innermost first, as the report shows them.
std::string trace() {
    std::string t;
    for (const Frame* f = Frame::top; f; f = f->caller)
        t += "    at " + std::string(f->proc) + " (" + f->file + ":" + std::to_string(f->line) +
             ")\n";
    return t;
}

// The error goes to the nearest procedure with a handler, as an exception;
// outside every procedure (a module-level constant) it ends the program.
[[noreturn]] void throwError(int code, std::string source, std::string description) {
    RuntimeError e{code, std::move(description), std::move(source), trace()};
    if (!Frame::top)
        report(e);
    throw e;
}

}  // namespace

void raise(int code) {
    throwError(code, "", error_text(code));
}

void raise_with(int code, const std::string& description) {
    throwError(code, "", description);
}

void ErrObject::raise(Long n, const String& src, const String& text) {
    // Any number but 0: a program's own errors lie above vbObjectError.
    if (n == 0)
        zbl::raise(kInvalidCall);
    throwError(n, src.str(), text.str().empty() ? error_text(n) : text.str());
}

ErrObject& err() {
    static ErrObject e;
    return e;
}

String error_string(Long code) {
    return String(code == 0 ? "" : error_text(code));
}

void report(const RuntimeError& e) {
    detail::close_files();
    report_and_go_on(e);
    std::_Exit(1);
}

void report_and_go_on(const RuntimeError& e) {
    flush();
    std::fprintf(stderr, "Run-time error '%d':\n\n%s\n\n%s", e.number, e.description.c_str(),
                 e.trace.c_str());
    std::fflush(stderr);
    // A program without a console shows the report, as its user sees no terminal.
    if (detail::dialogs.msgbox)
        detail::dialogs.msgbox(String("Run-time error '" + std::to_string(e.number) + "':\n\n" +
                                      e.description + "\n\n" + e.trace),
                               vbCritical, String());
}

void Handler::take(const RuntimeError& e, int stmt) {
    ErrObject& o = err();
    o.number = e.number;
    o.description = String(e.description);
    o.source = String(e.source);
    errorAt = stmt;
    if (mode == ResumeNext) {
        resumeAt = -stmt;
    } else {
        resumeAt = target;
        handling = true;
    }
}

void Handler::onError(Mode m, int label) {
    mode = m;
    target = label;
    err().clear();
}

int Handler::resume(bool next) {
    if (!handling)
        zbl::raise(20);
    handling = false;
    err().clear();
    return next ? -errorAt : errorAt;
}

}  // namespace zbl
