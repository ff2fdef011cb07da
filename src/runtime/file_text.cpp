// Text in open files: Print # with the console's rules and a column per
// file, Write # and Input # with their quoted fields, and Line Input #.
#include <cstring>

#include "file_table.h"

namespace zbl {

using namespace fileio;

namespace {

constexpr std::size_t kZoneWidth = 14;

void writeText(OpenFile& f, std::string_view s) {
    write(f, s.data(), s.size());
    auto nl = s.rfind('\n');
    f.column = nl == std::string_view::npos ? f.column + s.size() : s.size() - nl - 1;
}

std::string numberText(double v, int digits) {
    std::string t = format_number(v, digits);
    return (v >= 0 ? " " : "") + t + " ";
}

bool isBlank(int c) {
    return c == ' ' || c == '\t';
}

// Takes the line end at f.pos: CR LF, LF or CR; false if there is none.
bool takeLineEnd(OpenFile& f) {
    int c = peek(f);
    if (c == '\n') {
        ++f.pos;
        return true;
    }
    if (c == '\r') {
        ++f.pos;
        if (peek(f) == '\n')
            ++f.pos;
        return true;
    }
    return false;
}

}  // namespace

// ---- Print # and Write # ----

void file_print(Long number, const String& s) {
    writeText(writable(number), s.str());
}
void file_print(Long number, double v) {
    writeText(writable(number), numberText(v, 15));
}
void file_print(Long number, float v) {
    writeText(writable(number), numberText(v, 7));
}
void file_print(Long number, bool v) {
    writeText(writable(number), v ? "True" : "False");
}
void file_print(Long number, const Variant& v) {
    switch (v.kind()) {
        case Variant::Kind::Empty:
            writable(number);
            return;
        case Variant::Kind::Boolean:
            return file_print(number, v.whole() != 0);
        case Variant::Kind::Single:
            return file_print(number, float(v.real()));
        case Variant::Kind::Double:
            return file_print(number, v.real());
        case Variant::Kind::String:
            return file_print(number, v.string());
        case Variant::Kind::Array:
            raise(kTypeMismatch);
        default:
            return file_print(number, Long(v.whole()));
    }
}

void file_print_zone(Long number) {
    OpenFile& f = writable(number);
    std::size_t next = (f.column / kZoneWidth + 1) * kZoneWidth;
    writeText(f, std::string(next - f.column, ' '));
}

void file_print_newline(Long number) {
    OpenFile& f = writable(number);
    write(f, "\r\n", 2);
    f.column = 0;
}

namespace {
void writeItem(Long number, std::string_view text) {
    OpenFile& f = writable(number);
    if (!f.writeFirst)
        writeText(f, ",");
    f.writeFirst = false;
    writeText(f, text);
}
}  // namespace

void file_write_item(Long number, const String& s) {
    writeItem(number, "\"" + s.str() + "\"");
}
void file_write_item(Long number, double v) {
    writeItem(number, format_number(v, 15));
}
void file_write_item(Long number, float v) {
    writeItem(number, format_number(v, 7));
}
void file_write_item(Long number, bool v) {
    writeItem(number, v ? "#TRUE#" : "#FALSE#");
}
void file_write_item(Long number, const Variant& v) {
    switch (v.kind()) {
        case Variant::Kind::Empty:
            return writeItem(number, "");
        case Variant::Kind::Boolean:
            return file_write_item(number, v.whole() != 0);
        case Variant::Kind::Single:
            return file_write_item(number, float(v.real()));
        case Variant::Kind::String:
            return file_write_item(number, v.string());
        case Variant::Kind::Array:
            raise(kTypeMismatch);
        default:
            return file_write_item(number, v.real());
    }
}

void file_write_end(Long number) {
    OpenFile& f = writable(number);
    write(f, "\r\n", 2);
    f.column = 0;
    f.writeFirst = true;
}

// ---- Input # and Line Input # ----

void file_line_input(Long number, String& dst) {
    OpenFile& f = readable(number);
    if (!fill(f))
        raise(kInputPastEnd);
    std::string& line = dst.str();
    line.clear();
    while (fill(f)) {
        const char* begin = f.readBuf.data() + (f.pos - f.readStart);
        const char* end = f.readBuf.data() + f.readLen;
        const char* lf =
            static_cast<const char*>(std::memchr(begin, '\n', std::size_t(end - begin)));
        const char* stop = lf ? lf : end;
        const char* cr =
            static_cast<const char*>(std::memchr(begin, '\r', std::size_t(stop - begin)));
        if (cr)
            stop = cr;
        line.append(begin, stop);
        f.pos += stop - begin;
        if (stop != end) {
            takeLineEnd(f);
            break;
        }
    }
    f.afterComma = false;
}

String file_line_input(Long number) {
    String line;
    file_line_input(number, line);
    return line;
}

// A field ends at a comma or a line end. Blanks around an unquoted field
// do not count; a quoted one keeps its commas and ends at its quote, and
// what follows up to the comma is dropped. Line ends before a field are
// skipped, except right after a comma, where one ends an empty field. A
// field read into a number also ends at a blank, as "1 2 3" holds three.
detail::InputField detail::input_field(Long number, bool numeric) {
    OpenFile& f = readable(number);
    if (peek(f) < 0)
        raise(kInputPastEnd);
    int c;
    while ((c = peek(f)) >= 0 && (isBlank(c) || ((c == '\r' || c == '\n') && !f.afterComma))) {
        if (isBlank(c))
            ++f.pos;
        else
            takeLineEnd(f);
    }
    InputField r;
    std::string text;
    bool nextStarts = false;  // ended by blanks before the next field
    if (c == '"') {
        r.kind = InputField::Quoted;
        ++f.pos;
        while ((c = peek(f)) >= 0 && c != '"') {
            text += char(c);
            ++f.pos;
        }
        if (c == '"')
            ++f.pos;
        while ((c = peek(f)) >= 0 && c != ',' && c != '\r' && c != '\n')
            ++f.pos;
    } else {
        while ((c = peek(f)) >= 0 && c != ',' && c != '\r' && c != '\n' &&
               !(numeric && isBlank(c))) {
            text += char(c);
            ++f.pos;
        }
        while (!text.empty() && isBlank(static_cast<unsigned char>(text.back())))
            text.pop_back();
        if (numeric && c >= 0 && isBlank(c)) {
            // The blanks after it belong to it; a comma or line end after
            // them ends it, anything else starts the next field.
            while ((c = peek(f)) >= 0 && isBlank(c))
                ++f.pos;
            nextStarts = c >= 0 && c != ',' && c != '\r' && c != '\n';
        }
        if (text == "#TRUE#")
            r.kind = InputField::True;
        else if (text == "#FALSE#")
            r.kind = InputField::False;
        else if (text == "#NULL#")
            r.kind = InputField::Null;
    }
    f.afterComma = c == ',';
    if (c == ',')
        ++f.pos;
    else if (!nextStarts)
        takeLineEnd(f);
    if (r.kind == InputField::True || r.kind == InputField::False)
        text = r.kind == InputField::True ? "True" : "False";
    else if (r.kind == InputField::Null)
        text.clear();
    r.text = String(std::move(text));
    return r;
}

String file_input_field(Long number) {
    return detail::input_field(number).text;
}

}  // namespace zbl
