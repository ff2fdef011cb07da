// A small self-contained test harness: TEST(name) registers a case, CHECK and
// CHECK_EQ record failures with their line and let the case go on.
#pragma once

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace check {

struct Case {
    const char* name;
    std::function<void()> fn;
};
std::vector<Case>& cases();
void fail(const char* file, int line, const std::string& what);

struct Register {
    Register(const char* name, std::function<void()> fn) {
        cases().push_back({name, std::move(fn)});
    }
};

template <class A, class B>
void eq(const A& a, const B& b, const char* as, const char* bs, const char* file, int line) {
    if (a == b)
        return;
    std::ostringstream o;
    o << as << " == " << bs << "\n    got:      [" << a << "]\n    expected: [" << b << "]";
    fail(file, line, o.str());
}

}  // namespace check

#define CHECK_CAT2(a, b) a##b
#define CHECK_CAT(a, b) CHECK_CAT2(a, b)
#define TEST(name)                                                               \
    static void CHECK_CAT(test_, name)();                                        \
    static check::Register CHECK_CAT(reg_, name)(#name, CHECK_CAT(test_, name)); \
    static void CHECK_CAT(test_, name)()
#define CHECK(cond) ((cond) ? (void)0 : check::fail(__FILE__, __LINE__, "CHECK(" #cond ")"))
#define CHECK_EQ(a, b) check::eq((a), (b), #a, #b, __FILE__, __LINE__)
