#include "Parser.h"

#include <algorithm>

namespace zbl::trans {

VType suffixType(char suffix) {
    switch (suffix) {
        case '%':
            return VType::Integer;
        case '&':
            return VType::Long;
        case '!':
            return VType::Single;
        case '#':
            return VType::Double;
        case '$':
            return VType::String;
        case '@':
            return VType::Currency;
        default:
            return VType::Variant;
    }
}

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct BinInfo {
    BinOp op;
    int prec;
};

// Binding strength, loosest first: Imp, Eqv, Xor, Or, And, (Not),
// comparisons, &, + -, Mod, \, * /, (unary -), ^.
constexpr int kNotPrec = 6;
constexpr int kNegPrec = 13;

bool binaryOp(const Token& t, BinInfo& out) {
    static const struct {
        Tok kind;
        const char* text;
        BinOp op;
        int prec;
    } table[] = {
        {Tok::Keyword, "imp", BinOp::Imp, 1},  {Tok::Keyword, "eqv", BinOp::Eqv, 2},
        {Tok::Keyword, "xor", BinOp::Xor, 3},  {Tok::Keyword, "or", BinOp::Or, 4},
        {Tok::Keyword, "and", BinOp::And, 5},  {Tok::Op, "=", BinOp::Eq, 7},
        {Tok::Op, "<>", BinOp::Ne, 7},         {Tok::Op, "<", BinOp::Lt, 7},
        {Tok::Op, ">", BinOp::Gt, 7},          {Tok::Op, "<=", BinOp::Le, 7},
        {Tok::Op, ">=", BinOp::Ge, 7},         {Tok::Keyword, "like", BinOp::Like, 7},
        {Tok::Keyword, "is", BinOp::Is, 7},    {Tok::Op, "&", BinOp::Concat, 8},
        {Tok::Op, "+", BinOp::Add, 9},         {Tok::Op, "-", BinOp::Sub, 9},
        {Tok::Keyword, "mod", BinOp::Mod, 10}, {Tok::Op, "\\", BinOp::IntDiv, 11},
        {Tok::Op, "*", BinOp::Mul, 12},        {Tok::Op, "/", BinOp::Div, 12},
        {Tok::Op, "^", BinOp::Pow, 14},
    };
    for (const auto& e : table)
        if (t.kind == e.kind && t.text == e.text) {
            out = {e.op, e.prec};
            return true;
        }
    return false;
}

bool typeFromName(const std::string& name, VType& out) {
    static const struct {
        const char* name;
        VType type;
    } table[] = {
        {"variant", VType::Variant}, {"boolean", VType::Boolean},   {"byte", VType::Byte},
        {"integer", VType::Integer}, {"long", VType::Long},         {"single", VType::Single},
        {"double", VType::Double},   {"currency", VType::Currency}, {"date", VType::Date},
        {"string", VType::String},   {"object", VType::Object},
    };
    std::string low = lower(name);
    for (const auto& e : table)
        if (low == e.name) {
            out = e.type;
            return true;
        }
    return false;
}

class Parser {
public:
    Parser(const std::vector<Token>& toks, Diagnostics& diags) : t_(toks), diags_(diags) {}

    Module module() {
        Module m;
        while (!at(Tok::End)) {
            if (skipSeparators())
                continue;
            std::size_t errorsBefore = diags_.size();
            const Token& t = cur();
            if (t.isKw("option")) {
                option(m);
            } else if (t.isKw("dim") || t.isKw("const") || t.isKw("public") || t.isKw("private") ||
                       t.isKw("global") || t.isKw("sub") || t.isKw("function") ||
                       t.isKw("static") || t.isKw("type") || t.isKw("enum") || isDeclare(t)) {
                bool isPrivate = false;
                const bool isPublic = t.isKw("public") || t.isKw("global");
                if (t.isKw("public") || t.isKw("private") || t.isKw("global")) {
                    isPrivate = t.isKw("private");
                    next();
                }
                bool isStatic = false;
                if (cur().isKw("static") && (peek(1).isKw("sub") || peek(1).isKw("function"))) {
                    next();
                    isStatic = true;
                }
                if (isDeclare(cur()) && (peek(1).isKw("sub") || peek(1).isKw("function"))) {
                    next();
                    m.procs.push_back(proc(isPrivate, true));
                } else if (cur().isKw("type") || cur().isKw("enum")) {
                    m.decls.push_back(typeOrEnum());
                } else if (cur().isKw("sub") || cur().isKw("function")) {
                    m.procs.push_back(proc(isPrivate, false, m.isInterface));
                    m.procs.back().isStatic = isStatic;
                } else if (cur().isKw("const")) {
                    next();
                    m.decls.push_back(dim(t.pos, true));
                    m.decls.back()->isPublic = isPublic;
                } else {
                    if (cur().isKw("dim"))
                        next();
                    m.decls.push_back(dim(t.pos, false));
                    m.decls.back()->isPublic = isPublic;
                }
            } else if (t.isOp("#") && peek(1).kind == Tok::Ident &&
                       lower(peek(1).text) == "include") {
                next();
                next();
                if (at(Tok::String))
                    m.includes.push_back({t.pos, next().text});
                else
                    error(cur().pos, "expected the module's file name in quotes");
            } else if (t.kind == Tok::Ident && lower(t.text) == "interface") {
                next();
                if (cur().kind == Tok::Ident && lower(cur().text) == "noskip")
                    next();
                else
                    error(cur().pos, "expected 'NOSKIP' after 'INTERFACE'");
                if (!m.procs.empty())
                    error(t.pos, "INTERFACE NOSKIP comes before every procedure");
                m.isInterface = true;
            } else if (t.kind == Tok::Ident && lower(t.text) == "export" &&
                       (peek(1).isKw("sub") || peek(1).isKw("function"))) {
                next();
                if (!m.optionDll)
                    error(t.pos, "EXPORT needs 'Option DLL On' before it");
                m.procs.push_back(proc(false, false, m.isInterface));
                m.procs.back().isExport = true;
            } else {
                error(t.pos, "statement outside a Sub or Function");
                skipStatement();
            }
            endStatement(errorsBefore);
        }
        return m;
    }

    ExprPtr expressionOnly() {
        ExprPtr e = expr();
        skipSeparators();
        if (!at(Tok::End))
            error(cur().pos, "unexpected '" + describe(cur()) + "' after expression");
        return e;
    }

private:
    // ---- token access ----
    const Token& cur() const { return t_[i_]; }
    const Token& peek(std::size_t k) const { return t_[std::min(i_ + k, t_.size() - 1)]; }
    bool at(Tok k) const { return cur().kind == k; }
    const Token& next() {
        const Token& t = t_[i_];
        if (i_ + 1 < t_.size())
            ++i_;
        return t;
    }
    bool acceptKw(const char* kw) {
        if (!cur().isKw(kw))
            return false;
        next();
        return true;
    }
    bool acceptOp(const char* op) {
        if (!cur().isOp(op))
            return false;
        next();
        return true;
    }
    void expectKw(const char* kw) {
        if (!acceptKw(kw)) {
            std::string k = kw;
            k[0] = char(std::toupper(k[0]));
            error(cur().pos, "expected '" + k + "'");
        }
    }
    void expectOp(const char* op) {
        if (!acceptOp(op))
            error(cur().pos, std::string("expected '") + op + "'");
    }

    static std::string describe(const Token& t) {
        switch (t.kind) {
            case Tok::Newline:
                return "end of line";
            case Tok::End:
                return "end of file";
            case Tok::String:
                return "\"" + t.text + "\"";
            default:
                return t.text + (t.suffix ? std::string(1, t.suffix) : "");
        }
    }

    void error(SourcePos p, std::string msg) {
        // After a nest too deep, everything that follows is its echo.
        if (tooDeep_)
            return;
        // One error per position is enough; recovery can revisit a spot.
        if (!diags_.empty() && diags_.back().pos.line == p.line && diags_.back().pos.col == p.col)
            return;
        diags_.push_back({p, std::move(msg)});
    }

    bool skipSeparators() {
        bool any = false;
        while (at(Tok::Newline) || at(Tok::Colon)) {
            next();
            any = true;
        }
        return any;
    }
    void skipStatement() {
        while (!cur().endsStatement())
            next();
    }
    // After a statement: anything left before its end is an error, unless
    // the statement already reported one.
    void endStatement(std::size_t errorsBefore) {
        if (pendingNext_)
            return;
        // A block left open stops at its procedure's end; keep that for the procedure.
        if (cur().isKw("end") && (peek(1).isKw("sub") || peek(1).isKw("function")))
            return;
        if (!cur().endsStatement()) {
            if (diags_.size() == errorsBefore)
                error(cur().pos, "expected end of statement");
            skipStatement();
        }
    }

    // ---- module level ----
    void option(Module& m) {
        next();
        const Token& what = cur();
        std::string w = lower(what.text);
        if (what.isKw("explicit")) {
            next();
            m.optionExplicit = true;
        } else if (what.kind == Tok::Ident && w == "explicit") {
            next();
            m.optionExplicit = true;
        } else if (what.kind == Tok::Ident && (w == "console" || w == "dll")) {
            next();
            std::string v = lower(cur().text);
            if (cur().kind == Tok::Ident && (v == "on" || v == "off")) {
                (w == "console" ? m.optionConsole : m.optionDll) = v == "on";
                next();
            } else {
                error(cur().pos, "expected 'On' or 'Off'");
            }
        } else if (what.kind == Tok::Ident && w == "base") {
            next();
            if (at(Tok::Integer) && (cur().ival == 0 || cur().ival == 1))
                m.optionBase = int(next().ival);
            else
                error(cur().pos, "expected 0 or 1 after 'Option Base'");
        } else if (what.kind == Tok::Ident && w == "compare") {
            next();
            std::string v = lower(cur().text);
            if (cur().kind == Tok::Ident && (v == "text" || v == "binary")) {
                m.compareText = v == "text";
                next();
            } else {
                error(cur().pos, "expected 'Binary' or 'Text' after 'Option Compare'");
            }
        } else {
            error(what.pos,
                  "expected 'Explicit', 'Console', 'DLL', 'Base' or 'Compare' after 'Option'");
            skipStatement();
        }
    }

    // "As type": a built-in type, or a Type or Enum by name.
    // `length`: where a variable or field takes "String * length"; elsewhere
    // a fixed length is refused.
    bool asType(VType& type, std::string& typeName, ExprPtr* length = nullptr) {
        if (!acceptKw("as"))
            return false;
        if (cur().kind == Tok::Ident && !cur().suffix) {
            const Token& n = next();
            if (!typeFromName(n.text, type)) {
                type = VType::User;
                typeName = n.text;
            }
            if (type == VType::String && cur().isOp("*")) {
                const SourcePos star = next().pos;
                ExprPtr e = primary();
                if (length)
                    *length = std::move(e);
                else
                    error(star, "only a variable or a field can be a fixed-length String");
            }
        } else {
            error(cur().pos, "expected a type name");
            if (cur().kind == Tok::Ident)
                next();
        }
        return true;
    }

    // One name of a Dim, ReDim, Const or Type field: name[(bounds)] [As type] [= value].
    VarDecl varDecl(bool isConst, bool allowBounds) {
        VarDecl v;
        v.pos = cur().pos;
        const Token& n = next();
        v.name = n.text;
        v.suffix = n.suffix;
        v.type = suffixType(n.suffix);
        if (!isConst && acceptOp("(")) {
            v.isArray = true;
            if (!cur().isOp(")")) {
                do {
                    ExprPtr lo, hi = expr();
                    if (acceptKw("to")) {
                        lo = std::move(hi);
                        hi = expr();
                    }
                    v.bounds.emplace_back(std::move(lo), std::move(hi));
                } while (acceptOp(","));
                if (!allowBounds)
                    error(v.pos, "a field of a Type cannot be a dynamic array here");
            }
            expectOp(")");
        }
        VType t = v.type;
        if (asType(t, v.typeName, isConst ? nullptr : &v.length)) {
            if (n.suffix)
                error(v.pos, "a name with a type character cannot have 'As'");
            v.type = t;
            v.hasAs = true;
        }
        if (isConst) {
            expectOp("=");
            v.value = expr();
        }
        return v;
    }

    // Type ... End Type and Enum ... End Enum.
    StmtPtr typeOrEnum() {
        bool isEnum = cur().isKw("enum");
        const char* word = isEnum ? "enum" : "type";
        auto s = std::make_unique<Stmt>();
        s->kind = isEnum ? Stmt::Kind::EnumDef : Stmt::Kind::TypeDef;
        s->pos = next().pos;
        if (!at(Tok::Ident)) {
            error(cur().pos, "expected a name");
            skipStatement();
        } else {
            s->name = next().text;
        }
        for (;;) {
            skipSeparators();
            if (at(Tok::End) || (cur().isKw("end") && peek(1).isKw(word)))
                break;
            if (cur().isKw("sub") || cur().isKw("function") || cur().isKw("end") ||
                cur().isKw("type") || cur().isKw("enum"))
                break;
            std::size_t errorsBefore = diags_.size();
            if (!at(Tok::Ident)) {
                error(cur().pos, isEnum ? "expected a member name" : "expected a field name");
                skipStatement();
                continue;
            }
            if (isEnum) {
                VarDecl v;
                v.pos = cur().pos;
                v.name = next().text;
                v.type = VType::Long;
                if (acceptOp("="))
                    v.value = expr();
                s->vars.push_back(std::move(v));
            } else {
                VarDecl v = varDecl(false, true);
                s->vars.push_back(std::move(v));
            }
            endStatement(errorsBefore);
        }
        if (cur().isKw("end") && peek(1).isKw(word)) {
            next();
            next();
        } else {
            error(s->pos, isEnum ? "'Enum' without 'End Enum'" : "'Type' without 'End Type'");
        }
        return s;
    }

    StmtPtr dim(SourcePos pos, bool isConst) {
        auto s = std::make_unique<Stmt>();
        s->kind = isConst ? Stmt::Kind::Const : Stmt::Kind::Dim;
        s->pos = pos;
        do {
            if (!at(Tok::Ident)) {
                error(cur().pos, "expected a variable name");
                skipStatement();
                break;
            }
            s->vars.push_back(varDecl(isConst, true));
        } while (acceptOp(","));
        return s;
    }

    static bool isDeclare(const Token& t) {
        return t.kind == Tok::Ident && !t.suffix && lower(t.text) == "declare";
    }

    // A Sub or Function; `declared` for Declare, `headerOnly` in a
    // declarations module, where the code is elsewhere.
    Proc proc(bool isPrivate, bool declared = false, bool headerOnly = false) {
        Proc p;
        p.isPrivate = isPrivate;
        p.pos = cur().pos;
        p.isFunction = next().isKw("function");
        const char* endWord = p.isFunction ? "function" : "sub";
        if (at(Tok::Ident)) {
            const Token& n = next();
            p.name = n.text;
            p.suffix = n.suffix;
            p.returnType = suffixType(n.suffix);
        } else {
            error(cur().pos, "expected a procedure name");
        }
        if (declared) {
            // Lib "library" [Alias "name"]
            if (cur().kind == Tok::Ident && lower(cur().text) == "lib" &&
                peek(1).kind == Tok::String) {
                next();
                p.lib = next().text;
            } else {
                error(cur().pos, "expected Lib \"library\"");
            }
            if (cur().kind == Tok::Ident && lower(cur().text) == "alias" &&
                peek(1).kind == Tok::String) {
                next();
                p.alias = next().text;
            }
        }
        if (acceptOp("(")) {
            if (!cur().isOp(")")) {
                do
                    p.params.push_back(param());
                while (acceptOp(","));
            }
            expectOp(")");
        }
        if (p.isFunction && asType(p.returnType, p.returnTypeName) && cur().isOp("(")) {
            error(cur().pos,
                  "a Function cannot return an array here; pass the array as a parameter");
            next();
            acceptOp(")");
        }
        if (!cur().endsStatement()) {
            error(cur().pos, "expected end of statement");
            skipStatement();
        }
        if (declared)
            return p;
        if (headerOnly) {
            p.isPrototype = true;
            return p;
        }
        p.body = block([&](const Token& t) { return t.isKw("end") && peek(1).isKw(endWord); });
        if (cur().isKw("end") && peek(1).isKw(endWord)) {
            next();
            next();
        } else {
            if (cur().isKw("end")) {
                error(cur().pos,
                      "expected 'End " + std::string(p.isFunction ? "Function" : "Sub") + "'");
                next();
                next();
                return p;
            }
            error(p.pos, std::string("'") + (p.isFunction ? "Function" : "Sub") +
                             "' without 'End " + (p.isFunction ? "Function" : "Sub") + "'");
        }
        return p;
    }

    Param param() {
        Param p;
        if (acceptKw("optional"))
            p.optional = true;
        if (cur().kind == Tok::Ident && lower(cur().text) == "paramarray" && !cur().suffix &&
            peek(1).kind == Tok::Ident) {
            next();
            p.paramArray = true;
        }
        if (acceptKw("byval"))
            p.byRef = false;
        else
            acceptKw("byref");
        p.pos = cur().pos;
        if (at(Tok::Ident)) {
            const Token& n = next();
            p.name = n.text;
            p.suffix = n.suffix;
            p.type = suffixType(n.suffix);
        } else {
            error(cur().pos, "expected a parameter name");
            while (!cur().isOp(",") && !cur().isOp(")") && !cur().endsStatement())
                next();
            return p;
        }
        if (acceptOp("(")) {
            p.isArray = true;
            expectOp(")");
            if (!p.byRef)
                error(p.pos, "an array parameter cannot be ByVal");
        }
        asType(p.type, p.typeName);
        if (acceptOp("=")) {
            if (!p.optional)
                error(p.pos, "only an Optional parameter can have a default value");
            p.defaultValue = expr();
        }
        return p;
    }

    // ---- statements ----

    // Statements up to (not including) the token `stop` accepts at the start
    // of a statement, or to the end of the file.
    template <class Stop>
    Block block(Stop stop) {
        Block b;
        for (;;) {
            if (pendingNext_ && !stop(cur())) {
                // "Next j, i" with no loop around to close.
                pendingNext_ = false;
                error(cur().pos, "'Next' without 'For'");
                skipStatement();
            }
            skipSeparators();
            if (at(Tok::End) || stop(cur()))
                break;
            // A procedure's start or end means the block's end is missing.
            if (cur().isKw("sub") || cur().isKw("function"))
                break;
            if (cur().isKw("end") && (peek(1).isKw("sub") || peek(1).isKw("function")))
                break;
            if (StmtPtr l = label()) {
                b.push_back(std::move(l));
                continue;
            }
            std::size_t errorsBefore = diags_.size();
            if (StmtPtr s = statement())
                b.push_back(std::move(s));
            endStatement(errorsBefore);
        }
        return b;
    }

    // "name:" or a line number at the start of a line.
    StmtPtr label() {
        bool lineStart = i_ == 0 || t_[i_ - 1].kind == Tok::Newline;
        if (!lineStart)
            return nullptr;
        const Token& t = cur();
        if (t.kind == Tok::Ident && !t.suffix && peek(1).kind == Tok::Colon) {
            auto s = make(Stmt::Kind::Label, t.pos);
            s->name = next().text;
            return s;
        }
        if (t.kind == Tok::Integer && !t.suffix &&
            t.text.find_first_not_of("0123456789") == std::string::npos) {
            auto s = make(Stmt::Kind::Label, t.pos);
            s->name = next().text;
            return s;
        }
        return nullptr;
    }

    StmtPtr make(Stmt::Kind k, SourcePos p) {
        auto s = std::make_unique<Stmt>();
        s->kind = k;
        s->pos = p;
        return s;
    }

    StmtPtr statement() {
        Depth guard(depth_);
        if (depth_ > kMaxDepth) {
            tooComplex();
            return nullptr;
        }
        const Token& t = cur();
        SourcePos p = t.pos;
        if (t.kind == Tok::Keyword) {
            const std::string& k = t.text;
            if (k == "dim" || k == "static") {
                next();
                StmtPtr s = dim(p, false);
                s->isStatic = k == "static";
                return s;
            }
            if (k == "redim") {
                next();
                auto s = make(Stmt::Kind::ReDim, p);
                if (cur().kind == Tok::Ident && lower(cur().text) == "preserve" && !cur().suffix) {
                    next();
                    s->preserve = true;
                }
                do {
                    // A field: record.field(bounds), or .field(bounds) in a With.
                    ExprPtr record;
                    const bool inWith = cur().isOp(".") && peek(1).kind == Tok::Ident;
                    if (inWith) {
                        next();
                    } else if (at(Tok::Ident) && peek(1).isOp(".")) {
                        record = std::make_unique<Expr>();
                        record->kind = Expr::Kind::Name;
                        record->pos = cur().pos;
                        record->name = cur().text;
                        record->suffix = next().suffix;
                        while (cur().isOp(".") && peek(1).kind == Tok::Ident && peek(2).isOp(".")) {
                            auto m = std::make_unique<Expr>();
                            m->kind = Expr::Kind::Member;
                            m->pos = next().pos;
                            m->name = next().text;
                            m->args.push_back(std::move(record));
                            record = std::move(m);
                        }
                        expectOp(".");
                    }
                    if (!at(Tok::Ident)) {
                        error(cur().pos, "expected an array name");
                        skipStatement();
                        break;
                    }
                    VarDecl v = varDecl(false, true);
                    if (inWith || record) {
                        v.field = std::make_unique<Expr>();
                        v.field->kind = Expr::Kind::Member;
                        v.field->pos = v.pos;
                        v.field->name = v.name;
                        v.field->args.push_back(std::move(record));
                    }
                    if (v.bounds.empty())
                        error(v.pos, "ReDim needs the new bounds");
                    s->vars.push_back(std::move(v));
                } while (acceptOp(","));
                return s;
            }
            if (k == "with") {
                auto s = make(Stmt::Kind::With, next().pos);
                s->target = expr();
                s->body =
                    block([&](const Token& t) { return t.isKw("end") && peek(1).isKw("with"); });
                if (cur().isKw("end") && peek(1).isKw("with")) {
                    next();
                    next();
                } else {
                    error(s->pos, "'With' without 'End With'");
                }
                return s;
            }
            if (k == "goto") {
                auto s = make(Stmt::Kind::GoTo, next().pos);
                if ((at(Tok::Ident) && !cur().suffix) || (at(Tok::Integer) && !cur().suffix))
                    s->name = next().text;
                else
                    error(cur().pos, "expected a label after 'GoTo'");
                return s;
            }
            if (k == "const") {
                next();
                return dim(p, true);
            }
            if (k == "let") {
                next();
                if (!at(Tok::Ident)) {
                    error(cur().pos, "expected a variable name");
                    return nullptr;
                }
                return nameStatement();
            }
            if (k == "call") {
                next();
                if (!at(Tok::Ident)) {
                    error(cur().pos, "expected a procedure name");
                    return nullptr;
                }
                auto s = make(Stmt::Kind::Call, p);
                const Token& n = next();
                s->name = n.text;
                s->suffix = n.suffix;
                if (acceptOp("(")) {
                    s->args = argList(")");
                    expectOp(")");
                }
                return s;
            }
            if (k == "print")
                return printStmt();
            if (k == "if")
                return ifStmt();
            if (k == "for")
                return forStmt();
            if (k == "do")
                return doStmt();
            if (k == "while")
                return whileStmt();
            if (k == "select")
                return selectStmt();
            if (k == "exit") {
                next();
                auto s = make(Stmt::Kind::Exit, p);
                if (cur().isKw("sub") || cur().isKw("function") || cur().isKw("for") ||
                    cur().isKw("do")) {
                    s->exitWhat = next().text;
                } else {
                    error(cur().pos, "expected 'Sub', 'Function', 'For' or 'Do' after 'Exit'");
                    return nullptr;
                }
                return s;
            }
            if (k == "end") {
                if (peek(1).endsStatement()) {
                    next();
                    return make(Stmt::Kind::End, p);
                }
                std::string what = peek(1).text;
                if (!what.empty())
                    what[0] = char(std::toupper(static_cast<unsigned char>(what[0])));
                error(p, "'End " + what + "' without a matching block");
                next();
                next();
                return nullptr;
            }
            error(p, "unexpected '" + describe(t) + "'");
            next();
            return nullptr;
        }
        if (t.kind == Tok::Ident && !t.suffix) {
            std::string low = lower(t.text);
            const Token& after = peek(1);
            bool plain = !after.isOp("=") && !after.isOp("(") && !after.isOp(".");
            if (low == "debug" && after.isOp(".") && peek(2).isKw("print")) {
                next();
                next();
                StmtPtr s = printStmt();
                s->isDebug = true;
                return s;
            }
            if (low == "line" && after.kind == Tok::Ident && lower(after.text) == "input")
                return inputStmt(true);
            if (low == "input" && plain)
                return inputStmt(false);
            if (low == "on" && after.kind == Tok::Ident && lower(after.text) == "error")
                return onError();
            if (low == "on" && plain && !after.endsStatement())
                return onGoTo();
            if (low == "gosub" && plain) {
                auto s = make(Stmt::Kind::GoSub, next().pos);
                if ((at(Tok::Ident) && !cur().suffix) || at(Tok::Integer))
                    s->name = next().text;
                else
                    error(cur().pos, "expected a label after 'GoSub'");
                return s;
            }
            if (low == "return" && after.endsStatement())
                return make(Stmt::Kind::Return, next().pos);
            if ((low == "appactivate" || low == "sendkeys" || low == "load" || low == "unload") &&
                plain) {
                // Windows' window and form commands: nothing on Linux does what they did.
                error(t.pos, "'" + t.text + "' has no meaning for a program on Linux");
                skipStatement();
                return nullptr;
            }
            if (((low == "write" || low == "get" || low == "put" || low == "seek") &&
                 after.isOp("#")) ||
                ((low == "get" || low == "put" || low == "seek" || low == "open" ||
                  low == "close" || low == "name") &&
                 plain))
                return fileStatement(low);
            if (low == "resume" && plain)
                return resumeStmt();
            if (low == "error" && plain && !after.endsStatement()) {
                auto s = make(Stmt::Kind::Error, next().pos);
                s->value = expr();
                return s;
            }
            if (after.isOp(".") && peek(2).kind == Tok::Ident && !t_[afterPostfix(i_)].isOp("=")) {
                // obj.Method args, as Err.Raise 5 and Err.Clear.
                auto s = make(Stmt::Kind::Call, t.pos);
                s->target = primary();
                if (!cur().endsStatement())
                    s->args = argList("");
                return s;
            }
            if (low == "erase" && plain && after.kind == Tok::Ident) {
                auto s = make(Stmt::Kind::Erase, next().pos);
                do
                    s->args.push_back(primary());
                while (acceptOp(","));
                return s;
            }
        }
        if (t.kind == Tok::Ident || t.isOp("."))
            return nameStatement();
        error(p, "expected a statement, found '" + describe(t) + "'");
        next();
        return nullptr;
    }

    // Index of the token after the ")" matching the "(" at i.
    std::size_t afterParens(std::size_t i) const {
        int depth = 0;
        for (; i < t_.size(); ++i) {
            const Token& t = t_[i];
            if (t.endsStatement())
                return i;
            if (t.isOp("("))
                ++depth;
            if (t.isOp(")") && --depth == 0)
                return i + 1;
        }
        return i;
    }

    // Whether the parentheses from open to end hold a comma of their own.
    bool topLevelComma(std::size_t open, std::size_t end) const {
        int depth = 0;
        for (std::size_t i = open; i < end; ++i) {
            if (t_[i].isOp("("))
                ++depth;
            if (t_[i].isOp(")"))
                --depth;
            if (depth == 1 && t_[i].isOp(","))
                return true;
        }
        return false;
    }

    // "#n" or "n": a file number.
    ExprPtr fileNumber() {
        acceptOp("#");
        return expr();
    }

    // The file statements: Open, Close, Write #, Get, Put, Seek, Name ... As.
    StmtPtr fileStatement(const std::string& word) {
        SourcePos p = next().pos;
        if (word == "open") {
            auto s = make(Stmt::Kind::Open, p);
            s->value = expr();
            expectKw("for");
            static const char* const modes[] = {"input", "output", "append", "binary", "random"};
            std::string mode = cur().kind == Tok::Ident ? lower(cur().text) : "";
            if (std::find(std::begin(modes), std::end(modes), mode) != std::end(modes)) {
                next();
                s->name = mode;
            } else {
                error(cur().pos, "expected Input, Output, Append, Binary or Random");
            }
            // Access and Lock clauses ask nothing that Linux files need.
            while (!cur().endsStatement() && !cur().isKw("as"))
                next();
            expectKw("as");
            s->from = fileNumber();
            if (cur().kind == Tok::Ident && lower(cur().text) == "len") {
                next();
                expectOp("=");
                s->to = expr();
            }
            return s;
        }
        if (word == "close") {
            auto s = make(Stmt::Kind::Close, p);
            while (!cur().endsStatement()) {
                s->args.push_back(fileNumber());
                if (!acceptOp(","))
                    break;
            }
            return s;
        }
        if (word == "name") {
            auto s = make(Stmt::Kind::Name, p);
            s->value = expr();
            expectKw("as");
            s->target = expr();
            return s;
        }
        auto s = make(word == "write" ? Stmt::Kind::Write
                      : word == "get" ? Stmt::Kind::Get
                      : word == "put" ? Stmt::Kind::Put
                                      : Stmt::Kind::Seek,
                      p);
        s->from = fileNumber();
        if (s->kind == Stmt::Kind::Write) {
            if (acceptOp(","))
                s->args = argList("");
            return s;
        }
        expectOp(",");
        if (s->kind == Stmt::Kind::Seek) {
            s->value = expr();
            return s;
        }
        if (!cur().isOp(","))
            s->value = expr();
        expectOp(",");
        if (!at(Tok::Ident)) {
            error(cur().pos, "expected a variable");
            return s;
        }
        s->target = primary();
        return s;
    }

    // On n GoTo|GoSub label1, label2, ...
    StmtPtr onGoTo() {
        auto s = make(Stmt::Kind::OnGoTo, next().pos);
        s->value = expr();
        if (acceptKw("goto")) {
            s->exitWhat = "goto";
        } else if (cur().kind == Tok::Ident && lower(cur().text) == "gosub") {
            next();
            s->exitWhat = "gosub";
        } else {
            error(cur().pos, "expected 'GoTo' or 'GoSub'");
            return s;
        }
        do {
            if ((at(Tok::Ident) && !cur().suffix) || at(Tok::Integer)) {
                auto e = std::make_unique<Expr>();
                e->kind = Expr::Kind::Name;
                e->pos = cur().pos;
                e->name = next().text;
                s->args.push_back(std::move(e));
            } else {
                error(cur().pos, "expected a label");
                break;
            }
        } while (acceptOp(","));
        return s;
    }

    // On Error GoTo label | 0 | -1, On Error Resume Next.
    StmtPtr onError() {
        auto s = make(Stmt::Kind::OnError, next().pos);
        next();
        if (acceptKw("goto")) {
            s->exitWhat = "goto";
            bool minus = acceptOp("-");
            if ((at(Tok::Ident) && !cur().suffix && !minus) || at(Tok::Integer))
                s->name = (minus ? "-" : "") + next().text;
            else
                error(cur().pos, "expected a label, 0 or -1 after 'On Error GoTo'");
        } else if (cur().kind == Tok::Ident && lower(cur().text) == "resume" &&
                   peek(1).isKw("next")) {
            next();
            next();
            s->exitWhat = "next";
        } else {
            error(cur().pos, "expected 'GoTo' or 'Resume Next' after 'On Error'");
        }
        return s;
    }

    // Resume, Resume Next, Resume label.
    StmtPtr resumeStmt() {
        auto s = make(Stmt::Kind::Resume, next().pos);
        if (acceptKw("next")) {
            s->exitWhat = "next";
        } else if ((at(Tok::Ident) && !cur().suffix) || at(Tok::Integer)) {
            s->exitWhat = "label";
            s->name = next().text;
        }
        return s;
    }

    // Input [prompt ;|,] a, b and Line Input [prompt ;] s.
    StmtPtr inputStmt(bool line) {
        auto s = make(line ? Stmt::Kind::LineInput : Stmt::Kind::Input, next().pos);
        if (line)
            next();
        s->question = true;
        if (cur().isOp("#")) {
            s->from = fileNumber();
            expectOp(",");
        } else if (at(Tok::String) && (peek(1).isOp(";") || peek(1).isOp(","))) {
            s->value = primary();
            s->question = next().isOp(";");
        }
        do {
            if (!at(Tok::Ident)) {
                error(cur().pos, "expected a variable");
                skipStatement();
                break;
            }
            ExprPtr target = primary();
            if (line)
                s->target = std::move(target);
            else
                s->args.push_back(std::move(target));
        } while (!line && acceptOp(","));
        return s;
    }

    // The index after a name with its parentheses and ".member" parts.
    std::size_t afterPostfix(std::size_t i) const {
        if (t_[i].isOp("."))
            ++i;
        for (;;) {
            if (t_[i].kind != Tok::Ident)
                return i;
            ++i;
            if (t_[i].isOp("("))
                i = afterParens(i);
            if (!t_[i].isOp(".") || t_[i + 1].kind != Tok::Ident)
                return i;
            ++i;
        }
    }

    // An assignment or a call, both starting with a name.
    StmtPtr nameStatement() {
        const Token& n = cur();
        SourcePos p = n.pos;
        std::size_t after = afterPostfix(i_);
        if (t_[after].isOp("=") || n.isOp(".")) {
            auto s = make(Stmt::Kind::Assign, p);
            s->target = primary();
            expectOp("=");
            s->value = expr();
            return s;
        }
        auto s = make(Stmt::Kind::Call, p);
        next();
        s->name = n.text;
        s->suffix = n.suffix;
        if (cur().isOp("(") && t_[after].endsStatement() && topLevelComma(i_, after)) {
            // Foo(a, b): the parentheses hold the arguments. "Foo (a)" instead
            // passes a parenthesised expression, a copy of a.
            next();
            s->args = argList(")");
            expectOp(")");
        } else if (!cur().endsStatement()) {
            s->args = argList("");
        }
        return s;
    }

    // Comma-separated arguments; empty ones are kept as nulls.
    std::vector<ExprPtr> argList(const char* closer) {
        std::vector<ExprPtr> args;
        if (*closer && cur().isOp(closer))
            return args;
        for (;;) {
            if (cur().isOp(",") || (*closer && cur().isOp(closer)))
                args.push_back(nullptr);
            else
                args.push_back(expr());
            if (!acceptOp(","))
                break;
        }
        return args;
    }

    StmtPtr printStmt() {
        auto s = make(Stmt::Kind::Print, next().pos);
        if (cur().isOp("#")) {
            s->from = fileNumber();
            if (!acceptOp(","))
                return s;  // Print #1 writes an empty line
        }
        while (!cur().endsStatement() && !cur().isKw("else")) {
            PrintItem item;
            if (!cur().isOp(";") && !cur().isOp(","))
                item.expr = expr();
            if (cur().isOp(";") || cur().isOp(","))
                item.sep = next().text[0];
            bool stop = !item.expr && !item.sep;
            s->items.push_back(std::move(item));
            if (stop)
                break;
        }
        return s;
    }

    StmtPtr ifStmt() {
        auto s = make(Stmt::Kind::If, next().pos);
        s->cond = expr();
        expectKw("then");
        if (!at(Tok::Newline) && !at(Tok::End)) {
            // Single-line If: statements up to the line's end, Else splits them.
            s->body = lineStatements();
            if (acceptKw("else"))
                s->elseBody = lineStatements();
            return s;
        }
        auto stop = [&](const Token& t) {
            return t.isKw("elseif") || t.isKw("else") || (t.isKw("end") && peek(1).isKw("if"));
        };
        s->body = block(stop);
        if (cur().isKw("elseif")) {
            // ElseIf c Then ... becomes Else: If c Then ... with a shared End If.
            Stmt* tail = s.get();
            while (cur().isKw("elseif")) {
                auto e = make(Stmt::Kind::If, next().pos);
                e->cond = expr();
                expectKw("then");
                e->body = block(stop);
                Stmt* raw = e.get();
                tail->elseBody.push_back(std::move(e));
                tail = raw;
            }
            if (acceptKw("else"))
                tail->elseBody = block(stop);
        } else if (acceptKw("else")) {
            s->elseBody = block(stop);
        }
        if (cur().isKw("end") && peek(1).isKw("if")) {
            next();
            next();
        } else {
            error(s->pos, "'If' without 'End If'");
        }
        return s;
    }

    Block lineStatements() {
        Block b;
        for (;;) {
            while (at(Tok::Colon))
                next();
            if (at(Tok::Newline) || at(Tok::End) || cur().isKw("else"))
                break;
            std::size_t errorsBefore = diags_.size();
            if (StmtPtr st = statement())
                b.push_back(std::move(st));
            if (!cur().endsStatement() && !cur().isKw("else")) {
                if (diags_.size() == errorsBefore)
                    error(cur().pos, "expected end of statement");
                while (!at(Tok::Newline) && !at(Tok::End))
                    next();
            }
        }
        return b;
    }

    StmtPtr forStmt() {
        auto s = make(Stmt::Kind::For, next().pos);
        if (acceptKw("each")) {
            s->kind = Stmt::Kind::ForEach;
            if (!at(Tok::Ident)) {
                error(cur().pos, "expected a loop variable");
                skipStatement();
            } else {
                s->target = primary();
                if (cur().kind == Tok::Ident && lower(cur().text) == "in") {
                    next();
                    s->value = expr();
                } else {
                    error(cur().pos, "expected 'In'");
                    skipStatement();
                }
            }
        } else if (!at(Tok::Ident)) {
            error(cur().pos, "expected a loop variable");
            skipStatement();
        } else {
            s->target = primary();
            expectOp("=");
            s->from = expr();
            expectKw("to");
            s->to = expr();
            if (acceptKw("step"))
                s->step = expr();
        }
        s->body = block([&](const Token& t) { return t.isKw("next") || pendingNext_; });
        // "Next j, i" closes this loop and the one around it: the comma
        // stands for the outer loop's Next.
        s->nextLine = cur().pos.line;
        if (pendingNext_ || acceptKw("next")) {
            pendingNext_ = false;
            if (at(Tok::Ident)) {
                const Token& n = next();
                if (s->target && lower(n.text) != lower(s->target->name))
                    error(n.pos,
                          "'Next " + n.text + "' does not match 'For " + s->target->name + "'");
                if (cur().isOp(",")) {
                    next();
                    pendingNext_ = true;
                }
            }
        } else {
            error(s->pos, "'For' without 'Next'");
        }
        return s;
    }

    StmtPtr doStmt() {
        auto s = make(Stmt::Kind::Do, next().pos);
        if (cur().isKw("while") || cur().isKw("until")) {
            s->until = next().isKw("until");
            s->cond = expr();
        }
        s->body = block([](const Token& t) { return t.isKw("loop"); });
        if (acceptKw("loop")) {
            if (cur().isKw("while") || cur().isKw("until")) {
                if (s->cond)
                    error(cur().pos, "a Do loop cannot test both at the top and at the bottom");
                s->until = next().isKw("until");
                s->cond = expr();
                s->testAtTop = false;
            }
        } else {
            error(s->pos, "'Do' without 'Loop'");
        }
        return s;
    }

    StmtPtr whileStmt() {
        auto s = make(Stmt::Kind::While, next().pos);
        s->cond = expr();
        s->body = block([](const Token& t) { return t.isKw("wend"); });
        if (!acceptKw("wend"))
            error(s->pos, "'While' without 'Wend'");
        return s;
    }

    StmtPtr selectStmt() {
        auto s = make(Stmt::Kind::Select, next().pos);
        expectKw("case");
        s->value = expr();
        auto stop = [&](const Token& t) {
            return t.isKw("case") || (t.isKw("end") && peek(1).isKw("select"));
        };
        skipSeparators();
        if (!cur().isKw("case") && !cur().isKw("end")) {
            error(cur().pos, "expected 'Case'");
            block(stop);
        }
        while (cur().isKw("case")) {
            CaseClause c;
            c.pos = next().pos;
            if (acceptKw("else")) {
                c.isElse = true;
            } else {
                do
                    c.items.push_back(caseItem());
                while (acceptOp(","));
            }
            std::size_t errorsBefore = diags_.size();
            endStatement(errorsBefore);
            c.body = block(stop);
            bool wasElse = c.isElse;
            s->cases.push_back(std::move(c));
            if (wasElse && cur().isKw("case"))
                error(cur().pos, "'Case' after 'Case Else'");
        }
        if (cur().isKw("end") && peek(1).isKw("select")) {
            next();
            next();
        } else {
            error(s->pos, "'Select Case' without 'End Select'");
        }
        return s;
    }

    CaseItem caseItem() {
        CaseItem item;
        if (acceptKw("is")) {
            item.kind = CaseItem::Kind::Is;
            BinInfo b;
            if (binaryOp(cur(), b) && b.prec == 7 && b.op != BinOp::Like && b.op != BinOp::Is) {
                item.op = b.op;
                next();
            } else {
                error(cur().pos, "expected a comparison operator after 'Is'");
            }
            item.a = expr();
            return item;
        }
        item.a = expr();
        if (acceptKw("to")) {
            item.kind = CaseItem::Kind::Range;
            item.b = expr();
        }
        return item;
    }

    // ---- expressions ----

    // Deeper than this, an expression or a nest of blocks is refused: the
    // writer and the C++ compiler both recurse over it.
    static constexpr int kMaxDepth = 1500;

    ExprPtr expr(int minPrec = 1) {
        Depth guard(depth_);
        if (depth_ > kMaxDepth)
            return tooComplex();
        ExprPtr left = unary();
        BinInfo b;
        int chain = 0;
        while (binaryOp(cur(), b) && b.prec >= minPrec) {
            if (depth_ + ++chain > kMaxDepth)
                return tooComplex();
            SourcePos p = next().pos;
            // ^ is left-associative too: 2^3^2 is (2^3)^2.
            ExprPtr right = expr(b.prec + 1);
            auto e = std::make_unique<Expr>();
            e->kind = Expr::Kind::Binary;
            e->pos = p;
            e->bop = b.op;
            e->args.push_back(std::move(left));
            e->args.push_back(std::move(right));
            left = std::move(e);
        }
        return left;
    }

    ExprPtr unary() {
        if (cur().isKw("not") || cur().isOp("-") || cur().isOp("+")) {
            const Token& t = next();
            bool isNot = t.isKw("not");
            ExprPtr operand = expr(isNot ? kNotPrec + 1 : kNegPrec + 1);
            if (t.isOp("+"))
                return operand;
            auto e = std::make_unique<Expr>();
            e->kind = Expr::Kind::Unary;
            e->pos = t.pos;
            e->uop = isNot ? UnOp::Not : UnOp::Neg;
            e->args.push_back(std::move(operand));
            return e;
        }
        return primary();
    }

    ExprPtr primary() {
        auto e = std::make_unique<Expr>();
        const Token& t = cur();
        e->pos = t.pos;
        switch (t.kind) {
            case Tok::Integer:
                next();
                e->kind = Expr::Kind::Integer;
                e->ival = t.ival;
                e->type = t.suffix == '%'                                        ? VType::Integer
                          : t.suffix == '&' || t.ival > 32767 || t.ival < -32768 ? VType::Long
                                                                                 : VType::Integer;
                return e;
            case Tok::Real:
                next();
                e->kind = Expr::Kind::Real;
                e->rval = t.rval;
                e->type = t.suffix == '!'   ? VType::Single
                          : t.suffix == '@' ? VType::Currency
                                            : VType::Double;
                return e;
            case Tok::String:
                next();
                e->kind = Expr::Kind::String;
                e->text = t.text;
                e->type = t.suffix == '#' ? VType::Date : VType::String;  // #...# is a date
                return e;
            case Tok::Ident:
                next();
                e->kind = Expr::Kind::Name;
                e->name = t.text;
                e->suffix = t.suffix;
                if (acceptOp("(")) {
                    e->kind = Expr::Kind::Call;
                    e->args = argList(")");
                    expectOp(")");
                }
                return members(std::move(e));
            default:
                break;
        }
        if (t.isKw("true") || t.isKw("false")) {
            next();
            e->kind = Expr::Kind::Bool;
            e->ival = t.isKw("true") ? -1 : 0;
            e->type = VType::Boolean;
            return e;
        }
        if (t.isOp(".") && peek(1).kind == Tok::Ident) {
            // ".field" inside With: the object is the With's.
            e->kind = Expr::Kind::Member;
            e->args.push_back(nullptr);
            return members(std::move(e), true);
        }
        if (t.isOp("(")) {
            next();
            e->kind = Expr::Kind::Paren;
            e->args.push_back(expr());
            expectOp(")");
            return e;
        }
        error(t.pos, "expected an expression, found '" + describe(t) + "'");
        // Leave statement ends for the caller; step over anything else.
        if (!t.endsStatement())
            next();
        e->kind = Expr::Kind::Integer;
        return e;
    }

    // ".name" and ".name(index)" after a primary expression. `started`: the
    // Member node e is already made and waits for its name.
    ExprPtr members(ExprPtr e, bool started = false) {
        while (started || (cur().isOp(".") && peek(1).kind == Tok::Ident)) {
            SourcePos p = next().pos;
            const Token& n = next();
            ExprPtr m;
            if (started) {
                m = std::move(e);
                started = false;
            } else {
                m = std::make_unique<Expr>();
                m->kind = Expr::Kind::Member;
                m->pos = p;
                m->args.push_back(std::move(e));
            }
            m->name = n.text;
            m->suffix = n.suffix;
            if (acceptOp("(")) {
                m->indexed = true;
                for (ExprPtr& a : argList(")"))
                    m->args.push_back(std::move(a));
                expectOp(")");
            }
            e = std::move(m);
        }
        return e;
    }

    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(++depth) {}
        ~Depth() { --d; }
    };

    // Reports the nesting once and skips to the end of the line.
    ExprPtr tooComplex() {
        if (!tooDeep_)
            error(cur().pos, "expression or nesting too complex");
        tooDeep_ = true;
        while (!at(Tok::Newline) && !at(Tok::End))
            next();
        auto e = std::make_unique<Expr>();
        e->pos = cur().pos;
        return e;
    }

    const std::vector<Token>& t_;
    Diagnostics& diags_;
    std::size_t i_ = 0;
    int depth_ = 0;
    bool tooDeep_ = false;
    bool pendingNext_ = false;  // a "Next a, b" waits for the loop around
};

}  // namespace

Module parse(const std::vector<Token>& tokens, Diagnostics& diags) {
    return Parser(tokens, diags).module();
}

ExprPtr parseExpression(const std::vector<Token>& tokens, Diagnostics& diags) {
    return Parser(tokens, diags).expressionOnly();
}

}  // namespace zbl::trans
