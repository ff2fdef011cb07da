// The compiler and linker steps of a Zorbel build, over the system's g++. One
// program, two names:
//   zbl-cc   release|debug|library FILE.zbl   compiles the C++ units the
//                                              translator listed in FILE.units
//   zbl-link release|debug|library FILE.zbl   links them with the run-time
//                                              library into FILE.exe; library:
//                                              archives them into FILE.lib and
//                                              writes FILE.zlm; a module with
//                                              Option DLL On becomes FILE.so
// Each unit's object is kept in the per-user cache under a name made from
// its text and the compiler's options, so a unit that did not change is not
// compiled again; the units that did are compiled side by side.
// g++'s messages pass through to standard output; the error file the build
// reads (bcc32.err or ilink32.err in the current folder) gets a banner line
// and one "Error " line per error, each ended by CR LF. A step whose input
// an earlier step failed to make repeats that step's errors (from
// zbltrans.err or bcc32.err). The run-time library lies in runtime/ of the
// program folder, beside this program's bin/.
#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
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
// standard output, echoing every line unless `quiet`; returns the lines and
// the exit status.
int Run(const std::string& command, std::vector<std::string>& lines, bool quiet = false) {
    if (!quiet)
        std::fflush(stdout);
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        lines.push_back("cannot run: " + command);
        return 127;
    }
    std::string line;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        if (!quiet)
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
    if (!quiet)
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

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What the translator wrote in FILE.units.
struct Manifest {
    bool main = false, dll = false, dialogs = false;
    std::vector<fs::path> units;
    std::vector<std::string> libraries;
};

Manifest ReadManifest(const fs::path& path) {
    Manifest m;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (key == "main")
            m.main = value == "yes";
        else if (key == "dll")
            m.dll = value == "yes";
        else if (key == "dialogs")
            m.dialogs = value == "yes";
        else if (key == "unit")
            m.units.push_back(path.parent_path() / value);
        else if (key == "lib")
            m.libraries.push_back(value);
    }
    return m;
}

// 128 bits of two FNV-1a hashes with different starts, in hex: a cached
// object's name.
std::string Digest(const std::string& text) {
    std::uint64_t a = 14695981039346656037ull, b = 0x9e3779b97f4a7c15ull;
    for (const unsigned char c : text) {
        a = (a ^ c) * 1099511628211ull;
        b = (b ^ c) * 0x100000001b3ull + 0x632be59bd9b4e019ull;
    }
    char hex[33];
    std::snprintf(hex, sizeof hex, "%016llx%016llx", static_cast<unsigned long long>(a),
                  static_cast<unsigned long long>(b));
    return hex;
}

// The per-user cache of compiled units: $ZIDE_CACHE, else $ZIDE_HOME (a
// test's own folder), else $XDG_CACHE_HOME/zorbel-builder.
fs::path ObjectCache() {
    fs::path folder;
    if (const char* cache = std::getenv("ZIDE_CACHE"); cache && *cache)
        folder = cache;
    else if (const char* home = std::getenv("ZIDE_HOME"); home && *home)
        folder = home;
    else if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        folder = fs::path(xdg) / "zorbel-builder";
    else if (const char* user = std::getenv("HOME"); user && *user)
        folder = fs::path(user) / ".cache" / "zorbel-builder";
    folder /= "objects";
    std::error_code error;
    fs::create_directories(folder, error);
    return error || !fs::is_directory(folder, error) ? fs::path() : folder;
}

// Keeps the cache from growing without end: past a few thousand objects,
// the older half goes.
void TrimCache(const fs::path& cache) {
    constexpr std::size_t kKeep = 4000;
    std::error_code error;
    std::vector<std::pair<fs::file_time_type, fs::path>> objects;
    for (const auto& entry : fs::directory_iterator(cache, error))
        objects.emplace_back(entry.last_write_time(error), entry.path());
    if (objects.size() <= kKeep)
        return;
    std::sort(objects.begin(), objects.end());
    for (std::size_t i = 0; i < objects.size() / 2; ++i)
        fs::remove(objects[i].second, error);
}

// What a compiled unit depends on besides its text: the compiler, its
// flags, and the run-time headers it includes.
std::string OptionsKey(const std::string& command, const fs::path& runtime) {
    std::string key = command + "\n" + runtime.string() + "\n";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(runtime, error))
        if (entry.path().extension() == ".h")
            key += entry.path().filename().string() + " " +
                   std::to_string(entry.last_write_time(error).time_since_epoch().count()) + "\n";
    return key;
}

struct Job {
    fs::path source, object;
    std::vector<std::string> lines;
    int status = 0;
};

// Compiles the units whose objects are not cached, as many at a time as the
// machine has cores; every unit's messages are shown in the units' order.
int Compile(const Manifest& m, const std::string& mode, const fs::path& runtime,
            std::vector<std::string>& lines, std::vector<fs::path>& objects) {
    std::string command = Compiler() + " -std=c++20 " + (mode == "debug" ? "-g -O0" : "-O2");
    if (m.dll)
        command += " -fPIC -fvisibility=hidden";
    if (m.dll || mode == "library")
        command += " -DZBL_NO_MAIN";
    command += " -I" + Quoted(runtime.string());
    const std::string key = OptionsKey(command, runtime);
    const fs::path cache = ObjectCache();
    std::vector<Job> jobs;
    for (std::size_t k = 0; k < m.units.size(); ++k) {
        const fs::path& unit = m.units[k];
        fs::path object;
        if (cache.empty()) {
            object = fs::path(unit).replace_extension(".o");
        } else {
            object = cache / (Digest(key + ReadAll(unit)) + ".o");
            std::error_code error;
            if (fs::exists(object, error)) {
                // Used again: the cache trims what was used longest ago.
                fs::last_write_time(object, fs::file_time_type::clock::now(), error);
                objects.push_back(object);
                continue;
            }
        }
        objects.push_back(object);
        jobs.push_back({unit, object, {}, 0});
    }
    std::atomic<std::size_t> nextJob{0};
    auto work = [&] {
        for (std::size_t i; (i = nextJob++) < jobs.size();) {
            Job& job = jobs[i];
            const fs::path partial =
                fs::path(job.object)
                    .concat("." + std::to_string(::getpid()) + "-" + std::to_string(i));
            job.status = Run(
                command + " -c " + Quoted(job.source.string()) + " -o " + Quoted(partial.string()),
                job.lines, true);
            std::error_code error;
            if (job.status == 0)
                fs::rename(partial, job.object, error);
            else
                fs::remove(partial, error);
        }
    };
    const std::size_t workers =
        std::min<std::size_t>(jobs.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    int status = 0;
    for (Job& job : jobs) {
        for (const std::string& line : job.lines) {
            std::printf("%s\n", line.c_str());
            lines.push_back(line);
        }
        if (job.status != 0)
            status = job.status;
    }
    std::fflush(stdout);
    if (!cache.empty() && !jobs.empty())
        TrimCache(cache);
    return status;
}

std::vector<fs::path> ReadObjects(const fs::path& list) {
    std::vector<fs::path> objects;
    std::ifstream in(list, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            objects.emplace_back(line);
    return objects;
}

std::string QuotedList(const std::vector<fs::path>& paths) {
    std::string r;
    for (const fs::path& p : paths)
        r += " " + Quoted(p.string());
    return r;
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
    const fs::path manifestFile = fs::path(base).concat(".units");
    const fs::path objectList = fs::path(base).concat(".objects");
    const fs::path runtime = ProgramFolder() / "runtime";
    std::vector<std::string> lines;

    if (!linker) {
        // A translation that failed leaves no list of units, or only last build's.
        if (OutOfDate(manifestFile, module))
            return Refuse("zbltrans.err", module.string() + ": not translated", "bcc32.err",
                          "Zorbel C++ compiler (g++)");
        const Manifest m = ReadManifest(manifestFile);
        std::vector<fs::path> objects;
        const int status = Compile(m, mode, runtime, lines, objects);
        WriteErrorFile("bcc32.err", "Zorbel C++ compiler (g++)", lines, status != 0,
                       "g++ ended with status " + std::to_string(status));
        std::error_code error;
        fs::remove(objectList, error);
        if (status != 0)
            return 1;
        std::ofstream list(objectList, std::ios::binary | std::ios::trunc);
        for (const fs::path& object : objects)
            list << object.string() << "\n";
        return list.flush() ? 0 : 1;
    }

    if (OutOfDate(objectList, manifestFile) || OutOfDate(objectList, module))
        return Refuse("bcc32.err", module.string() + ": not compiled", "ilink32.err",
                      "Zorbel linker (g++)");
    const Manifest m = ReadManifest(manifestFile);
    const std::vector<fs::path> objects = ReadObjects(objectList);
    std::vector<fs::path> libraries(m.libraries.begin(), m.libraries.end());
    // A program without a console shows its dialogs through Qt.
    std::string dialogs;
    if (m.dialogs)
        dialogs = " " + Quoted((runtime / "libzbl_dialogs.a").string()) +
                  " -lQt6Widgets -lQt6Gui -lQt6Core";
    const std::string runtimeLibrary = " " + Quoted((runtime / "libzbl_runtime.a").string());
    int status = 0;
    if (m.dll) {
        // Only the exported functions are seen from outside.
        status = Run(Compiler() + " -shared" + QuotedList(objects) + QuotedList(libraries) +
                         dialogs + runtimeLibrary + " -Wl,--exclude-libs,ALL -o " +
                         Quoted(fs::path(base).concat(".so").string()),
                     lines);
    } else if (mode == "library") {
        const fs::path archive = fs::path(base).concat(".lib");
        std::error_code error;
        fs::remove(archive, error);  // ar adds to an archive; start afresh
        status = Run("ar rcs " + Quoted(archive.string()) + QuotedList(objects), lines);
        if (status == 0) {
            // The declarations programs #Include, from the translator.
            const fs::path translator = ProgramFolder() / "bin" / "zbltrans";
            status =
                Run(Quoted(translator.string()) + " --interface " + Quoted(module.string()), lines);
        }
    } else if (!m.main) {
        const std::string why = module.string() +
                                ":1:1: error: the module has no 'Sub Main()' to start at; build "
                                "a library with the \"Win32 Library\" configuration";
        std::printf("%s\n", why.c_str());
        lines.push_back(why);
        status = 1;
    } else {
        status = Run(Compiler() + QuotedList(objects) + QuotedList(libraries) + dialogs +
                         runtimeLibrary + " -o " + Quoted(fs::path(base).concat(".exe").string()),
                     lines);
    }
    WriteErrorFile("ilink32.err", "Zorbel linker (g++)", lines, status != 0,
                   "the link ended with status " + std::to_string(status));
    return status == 0 ? 0 : 1;
}
