// Console output. Output is buffered and kept with its column, so that ","
// can move to the next print zone; it is flushed before input, on a run-time
// error and at exit.
#include <cstdio>
#include <cstdlib>

#include "zbl_runtime.h"

namespace zbl {

namespace {
constexpr std::size_t kZoneWidth = 14;
constexpr std::size_t kFlushAt = 1 << 16;

std::string out;
std::size_t column = 0;

void write(std::string_view s) {
    out.append(s);
    auto nl = s.rfind('\n');
    column = nl == std::string_view::npos ? column + s.size() : s.size() - nl - 1;
    if (out.size() >= kFlushAt)
        flush();
}

std::string numberText(double v, int digits) {
    std::string t = format_number(v, digits);
    return (v >= 0 ? " " : "") + t + " ";
}
}  // namespace

void print(const String& s) {
    write(s.str());
}
void print(double v) {
    write(numberText(v, 15));
}
void print(float v) {
    write(numberText(v, 7));
}
void print(bool v) {
    write(v ? "True" : "False");
}

void print_zone() {
    std::size_t next = (column / kZoneWidth + 1) * kZoneWidth;
    write(std::string(next - column, ' '));
}

void print_newline() {
    write("\n");
}

void flush() {
    if (!out.empty())
        std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
    std::fflush(stdout);
}

void start(int, char**) {}

void end_program() {
    flush();
    std::exit(0);
}

int finish() {
    flush();
    return 0;
}

}  // namespace zbl
