// Where a program is, and what happens on a run-time error: each running
// procedure keeps a frame with its name and the line of its current
// statement, so an error can tell every active call; a procedure with an
// error handler keeps a Handler that catches errors for it.
#pragma once

#include <string>

namespace zbl {

struct Frame {
    const char* proc;
    const char* file;
    int line = 0;
    int stmt = 0;  // the statement running, in a procedure with a handler
    Frame* caller;
    static inline thread_local Frame* top = nullptr;

    Frame(const char* p, const char* f) : proc(p), file(f), caller(top) { top = this; }
    ~Frame() { top = caller; }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
};

// A run-time error on its way to a handler, or to the end of the program.
struct RuntimeError {
    int number;
    std::string description;
    std::string source;
    std::string trace;  // every active call where it happened, innermost first
};

// Ends the program with the error's report: "Run-time error 'N':", the
// text and the calls, on standard error; exit status 1.
[[noreturn]] void report(const RuntimeError& e);
// The same report from a shared object's exported function, whose caller
// goes on.
void report_and_go_on(const RuntimeError& e);

// The error state of one procedure: what On Error asked for, and where to
// go on after an error. Statement numbers are the writer's: +N is the start
// of statement N, -N its end; a label has a number of its own.
struct Handler {
    enum Mode { None, GoTo, ResumeNext };
    Mode mode = None;
    int target = 0;         // On Error GoTo: the label's number
    int errorAt = 0;        // the statement the error happened in
    bool handling = false;  // in the handler: a new error goes to the caller
    int resumeAt = 0;       // where the procedure goes on after a catch

    bool catches() const { return mode != None && !handling; }
    // Takes an error that happened in statement `stmt`: sets Err and where
    // to go on.
    void take(const RuntimeError& e, int stmt);
    void onError(Mode m, int label);
    // Resume (again), Resume Next: where to go on; raises 20 when no error
    // is being handled.
    int resume(bool next);
};

}  // namespace zbl
