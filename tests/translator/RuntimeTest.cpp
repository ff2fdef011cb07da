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
