#include "CppWriter.h"

#include <cstdio>
#include <map>
#include <set>

namespace zbl::trans {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Builtin {
    const char* name;
    const char* cpp;
    const char* params;  // one letter an argument: S String, L Long, D Double, A any
    int required;
    bool dollar;  // may be written with a $ suffix
};

// Built-in functions the library has so far.
constexpr Builtin kBuiltins[] = {
    {"len", "zbl::len", "A", 1, false},
    {"left", "zbl::left", "SL", 2, true},
    {"right", "zbl::right", "SL", 2, true},
    {"mid", "zbl::mid", "SLL", 2, true},
    {"ucase", "zbl::ucase", "S", 1, true},
    {"lcase", "zbl::lcase", "S", 1, true},
    {"trim", "zbl::trim", "S", 1, true},
    {"ltrim", "zbl::ltrim", "S", 1, true},
    {"rtrim", "zbl::rtrim", "S", 1, true},
    {"space", "zbl::space", "L", 1, true},
    {"chr", "zbl::chr", "L", 1, true},
    {"asc", "zbl::asc", "S", 1, false},
    {"val", "zbl::val", "S", 1, false},
    {"str", "zbl::str", "A", 1, true},
    {"cstr", "zbl::cast<zbl::String>", "A", 1, false},
    {"clng", "zbl::cast<zbl::Long>", "A", 1, false},
    {"cint", "zbl::cast<zbl::Integer>", "A", 1, false},
    {"cdbl", "zbl::cast<zbl::Double>", "A", 1, false},
    {"csng", "zbl::cast<zbl::Single>", "A", 1, false},
    {"cbool", "zbl::cast<zbl::Boolean>", "A", 1, false},
    {"cbyte", "zbl::cast<zbl::Byte>", "A", 1, false},
    {"abs", "zbl::abs", "A", 1, false},
    {"int", "zbl::int_", "A", 1, false},
    {"fix", "zbl::fix", "A", 1, false},
    {"sgn", "zbl::sgn", "A", 1, false},
    {"sqr", "zbl::sqr", "D", 1, false},
};

const Builtin* findBuiltin(const std::string& low) {
    for (const auto& b : kBuiltins)
        if (low == b.name)
            return &b;
    return nullptr;
}

const char* binName(BinOp op) {
    switch (op) {
        case BinOp::Pow:
            return "zbl::pow";
        case BinOp::Mul:
            return "zbl::mul";
        case BinOp::Div:
            return "zbl::fdiv";
        case BinOp::IntDiv:
            return "zbl::idiv";
        case BinOp::Mod:
            return "zbl::mod";
        case BinOp::Add:
            return "zbl::add";
        case BinOp::Sub:
            return "zbl::sub";
        case BinOp::Concat:
            return "zbl::concat";
        case BinOp::Eq:
            return "zbl::eq";
        case BinOp::Ne:
            return "zbl::ne";
        case BinOp::Lt:
            return "zbl::lt";
        case BinOp::Gt:
            return "zbl::gt";
        case BinOp::Le:
            return "zbl::le";
        case BinOp::Ge:
            return "zbl::ge";
        case BinOp::Like:
            return "zbl::like";
        case BinOp::And:
            return "zbl::and_";
        case BinOp::Or:
            return "zbl::or_";
        case BinOp::Xor:
            return "zbl::xor_";
        case BinOp::Eqv:
            return "zbl::eqv";
        case BinOp::Imp:
            return "zbl::imp";
        case BinOp::Is:
            return nullptr;
    }
    return nullptr;
}

std::string cppString(const std::string& s) {
    std::string r = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            r += '\\';
            r += char(c);
        } else if (c < 0x20 || c >= 0x7f || c == '?') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            r += buf;
        } else {
            r += char(c);
        }
    }
    return r + "\"";
}

struct Var {
    VType type = VType::Variant;
    bool isConst = false;
};

class Writer {
public:
    Writer(const Module& m, const std::string& file, Diagnostics& d)
        : m_(m), file_(file), diags_(d) {}

    std::string run() {
        for (const Proc& p : m_.procs) {
            std::string low = lower(p.name);
            if (procs_.count(low))
                error(p.pos, "'" + p.name + "' is already defined");
            procs_[low] = &p;
        }
        std::string globals;
        for (const StmtPtr& s : m_.decls)
            declare(*s, globals_, globals, "[[maybe_unused]] static ");
        out_ += "// Generated from " + file_ + ". Do not edit.\n#include \"zbl_runtime.h\"\n\n";
        for (const Proc& p : m_.procs)
            out_ += signature(p) + ";\n";
        out_ += "\n" + globals + "\n";
        for (const Proc& p : m_.procs)
            procBody(p);
        auto main = procs_.find("main");
        if (main == procs_.end() || main->second->isFunction || !main->second->params.empty()) {
            diags_.push_back({{0, 1, 1}, "the module has no 'Sub Main()' to start at"});
        } else {
            out_ +=
                "int main(int argc, char** argv) {\n    zbl::start(argc, argv);\n    p_main();\n"
                "    return zbl::finish();\n}\n";
        }
        return out_;
    }

private:
    void error(SourcePos p, std::string msg) { diags_.push_back({p, std::move(msg)}); }

    std::string cppType(VType t, SourcePos p) {
        switch (t) {
            case VType::Boolean:
                return "zbl::Boolean";
            case VType::Byte:
                return "zbl::Byte";
            case VType::Integer:
                return "zbl::Integer";
            case VType::Long:
                return "zbl::Long";
            case VType::Single:
                return "zbl::Single";
            case VType::Double:
                return "zbl::Double";
            case VType::String:
                return "zbl::String";
            // Until the library has a Variant, untyped names hold Doubles.
            case VType::Variant:
                return "zbl::Double";
            default:
                error(p, "this type is not supported yet");
                return "zbl::Double";
        }
    }

    std::string lineDirective(SourcePos p) const {
        return "#line " + std::to_string(p.line) + " " + cppString(file_) + "\n";
    }

    std::string signature(const Proc& p) {
        std::string s = (p.isFunction ? cppType(p.returnType, p.pos) : std::string("void")) +
                        " p_" + lower(p.name) + "(";
        for (std::size_t i = 0; i < p.params.size(); ++i) {
            const Param& a = p.params[i];
            if (i)
                s += ", ";
            s += cppType(a.type, a.pos) + (a.byRef ? "& " : " ") + "z_" + lower(a.name);
        }
        return s + ")";
    }

    // Declares the variables of a Dim or Const into `scope`, writing their
    // C++ definitions to `out`.
    void declare(const Stmt& s, std::map<std::string, Var>& scope, std::string& out,
                 const char* storage) {
        for (const VarDecl& v : s.vars) {
            std::string low = lower(v.name);
            if (scope.count(low)) {
                error(v.pos, "'" + v.name + "' is already declared");
                continue;
            }
            if (v.isArray)
                error(v.pos, "arrays are not supported yet");
            Var var{v.type, s.kind == Stmt::Kind::Const};
            out += lineDirective(v.pos);
            if (var.isConst) {
                std::string value = expr(*v.value);
                if (v.type == VType::Variant) {
                    var.type = v.value->type;
                    out += std::string(storage) + "const auto z_" + low + " = " + value + ";\n";
                } else {
                    std::string t = cppType(v.type, v.pos);
                    out += std::string(storage) + "const " + t + " z_" + low + " = zbl::cast<" + t +
                           ">(" + value + ");\n";
                }
            } else {
                out += std::string(storage) + cppType(v.type, v.pos) + " z_" + low + "{};\n";
            }
            scope[low] = var;
        }
    }

    void procBody(const Proc& p) {
        proc_ = &p;
        locals_.clear();
        implicit_.clear();
        hoisted_.clear();
        for (const Param& a : p.params) {
            std::string low = lower(a.name);
            if (locals_.count(low))
                error(a.pos, "duplicate parameter '" + a.name + "'");
            locals_[low] = Var{a.type, false};
        }
        std::string body = block(p.body, 1);
        out_ += lineDirective(p.pos) + signature(p) + " {\n";
        if (p.isFunction)
            out_ += "    " + cppType(p.returnType, p.pos) + " r_" + lower(p.name) + "{};\n";
        for (const auto& [name, type] : implicit_)
            out_ += "    [[maybe_unused]] " + cppType(type, p.pos) + " z_" + name + "{};\n";
        out_ += hoisted_ + body;
        if (p.isFunction)
            out_ += "    return r_" + lower(p.name) + ";\n";
        out_ += "}\n\n";
        proc_ = nullptr;
    }

    std::string block(const Block& b, int depth) {
        std::string r;
        for (const StmtPtr& s : b)
            r += stmt(*s, depth);
        return r;
    }

    std::string stmt(const Stmt& s, int depth) {
        std::string ind(std::size_t(depth) * 4, ' ');
        std::string r = lineDirective(s.pos);
        switch (s.kind) {
            case Stmt::Kind::Dim:
            case Stmt::Kind::Const: {
                // Locals live for the whole procedure, as the language has them.
                std::string decl;
                declare(s, locals_, decl, "[[maybe_unused]] ");
                for (std::size_t at = 0; at < decl.size();) {
                    std::size_t nl = decl.find('\n', at);
                    std::string line = decl.substr(at, nl - at);
                    hoisted_ += (line.rfind("#line", 0) == 0 ? "" : "    ") + line + "\n";
                    at = nl + 1;
                }
                return "";
            }
            case Stmt::Kind::Assign: {
                std::string target = lvalue(*s.target);
                const Expr& v = *s.value;
                // s = s & x appends in place, so building a string stays linear.
                if (targetType(*s.target) == VType::String && v.kind == Expr::Kind::Binary &&
                    v.bop == BinOp::Concat) {
                    std::vector<const Expr*> parts;
                    const Expr* e = &v;
                    while (e->kind == Expr::Kind::Binary && e->bop == BinOp::Concat) {
                        parts.push_back(e->args[1].get());
                        e = e->args[0].get();
                    }
                    if (e->kind == Expr::Kind::Name && lower(e->name) == lower(s.target->name)) {
                        for (auto it = parts.rbegin(); it != parts.rend(); ++it)
                            r += ind + "zbl::append(" + target + ", " + expr(**it) + ");\n";
                        return r;
                    }
                }
                return r + ind + "zbl::assign(" + target + ", " + expr(v) + ");\n";
            }
            case Stmt::Kind::Call:
                return r + ind + call(s.pos, s.name, s.suffix, s.args, false) + ";\n";
            case Stmt::Kind::Print: {
                if (!m_.optionConsole)
                    error(s.pos, "Print needs Option Console On");
                for (const PrintItem& item : s.items) {
                    if (item.expr)
                        r += ind + "zbl::print(" + expr(*item.expr) + ");\n";
                    if (item.sep == ',')
                        r += ind + "zbl::print_zone();\n";
                }
                if (s.items.empty() || s.items.back().sep == 0)
                    r += ind + "zbl::print_newline();\n";
                return r;
            }
            case Stmt::Kind::If:
                r += ind + "if (zbl::truth(" + expr(*s.cond) + ")) {\n" + block(s.body, depth + 1);
                if (!s.elseBody.empty())
                    r += ind + "} else {\n" + block(s.elseBody, depth + 1);
                return r + ind + "}\n";
            case Stmt::Kind::For: {
                if (!s.target)
                    return "";
                int id = ++labels_;
                std::string v = lvalue(*s.target), n = std::to_string(id);
                std::string t = "std::remove_reference_t<decltype(" + v + ")>";
                r += ind + "{\n";
                r += ind + "    zbl::assign(" + v + ", " + expr(*s.from) + ");\n";
                r += ind + "    const " + t + " ze_" + n + " = zbl::cast<" + t + ">(" +
                     expr(*s.to) + ");\n";
                r += ind + "    const " + t + " zs_" + n + " = zbl::cast<" + t + ">(" +
                     (s.step ? expr(*s.step) : std::string("zbl::Integer(1)")) + ");\n";
                r += ind + "    for (; zbl::for_continue(" + v + ", ze_" + n + ", zs_" + n +
                     "); zbl::assign(" + v + ", zbl::add(" + v + ", zs_" + n + "))) {\n";
                loops_.push_back({"for", id});
                r += block(s.body, depth + 2);
                loops_.pop_back();
                r += ind + "    }\n" + ind + "}\n";
                return r + loopEnd(id, ind);
            }
            case Stmt::Kind::Do:
            case Stmt::Kind::While: {
                int id = ++labels_;
                std::string test;
                if (s.cond)
                    test = std::string(s.until ? "!" : "") + "zbl::truth(" + expr(*s.cond) + ")";
                loops_.push_back({s.kind == Stmt::Kind::Do ? "do" : "while", id});
                std::string body = block(s.body, depth + 1);
                loops_.pop_back();
                if (!s.cond)
                    r += ind + "for (;;) {\n" + body + ind + "}\n";
                else if (s.testAtTop)
                    r += ind + "while (" + test + ") {\n" + body + ind + "}\n";
                else
                    r += ind + "do {\n" + body + ind + "} while (" + test + ");\n";
                return r + loopEnd(id, ind);
            }
            case Stmt::Kind::Exit: {
                if (s.exitWhat == "sub" || s.exitWhat == "function") {
                    if (!proc_ || proc_->isFunction != (s.exitWhat == "function")) {
                        error(s.pos, "'Exit " + s.exitWhat + "' outside a " + s.exitWhat);
                        return "";
                    }
                    return r + ind +
                           (proc_->isFunction ? "return r_" + lower(proc_->name) + ";\n"
                                              : "return;\n");
                }
                for (auto it = loops_.rbegin(); it != loops_.rend(); ++it)
                    if (it->first == s.exitWhat) {
                        usedLabels_.insert(it->second);
                        return r + ind + "goto zx_" + std::to_string(it->second) + ";\n";
                    }
                error(s.pos, "'Exit " + s.exitWhat + "' outside a " + s.exitWhat + " loop");
                return "";
            }
            case Stmt::Kind::Select: {
                std::string n = "zc_" + std::to_string(++labels_);
                r += ind + "{\n" + ind + "    const auto " + n + " = " + expr(*s.value) + ";\n";
                bool first = true;
                for (const CaseClause& c : s.cases) {
                    std::string body = block(c.body, depth + 2);
                    if (c.isElse) {
                        r += ind + (first ? "    {\n" : "    } else {\n") + body;
                    } else {
                        std::string test;
                        for (const CaseItem& item : c.items) {
                            if (!test.empty())
                                test += " || ";
                            if (item.kind == CaseItem::Kind::Range)
                                test += "(zbl::ge(" + n + ", " + expr(*item.a) + ") && zbl::le(" +
                                        n + ", " + expr(*item.b) + "))";
                            else
                                test +=
                                    std::string(binName(
                                        item.kind == CaseItem::Kind::Is ? item.op : BinOp::Eq)) +
                                    "(" + n + ", " + expr(*item.a) + ")";
                        }
                        r += ind + (first ? "    if (" : "    } else if (") + test + ") {\n" + body;
                    }
                    first = false;
                }
                if (!first)
                    r += ind + "    }\n";
                return r + ind + "}\n";
            }
            case Stmt::Kind::End:
                return r + ind + "zbl::end_program();\n";
        }
        return r;
    }

    std::string loopEnd(int id, const std::string& ind) {
        if (!usedLabels_.count(id))
            return "";
        return ind + "zx_" + std::to_string(id) + ":;\n";
    }

    // ---- names ----

    // Looks a name up as a variable: procedure locals, then the module.
    const Var* findVar(const std::string& low) const {
        if (auto it = locals_.find(low); it != locals_.end())
            return &it->second;
        if (auto it = implicit_.find(low); it != implicit_.end()) {
            static thread_local Var v;
            v = Var{it->second, false};
            return &v;
        }
        if (auto it = globals_.find(low); it != globals_.end())
            return &it->second;
        return nullptr;
    }

    bool isOwnResult(const std::string& low) const {
        return proc_ && proc_->isFunction && lower(proc_->name) == low;
    }

    VType targetType(const Expr& e) const {
        std::string low = lower(e.name);
        if (isOwnResult(low) && !findVar(low))
            return proc_->returnType;
        const Var* v = findVar(low);
        return v ? v->type : VType::Variant;
    }

    // A name that can be assigned to: a variable or the function's result.
    std::string lvalue(const Expr& e) {
        if (e.kind != Expr::Kind::Name) {
            error(e.pos, e.kind == Expr::Kind::Call ? "arrays are not supported yet"
                                                    : "expected a variable");
            return "zbl::lv(0.0)";
        }
        std::string low = lower(e.name);
        if (const Var* v = findVar(low)) {
            if (v->isConst)
                error(e.pos, "cannot assign to the constant '" + e.name + "'");
            return "z_" + low;
        }
        if (isOwnResult(low))
            return "r_" + low;
        if (procs_.count(low) || findBuiltin(low)) {
            error(e.pos, "cannot assign to '" + e.name + "'");
            return "zbl::lv(0.0)";
        }
        return implicitVar(e);
    }

    std::string implicitVar(const Expr& e) {
        std::string low = lower(e.name);
        if (m_.optionExplicit) {
            error(e.pos, "variable '" + e.name + "' is not defined");
        } else if (proc_) {
            implicit_.emplace(low, suffixType(e.suffix));
            return "z_" + low;
        }
        return "zbl::lv(0.0)";
    }

    // ---- expressions ----

    std::string call(SourcePos pos, const std::string& name, char suffix,
                     const std::vector<ExprPtr>& args, bool needValue) {
        std::string low = lower(name);
        auto it = procs_.find(low);
        if (it != procs_.end()) {
            const Proc& p = *it->second;
            if (needValue && !p.isFunction)
                error(pos, "'" + p.name + "' is a Sub and has no value");
            if (args.size() > p.params.size())
                error(pos, "too many arguments to '" + p.name + "'");
            std::string r = "p_" + low + "(";
            for (std::size_t i = 0; i < p.params.size(); ++i) {
                const Param& a = p.params[i];
                std::string t = cppType(a.type, a.pos);
                if (i)
                    r += ", ";
                const Expr* arg = i < args.size() ? args[i].get() : nullptr;
                if (!arg) {
                    if (!a.optional)
                        error(pos, "argument '" + a.name + "' is not optional");
                    std::string def = a.defaultValue ? expr(*a.defaultValue) : t + "{}";
                    r += a.byRef ? "zbl::lv(zbl::cast<" + t + ">(" + def + "))"
                                 : "zbl::cast<" + t + ">(" + def + ")";
                    continue;
                }
                if (a.byRef && arg->kind == Expr::Kind::Name) {
                    // A variable of the parameter's own type is passed by reference.
                    std::string argLow = lower(arg->name);
                    const Var* v = findVar(argLow);
                    if (v && !v->isConst && v->type == a.type) {
                        r += "z_" + argLow;
                        continue;
                    }
                    if (!v && isOwnResult(argLow) && proc_->returnType == a.type) {
                        r += "r_" + argLow;
                        continue;
                    }
                }
                std::string value = "zbl::cast<" + t + ">(" + expr(*arg) + ")";
                r += a.byRef ? "zbl::lv(" + value + ")" : value;
            }
            return r + ")";
        }
        if (const Builtin* b = findBuiltin(low)) {
            if (suffix && !(suffix == '$' && b->dollar))
                error(pos, "'" + name + suffix + "' is not defined");
            std::string params = b->params;
            if (args.size() < std::size_t(b->required) || args.size() > params.size())
                error(pos, "wrong number of arguments to '" + name + "'");
            std::string r = std::string(b->cpp) + "(";
            for (std::size_t i = 0; i < args.size() && i < params.size(); ++i) {
                if (i)
                    r += ", ";
                if (!args[i]) {
                    error(pos,
                          "argument " + std::to_string(i + 1) + " of '" + name + "' is missing");
                    r += "0";
                    continue;
                }
                std::string v = expr(*args[i]);
                switch (params[i]) {
                    case 'S':
                        r += "zbl::cast<zbl::String>(" + v + ")";
                        break;
                    case 'L':
                        r += "zbl::cast<zbl::Long>(" + v + ")";
                        break;
                    case 'D':
                        r += "zbl::cast<zbl::Double>(" + v + ")";
                        break;
                    default:
                        r += v;
                }
            }
            return r + ")";
        }
        if (findVar(low)) {
            error(pos, "arrays are not supported yet");
        } else {
            error(pos, "'" + name + "' is not defined");
        }
        return "0";
    }

    std::string expr(const Expr& e) {
        switch (e.kind) {
            case Expr::Kind::Integer:
                return std::string(e.type == VType::Long ? "zbl::Long(" : "zbl::Integer(") +
                       std::to_string(e.ival) + ")";
            case Expr::Kind::Real: {
                char buf[40];
                std::snprintf(buf, sizeof buf, "%.17g", e.rval);
                std::string v = buf;
                if (v.find_first_of(".e") == std::string::npos)
                    v += ".0";
                return e.type == VType::Single ? "zbl::Single(" + v + ")"
                                               : "zbl::Double(" + v + ")";
            }
            case Expr::Kind::String:
                return "zbl::String(" + cppString(e.text) + ", " + std::to_string(e.text.size()) +
                       ")";
            case Expr::Kind::Bool:
                return e.ival ? "true" : "false";
            case Expr::Kind::Name: {
                std::string low = lower(e.name);
                if (findVar(low))
                    return "z_" + low;
                if (isOwnResult(low))
                    return "r_" + low;
                if (procs_.count(low) || findBuiltin(low))
                    return call(e.pos, e.name, e.suffix, {}, true);
                return implicitVar(e);
            }
            case Expr::Kind::Call:
                return call(e.pos, e.name, e.suffix, e.args, true);
            case Expr::Kind::Paren:
                return "(" + expr(*e.args[0]) + ")";
            case Expr::Kind::Unary:
                return std::string(e.uop == UnOp::Neg ? "zbl::neg(" : "zbl::not_(") +
                       expr(*e.args[0]) + ")";
            case Expr::Kind::Binary: {
                const char* f = binName(e.bop);
                if (!f) {
                    error(e.pos, "'Is' needs objects, which are not supported yet");
                    return "false";
                }
                return std::string(f) + "(" + expr(*e.args[0]) + ", " + expr(*e.args[1]) + ")";
            }
        }
        return "0";
    }

    const Module& m_;
    std::string file_;
    Diagnostics& diags_;
    std::string out_;
    std::map<std::string, const Proc*> procs_;
    std::map<std::string, Var> globals_, locals_;
    std::map<std::string, VType> implicit_;
    std::string hoisted_;
    const Proc* proc_ = nullptr;
    std::vector<std::pair<std::string, int>> loops_;
    std::set<int> usedLabels_;
    int labels_ = 0;
};

}  // namespace

std::string writeCpp(const Module& m, const std::string& fileName, Diagnostics& diags) {
    return Writer(m, fileName, diags).run();
}

}  // namespace zbl::trans
