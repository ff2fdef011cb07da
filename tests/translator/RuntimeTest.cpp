// The run-time library's conversions, formatting and built-in functions,
// called directly.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "Check.h"
#include "zbl_runtime.h"

using zbl::String;

TEST(runtime_number_text) {
    CHECK_EQ(zbl::str(0.5).str(), " .5");
    CHECK_EQ(zbl::str(-2.5).str(), "-2.5");
    CHECK_EQ(zbl::str(zbl::Long(0)).str(), " 0");
    CHECK_EQ(zbl::str(-0.25).str(), "-.25");
    CHECK_EQ(zbl::cstr(0.5), "0.5");
    CHECK_EQ(zbl::cstr(-0.5), "-0.5");
    CHECK_EQ(zbl::cstr(1.0 / 3), "0.333333333333333");
    CHECK_EQ(zbl::cstr(123456789012345.0), "123456789012345");
    CHECK_EQ(zbl::cstr(1e15), "1E+15");
    CHECK_EQ(zbl::cstr(0.0001), "0.0001");
    CHECK_EQ(zbl::cstr(0.00001), "1E-05");
    CHECK_EQ(zbl::cstr(zbl::Single(0.1f)), "0.1");
    CHECK_EQ(zbl::cstr(true), "True");
}

TEST(runtime_val_and_parsing) {
    CHECK_EQ(zbl::val(String(" 1 2 3")), 123.0);
    CHECK_EQ(zbl::val(String("-1.5e2x")), -150.0);
    CHECK_EQ(zbl::val(String("abc")), 0.0);
    CHECK_EQ(zbl::val(String("&HFF")), 255.0);
    CHECK_EQ(zbl::val(String("2e")), 2.0);
    double d = 0;
    CHECK(zbl::parse_number(" 42 ", d) && d == 42);
    CHECK(zbl::parse_number("&hFFFF", d) && d == -1);
    CHECK(!zbl::parse_number("12abc", d));
    CHECK(!zbl::parse_number("", d));
    CHECK(!zbl::parse_number("inf", d));
    CHECK(!zbl::parse_number("0x10", d));
}

TEST(runtime_conversions_and_operators) {
    // Assigning to an integer rounds half to even.
    CHECK_EQ(zbl::cast<zbl::Long>(2.5), 2);
    CHECK_EQ(zbl::cast<zbl::Long>(3.5), 4);
    CHECK_EQ(zbl::cast<zbl::Integer>(-2.5), -2);
    CHECK_EQ(zbl::cast<zbl::Integer>(true), -1);
    CHECK_EQ(zbl::cast<zbl::Long>(String(" 12 ")), 12);
    CHECK_EQ(zbl::cast<String>(zbl::Integer(-7)).str(), "-7");
    CHECK(zbl::cast<bool>(String("TRUE")));
    // Result types widen as the language's do.
    CHECK((std::is_same_v<decltype(zbl::add(zbl::Integer(1), zbl::Integer(2))), zbl::Integer>));
    CHECK((std::is_same_v<decltype(zbl::add(zbl::Integer(1), zbl::Long(2))), zbl::Long>));
    CHECK((std::is_same_v<decltype(zbl::add(zbl::Single(1), zbl::Long(2))), double>));
    CHECK((std::is_same_v<decltype(zbl::fdiv(zbl::Integer(1), zbl::Integer(2))), double>));
    CHECK_EQ(zbl::idiv(7.5, 2), 4);  // 7.5 rounds to 8 first
    CHECK_EQ(zbl::mod(-7, 3), -1);
    CHECK_EQ(zbl::neg(zbl::Integer(5)), -5);
    CHECK_EQ(zbl::and_(zbl::Integer(12), zbl::Integer(10)), 8);
    CHECK_EQ(zbl::not_(zbl::Integer(0)), -1);
    CHECK(zbl::imp(true, false) == false);
    CHECK(zbl::eq(String("a"), String("a")) && zbl::lt(String("B"), String("a")));
    CHECK(zbl::eq(zbl::Integer(3), 3.0));
    CHECK_EQ(zbl::int_(-2.5), -3.0);
    CHECK_EQ(zbl::fix(-2.5), -2.0);
    CHECK_EQ(zbl::concat(String("n="), zbl::Long(5)).str(), "n=5");
}

TEST(runtime_strings_and_like) {
    String s("abcdef");
    CHECK_EQ(zbl::left(s, 10).str(), "abcdef");
    CHECK_EQ(zbl::right(s, 2).str(), "ef");
    CHECK_EQ(zbl::mid(s, 5).str(), "ef");
    CHECK_EQ(zbl::mid(s, 9, 2).str(), "");
    CHECK_EQ(zbl::trim(String("   ")).str(), "");
    CHECK_EQ(zbl::len(zbl::Long(-12)), 3);
    CHECK(zbl::like(String("abc"), String("a*")));
    CHECK(zbl::like(String("a1c"), String("a#c")));
    CHECK(zbl::like(String("bat"), String("[a-c]?t")));
    CHECK(!zbl::like(String("bat"), String("[!a-c]at")));
    CHECK(zbl::like(String(""), String("*")));
    CHECK(!zbl::like(String("ab"), String("a")));
}

// ---- built-in functions ----

namespace {

// Runs fn in a child process and gives the run-time error it ends with, or 0.
int errorOf(const std::function<void()>& fn) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    zbl::flush();
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        close(fds[0]);
        fn();
        _exit(0);
    }
    close(fds[1]);
    std::string err;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        err.append(buf, std::size_t(n));
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    auto q = err.find("Run-time error '");
    return q == std::string::npos ? 0 : std::atoi(err.c_str() + q + 16);
}

// Console input from `typed`; gives what the console wrote.
struct Console {
    std::FILE* in;
    std::FILE* out = std::tmpfile();
    explicit Console(const std::string& typed) : keep(typed) {
        in = fmemopen(keep.data(), keep.size() ? keep.size() : 1, "r");
        if (keep.empty())
            std::fgetc(in);  // fmemopen wants a size; start at its end
        zbl::detail::set_console(in, out);
    }
    ~Console() {
        zbl::detail::set_console(nullptr, nullptr);
        std::fclose(in);
        std::fclose(out);
    }
    std::string written() {
        zbl::flush();
        std::rewind(out);
        std::string r;
        for (int c; (c = std::fgetc(out)) != EOF;)
            r += char(c);
        return r;
    }
    std::string keep;
};

std::string joined(const std::vector<String>& fields) {
    std::string r;
    for (const auto& f : fields)
        r += "<" + f.str() + ">";
    return r;
}

}  // namespace

TEST(runtime_val_follows_the_language) {
    struct {
        const char* text;
        double value;
    } cases[] = {
        {"12abc", 12},      {"", 0},
        {".", 0},           {"  -3.5 ", -3.5},
        {"+7", 7},          {"1d2", 100},
        {"1 e 2", 100},     {"1.2.3", 1.2},
        {"--1", 0},         {"1,000", 1},
        {"&O17", 15},       {"&o789", 7},
        {"&HFFFF", -1},     {"&H8000", -32768},
        {"&H10000", 65536}, {"&HFFFFFFFF", -1},
        {"&HFFxyz", 255},   {"&H", 0},
        {"\t4\n2", 42},
    };
    for (const auto& c : cases)
        CHECK_EQ(zbl::val(String(c.text)), c.value);
    CHECK_EQ(errorOf([] { zbl::val(String("1e400")); }), 6);
    CHECK_EQ(errorOf([] { zbl::val(String("&H100000000")); }), 6);
}

TEST(runtime_isnumeric) {
    for (const char* yes : {"1", " 1 ", "-1.5", "+.5", "1e5", "1D-3", "&HFF", "1."})
        CHECK(zbl::isnumeric(String(yes)));
    for (const char* no : {"", " ", ".", "-", "1e", "1 2", "abc", "12abc", "&H", "0x10", "inf"})
        CHECK(!zbl::isnumeric(String(no)));
}

TEST(runtime_instr_and_instrrev) {
    String s("abcABCabc");
    CHECK_EQ(zbl::instr(s, String("bc")), 2);
    CHECK_EQ(zbl::instr(3, s, String("bc")), 8);
    CHECK_EQ(zbl::instr(3, s, String("bc"), zbl::vbTextCompare), 5);
    CHECK_EQ(zbl::instr(4, String("abc"), String("")), 4);  // empty: start, up to one past the end
    CHECK_EQ(zbl::instr(5, String("abc"), String("")), 0);
    CHECK_EQ(zbl::instr(1, String(""), String("")), 0);
    CHECK_EQ(zbl::instr(10, s, String("c")), 0);
    CHECK_EQ(errorOf([] { zbl::instr(0, String("a"), String("a")); }), 5);
    CHECK_EQ(errorOf([] { zbl::instr(1, String("a"), String("a"), 3); }), 5);

    CHECK_EQ(zbl::instrrev(s, String("abc")), 7);
    CHECK_EQ(zbl::instrrev(s, String("abc"), 8), 1);  // a match must end by start
    CHECK_EQ(zbl::instrrev(s, String("abc"), 8, zbl::vbTextCompare), 4);
    CHECK_EQ(zbl::instrrev(s, String("")), 9);
    CHECK_EQ(zbl::instrrev(s, String("a"), 10), 0);
    CHECK_EQ(zbl::instrrev(String("ab"), String("abc")), 0);
    CHECK_EQ(errorOf([] { zbl::instrrev(String("a"), String("a"), 0); }), 5);
}

TEST(runtime_replace_and_string_functions) {
    String s("one two one two one");
    CHECK_EQ(zbl::replace(s, String("one"), String("1")).str(), "1 two 1 two 1");
    CHECK_EQ(zbl::replace(s, String("one"), String("1"), 2).str(), "ne two 1 two 1");
    CHECK_EQ(zbl::replace(s, String("one"), String("1"), 1, 2).str(), "1 two 1 two one");
    CHECK_EQ(zbl::replace(s, String("ONE"), String(""), 1, -1, 1).str(), " two  two ");
    CHECK_EQ(zbl::replace(s, String(""), String("x"), 5).str(), "two one two one");
    CHECK_EQ(zbl::replace(s, String("one"), String("x"), 20).str(), "");
    CHECK_EQ(zbl::replace(String("aaaa"), String("aa"), String("a")).str(), "aa");
    CHECK_EQ(errorOf([] { zbl::replace(String("a"), String("a"), String("b"), 0); }), 5);
    CHECK_EQ(errorOf([] { zbl::replace(String("a"), String("a"), String("b"), 1, -2); }), 5);
    // Many replacements in a long string stay fast.
    String big(std::string(1 << 20, 'a'));
    CHECK_EQ(zbl::replace(big, String("a"), String("bc")).size(), std::size_t(2 << 20));

    CHECK_EQ(zbl::strreverse(String("abc")).str(), "cba");
    CHECK_EQ(zbl::string_(3, String("xyz")).str(), "xxx");
    CHECK_EQ(zbl::string_(3, 65 + 256).str(), "AAA");
    CHECK_EQ(errorOf([] { zbl::string_(2, String("")); }), 5);
    CHECK_EQ(errorOf([] { zbl::string_(-1, String("x")); }), 5);
    CHECK_EQ(zbl::strcomp(String("abc"), String("ABC")), 1);
    CHECK_EQ(zbl::strcomp(String("abc"), String("ABC"), 1), 0);
    CHECK_EQ(zbl::strcomp(String("a"), String("B"), 1), -1);
    CHECK_EQ(zbl::strcomp(String("\xE9"), String("z")), 1);  // bytes compare unsigned
    CHECK_EQ(errorOf([] { zbl::chr(256); }), 5);
    CHECK_EQ(errorOf([] { zbl::asc(String("")); }), 5);
}

TEST(runtime_hex_oct_round_and_maths) {
    CHECK_EQ(zbl::hex(zbl::Integer(-1)).str(), "FFFF");
    CHECK_EQ(zbl::hex(true).str(), "FFFF");
    CHECK_EQ(zbl::hex(zbl::Byte(255)).str(), "FF");
    CHECK_EQ(zbl::hex(zbl::Long(-1)).str(), "FFFFFFFF");
    CHECK_EQ(zbl::hex(-1.0).str(), "FFFFFFFF");
    CHECK_EQ(zbl::hex(2.5).str(), "2");
    CHECK_EQ(zbl::hex(String("255")).str(), "FF");
    CHECK_EQ(zbl::hex(zbl::Variant(zbl::Integer(-2))).str(), "FFFE");
    CHECK_EQ(zbl::hex(zbl::Variant(-2.0)).str(), "FFFFFFFE");
    CHECK_EQ(zbl::oct(zbl::Integer(-1)).str(), "177777");
    CHECK_EQ(zbl::oct(zbl::Long(-1)).str(), "37777777777");
    CHECK_EQ(errorOf([] { zbl::hex(4294967296.0); }), 6);

    struct {
        double v;
        zbl::Long digits;
        double r;
    } rounds[] = {{2.5, 0, 2},      {3.5, 0, 4},      {-2.5, 0, -2},
                  {-3.5, 0, -4},    {2.4, 0, 2},      {0.125, 2, 0.12},
                  {0.375, 2, 0.38}, {1.005, 2, 1},    {1234.5678, 1, 1234.6},
                  {-0.4, 0, 0},     {1e300, 2, 1e300}};
    for (const auto& c : rounds)
        CHECK_EQ(zbl::round(c.v, c.digits), c.r);
    CHECK_EQ(errorOf([] { zbl::round(1.5, -1); }), 5);
    CHECK_EQ(zbl::atn(1.0) * 4, 3.141592653589793);
    CHECK_EQ(errorOf([] { zbl::log_(0); }), 5);
    CHECK_EQ(errorOf([] { zbl::exp_(710); }), 6);
    CHECK_EQ(errorOf([] { zbl::sqr(-1); }), 5);
}

TEST(runtime_rnd_repeats_the_language_sequence) {
    // The first draws of a program that never called Randomize.
    for (float f : {0.7055475f, 0.533424f, 0.5795186f, 0.2895625f, 0.301948f})
        CHECK(std::fabs(zbl::rnd() - f) < 1e-7f);
    CHECK_EQ(zbl::rnd(0), zbl::rnd(0));
    CHECK(std::fabs(zbl::rnd(0) - 0.301948f) < 1e-7f);
    CHECK(std::fabs(zbl::rnd(-1) - 0.224007f) < 1e-6f);
    CHECK_EQ(zbl::rnd(-1), zbl::rnd(-1));
    // The same seed after the same reseed gives the same sequence.
    zbl::rnd(-1);
    zbl::randomize(42);
    float a = zbl::rnd();
    zbl::rnd(-1);
    zbl::randomize(42);
    CHECK_EQ(zbl::rnd(), a);
    zbl::rnd(-1);
    zbl::randomize(43);
    CHECK(zbl::rnd() != a);
    float t = zbl::timer();
    CHECK(t >= 0 && t < 86400);
}

TEST(runtime_command_and_environ) {
    char prog[] = "prog", a[] = "-x", b[] = "two words", c[] = "z";
    char* argv[] = {prog, a, b, c, nullptr};
    zbl::detail::keep_args(4, argv);
    CHECK_EQ(zbl::command().str(), "-x \"two words\" z");
    zbl::detail::keep_args(1, argv);
    CHECK_EQ(zbl::command().str(), "");
    setenv("ZBL_TEST_VALUE", "a=b", 1);
    CHECK_EQ(zbl::environ(String("ZBL_TEST_VALUE")).str(), "a=b");
    CHECK_EQ(zbl::environ(String("ZBL_TEST_UNSET_VALUE")).str(), "");
    bool found = false;
    for (zbl::Long i = 1; !found && zbl::environ(i).size() != 0; ++i)
        found = zbl::environ(i).str() == "ZBL_TEST_VALUE=a=b";
    CHECK(found);
    CHECK_EQ(zbl::environ(zbl::Long(1 << 30)).str(), "");
    CHECK_EQ(errorOf([] { zbl::environ(zbl::Long(0)); }), 5);
}

TEST(runtime_console_input) {
    {
        Console con("first\r\nsecond\nlast");
        zbl::print(String("pending "));
        CHECK_EQ(zbl::line_input(String("Name: ")).str(), "first");
        CHECK_EQ(con.written(), "pending Name: ");  // output comes before the wait
        CHECK_EQ(zbl::line_input(String("")).str(), "second");
        CHECK_EQ(zbl::line_input(String("")).str(), "last");
    }
    CHECK_EQ(errorOf([] {
                 Console con("");
                 zbl::line_input(String("? "));
             }),
             62);
    {
        Console con(" 1 , \"a, b\" ,  c d \n");
        CHECK_EQ(joined(zbl::input_fields(String("Age"), true, 3)), "<1><a, b><c d>");
        CHECK_EQ(con.written(), "Age? ");
    }
    {
        // Too few, too many, junk after quotes, not a number: ask again.
        Console con("1\n1,2,3\n\"a\"b,2\n2,x\n\"\",2\n");
        CHECK_EQ(joined(zbl::input_fields(String("N"), false, 2, {false, true})), "<><2>");
        CHECK_EQ(con.written(),
                 "N?Redo from start\nN?Redo from start\nN?Redo from start\nN?Redo from start\nN");
    }
    {
        Console con("\n");
        CHECK_EQ(joined(zbl::input_fields(String(""), true, 2)), "<><>");
        CHECK_EQ(con.written(), "? ");
    }
    CHECK_EQ(errorOf([] {
                 Console con("1\n");
                 zbl::input_fields(String(""), true, 2);
             }),
             62);
}

TEST(runtime_console_dialogs) {
    {
        Console con("");
        CHECK_EQ(zbl::msgbox(String("Done"), zbl::vbInformation, String("App")), zbl::vbOK);
        CHECK_EQ(con.written(), "App\nDone\n");
    }
    {
        Console con("maybe\nn\n");
        CHECK_EQ(zbl::msgbox(String("Save?"), zbl::vbYesNoCancel), zbl::vbNo);
        CHECK_EQ(con.written(), "Save?\n[Y]es/[N]o/[C]ancel? [Y]es/[N]o/[C]ancel? ");
    }
    struct {
        zbl::Long buttons;
        const char* typed;
        zbl::Long result;
    } answers[] = {
        {zbl::vbOKCancel, "\n", zbl::vbOK},
        {zbl::vbOKCancel | zbl::vbDefaultButton2, "\n", zbl::vbCancel},
        {zbl::vbOKCancel, "CANCEL\n", zbl::vbCancel},
        {zbl::vbAbortRetryIgnore, "i\n", zbl::vbIgnore},
        {zbl::vbAbortRetryIgnore | zbl::vbDefaultButton3, " \n", zbl::vbIgnore},
        {zbl::vbYesNo | zbl::vbDefaultButton3, "\n", zbl::vbYes},
        {zbl::vbRetryCancel | zbl::vbCritical, "r\n", zbl::vbRetry},
        {zbl::vbYesNo, "", zbl::vbNo},
        {zbl::vbYesNoCancel, "", zbl::vbCancel},
        {zbl::vbAbortRetryIgnore, "", zbl::vbAbort},
    };
    for (const auto& a : answers) {
        Console con(a.typed);
        CHECK_EQ(zbl::msgbox(String("?"), a.buttons), a.result);
    }
    {
        Console con("\nJane\n");
        CHECK_EQ(zbl::inputbox(String("Name:"), String("Ask"), String("Bob")).str(), "Bob");
        CHECK_EQ(zbl::inputbox(String("Name:")).str(), "Jane");
        CHECK_EQ(zbl::inputbox(String("Name:")).str(), "");  // end of input is a Cancel
        CHECK_EQ(con.written(), "Ask\nName: [Bob] Name: Name: \n");
    }
}

// ---- files ----

namespace {

// A fresh folder for one case, removed with what it holds.
struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/zbl-files-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
    String at(const std::string& name) const { return String(path + "/" + name); }
    std::string read(const std::string& name) const {
        std::string r;
        if (std::FILE* f = std::fopen((path + "/" + name).c_str(), "rb")) {
            for (int c; (c = std::fgetc(f)) != EOF;)
                r += char(c);
            std::fclose(f);
        }
        return r;
    }
    void write(const std::string& name, const std::string& bytes) const {
        std::FILE* f = std::fopen((path + "/" + name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
};

using zbl::FileMode;

}  // namespace

TEST(runtime_text_files) {
    TempFolder tmp;
    // Any line end reads; the last line needs none.
    tmp.write("in.txt", "one\r\ntwo\nthree\rfour\r\n\r\nlast");
    zbl::file_open(tmp.at("in.txt"), FileMode::Input, 1);
    std::string lines;
    while (!zbl::file_eof(1))
        lines += "<" + zbl::file_line_input(1).str() + ">";
    CHECK_EQ(lines, "<one><two><three><four><><last>");
    CHECK_EQ(zbl::file_lof(1), 27);
    zbl::file_close(1);

    // Print # keeps its own column for "," zones; lines end with CR LF.
    zbl::file_open(tmp.at("out.txt"), FileMode::Output, 2);
    zbl::file_print(2, String("x"));
    zbl::file_print(2, zbl::Integer(5));
    zbl::file_print_zone(2);
    zbl::file_print(2, -2.5);
    zbl::file_print(2, true);
    zbl::file_print_newline(2);
    zbl::file_print_zone(2);
    zbl::file_print(2, zbl::Variant(0.5f));
    zbl::file_print_newline(2);
    zbl::file_close(2);
    CHECK_EQ(tmp.read("out.txt"), "x 5           -2.5 True\r\n               .5 \r\n");

    // Append adds at the end, Output starts afresh; Close ends them all.
    zbl::file_open(tmp.at("out.txt"), FileMode::Append, 3);
    zbl::file_print(3, String("more"));
    zbl::file_print_newline(3);
    zbl::file_open(tmp.at("new.txt"), FileMode::Output, 4);
    zbl::file_print(4, String("new"));
    zbl::file_close_all();
    CHECK_EQ(tmp.read("out.txt"), "x 5           -2.5 True\r\n               .5 \r\nmore\r\n");
    CHECK_EQ(tmp.read("new.txt"), "new");
    zbl::file_open(tmp.at("out.txt"), FileMode::Output, 3);
    zbl::file_close(3);
    CHECK_EQ(tmp.read("out.txt"), "");

    // Long lines across the read blocks.
    std::string longLine(200000, 'a');
    tmp.write("long.txt", longLine + "\r\n" + longLine);
    zbl::file_open(tmp.at("long.txt"), FileMode::Input, 1);
    CHECK_EQ(zbl::file_line_input(1).size(), longLine.size());
    CHECK_EQ(zbl::file_seek(1), zbl::Long(longLine.size() + 3));
    CHECK_EQ(zbl::file_line_input(1).size(), longLine.size());
    CHECK(zbl::file_eof(1));
    zbl::file_close(1);
}

TEST(runtime_write_and_input_files) {
    TempFolder tmp;
    zbl::file_open(tmp.at("data.txt"), FileMode::Output, 1);
    zbl::file_write_item(1, String("a, b"));
    zbl::file_write_item(1, zbl::Integer(5));
    zbl::file_write_item(1, true);
    zbl::file_write_item(1, 2.5);
    zbl::file_write_item(1, zbl::Single(0.1f));
    zbl::file_write_end(1);
    zbl::file_write_item(1, String(""));
    zbl::file_write_item(1, zbl::Variant());
    zbl::file_write_item(1, zbl::Variant(String("7")));
    zbl::file_write_end(1);
    zbl::file_close(1);
    CHECK_EQ(tmp.read("data.txt"), "\"a, b\",5,#TRUE#,2.5,.1\r\n\"\",,\"7\"\r\n");

    zbl::file_open(tmp.at("data.txt"), FileMode::Input, 1);
    String s;
    zbl::Long n = 0;
    bool b = false;
    double d = 0;
    zbl::Single f = 0;
    zbl::file_input(1, s);
    zbl::file_input(1, n);
    zbl::file_input(1, b);
    zbl::file_input(1, d);
    zbl::file_input(1, f);
    CHECK_EQ(s.str(), "a, b");
    CHECK_EQ(n, 5);
    CHECK(b);
    CHECK_EQ(d, 2.5);
    CHECK_EQ(f, 0.1f);
    zbl::Variant v1, v2, v3;
    zbl::file_input(1, v1);
    zbl::file_input(1, v2);
    zbl::file_input(1, v3);
    CHECK(v1.kind() == zbl::Variant::Kind::String && v1.string().size() == 0);
    CHECK(v2.kind() == zbl::Variant::Kind::Empty);
    CHECK(v3.kind() == zbl::Variant::Kind::String);  // quoted: text, even when numeric
    CHECK(zbl::file_eof(1));
    zbl::file_close(1);

    // Blanks around unquoted fields go; line ends separate fields too.
    tmp.write("typed.txt", "  x y  , 3 \n\"q\" junk,#FALSE#\r\n\r\n4");
    zbl::file_open(tmp.at("typed.txt"), FileMode::Input, 2);
    std::string fields;
    while (!zbl::file_eof(2))
        fields += "<" + zbl::file_input_field(2).str() + ">";
    CHECK_EQ(fields, "<x y><3><q><False><4>");
    zbl::file_close(2);
}

TEST(runtime_file_errors) {
    TempFolder tmp;
    tmp.write("a.txt", "1\n");
    String a = tmp.at("a.txt"), missing = tmp.at("missing.txt");
    CHECK_EQ(errorOf([] { zbl::file_eof(7); }), 52);
    CHECK_EQ(errorOf([&] { zbl::file_open(a, FileMode::Input, 512); }), 52);
    CHECK_EQ(errorOf([&] { zbl::file_open(missing, FileMode::Input, 1); }), 53);
    CHECK_EQ(errorOf([&] { zbl::file_open(tmp.at("no/a.txt"), FileMode::Output, 1); }), 76);
    CHECK_EQ(errorOf([&] { zbl::file_open(String(tmp.path), FileMode::Input, 1); }), 75);
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(a, FileMode::Input, 1);
                 zbl::file_open(a, FileMode::Input, 1);
             }),
             55);
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(a, FileMode::Input, 1);
                 zbl::file_open(a, FileMode::Output, 2);
             }),
             55);
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(a, FileMode::Append, 1);
                 zbl::file_open(a, FileMode::Binary, 2);
             }),
             55);
    // A run-time error ends the program with what was written in its files.
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(tmp.at("kept.txt"), FileMode::Output, 3);
                 zbl::file_print(3, String("kept"));
                 zbl::raise(5);
             }),
             5);
    CHECK_EQ(tmp.read("kept.txt"), "kept");
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(a, FileMode::Append, 1);
                 zbl::file_line_input(1);
             }),
             54);
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(a, FileMode::Input, 1);
                 zbl::file_print(1, String("x"));
             }),
             54);
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(a, FileMode::Input, 1);
                 zbl::Long v;
                 zbl::file_get(1, 1, v);
             }),
             54);
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(a, FileMode::Input, 1);
                 zbl::file_input_field(1);
                 zbl::file_input_field(1);
             }),
             62);
    // Close of a number that is not open is no error; FreeFile skips open ones.
    zbl::file_close(9);
    zbl::file_open(a, FileMode::Input, 1);
    zbl::file_open(a, FileMode::Binary, 256);
    CHECK_EQ(zbl::free_file(), 2);
    CHECK_EQ(zbl::free_file(1), 257);
    zbl::file_close_all();
    CHECK_EQ(zbl::free_file(), 1);
}

TEST(runtime_binary_and_random_files) {
    TempFolder tmp;
    zbl::file_open(tmp.at("b.bin"), FileMode::Binary, 1);
    zbl::file_put(1, 0, zbl::Integer(-2));
    zbl::file_put(1, 0, zbl::Long(0x01020304));
    zbl::file_put(1, 0, true);
    zbl::file_put(1, 0, String("hi"));
    zbl::file_put(1, 0, zbl::Byte(9));
    zbl::file_put(1, 0, 1.5);
    zbl::file_put(1, 0, 1.5f);
    CHECK_EQ(zbl::file_loc(1), 23);
    CHECK_EQ(zbl::file_lof(1), 23);
    zbl::file_close(1);
    CHECK_EQ(tmp.read("b.bin"), std::string("\xFE\xFF\x04\x03\x02\x01\xFF\xFFhi\x09"
                                            "\0\0\0\0\0\0\xF8\x3F\0\0\xC0\x3F",
                                            23));

    zbl::file_open(tmp.at("b.bin"), FileMode::Binary, 1);
    zbl::Long l = 0;
    bool b = false;
    String s("xyz");  // Get reads as many bytes as the string holds
    zbl::file_get(1, 3, l);
    zbl::file_get(1, 0, b);
    zbl::file_get(1, 0, s);
    CHECK_EQ(l, 0x01020304);
    CHECK(b);
    CHECK_EQ(s.str(), "hi\x09");
    CHECK_EQ(zbl::file_seek(1), 12);
    zbl::file_seek(1, 2);
    zbl::file_put(1, 0, zbl::Byte(0x7F));  // overwrite, then read back through the block
    zbl::Integer i = 0;
    zbl::file_get(1, 1, i);
    CHECK_EQ(i, 0x7FFE);
    CHECK(!zbl::file_eof(1));
    zbl::file_get(1, 23, i);  // one byte short
    CHECK(zbl::file_eof(1));
    zbl::file_close(1);

    // Random: records of Len bytes, strings with their length.
    zbl::file_open(tmp.at("r.dat"), FileMode::Random, 2, 8);
    zbl::file_put(2, 3, 2.5);
    zbl::file_put(2, 1, zbl::Long(42));
    zbl::file_put(2, 0, String("hello"));  // the record after the last one
    CHECK_EQ(zbl::file_lof(2), 24);
    CHECK_EQ(zbl::file_loc(2), 2);
    String r;
    double d = 0;
    zbl::file_get(2, 2, r);
    zbl::file_get(2, 0, d);
    CHECK_EQ(r.str(), "hello");
    CHECK_EQ(d, 2.5);
    CHECK(!zbl::file_eof(2));
    zbl::file_get(2, 0, l);
    CHECK(zbl::file_eof(2));
    zbl::Variant v(String("ab"));
    zbl::file_put(2, 5, v);
    zbl::Variant back;
    zbl::file_get(2, 5, back);
    CHECK(back.kind() == zbl::Variant::Kind::String && back.string().str() == "ab");
    zbl::file_close(2);
    CHECK_EQ(tmp.read("r.dat").substr(8, 8), std::string("\x05\0hello\0", 8));
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(tmp.at("r.dat"), FileMode::Random, 2, 8);
                 zbl::file_put(2, 1, String("1234567"));
             }),
             59);
    CHECK_EQ(errorOf([&] {
                 zbl::file_open(tmp.at("r.dat"), FileMode::Random, 2, 8);
                 zbl::file_print(2, String("x"));
             }),
             54);
}

TEST(runtime_file_system) {
    TempFolder tmp;
    for (const char* name : {"a.txt", "b.txt", "c.log", "README", ".hidden"})
        tmp.write(name, "data");
    zbl::mk_dir(tmp.at("sub"));
    auto all = [](String first) {
        std::string r;
        for (String n = first; n.size() != 0; n = zbl::dir())
            r += "<" + n.str() + ">";
        return r;
    };
    CHECK_EQ(all(zbl::dir(tmp.at("*.txt"))), "<a.txt><b.txt>");
    CHECK_EQ(all(zbl::dir(tmp.at("?.*"))), "<a.txt><b.txt><c.log>");
    CHECK_EQ(all(zbl::dir(tmp.at("*.*"))), "<README><a.txt><b.txt><c.log>");
    CHECK_EQ(all(zbl::dir(String(tmp.path + "\\"), zbl::vbDirectory)),
             "<.><..><README><a.txt><b.txt><c.log><sub>");
    CHECK_EQ(all(zbl::dir(tmp.at(".h*"), zbl::vbHidden)), "<.hidden>");
    CHECK_EQ(zbl::dir(tmp.at("none/*")).str(), "");
    CHECK_EQ(errorOf([] { zbl::dir(); }), 5);  // past the end

    zbl::kill(tmp.at("*.txt"));
    CHECK_EQ(all(zbl::dir(tmp.at("*"))), "<README><c.log>");
    CHECK_EQ(errorOf([&] { zbl::kill(tmp.at("*.txt")); }), 53);
    zbl::name_as(tmp.at("c.log"), tmp.at("sub/c2.log"));
    zbl::file_copy(tmp.at("README"), tmp.at("sub/copy"));
    CHECK_EQ(tmp.read("sub/copy"), "data");
    CHECK_EQ(zbl::file_len(tmp.at("sub/c2.log")), 4);
    CHECK_EQ(errorOf([&] { zbl::name_as(tmp.at("README"), tmp.at("sub/copy")); }), 58);
    CHECK_EQ(errorOf([&] { zbl::name_as(tmp.at("gone"), tmp.at("x")); }), 53);
    CHECK_EQ(errorOf([&] { zbl::mk_dir(tmp.at("sub")); }), 75);
    CHECK_EQ(errorOf([&] { zbl::rm_dir(tmp.at("sub")); }), 75);
    CHECK_EQ(errorOf([&] { zbl::ch_dir(tmp.at("none")); }), 76);

    CHECK_EQ(zbl::get_attr(tmp.at("sub")), zbl::vbDirectory);
    CHECK_EQ(zbl::get_attr(tmp.at(".hidden")), zbl::vbHidden);
    zbl::set_attr(tmp.at("README"), zbl::vbReadOnly);
    CHECK_EQ(zbl::get_attr(tmp.at("README")), zbl::vbReadOnly);
    CHECK_EQ(errorOf([&] { zbl::kill(tmp.at("README")); }), 75);
    zbl::set_attr(tmp.at("README"), zbl::vbNormal);
    CHECK_EQ(zbl::get_attr(tmp.at("README")), zbl::vbNormal);

    String here = zbl::cur_dir();
    zbl::ch_dir(tmp.at("sub"));
    CHECK_EQ(zbl::cur_dir().str(), tmp.path + "/sub");
    zbl::kill(String("*"));
    zbl::ch_dir(here);
    zbl::rm_dir(tmp.at("sub"));
    CHECK_EQ(zbl::get_attr(tmp.at("README")), 0);
    CHECK_EQ(errorOf([&] { zbl::get_attr(tmp.at("sub")); }), 53);
}

namespace {
zbl::Date dateAt(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
    return zbl::Date{zbl::date_serial(y, m, d).serial + zbl::time_serial(h, n, s).serial};
}
std::string dateText(zbl::Date d) {
    return zbl::date_text(d);
}
}  // namespace

TEST(runtime_date_serial_and_parts) {
    struct {
        int y, m, d;
        const char* text;
    } serials[] = {
        {2026, 14, 0, "1/31/2027"},    {2026, 0, 0, "11/30/2025"}, {2024, 2, 30, "3/1/2024"},
        {2026, -11, 1, "1/1/2025"},    {26, 12, 5, "12/5/2026"},   {30, 1, 1, "1/1/1930"},
        {1899, 12, 30, "12:00:00 AM"},  // day 0 shows only its time
    };
    for (const auto& s : serials)
        CHECK_EQ(dateText(zbl::date_serial(s.y, s.m, s.d)), s.text);
    CHECK_EQ(zbl::date_serial(1899, 12, 29).serial, -1.0);
    CHECK_EQ(errorOf([] { zbl::date_serial(10000, 1, 1); }), 5);
    // Before day 0 the time still counts forward from midnight.
    CHECK_EQ(zbl::time_serial(-1, 0, 0).serial, -1 - 23.0 / 24);
    CHECK_EQ(dateText(zbl::time_serial(25, 0, 0)), "12/31/1899 1:00:00 AM");
    zbl::Date d = dateAt(2026, 12, 5, 13, 5, 9);  // a Saturday
    CHECK_EQ(zbl::year(d) * 10000 + zbl::month(d) * 100 + zbl::day(d), 20261205);
    CHECK_EQ(zbl::hour(d) * 10000 + zbl::minute(d) * 100 + zbl::second(d), 130509);
    CHECK_EQ(zbl::weekday(d), 7);
    CHECK_EQ(zbl::weekday(d, zbl::vbMonday), 6);
    CHECK_EQ(zbl::weekday(d, zbl::vbSaturday), 1);
    CHECK_EQ(zbl::weekday(zbl::Date{-1.75}), 6);  // 1899-12-29 was a Friday
    CHECK_EQ(errorOf([] { zbl::weekday(zbl::Date{}, 8); }), 5);
    CHECK_EQ(zbl::weekday_name(1, true, zbl::vbMonday).str(), "Mon");
    CHECK_EQ(zbl::month_name(9).str(), "September");
    CHECK_EQ(errorOf([] { zbl::month_name(13); }), 5);
}

TEST(runtime_date_add_and_diff) {
    struct {
        const char* interval;
        double n;
        zbl::Date from;
        const char* text;
    } adds[] = {
        {"m", 1, dateAt(2026, 1, 31), "2/28/2026"},
        {"M", -1, dateAt(2024, 3, 31, 6), "2/29/2024 6:00:00 AM"},
        {"yyyy", 1, dateAt(2024, 2, 29), "2/28/2025"},
        {"q", 1, dateAt(2026, 11, 30), "2/28/2027"},
        {"d", 1.9, dateAt(2026, 12, 31), "1/1/2027"},
        {"ww", -1, dateAt(2026, 12, 5), "11/28/2026"},
        {"h", 25, dateAt(2026, 12, 5, 13, 5, 9), "12/6/2026 2:05:09 PM"},
        {"n", -90, dateAt(2026, 12, 5, 1), "12/4/2026 11:30:00 PM"},
    };
    for (const auto& a : adds)
        CHECK_EQ(dateText(zbl::date_add(a.interval, a.n, a.from)), a.text);
    CHECK_EQ(errorOf([] { zbl::date_add("x", 1, zbl::Date{}); }), 5);
    CHECK_EQ(errorOf([] { zbl::date_add("yyyy", 9000, zbl::Date{}); }), 5);

    struct {
        const char* interval;
        zbl::Date a, b;
        zbl::Long diff;
    } diffs[] = {
        {"yyyy", dateAt(2025, 12, 31, 23), dateAt(2026, 1, 1), 1},
        {"yyyy", dateAt(2026, 1, 1), dateAt(2025, 12, 31), -1},
        {"m", dateAt(2026, 1, 31), dateAt(2026, 2, 1), 1},
        {"q", dateAt(2026, 3, 31), dateAt(2026, 4, 1), 1},
        {"d", dateAt(2026, 12, 1, 23), dateAt(2026, 12, 2, 1), 1},
        {"d", dateAt(2026, 12, 6), dateAt(2026, 12, 1), -5},
        {"w", dateAt(2026, 12, 1), dateAt(2026, 12, 14), 1},  // whole weeks
        {"ww", dateAt(2026, 12, 5), dateAt(2026, 12, 6), 1},  // Saturday to Sunday
        {"ww", dateAt(2026, 12, 6), dateAt(2026, 12, 12), 0},
        {"ww", dateAt(2026, 12, 13), dateAt(2026, 12, 6), -1},
        {"h", dateAt(2026, 12, 5, 10, 59), dateAt(2026, 12, 5, 11), 1},
        {"s", dateAt(2026, 12, 5), dateAt(2026, 12, 4, 23, 59, 59), -1},
    };
    for (const auto& d : diffs)
        CHECK_EQ(zbl::date_diff(d.interval, d.a, d.b), d.diff);
    // Weeks starting on Monday: Sunday to Monday crosses one.
    CHECK_EQ(zbl::date_diff("ww", dateAt(2026, 12, 6), dateAt(2026, 12, 7), zbl::vbMonday), 1);
    CHECK_EQ(zbl::date_part("ww", dateAt(2026, 1, 3)), 1);
    CHECK_EQ(zbl::date_part("ww", dateAt(2026, 1, 4)), 2);
    CHECK_EQ(zbl::date_part("y", dateAt(2024, 12, 31)), 366);
    CHECK_EQ(zbl::date_part("q", dateAt(2026, 7, 1)), 3);
}

TEST(runtime_date_text_and_values) {
    CHECK_EQ(dateText(zbl::Date{46361}), "12/5/2026");
    CHECK_EQ(dateText(zbl::Date{0.75}), "6:00:00 PM");
    CHECK_EQ(dateText(zbl::Date{46361.5}), "12/5/2026 12:00:00 PM");
    CHECK_EQ(dateText(zbl::Date{-1.25}), "12/29/1899 6:00:00 AM");
    CHECK_EQ(dateText(zbl::Date{0.99999999}), "12/31/1899");  // rounds to the next midnight
    struct {
        const char* typed;
        const char* text;
    } values[] = {
        {"2026-12-05", "12/5/2026"},
        {"12/05/2026", "12/5/2026"},
        {"13/12/2026", "12/13/2026"},  // cannot be month first
        {"5 Dec 2026", "12/5/2026"},
        {"December 5, 2026", "12/5/2026"},
        {"Sat, Dec. 5, 26 1:45 PM", "12/5/2026 1:45:00 PM"},
        {"13:45", "1:45:00 PM"},
        {"1:45:30 PM", "1:45:30 PM"},
        {"12:10 am", "12:10:00 AM"},
        {"7 PM", "7:00:00 PM"},
    };
    for (const auto& v : values)
        CHECK_EQ(dateText(zbl::cdate(v.typed)), v.text);
    CHECK_EQ(dateText(zbl::date_value("12/5/2026 13:45")), "12/5/2026");
    CHECK_EQ(dateText(zbl::time_value("12/5/2026 13:45")), "1:45:00 PM");
    for (const char* no : {"", "hello", "2/30/2026", "25:00", "13:00 PM", "12", "1/2/3/4", "5 Foo"})
        CHECK(!zbl::is_date(no));
    CHECK_EQ(errorOf([] { zbl::date_value("31/31/2026"); }), 13);
    CHECK(zbl::Date{1} < zbl::Date{1.5} && zbl::Date{2} == zbl::Date{2});
}

TEST(runtime_format_numbers) {
    struct {
        double v;
        const char* fmt;
        const char* text;
    } rows[] = {
        {1234.5, "0.00", "1234.50"},
        {-0.5, "0.00", "-0.50"},
        {1.005, "0.00", "1.01"},  // 15 significant digits, then half away from zero
        {2.5, "0", "3"},
        {-2.5, "0", "-3"},
        {1234567.891, "#,##0.00", "1,234,567.89"},
        {0.5, "#,##0.00", "0.50"},
        {0, "#", ""},
        {5, "#.##", "5."},
        {1.5, "0.0#", "1.5"},
        {0.256, "0%", "26%"},
        {1234.5, "0.00E+00", "1.23E+03"},
        {0.00012, "0.00E-00", "1.20E-04"},
        {99999, "0.0E+0", "1.0E+5"},
        {5, "0;(0)", "5"},
        {-5, "0;(0)", "(5)"},
        {0, "0;(0);\\Z\\e\\r\\o", "Zero"},
        {-5, "0.0;;\"none\"", "-5.0"},
        {1234567, "#,##0,", "1,235"},
        {1234567890, "0,,.0", "1234.6"},
        {5551234567.0, "(###) ###-####", "(555) 123-4567"},
        {42, "\"No. \"000", "No. 042"},
        {1234.5, "Currency", "$1,234.50"},
        {-1234.5, "currency", "($1,234.50)"},
        {0.256, "Percent", "25.60%"},
        {-1234.567, "Standard", "-1,234.57"},
        {1234.5, "Fixed", "1234.50"},
        {1234.5, "Scientific", "1.23E+03"},
        {0.1, "General Number", "0.1"},
        {-1, "Yes/No", "Yes"},
        {0, "True/False", "False"},
        {123, "@@@@@", "  123"},
    };
    for (const auto& r : rows)
        CHECK_EQ(zbl::format(r.v, r.fmt).str(), r.text);
    CHECK_EQ(zbl::format(0.5).str(), "0.5");
    CHECK_EQ(zbl::format(String("1234.5"), "#,##0.00").str(), "1,234.50");
}

TEST(runtime_format_dates_and_text) {
    zbl::Date d = dateAt(2026, 12, 5, 13, 5, 9);
    struct {
        const char* fmt;
        const char* text;
    } rows[] = {
        {"yyyy-mm-dd", "2026-12-05"},
        {"dddd, mmmm d, yyyy", "Saturday, December 5, 2026"},
        {"ddd d-mmm-yy", "Sat 5-Dec-26"},
        {"hh:nn:ss AM/PM", "01:05:09 PM"},
        {"h:mm am/pm", "1:05 pm"},  // m after h is the minute
        {"hh:mm a/p", "01:05 p"},
        {"m/d h\\h", "12/5 13h"},
        {"w ww q y", "7 49 4 339"},
        {"ddddd ttttt", "12/5/2026 1:05:09 PM"},
        {"Long Date", "Saturday, December 5, 2026"},
        {"Medium Date", "05-Dec-26"},
        {"Short Date", "12/5/2026"},
        {"Long Time", "1:05:09 PM"},
        {"Medium Time", "01:05 PM"},
        {"Short Time", "13:05"},
        {"General Date", "12/5/2026 1:05:09 PM"},
        {"Fixed", "46361.55"},
    };
    for (const auto& r : rows)
        CHECK_EQ(zbl::format(d, r.fmt).str(), r.text);
    CHECK_EQ(zbl::format(46361.0, "yyyy-mm-dd").str(), "2026-12-05");
    CHECK_EQ(zbl::format(String("December 5, 2026"), "Short Date").str(), "12/5/2026");
    struct {
        const char* s;
        const char* fmt;
        const char* text;
    } texts[] = {
        {"abc", "@@@@@", "  abc"},    {"abc", "!@@@@@", "abc  "},      {"abc", "&&&&&", "abc"},
        {"12345", "@@-@@", "123-45"}, {"abcdef", "!@@-@@", "ab-cdef"}, {"Hello", ">", "HELLO"},
        {"", "@;\"none\"", "none"},   {"hello", "Currency", "hello"},
    };
    for (const auto& t : texts)
        CHECK_EQ(zbl::format(String(t.s), t.fmt).str(), t.text);
}
