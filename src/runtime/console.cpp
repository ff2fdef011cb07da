// The console. Output is buffered and kept with its column, so that ","
// can move to the next print zone; it is flushed before input, on a run-time
// error and at exit. Input reads whole lines; in a console program MsgBox
// and InputBox are questions on the terminal.
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "zbl_runtime.h"

namespace zbl {

namespace {
constexpr std::size_t kZoneWidth = 14;
constexpr std::size_t kFlushAt = 1 << 16;

std::string out;
std::size_t column = 0;
std::FILE* inFile = nullptr;
std::FILE* outFile = nullptr;

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

void print_tab(Long n) {
    // Tab(n): to column n (from 1), on the next line if already past it.
    const std::size_t target = std::size_t(n < 1 ? 1 : n) - 1;
    if (column > target)
        write("\n");
    write(std::string(target - column, ' '));
}

void print_spc(Long n) {
    write(std::string(std::size_t(n < 0 ? 0 : n), ' '));
}

void print_newline() {
    write("\n");
}

void flush() {
    std::FILE* f = outFile ? outFile : stdout;
    if (!out.empty())
        std::fwrite(out.data(), 1, out.size(), f);
    out.clear();
    std::fflush(f);
}

void detail::set_console(std::FILE* in, std::FILE* out) {
    flush();
    inFile = in;
    outFile = out;
}

// ---- input ----

namespace {
// Writes what is pending and reads one line without its line end (LF or
// CR LF); false at the end of input. The user's Enter ends the line.
bool readLine(std::string& line) {
    flush();
    std::FILE* f = inFile ? inFile : stdin;
    line.clear();
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n')
        line += char(c);
    if (c == EOF && line.empty())
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    column = 0;
    return true;
}

std::string readLineOrRaise() {
    std::string line;
    if (!readLine(line))
        raise(kInputPastEnd);
    return line;
}

std::string trimBlanks(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Splits an answer into comma-separated fields. A field in double quotes
// may hold commas; blanks around a field do not count. False if a quoted
// field is followed by anything but its comma.
bool splitFields(const std::string& line, std::vector<String>& fields) {
    fields.clear();
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i < line.size() && line[i] == '"') {
            std::size_t close = line.find('"', i + 1);
            if (close == std::string::npos)
                close = line.size();
            fields.push_back(String(line.substr(i + 1, close - i - 1)));
            i = close + 1;
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
                ++i;
            if (i < line.size() && line[i] != ',')
                return false;
        } else {
            std::size_t comma = line.find(',', i);
            if (comma == std::string::npos)
                comma = line.size();
            fields.push_back(String(trimBlanks(line.substr(i, comma - i))));
            i = comma;
        }
        if (i >= line.size())
            return true;
        ++i;  // the comma
    }
}
}  // namespace

String line_input(const String& prompt) {
    write(prompt.str());
    return String(readLineOrRaise());
}

std::vector<String> input_fields(const String& prompt, bool question, std::size_t count,
                                 const std::vector<bool>& numeric) {
    std::vector<String> fields;
    while (true) {
        write(prompt.str());
        if (question)
            write("? ");
        std::string line = readLineOrRaise();
        bool ok = false;
        if (trimBlanks(line).empty()) {
            fields.assign(count, String());  // Enter alone leaves every variable empty
            ok = true;
        } else if (splitFields(line, fields) && fields.size() == count) {
            ok = true;
            double d = 0;
            for (std::size_t k = 0; k < count && k < numeric.size(); ++k)
                if (numeric[k] && fields[k].size() != 0 && !parse_number(fields[k].str(), d))
                    ok = false;
        }
        if (ok)
            return fields;
        write("?Redo from start\n");
    }
}

// ---- MsgBox and InputBox ----

namespace {
struct Choice {
    const char* word;
    Integer result;
};

// The buttons of each button set, in the order the language numbers them.
std::vector<Choice> choicesOf(Long set) {
    switch (set) {
        case vbOKCancel:
            return {{"OK", vbOK}, {"Cancel", vbCancel}};
        case vbAbortRetryIgnore:
            return {{"Abort", vbAbort}, {"Retry", vbRetry}, {"Ignore", vbIgnore}};
        case vbYesNoCancel:
            return {{"Yes", vbYes}, {"No", vbNo}, {"Cancel", vbCancel}};
        case vbYesNo:
            return {{"Yes", vbYes}, {"No", vbNo}};
        case vbRetryCancel:
            return {{"Retry", vbRetry}, {"Cancel", vbCancel}};
        default:
            return {};
    }
}

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void writeTitle(const String& title) {
    if (title.size() != 0) {
        write(title.str());
        write("\n");
    }
}
}  // namespace

// Lists the buttons as "[Y]es/[N]o? " and takes a button's first letter or
// its word; Enter alone takes the default button. At the end of input the
// answer is Cancel, No or Abort, whichever the set has.
namespace detail {
Dialogs dialogs;
}

Integer msgbox(const String& prompt, Long buttons, const String& title) {
    if (detail::dialogs.msgbox)
        return detail::dialogs.msgbox(prompt, buttons, title);
    writeTitle(title);
    write(prompt.str());
    write("\n");
    std::vector<Choice> choices = choicesOf(buttons & 0xF);
    if (choices.empty())
        return vbOK;
    std::size_t deflt = std::size_t((buttons >> 8) & 0xF);
    if (deflt >= choices.size())
        deflt = 0;
    std::string ask;
    for (const Choice& c : choices) {
        if (!ask.empty())
            ask += "/";
        ask += std::string("[") + c.word[0] + "]" + (c.word + 1);
    }
    ask += "? ";
    while (true) {
        write(ask);
        std::string line;
        if (!readLine(line)) {
            write("\n");
            for (Integer r : {vbCancel, vbNo, vbAbort})
                for (const Choice& c : choices)
                    if (c.result == r)
                        return r;
        }
        std::string answer = lower(trimBlanks(line));
        if (answer.empty())
            return choices[deflt].result;
        for (const Choice& c : choices) {
            std::string word = lower(c.word);
            if (answer == word || answer == word.substr(0, 1))
                return c.result;
        }
    }
}

// An empty answer takes the default; the end of input is a Cancel, "".
String inputbox(const String& prompt, const String& title, const String& deflt) {
    if (detail::dialogs.inputbox)
        return detail::dialogs.inputbox(prompt, title, deflt);
    writeTitle(title);
    write(prompt.str());
    if (prompt.size() != 0 && prompt.str().back() != ' ')
        write(" ");
    if (deflt.size() != 0)
        write("[" + deflt.str() + "] ");
    std::string line;
    if (!readLine(line)) {
        write("\n");
        return String();
    }
    return line.empty() ? deflt : String(std::move(line));
}

void start(int argc, char** argv) {
    detail::keep_args(argc, argv);
}

void end_program() {
    flush();
    std::exit(0);
}

int finish() {
    flush();
    return 0;
}

}  // namespace zbl
