#include "Check.h"
#include "translator/CppWriter.h"
#include "translator/Parser.h"

using namespace zbl::trans;

namespace {

const char* opText(BinOp op) {
    static const char* names[] = {
        "^", "*",  "/",  "\\",   "Mod", "+",   "-",  "&",   "=",   "<>", "<",
        ">", "<=", ">=", "Like", "Is",  "And", "Or", "Xor", "Eqv", "Imp"};
    return names[int(op)];
}

// The expression fully parenthesised.
std::string tree(const Expr& e) {
    switch (e.kind) {
        case Expr::Kind::Integer:
            return std::to_string(e.ival);
        case Expr::Kind::Real:
            return std::to_string(e.rval);
        case Expr::Kind::String:
            return "\"" + e.text + "\"";
        case Expr::Kind::Bool:
            return e.ival ? "True" : "False";
        case Expr::Kind::Name:
            return e.name;
        case Expr::Kind::Paren:
            return tree(*e.args[0]);
        case Expr::Kind::Call: {
            std::string r = e.name + "[";
            for (std::size_t i = 0; i < e.args.size(); ++i)
                r += (i ? "," : "") + (e.args[i] ? tree(*e.args[i]) : std::string("_"));
            return r + "]";
        }
        case Expr::Kind::Unary:
            return std::string(e.uop == UnOp::Neg ? "(-" : "(Not ") + tree(*e.args[0]) + ")";
        case Expr::Kind::Binary:
            return "(" + tree(*e.args[0]) + " " + opText(e.bop) + " " + tree(*e.args[1]) + ")";
        case Expr::Kind::Member: {
            std::string r = (e.args[0] ? tree(*e.args[0]) : std::string()) + "." + e.name;
            if (!e.indexed)
                return r;
            r += "[";
            for (std::size_t i = 1; i < e.args.size(); ++i)
                r += (i > 1 ? "," : "") + (e.args[i] ? tree(*e.args[i]) : std::string("_"));
            return r + "]";
        }
    }
    return "?";
}

std::string exprTree(const std::string& src) {
    Diagnostics d;
    auto e = parseExpression(lex(src, 0, d), d);
    for (const auto& x : d)
        return "error " + std::to_string(x.pos.col) + ": " + x.message;
    return tree(*e);
}

Module parseOk(const std::string& src) {
    Diagnostics d;
    Module m = parse(lex(src, 0, d), d);
    for (const auto& e : d)
        std::cerr << "  unexpected " << e.pos.line << ":" << e.pos.col << " " << e.message << "\n";
    CHECK(d.empty());
    return m;
}

std::string errors(const std::string& src) {
    Diagnostics d;
    parse(lex(src, 0, d), d);
    std::string r;
    for (const auto& e : d)
        r += std::to_string(e.pos.line) + ":" + std::to_string(e.pos.col) + " " + e.message + "\n";
    return r;
}

}  // namespace

TEST(parser_precedence) {
    CHECK_EQ(exprTree("-2 ^ 2"), "(-(2 ^ 2))");
    CHECK_EQ(exprTree("2 ^ 3 ^ 2"), "((2 ^ 3) ^ 2)");
    CHECK_EQ(exprTree("a + b * c - d"), "((a + (b * c)) - d)");
    CHECK_EQ(exprTree("a \\ b * c"), "(a \\ (b * c))");
    CHECK_EQ(exprTree("a Mod b \\ c"), "(a Mod (b \\ c))");
    // Fields bind tighter than any operator, through indexes too.
    CHECK_EQ(exprTree("-p.x ^ 2"), "(-(p.x ^ 2))");
    CHECK_EQ(exprTree("a(1).b.c(2, 3) & .d"), "(a[1].b.c[2,3] & .d)");
    CHECK_EQ(exprTree("a + b Mod c"), "(a + (b Mod c))");
    CHECK_EQ(exprTree("a & b + c"), "(a & (b + c))");
    CHECK_EQ(exprTree("a & b = c"), "((a & b) = c)");
    CHECK_EQ(exprTree("Not a = b And c"), "((Not (a = b)) And c)");
    CHECK_EQ(exprTree("a Or b And c"), "(a Or (b And c))");
    CHECK_EQ(exprTree("a Imp b Eqv c Xor d Or e"), "(a Imp (b Eqv (c Xor (d Or e))))");
    CHECK_EQ(exprTree("x Like \"a*\" Or y <= 3"), "((x Like \"a*\") Or (y <= 3))");
    CHECK_EQ(exprTree("2 * -3"), "(2 * (-3))");
    CHECK_EQ(exprTree("f(1, , g(2)) - (3 - 4)"), "(f[1,_,g[2]] - (3 - 4))");
}

TEST(parser_module_and_procedures) {
    Module m = parseOk(
        "Option Explicit\nOption Console Off\nDim g As Long, h$\nConst K = 3\n"
        "Private Function F&(ByVal a As Integer, Optional ByRef b As String = \"x\") As Long\n"
        "End Function\nSub Main\nEnd Sub\n");
    CHECK(m.optionExplicit);
    CHECK(!m.optionConsole);
    CHECK_EQ(m.decls.size(), 2u);
    CHECK_EQ(m.decls[0]->vars.size(), 2u);
    CHECK(m.decls[0]->vars[1].type == VType::String);
    CHECK(m.decls[1]->kind == Stmt::Kind::Const);
    CHECK_EQ(m.procs.size(), 2u);
    const Proc& f = m.procs[0];
    CHECK(f.isFunction && f.isPrivate && f.returnType == VType::Long);
    CHECK_EQ(f.params.size(), 2u);
    CHECK(!f.params[0].byRef && f.params[0].type == VType::Integer);
    CHECK(f.params[1].byRef && f.params[1].optional && f.params[1].defaultValue);
}

TEST(parser_statements) {
    Module m = parseOk(
        "Sub Main()\n"
        "  If a Then b = 1: c = 2 Else d = 3\n"
        "  If a Then\n  ElseIf b Then\n    x = 1\n  Else\n  End If\n"
        "  For i = 10 To 1 Step -2: Next i\n"
        "  Do Until x > 3: x = x + 1: Loop\n"
        "  Do: Loop While x\n"
        "  While x: Wend\n"
        "  Select Case x\n  Case 1, 2 To 4, Is > 9\n  Case Else\n    Exit Sub\n  End Select\n"
        "  Show 1, 2\n  Show (1), 2\n  Call Show(1, 2)\n  Print a; b, : Print\n  End\n"
        "End Sub\n");
    const Block& b = m.procs[0].body;
    CHECK_EQ(b.size(), 13u);
    CHECK(b[0]->kind == Stmt::Kind::If && b[0]->body.size() == 2 && b[0]->elseBody.size() == 1);
    CHECK(b[1]->elseBody.size() == 1 && b[1]->elseBody[0]->kind == Stmt::Kind::If);
    CHECK(b[2]->kind == Stmt::Kind::For && b[2]->step);
    CHECK(b[3]->kind == Stmt::Kind::Do && b[3]->until && b[3]->testAtTop && b[3]->body.size() == 1);
    CHECK(b[4]->kind == Stmt::Kind::Do && !b[4]->testAtTop && !b[4]->until);
    CHECK(b[5]->kind == Stmt::Kind::While);
    CHECK(b[6]->kind == Stmt::Kind::Select && b[6]->cases.size() == 2);
    CHECK_EQ(b[6]->cases[0].items.size(), 3u);
    CHECK(b[6]->cases[0].items[1].kind == CaseItem::Kind::Range);
    CHECK(b[6]->cases[0].items[2].kind == CaseItem::Kind::Is &&
          b[6]->cases[0].items[2].op == BinOp::Gt);
    CHECK(b[6]->cases[1].isElse);
    CHECK(b[7]->kind == Stmt::Kind::Call && b[7]->args.size() == 2);
    // "Show (1), 2": the parentheses belong to the first argument.
    CHECK(b[8]->args.size() == 2 && b[8]->args[0]->kind == Expr::Kind::Paren);
    CHECK(b[9]->kind == Stmt::Kind::Call && b[9]->args.size() == 2);
    CHECK(b[10]->kind == Stmt::Kind::Print && b[10]->items.size() == 2 &&
          b[10]->items[1].sep == ',');
    CHECK(b[11]->kind == Stmt::Kind::Print && b[11]->items.empty());
    CHECK(b[12]->kind == Stmt::Kind::End);
}

TEST(parser_errors_have_positions_and_parsing_goes_on) {
    CHECK_EQ(errors("Sub Main\n  x = \n  y = (1 + 2\n  For i = 1 To\n  Next\n  Foo 1 2\nEnd Sub\n"),
             "2:7 expected an expression, found 'end of line'\n"
             "3:13 expected ')'\n"
             "4:15 expected an expression, found 'end of line'\n"
             "6:9 expected end of statement\n");
    CHECK_EQ(errors("Sub Main\n  If x Then\n  Do\nEnd Sub\n"),
             "3:3 'Do' without 'Loop'\n2:3 'If' without 'End If'\n");
    CHECK_EQ(errors("x = 1\nSub A\nEnd Sub\nSub B\n"),
             "1:1 statement outside a Sub or Function\n4:1 'Sub' without 'End Sub'\n");
    CHECK_EQ(errors("Sub Main\n  Select Case x\n  Case Else\n  Case 1\n  End Select\nEnd Sub\n"),
             "4:3 'Case' after 'Case Else'\n");
}

// Random fragments of the language must never hang or crash the parser or
// the writer, whatever order they come in.
TEST(parser_survives_token_soup) {
    static const char* words[] = {
        "Sub",   "Function", "End",   "If",    "Then",   "Else",     "For",   "Next",
        "Do",    "Loop",     "While", "Wend",  "Select", "Case",     "Is",    "To",
        "Dim",   "As",       "Long",  "x",     "(",      ")",        ",",     "=",
        "+",     "-",        "Not",   "Print", ";",      ":",        "\n",    "1",
        "\"s\"", "Exit",     "Main",  "Call",  "Const",  "Optional", "ByVal", "Step"};
    std::uint32_t seed = 12345;
    for (int round = 0; round < 500; ++round) {
        std::string src;
        int n = int(seed % 60);
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            src += words[(seed >> 8) % (sizeof words / sizeof *words)];
            src += ' ';
        }
        Diagnostics d;
        std::vector<Module> m;
        m.push_back(parse(lex(src, 0, d), d));
        writeCpp(m, {"soup.zbl"}, d);
    }
}
