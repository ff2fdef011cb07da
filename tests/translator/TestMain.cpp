#include <cstring>

#include "Check.h"

namespace check {

namespace {
int failures = 0;
}

std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}

void fail(const char* file, int line, const std::string& what) {
    ++failures;
    std::cerr << file << ":" << line << ": FAIL " << what << "\n";
}

}  // namespace check

// Runs every case, or those whose name contains argv[1].
int main(int argc, char** argv) {
    int run = 0;
    for (const auto& c : check::cases()) {
        if (argc > 1 && !std::strstr(c.name, argv[1]))
            continue;
        int before = check::failures;
        c.fn();
        ++run;
        std::cerr << (check::failures == before ? "PASS " : "FAIL ") << c.name << "\n";
    }
    std::cerr << run << " cases, " << check::failures << " failures\n";
    return check::failures ? 1 : 0;
}
