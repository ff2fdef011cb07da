// A stand-in for the external build tools. ZIDE_FAKETOOL holds a
// comma-separated script run in order:
//   out:N     N bytes of numbered lines on standard output
//   err:N     N bytes on standard error
//   text:T    the text T on standard output (escapes as for write)
//   hex:HH..  raw bytes on standard output (for splitting a character)
//   sleep:MS  a pause, so the reader sees separate pieces
//   pwd       the current folder and a line end
//   ppid      the parent's process id and a line end
//   args      each command-line argument on a line of its own
//   close     closes standard output (the tool may run on)
//   wait:PATH until the file PATH exists; after 20 s the tool ends instead
//   touch:PATH  creates the file PATH
//   exit:N    end with status N
//   write:PATH=TEXT  writes TEXT to the file PATH ("\n", "\r" and "\c" in
//             TEXT are a line feed, a carriage return and a comma)
//   log:PATH  appends the current folder, "|", and the arguments joined by
//             blanks, as one line, to the file PATH
//   env:NAME  the variable's value and a line end
//   pid       the tool's process id and a line end
//   spawn     forks: the rest of the script runs in both processes
//   noterm    ignores SIGTERM from here on
//   copyself:PATH  copies this program to PATH, executable (a "linker")
// A first argument "script=..." is the script instead of ZIDE_FAKETOOL (so
// several tools of one build can differ); it is not among the arguments.
// Every write goes straight to the descriptor, unbuffered.
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {
void Put(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

std::string Lines(size_t size) {
    std::string text;
    text.reserve(size);
    for (size_t line = 1; text.size() < size; ++line)
        text += "line " + std::to_string(line) + " of the fake tool's output\n";
    text.resize(size);
    return text;
}

std::string Unescape(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            plain += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 'c' ? ',' : next;
        } else {
            plain += text[i];
        }
    }
    return plain;
}
}  // namespace

int main(int argc, char** argv) {
    const char* script = std::getenv("ZIDE_FAKETOOL");
    std::string rest = script ? script : "";
    if (argc > 1 && std::string(argv[1]).rfind("script=", 0) == 0) {
        rest = argv[1] + 7;
        --argc;
        ++argv;
    }
    int status = 0;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string step = rest.substr(0, comma);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
        const size_t colon = step.find(':');
        const std::string verb = step.substr(0, colon);
        const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
        if (verb == "out") {
            Put(1, Lines(std::stoul(arg)));
        } else if (verb == "err") {
            Put(2, Lines(std::stoul(arg)));
        } else if (verb == "text") {
            Put(1, Unescape(arg));
        } else if (verb == "hex") {
            std::string bytes;
            for (size_t i = 0; i + 1 < arg.size(); i += 2)
                bytes += static_cast<char>(std::stoi(arg.substr(i, 2), nullptr, 16));
            Put(1, bytes);
        } else if (verb == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(arg)));
        } else if (verb == "pwd") {
            char buffer[4096];
            if (getcwd(buffer, sizeof buffer))
                Put(1, std::string(buffer) + "\n");
        } else if (verb == "ppid") {
            Put(1, std::to_string(getppid()) + "\n");
        } else if (verb == "args") {
            for (int i = 1; i < argc; ++i)
                Put(1, std::string(argv[i]) + "\n");
        } else if (verb == "wait") {
            int tries = 0;
            while (access(arg.c_str(), F_OK) != 0) {
                if (++tries > 2000)
                    return 1;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        } else if (verb == "touch") {
            if (std::FILE* file = std::fopen(arg.c_str(), "w"))
                std::fclose(file);
        } else if (verb == "close") {
            close(1);
        } else if (verb == "write") {
            const size_t equals = arg.find('=');
            if (std::FILE* file = std::fopen(arg.substr(0, equals).c_str(), "wb")) {
                const std::string text =
                    equals == std::string::npos ? "" : Unescape(arg.substr(equals + 1));
                std::fwrite(text.data(), 1, text.size(), file);
                std::fclose(file);
            }
        } else if (verb == "log") {
            std::string line;
            char buffer[4096];
            if (getcwd(buffer, sizeof buffer))
                line = buffer;
            line += "|";
            for (int i = 1; i < argc; ++i)
                line += (i > 1 ? " " : "") + std::string(argv[i]);
            if (std::FILE* file = std::fopen(arg.c_str(), "ab")) {
                line += "\n";
                std::fwrite(line.data(), 1, line.size(), file);
                std::fclose(file);
            }
        } else if (verb == "env") {
            const char* value = std::getenv(arg.c_str());
            Put(1, std::string(value ? value : "") + "\n");
        } else if (verb == "pid") {
            Put(1, std::to_string(getpid()) + "\n");
        } else if (verb == "copyself") {
            std::FILE* in = std::fopen("/proc/self/exe", "rb");
            std::FILE* out = in ? std::fopen(arg.c_str(), "wb") : nullptr;
            char buffer[65536];
            size_t n;
            while (out && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
                std::fwrite(buffer, 1, n, out);
            if (out)
                std::fclose(out);
            if (in)
                std::fclose(in);
            chmod(arg.c_str(), 0755);
        } else if (verb == "noterm") {
            signal(SIGTERM, SIG_IGN);
        } else if (verb == "spawn") {
            fork();
        } else if (verb == "exit") {
            status = std::stoi(arg);
        }
    }
    return status;
}
