// Zorbel programs translated, compiled against the run-time library, run,
// and their output compared.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Check.h"
#include "translator/Translator.h"

namespace fs = std::filesystem;

namespace {

struct Run {
    bool built = false;
    int status = -1;
    std::string out, err;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

Run runProgram(const std::string& name, const std::string& source) {
    Run r;
    fs::path dir = ZBL_TEST_DIR;
    fs::create_directories(dir);
    zbl::trans::Diagnostics diags;
    const zbl::trans::Translation t = zbl::trans::translate(source, name + ".zbl", diags);
    for (const auto& d : diags)
        check::fail(__FILE__, __LINE__, name + ":" + std::to_string(d.pos.line) + ": " + d.message);
    if (!diags.empty())
        return r;
    fs::path src = dir / (name + ".cpp"), exe = dir / name;
    std::ofstream(src, std::ios::binary) << t.units.at(0);
    std::string compile = std::string(ZBL_CXX) +
                          " -std=c++20 -O0 -Wall -Wextra -Werror " ZBL_CXX_FLAGS
                          " -I'" ZBL_RUNTIME_INCLUDE "' '" +
                          src.string() + "' '" ZBL_RUNTIME_LIB "' -o '" + exe.string() + "' 2>'" +
                          (dir / (name + ".cc.log")).string() + "'";
    if (std::system(compile.c_str()) != 0) {
        check::fail(__FILE__, __LINE__,
                    name + " does not compile:\n" + readFile(dir / (name + ".cc.log")));
        return r;
    }
    r.built = true;
    fs::path out = dir / (name + ".out"), err = dir / (name + ".err");
    int st = std::system(
        ("'" + exe.string() + "' >'" + out.string() + "' 2>'" + err.string() + "'").c_str());
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = readFile(out);
    r.err = readFile(err);
    return r;
}

void expectOutput(const std::string& name, const std::string& source, const std::string& expected) {
    Run r = runProgram(name, source);
    if (!r.built)
        return;
    CHECK_EQ(r.out, expected);
    CHECK_EQ(r.status, 0);
    CHECK_EQ(r.err, "");
}

}  // namespace

TEST(e2e_hello_world) {
    expectOutput("hello", "Sub Main()\n    Print \"Hello, world!\"\nEnd Sub\n", "Hello, world!\n");
}

TEST(e2e_print_numbers_and_zones) {
    expectOutput(
        "printfmt",
        "Sub Main\n"
        "  Print 5\n  Print -5\n  Print 1; 2; -3\n  Print 0.5, 2.5E-6, 1E+20\n"
        "  Print \"a\", \"b\"; \"c\",\n  Print \"d\"\n"
        "  Print Str$(0.5); Str$(-2.5); \"|\"; CStr(0.5); \"|\"; 7 / 2; 7 \\ 2; 2 ^ 10\n"
        "  Print Len(\"abc\"); Left$(\"abcdef\", 2); Mid$(\"abcdef\", 3, 2); Right(\"xyz\", 1)\n"
        "  Print UCase$(\"mIx\") & LCase$(\"MiX\") & \"[\" & Trim$(\"  t  \") & \"]\"\n"
        "  Print Val(\" 1 2.5x\"); Chr$(65); Asc(\"a\"); Abs(-3); Int(-2.5); Sqr(16)\n"
        "  Print 1 = 1; 3 And 5; True Or False\n"
        "End Sub\n",
        " 5 \n-5 \n 1  2 -3 \n"
        " .5            2.5E-06       1E+20 \n"
        "a             bc            d\n"
        " .5-2.5|0.5| 3.5  3  1024 \n"
        " 3 abcdz\nMIXmix[t]\n"
        " 12.5 A 97  3 -3  4 \n"
        "True 1 True\n");
}

TEST(e2e_for_step_do_and_strings) {
    expectOutput(
        "loops",
        "Option Explicit\n"
        "Sub Main()\n"
        "  Dim i As Integer, s As String, class As Long\n"
        "  For i = 10 To 1 Step -3\n    s = s & i & \",\"\n  Next i\n"
        "  Print s; i\n"
        "  Do While class < 5\n    class = class + 2\n    If class = 4 Then Exit Do\n  Loop\n"
        "  Print class\n"
        "  For i = 1 To 3: For class = 1 To 9: If class = 2 Then Exit For\n"
        "  Next: Print i * 10 + class;: Next\n  Print\n"
        "End Sub\n",
        "10,7,4,1,-2 \n 4 \n 12  22  32 \n");
}

TEST(e2e_select_case) {
    expectOutput("select",
                 "Sub Main\n"
                 "  Dim n As Long\n"
                 "  For n = 0 To 12 Step 3\n"
                 "    Select Case n\n"
                 "      Case 0: Print \"zero\"\n"
                 "      Case 1 To 4, 7: Print \"small\"\n"
                 "      Case Is >= 10: Print \"big\"\n"
                 "      Case Else: Print \"other\"; n\n"
                 "    End Select\n"
                 "  Next\n"
                 "  Select Case \"b\"\n  Case \"a\" To \"c\": Print \"letter\"\n  End Select\n"
                 "End Sub\n",
                 "zero\nsmall\nother 6 \nother 9 \nbig\nletter\n");
}

TEST(e2e_recursive_function_and_byref) {
    expectOutput("recurse",
                 "Function Fact(ByVal n As Long) As Long\n"
                 "  If n <= 1 Then Fact = 1 Else Fact = n * Fact(n - 1)\n"
                 "End Function\n"
                 "Sub Bump(x As Long, Optional by As Long = 1)\n  x = x + by\nEnd Sub\n"
                 "Sub Main\n"
                 "  Dim k As Long\n"
                 "  Print Fact(10)\n"
                 "  Bump k: Bump k, 5: Bump (k): Bump k + 1\n"
                 "  Print k\n"
                 "End Sub\n",
                 " 3628800 \n 6 \n");
}

TEST(e2e_runtime_errors) {
    // The report names every active call, innermost first.
    Run r =
        runProgram("divzero",
                   "Function Half(n)\n  Half = 1 / n\nEnd Function\n"
                   "Sub Main\n  Dim a As Long\n  Print \"before\";\n  Print Half(a)\nEnd Sub\n");
    if (r.built) {
        CHECK_EQ(r.status, 1);
        CHECK_EQ(r.out, "before");
        CHECK_EQ(r.err,
                 "Run-time error '11':\n\nDivision by zero\n\n"
                 "    at Half (divzero.zbl:2)\n    at Main (divzero.zbl:7)\n");
    }
    r = runProgram("overflow", "Sub Main\n  Dim i As Integer\n  i = 32767\n  i = i + 1\nEnd Sub\n");
    if (r.built) {
        CHECK_EQ(r.status, 1);
        CHECK_EQ(r.err, "Run-time error '6':\n\nOverflow\n\n    at Main (overflow.zbl:4)\n");
    }
    r = runProgram("subscript",
                   "Sub Main\n  Dim a(1 To 3) As Long, v\n  v = 4\n  a(v) = 1\nEnd Sub\n");
    if (r.built)
        CHECK_EQ(
            r.err,
            "Run-time error '9':\n\nSubscript out of range\n\n    at Main (subscript.zbl:4)\n");
    r = runProgram("mismatch", "Sub Main\n  Dim n As Long\n  n = \"abc\"\nEnd Sub\n");
    if (r.built)
        CHECK_EQ(r.err, "Run-time error '13':\n\nType mismatch\n\n    at Main (mismatch.zbl:3)\n");
}

TEST(translator_reports_name_errors) {
    zbl::trans::Diagnostics d;
    zbl::trans::translate(
        "Option Explicit\nSub Main\n  x = 1\n  Nope 2\n  Print Len(1, 2)\nEnd Sub\nSub Main\nEnd "
        "Sub\n",
        "m.zbl", d);
    std::string got;
    for (const auto& e : d)
        got +=
            std::to_string(e.pos.line) + ":" + std::to_string(e.pos.col) + " " + e.message + "\n";
    CHECK_EQ(got,
             "7:1 'Main' is already defined\n3:3 variable 'x' is not defined\n4:3 'Nope' is not "
             "defined\n"
             "5:9 wrong number of arguments to 'Len'\n");
    // Without a Sub Main the module is a library: no main, and no error.
    d.clear();
    const zbl::trans::Translation library =
        zbl::trans::translate("Sub Start\nEnd Sub\n", "m.zbl", d);
    CHECK(d.empty() && !library.hasMain && library.units.size() == 1);
    CHECK(library.units[0].find("int main(") == std::string::npos);
    zbl::trans::translate("Function Main()\nEnd Function\n", "m.zbl", d);
    CHECK(d.size() == 1 && d[0].message == "Main is a Sub without parameters: 'Sub Main()'");
}

// What the C++ compiler would reject is reported at the module's lines.
TEST(translator_checks_arrays_types_and_jumps) {
    zbl::trans::Diagnostics d;
    zbl::trans::translate(
        "Type Pt\n  x As Long\nEnd Type\n"                         // 1-3
        "Sub Main\n  Dim a(1 To 3) As Long, g(2, 2), n As Long\n"  // 4-5
        "  ReDim a(5)\n  Print a\n  Dim p As Pt, q As Nothing\n"   // 6-8
        "  p.z = 1\n  Print p\n  GoTo inside\n"                    // 9-11
        "  For n = 1 To 2\ninside:\n  Next\n  GoTo nowhere\n"      // 12-15
        "  .x = 1\n  Dim b(n) As Long\n  g(1) = 0\nEnd Sub\n",     // 16-19
        "m.zbl", d);
    std::string got;
    for (const auto& e : d)
        got += std::to_string(e.pos.line) + " " + e.message + "\n";
    for (const char* want :
         {"6 array already dimensioned: 'a' has fixed bounds\n",
          "7 'a' is an array: give an index\n", "8 type 'Nothing' is not defined\n",
          "9 'z' is not a field of 'Pt'\n", "10 a value of the Type 'Pt' cannot be used here\n",
          "15 label 'nowhere' is not defined\n", "16 '.x' outside a With block\n",
          "17 the bounds of a fixed array must be constants",
          "18 wrong number of dimensions for 'g'\n"})
        CHECK(got.find(want) != std::string::npos);
    // A GoTo into a loop is the language's own; the C++ allows it too.
    CHECK(got.find("\n11 ") == std::string::npos && got.find("\n13 ") == std::string::npos);
}
