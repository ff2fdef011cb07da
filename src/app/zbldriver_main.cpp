// The compiler and linker steps of a Zorbel build, over the system's g++. One
// program, two names:
//   zbl-cc   release|debug|library FILE.zbl   compiles FILE.cpp, the translator's
//                                              output, to FILE.o
//   zbl-link release|debug|library FILE.zbl   links FILE.o with the run-time
//                                              library into FILE.exe (library:
//                                              archives it into FILE.lib)
// g++'s messages pass through to standard output; the error file the build
// reads (bcc32.err or ilink32.err in the current folder) gets a banner line
// and one "Error " line per error, each ended by CR LF. A step whose input
// an earlier step failed to make repeats that step's errors (from
// zbltrans.err or bcc32.err). The run-time library lies in runtime/ of the
// program folder, beside this program's bin/.
#include <unistd.h>

#include <sys/wait.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The C++ compiler and the flags the run-time library was built with.
std::string Compiler() {
    std::string cxx = std::string(ZBL_DRIVER_CXX) + " " + ZBL_DRIVER_FLAGS;
    // clang stops at 256 nested brackets; the translator accepts deeper
    // nesting, and g++ has no such limit.
    if (cxx.find("clang") != std::string::npos)
        cxx += " -fbracket-depth=16384";
    return cxx;
}

fs::path ProgramFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path(".") : self.parent_path().parent_path();
}

// Runs `command` through the shell with its standard error joined to its
// standard output, echoing every line; returns the lines and the exit status.
int Run(const std::string& command, std::vector<std::string>& lines) {
    std::fflush(stdout);
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        lines.push_back("cannot run: " + command);
        return 127;
    }
    std::string line;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::fputs(buffer, stdout);
        line += buffer;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty())
        lines.push_back(line);
    std::fflush(stdout);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

bool IsError(const std::string& line) {
    return line.find(": error:") != std::string::npos ||
           line.find("fatal error:") != std::string::npos ||
           line.find("undefined reference") != std::string::npos ||
           line.find("ld returned") != std::string::npos;
}

// The error file: a banner, then the errors. A failed step with no error
// line of its own still reports one, so the build stops.
void WriteErrorFile(const std::string& name, const std::string& banner,
                    const std::vector<std::string>& lines, bool failed, const std::string& why) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file << banner << "\r\n";
    bool reported = false;
    for (const std::string& line : lines) {
        if (IsError(line)) {
            file << "Error " << line << "\r\n";
            reported = true;
        }
    }
    if (failed && !reported)
        file << "Error " << why << "\r\n";
}

// The error lines an earlier step left in its error file, without "Error ".
std::vector<std::string> EarlierErrors(const char* name) {
    std::vector<std::string> errors;
    std::ifstream file(name, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("Error ", 0) == 0)
            errors.push_back(line.substr(6));
    }
    return errors;
}

// A step that cannot run because the one before failed repeats that step's
// errors: the Output pane shows the last tool's output, and the user should
// see why, with the module's lines to go to.
int Refuse(const char* earlierFile, const std::string& why, const char* errorFile,
           const std::string& banner) {
    std::vector<std::string> lines = EarlierErrors(earlierFile);
    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());
    std::printf("%s\n", why.c_str());
    lines.push_back(why);
    std::ofstream file(errorFile, std::ios::binary | std::ios::trunc);
    file << banner << "\r\n";
    for (const std::string& line : lines)
        file << "Error " << line << "\r\n";
    return 1;
}

// Whether `file` is missing or older than `than`.
bool OutOfDate(const fs::path& file, const fs::path& than) {
    std::error_code error;
    const auto made = fs::last_write_time(file, error);
    if (error)
        return true;
    const auto source = fs::last_write_time(than, error);
    return !error && made < source;
}

// Whether the translated program asks for dialogs (Option Console Off).
bool UsesDialogs(const fs::path& source) {
    std::ifstream file(source, std::ios::binary);
    std::string line;
    while (std::getline(file, line))
        if (line.find("zbl::use_dialogs();") != std::string::npos)
            return true;
    return false;
}

int Usage(const char* self) {
    std::fprintf(stderr, "usage: %s release|debug|library FILE.zbl\n", self);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string self = fs::path(argv[0]).filename().string();
    const bool linker = self.find("link") != std::string::npos;
    if (argc != 3)
        return Usage(argv[0]);
    const std::string mode = argv[1];
    if (mode != "release" && mode != "debug" && mode != "library")
        return Usage(argv[0]);
    const fs::path module = argv[2];
    fs::path base = module;
    base.replace_extension();
    const fs::path source = fs::path(base).concat(".cpp");
    const fs::path object = fs::path(base).concat(".o");
    const fs::path runtime = ProgramFolder() / "runtime";
    std::vector<std::string> lines;

    if (!linker) {
        // A translation that failed leaves no C++, or only last build's.
        if (OutOfDate(source, module))
            return Refuse("zbltrans.err", module.string() + ": not translated", "bcc32.err",
                          "Zorbel C++ compiler (g++)");
        const std::string flags = mode == "debug" ? "-g -O0" : "-O2";
        const int status =
            Run(Compiler() + " -std=c++20 " + flags + " -c " + Quoted(source.string()) + " -I" +
                    Quoted(runtime.string()) + " -o " + Quoted(object.string()),
                lines);
        WriteErrorFile("bcc32.err", "Zorbel C++ compiler (g++)", lines, status != 0,
                       "g++ ended with status " + std::to_string(status));
        return status == 0 ? 0 : 1;
    }

    if (OutOfDate(object, source) || OutOfDate(object, module))
        return Refuse("bcc32.err", object.string() + ": not compiled", "ilink32.err",
                      "Zorbel linker (g++)");
    int status = 0;
    if (mode == "library") {
        status = Run("ar rcs " + Quoted(fs::path(base).concat(".lib").string()) + " " +
                         Quoted(object.string()),
                     lines);
    } else {
        // A program without a console shows its dialogs through Qt.
        std::string dialogs;
        if (UsesDialogs(source))
            dialogs = " " + Quoted((runtime / "libzbl_dialogs.a").string()) +
                      " -lQt6Widgets -lQt6Gui -lQt6Core";
        status = Run(Compiler() + " " + Quoted(object.string()) + dialogs + " " +
                         Quoted((runtime / "libzbl_runtime.a").string()) + " -o " +
                         Quoted(fs::path(base).concat(".exe").string()),
                     lines);
    }
    WriteErrorFile("ilink32.err", "Zorbel linker (g++)", lines, status != 0,
                   "the link ended with status " + std::to_string(status));
    return status == 0 ? 0 : 1;
}
