// What a program learns from the system: its command line, its environment
// and the time of day.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "zbl_runtime.h"

namespace zbl {

namespace {
std::vector<std::string> args;
}

void detail::keep_args(int argc, char** argv) {
    args.assign(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
}

// The arguments after the program's name, one blank between them; one that
// holds a blank (or none at all) keeps its double quotes, as it was typed.
String command() {
    std::string r;
    for (const std::string& a : args) {
        if (!r.empty())
            r += ' ';
        if (a.empty() || a.find_first_of(" \t") != std::string::npos)
            r += '"' + a + '"';
        else
            r += a;
    }
    return String(std::move(r));
}

String environ(const String& name) {
    const char* v = std::getenv(name.str().c_str());
    return String(v ? v : "");
}

// The index-th "NAME=value" entry, counted from 1.
String environ(Long index) {
    if (index <= 0)
        raise(kInvalidCall);
    for (char** e = ::environ; *e; ++e)
        if (--index == 0)
            return String(*e);
    return String();
}

Single timer() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    double secs = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9;
    return Single(secs);
}

void beep() {
    flush();
    std::fputs("\a", stdout);
    std::fflush(stdout);
}

Integer do_events() {
    flush();
    return 0;
}

double shell(const String& command, Long) {
    flush();
    pid_t pid = fork();
    if (pid < 0)
        raise(53);
    if (pid == 0) {
        // The child leaves the program's session, so it outlives it as a
        // started program would.
        setsid();
        execl("/bin/sh", "sh", "-c", command.str().c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return double(pid);
}

}  // namespace zbl
