// A stand-in for the external build tools. ZIDE_FAKETOOL holds a
// comma-separated script run in order:
//   out:N     N bytes of numbered lines on standard output
//   err:N     N bytes on standard error
//   text:T    the text T on standard output
//   hex:HH..  raw bytes on standard output (for splitting a character)
//   sleep:MS  a pause, so the reader sees separate pieces
//   pwd       the current folder and a line end
//   ppid      the parent's process id and a line end
//   args      each command-line argument on a line of its own
//   close     closes standard output (the tool may run on)
//   wait:PATH until the file PATH exists; after 20 s the tool ends instead
//   touch:PATH  creates the file PATH
//   exit:N    end with status N
// Every write goes straight to the descriptor, unbuffered.
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
}  // namespace

int main(int argc, char** argv) {
    const char* script = std::getenv("ZIDE_FAKETOOL");
    std::string rest = script ? script : "";
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
            Put(1, arg);
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
        } else if (verb == "exit") {
            status = std::stoi(arg);
        }
    }
    return status;
}
