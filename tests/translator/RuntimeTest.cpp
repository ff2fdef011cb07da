// The run-time library's conversions and formatting, called directly.
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
