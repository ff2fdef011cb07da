// Where a program is: each running procedure keeps a frame with its name
// and the line of its current statement, so a run-time error can tell every
// active call.
#pragma once

namespace zbl {

struct Frame {
    const char* proc;
    const char* file;
    int line = 0;
    Frame* caller;
    static inline thread_local Frame* top = nullptr;

    Frame(const char* p, const char* f) : proc(p), file(f), caller(top) { top = this; }
    ~Frame() { top = caller; }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
};

}  // namespace zbl
