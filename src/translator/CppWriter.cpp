#include "CppWriter.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>

#include "Builtins.h"

namespace zbl::trans {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A keyword as the language writes it: "sub" is "Sub".
std::string capital(std::string word) {
    if (!word.empty())
        word[0] = char(std::toupper(static_cast<unsigned char>(word[0])));
    return word;
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

// What an expression or a variable is: a plain value of a type, a value of
// a Type (udt), or an array of either.
struct Shape {
    VType type = VType::Variant;
    std::string udt;  // lower-case Type name
    bool isArray = false;
    bool isFixed = false;
    int rank = 0;        // fixed arrays
    bool known = false;  // the type is certain (a variable, a field, a literal)
    std::string length;  // String * length: its length as C++, "" for any length
};

struct Var {
    Shape shape;
    bool isConst = false;
    std::string cpp;  // how C++ names it
};

struct TypeInfo {
    const Stmt* def = nullptr;
    std::map<std::string, Shape> fields;
    bool written = false, writing = false;
};

struct WithScope {
    std::string cpp;
    Shape shape;
};

class Writer {
public:
    Writer(const std::vector<Module>& modules, const std::vector<std::string>& files,
           Diagnostics& d)
        : mods_(modules), files_(files), diags_(d) {}

    // The C++ of each module, in the modules' order; the first has the
    // program's main when it has a Sub Main.
    std::vector<std::string> run() {
        // Public procedures are known by name everywhere, private ones in
        // their own module only, under a C++ name of their module's.
        privateProcs_.resize(mods_.size());
        privateGlobals_.resize(mods_.size());
        for (std::size_t k = 0; k < mods_.size(); ++k) {
            for (const Proc& p : mods_[k].procs) {
                std::string low = lower(p.name);
                auto& scope = p.isPrivate ? privateProcs_[k] : publicProcs_;
                if (scope.count(low) || privateProcs_[k].count(low) ||
                    (p.isPrivate && publicOf(low, k)))
                    error(p.pos, "'" + p.name + "' is already defined");
                scope[low] = &p;
                procNames_[&p] = p.isPrivate ? "p" + std::to_string(k) + "_" + low : "p_" + low;
                procModule_[&p] = k;
            }
            // Types and Enums first: declarations and signatures use them.
            for (const StmtPtr& s : mods_[k].decls) {
                std::string low = lower(s->name);
                if (s->kind == Stmt::Kind::TypeDef || s->kind == Stmt::Kind::EnumDef) {
                    if (types_.count(low) || enums_.count(low))
                        error(s->pos, "'" + s->name + "' is already defined");
                    else if (s->kind == Stmt::Kind::TypeDef)
                        types_[low].def = s.get();
                    else
                        enums_.insert(low);
                }
            }
        }
        // What every unit sees: the Types, the constants, and the public
        // variables and procedures. Module k's unit adds its private names
        // and its code. The shared part carries no line numbers, so an edit
        // in one module leaves every other unit's text as it was.
        std::string consts, externs;
        std::vector<std::string> vars(mods_.size());
        for (std::size_t k = 0; k < mods_.size(); ++k) {
            enterModule(k);
            for (const StmtPtr& s : m_->decls) {
                if (s->kind == Stmt::Kind::TypeDef) {
                    writeType(lower(s->name));
                } else if (s->kind == Stmt::Kind::EnumDef) {
                    writeEnum(*s, consts);
                } else {
                    globalPrefix_ = s->isPublic ? "z_" : "z" + std::to_string(k) + "_";
                    const bool isConst = s->kind == Stmt::Kind::Const;
                    std::string definitions;
                    declare(*s, globals_, isConst ? consts : definitions,
                            isConst || !s->isPublic ? "[[maybe_unused]] static " : "");
                    for (const VarDecl& v : s->vars) {
                        auto it = globals_.find(lower(v.name));
                        if (it == globals_.end())
                            continue;
                        (s->isPublic ? publicGlobals_ : privateGlobals_[k])[it->first] = it->second;
                        if (s->isPublic && !isConst)
                            externs += "extern " + cppType(it->second.shape) + " " +
                                       it->second.cpp + ";\n";
                    }
                    // A declarations module's variables live in its library.
                    if (!m_->isInterface)
                        vars[k] += definitions;
                }
            }
        }
        // Constants first: a Type's bounds and lengths may name them.
        std::string shared = "#include \"zbl_runtime.h\"\n" + consts + typesOut_ + externs;
        for (const Module& m : mods_)
            for (const Proc& p : m.procs)
                if (!p.isPrivate)
                    shared += signature(p) + ";\n";
        shared = withoutLines(shared);

        std::vector<std::string> units;
        for (std::size_t k = 0; k < mods_.size(); ++k) {
            enterModule(k);
            out_ = "// Generated from " + file_ + ". Do not edit.\n" + shared + "\n#line 1 " +
                   cppString(file_) + "\n";
            for (const Proc& p : m_->procs) {
                if (p.isPrivate && p.isPrototype)
                    error(p.pos, "a declarations module has only public procedures");
                else if (p.isPrivate)
                    out_ += "static " + signature(p) + ";\n";
            }
            out_ += vars[k] + "\n";
            for (const Proc& p : m_->procs)
                if (!p.isPrototype) {
                    procBody(p);
                    if (p.isExport)
                        exportBody(p);
                }
            if (k == 0)
                writeMain();
            units.push_back(everyLineMapped(out_));
        }
        return units;
    }

    bool hasMain() const { return hasMain_; }

private:
    // The program starts at Sub Main of the module translated. A library
    // has none; its objects are built without the C++ main as well.
    void writeMain() {
        auto main = procs_.find("main");
        if (main == procs_.end())
            return;
        if (main->second->isFunction || !main->second->params.empty() ||
            main->second->isPrototype) {
            error(main->second->pos, "Main is a Sub without parameters: 'Sub Main()'");
            return;
        }
        hasMain_ = true;
        out_ += std::string("#ifndef ZBL_NO_MAIN\nint main(int argc, char** argv) {\n") +
                "    zbl::start(argc, argv);\n" +
                (m_->optionConsole ? "" : "    zbl::use_dialogs();\n") + "    try {\n        " +
                procNames_[main->second] +
                "();\n    } catch (const zbl::RuntimeError& e) {\n"
                "        zbl::report(e);\n    }\n    return zbl::finish();\n}\n#endif\n";
    }

    static std::string withoutLines(const std::string& text) {
        std::string r;
        r.reserve(text.size());
        for (std::size_t at = 0; at < text.size();) {
            std::size_t nl = text.find('\n', at);
            nl = nl == std::string::npos ? text.size() : nl + 1;
            if (text.compare(at, 6, "#line ") != 0)
                r.append(text, at, nl - at);
            at = nl;
        }
        return r;
    }

    void error(SourcePos p, std::string msg) { diags_.push_back({p, std::move(msg)}); }

    // A public procedure of that name in another module than k.
    bool publicOf(const std::string& low, std::size_t k) const {
        auto it = publicProcs_.find(low);
        if (it == publicProcs_.end())
            return false;
        for (const Proc& p : mods_[k].procs)
            if (&p == it->second)
                return true;
        return false;
    }

    // What module k sees: every public name, and its own private ones.
    void enterModule(std::size_t k) {
        module_ = k;
        m_ = &mods_[k];
        file_ = files_[k];
        procs_ = publicProcs_;
        for (const auto& [name, p] : privateProcs_[k])
            procs_[name] = p;
        globals_ = publicGlobals_;
        for (const auto& [name, v] : privateGlobals_[k])
            globals_[name] = v;
    }

    // ---- types ----

    // A declared type: built-in, a Type (udt set) or an Enum (a Long).
    Shape resolve(VType t, const std::string& typeName, SourcePos p) {
        Shape s;
        s.type = t;
        s.known = true;
        if (t == VType::User) {
            std::string low = lower(typeName);
            if (enums_.count(low)) {
                s.type = VType::Long;
            } else if (types_.count(low)) {
                s.udt = low;
            } else {
                error(p, "type '" + typeName + "' is not defined");
                s.type = VType::Variant;
            }
        } else if (t == VType::Object) {
            error(p, "this type is not supported yet");
            s.type = VType::Double;
        }
        return s;
    }

    static std::string scalarType(const Shape& s) {
        if (!s.udt.empty())
            return "t_" + s.udt;
        switch (s.type) {
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
            case VType::Date:
                return "zbl::Date";
            case VType::Currency:
                return "zbl::Currency";
            default:
                return "zbl::Variant";
        }
    }
    static std::string cppType(const Shape& s) {
        return s.isArray ? "zbl::Array<" + scalarType(s) + ">" : scalarType(s);
    }

    void writeType(const std::string& low) {
        TypeInfo& t = types_[low];
        if (t.written)
            return;
        if (t.writing) {
            error(t.def->pos, "the Type '" + t.def->name + "' contains itself");
            return;
        }
        t.writing = true;
        std::string body;
        for (const VarDecl& v : t.def->vars) {
            Shape s = resolve(v.type, v.typeName, v.pos);
            if (!s.udt.empty())
                writeType(s.udt);  // a field's Type comes first
            std::string name = lower(v.name);
            if (t.fields.count(name)) {
                error(v.pos, "'" + v.name + "' is already a field of '" + t.def->name + "'");
                continue;
            }
            body += lineDirective(v.pos) + "    " + definition(v, s, "z_" + name) + "\n";
            t.fields[name] = s;
        }
        // Get and Put read and write its fields in order.
        std::string put, get;
        for (const VarDecl& v : t.def->vars) {
            const std::string name = lower(v.name);
            auto f = t.fields.find(name);
            // A fixed-length String field is its characters alone.
            const std::string length =
                f != t.fields.end() && !f->second.isArray ? f->second.length : std::string();
            put += length.empty() ? " zbl::put_field(w, r.z_" + name + ");"
                                  : " zbl::put_fixed(w, r.z_" + name + ", " + length + ");";
            get += length.empty() ? " zbl::get_field(w, r.z_" + name + ");"
                                  : " zbl::get_fixed(w, r.z_" + name + ", " + length + ");";
        }
        typesOut_ += lineDirective(t.def->pos) + "struct t_" + low + " {\n" + body + "};\n" +
                     "[[maybe_unused]] inline void zbl_fields(zbl::RecordWriter& w, const t_" +
                     low + "& r) {" + put + " }\n" +
                     "[[maybe_unused]] inline void zbl_fields(zbl::RecordReader& w, t_" + low +
                     "& r) {" + get + " }\n\n";
        t.written = true;
    }

    void writeEnum(const Stmt& s, std::string& out) {
        std::string previous;
        for (const VarDecl& v : s.vars) {
            std::string low = lower(v.name);
            if (globals_.count(low)) {
                error(v.pos, "'" + v.name + "' is already declared");
                continue;
            }
            std::string value = v.value            ? "zbl::cast<zbl::Long>(" + expr(*v.value) + ")"
                                : previous.empty() ? "zbl::Long(0)"
                                                   : "zbl::cast<zbl::Long>(zbl::add(" + previous +
                                                         ", zbl::Long(1)))";
            if (v.value && !isConstant(*v.value))
                error(v.value->pos, "an Enum member's value must be a constant");
            out += lineDirective(v.pos) + "[[maybe_unused]] static const zbl::Long z_" + low +
                   " = " + value + ";\n";
            Var var;
            var.shape.type = VType::Long;
            var.shape.known = true;
            var.isConst = true;
            var.cpp = "z_" + low;
            globals_[low] = var;
            publicGlobals_[low] = var;
            enumMembers_[lower(s.name)].insert(low);
            previous = "z_" + low;
        }
    }

    // Whether an expression can be worked out before the program runs.
    bool isConstant(const Expr& e) {
        switch (e.kind) {
            case Expr::Kind::Integer:
            case Expr::Kind::Real:
            case Expr::Kind::String:
            case Expr::Kind::Bool:
                return true;
            case Expr::Kind::Name: {
                const Var* v = findVar(lower(e.name));
                return (v && v->isConst) || findConstant(lower(e.name));
            }
            case Expr::Kind::Member:
                return e.args[0] && e.args[0]->kind == Expr::Kind::Name &&
                       enums_.count(lower(e.args[0]->name)) && !findVar(lower(e.args[0]->name));
            case Expr::Kind::Unary:
            case Expr::Kind::Binary:
            case Expr::Kind::Paren:
                for (const ExprPtr& a : e.args)
                    if (!isConstant(*a))
                        return false;
                return true;
            default:
                return false;
        }
    }

    // The C++ definition of a variable or field, without storage class.
    std::string definition(const VarDecl& v, Shape& s, const std::string& name) {
        if (v.length) {
            if (s.type != VType::String || !s.udt.empty() || !isConstant(*v.length))
                error(v.length->pos, "the length of a fixed-length String is a constant");
            else
                s.length = "zbl::cast<zbl::Long>(" + expr(*v.length) + ")";
        }
        if (!v.isArray)
            return scalarType(s) + " " + name +
                   (s.length.empty() ? "{};" : " = zbl::fixed_string(" + s.length + ");");
        s.isArray = true;
        if (v.bounds.empty())
            return cppType(s) + " " + name + ";";
        s.isFixed = true;
        s.rank = int(v.bounds.size());
        std::string b;
        for (const auto& [lo, hi] : v.bounds) {
            for (const Expr* e : {lo.get(), hi.get()})
                if (e && !isConstant(*e))
                    error(e->pos,
                          "the bounds of a fixed array must be constants; "
                          "use ReDim for bounds known only when the program runs");
            b += std::string(b.empty() ? "" : ", ") + "zbl::Bound{" +
                 (lo ? "zbl::cast<zbl::Long>(" + expr(*lo) + ")" : std::to_string(m_->optionBase)) +
                 ", zbl::cast<zbl::Long>(" + expr(*hi) + ")}";
        }
        std::string made = cppType(s) + "::fixed({" + b + "})";
        if (!s.length.empty())
            made = "zbl::fixed_strings(" + made + ", " + s.length + ")";
        return cppType(s) + " " + name + " = " + made + ";";
    }

    // A directive gives the number of the line after it only: a statement
    // written as several C++ lines would have its later lines counted on.
    // Every line after the first mapped one gets a directive of its own,
    // unless one is right above it.
    static std::string everyLineMapped(const std::string& text) {
        std::size_t start = text.find("#line ");
        if (start == std::string::npos)
            return text;
        std::string r = text.substr(0, start);
        r.reserve(text.size() + text.size() / 4);
        std::string directive;
        bool fresh = false;
        for (std::size_t at = start; at < text.size();) {
            std::size_t nl = text.find('\n', at);
            if (nl == std::string::npos)
                nl = text.size() - 1;
            std::string_view line(text.data() + at, nl + 1 - at);
            at = nl + 1;
            if (line == "\n")
                continue;  // a blank line would need a directive after it
            if (line.starts_with("#line ")) {
                // The first names the file; the ones after it repeat only the number.
                std::size_t quote = line.find(' ', 6);
                directive = std::string(line.substr(0, std::min(quote, line.size() - 1))) + "\n";
                fresh = true;
            } else {
                if (!fresh)
                    r += directive;
                fresh = false;
            }
            r += line;
        }
        return r;
    }

    // Each unit holds one module's code, and its first directive names the
    // module; the compiler keeps that name for every directive after it.
    static std::string lineDirective(SourcePos p) {
        return "#line " + std::to_string(p.line) + "\n";
    }

    // An omitted argument's default, a constant of the procedure's own
    // module, which may be private to it.
    std::string defaultValue(const Proc& p, const Param& a) {
        const std::size_t here = module_, owner = procModule_[&p];
        if (owner == here)
            return expr(*a.defaultValue);
        const std::string file = file_;
        enterModule(owner);
        std::string value = expr(*a.defaultValue);
        enterModule(here);
        file_ = file;
        return value;
    }

    Shape returnShape(const Proc& p) { return resolve(p.returnType, p.returnTypeName, p.pos); }

    Shape paramShape(const Param& a) {
        Shape s = resolve(a.type, a.typeName, a.pos);
        s.isArray = a.isArray;
        if (a.paramArray && (!a.isArray || s.type != VType::Variant || !s.udt.empty()))
            error(a.pos, "a ParamArray is an array of Variants: " + a.name + "() As Variant");
        return s;
    }

    std::string signature(const Proc& p) {
        std::string s = (p.isFunction ? cppType(returnShape(p)) : std::string("void")) + " " +
                        procNames_[&p] + "(";
        for (std::size_t i = 0; i < p.params.size(); ++i) {
            const Param& a = p.params[i];
            Shape sh = paramShape(a);
            if (!sh.udt.empty() && !a.byRef)
                error(a.pos, "a parameter of a Type must be passed ByRef");
            if (i)
                s += ", ";
            s += cppType(sh) + (a.byRef || sh.isArray || !sh.udt.empty() ? "& " : " ") + "z_" +
                 lower(a.name);
        }
        return s + ")";
    }

    // Declares the variables of a Dim or Const into `scope`, writing their
    // C++ definitions to `out`.
    void declare(const Stmt& s, std::map<std::string, Var>& scope, std::string& out,
                 std::string storage) {
        if (s.isStatic && storage.find("static") == std::string::npos)
            storage += "static ";
        for (const VarDecl& v : s.vars) {
            std::string low = lower(v.name);
            if (scope.count(low) || (&scope == &locals_ && implicit_.count(low))) {
                error(v.pos, "'" + v.name + "' is already declared");
                continue;
            }
            Var var;
            var.shape = resolve(v.type, v.typeName, v.pos);
            var.isConst = s.kind == Stmt::Kind::Const;
            var.cpp = (&scope == &locals_ ? "z_" : globalPrefix_) + low;
            out += lineDirective(v.pos);
            if (var.isConst) {
                if (!isConstant(*v.value))
                    error(v.value->pos, "a Const's value must be a constant");
                std::string value = expr(*v.value);
                if (v.type == VType::Variant) {
                    var.shape = shapeOf(*v.value);
                    out += storage + "const auto " + var.cpp + " = " + value + ";\n";
                } else {
                    std::string t = scalarType(var.shape);
                    out += storage + "const " + t + " " + var.cpp + " = zbl::cast<" + t + ">(" +
                           value + ");\n";
                }
            } else {
                out += storage + definition(v, var.shape, var.cpp) + "\n";
            }
            scope[low] = var;
        }
    }

    // The C type a value of the language passes as, "" when it cannot.
    static std::string cType(const Shape& s) {
        if (s.isArray || !s.udt.empty())
            return "";
        switch (s.type) {
            case VType::Byte:
                return "std::uint8_t";
            case VType::Integer:
            case VType::Boolean:
                return "std::int16_t";  // a Boolean is 16 bits, -1 or 0
            case VType::Long:
                return "std::int32_t";
            case VType::Single:
                return "float";
            case VType::Double:
                return "double";
            case VType::String:
                return "const char*";
            default:
                return "";
        }
    }

    // A Declare'd procedure: found in its shared library when first called,
    // then called directly. ByVal Strings go as C strings, ByRef numbers as
    // pointers to the caller's variable.
    void declaredBody(const Proc& p) {
        Shape ret = p.isFunction ? returnShape(p) : Shape{};
        std::string cret = p.isFunction ? cType(ret) : "void";
        if (cret.empty())
            error(p.pos, "a declared Function returns a number type or a String");
        std::string types, args;
        for (const Param& a : p.params) {
            Shape sh = paramShape(a);
            std::string t = cType(sh), name = "z_" + lower(a.name);
            if (t.empty() || (a.byRef && sh.type == VType::String)) {
                error(a.pos, "a C function takes numbers (ByVal or ByRef) and ByVal Strings");
                continue;
            }
            if (!types.empty()) {
                types += ", ";
                args += ", ";
            }
            if (sh.type == VType::String) {
                types += t;
                args += name + ".str().c_str()";
            } else if (sh.type == VType::Boolean) {
                // The variable is a C++ bool; C sees the language's 16 bits.
                types += a.byRef ? "std::int16_t*" : t;
                args += a.byRef ? "&zb_" + lower(a.name) : "std::int16_t(" + name + " ? -1 : 0)";
            } else {
                types += a.byRef ? t + "*" : t;
                args += a.byRef ? "&" + name : name;
            }
        }
        out_ += lineDirective(p.pos) + signature(p) + " {\n";
        out_ += "    zbl::Frame zf_(" + cppString(p.name) + ", " + cppString(file_) + ");\n";
        out_ += "    zf_.line = " + std::to_string(p.pos.line) + ";\n";
        out_ += "    using F = " + cret + " (*)(" + types + ");\n";
        out_ += "    static const F f = reinterpret_cast<F>(zbl::dll_symbol(" + cppString(p.lib) +
                ", " + cppString(p.alias.empty() ? p.name : p.alias) + "));\n";
        std::string before, after;
        for (const Param& a : p.params)
            if (a.byRef && paramShape(a).type == VType::Boolean) {
                std::string n = lower(a.name);
                before += "    std::int16_t zb_" + n + " = z_" + n + " ? -1 : 0;\n";
                after += "    z_" + n + " = zb_" + n + " != 0;\n";
            }
        out_ += before;
        if (!p.isFunction)
            out_ += "    f(" + args + ");\n" + after + "}\n\n";
        else if (ret.type == VType::String)
            out_ += "    const char* r = f(" + args + ");\n" + after +
                    "    return zbl::String(r ? r : \"\");\n}\n\n";
        else if (ret.type == VType::Boolean)
            out_ += "    const bool r = f(" + args + ") != 0;\n" + after + "    return r;\n}\n\n";
        else
            out_ += "    const auto r = f(" + args + ");\n" + after + "    return r;\n}\n\n";
    }

    // An exported procedure as C sees it: a function of its own name with C
    // types, passing as a Declare does. A run-time error it does not handle
    // is reported and the call returns zero, as C code cannot catch it.
    void exportBody(const Proc& p) {
        if (lower(p.name) == "main") {
            error(p.pos, "'Main' cannot be exported");
            return;
        }
        Shape ret = p.isFunction ? returnShape(p) : Shape{};
        std::string cret = p.isFunction ? cType(ret) : "void";
        if (cret.empty())
            error(p.pos, "an exported Function returns a number type or a String");
        if (ret.type == VType::Boolean)
            cret = "std::int16_t";
        std::string params, before, args, after;
        for (std::size_t i = 0; i < p.params.size(); ++i) {
            const Param& a = p.params[i];
            Shape sh = paramShape(a);
            std::string t = cType(sh), c = "c" + std::to_string(i), z = "a" + std::to_string(i);
            if (t.empty() || a.optional) {
                error(a.pos, "an exported procedure takes numbers and Strings, none Optional");
                continue;
            }
            // A String comes as a C string either way; what the procedure
            // does to a ByRef one stays inside.
            const bool pointer = a.byRef && sh.type != VType::String;
            params += std::string(params.empty() ? "" : ", ") + (pointer ? t + "* " : t + " ") + c;
            args += std::string(args.empty() ? "" : ", ") + z;
            const std::string value = pointer ? "*" + c : c;
            if (sh.type == VType::String)
                before += "        zbl::String " + z + "(" + c + " ? " + c + " : \"\");\n";
            else if (sh.type == VType::Boolean)
                before += "        zbl::Boolean " + z + " = " + value + " != 0;\n";
            else
                before += "        " + scalarType(sh) + " " + z + " = " + value + ";\n";
            if (pointer)
                after += "        *" + c + " = " +
                         (sh.type == VType::Boolean ? z + " ? -1 : 0" : z) + ";\n";
        }
        out_ += "extern \"C\" __attribute__((visibility(\"default\"))) " + cret + " " + p.name +
                "(" + params + ") {\n    try {\n" + before;
        const std::string call = procNames_[&p] + "(" + args + ")";
        if (!p.isFunction) {
            out_ += "        " + call + ";\n" + after + "        zbl::finish();\n";
        } else {
            out_ += "        const auto r = " + call + ";\n" + after + "        zbl::finish();\n";
            if (ret.type == VType::String)
                out_ +=
                    "        thread_local std::string kept;\n        kept = r.str();\n"
                    "        return kept.c_str();\n";
            else if (ret.type == VType::Boolean)
                out_ += "        return r ? -1 : 0;\n";
            else
                out_ += "        return r;\n";
        }
        out_ +=
            "    } catch (const zbl::RuntimeError& e) {\n        zbl::report_and_go_on(e);\n"
            "    }\n";
        if (p.isFunction)
            out_ += ret.type == VType::String ? "    return \"\";\n" : "    return 0;\n";
        out_ += "}\n\n";
    }

    void procBody(const Proc& p) {
        if (!p.lib.empty())
            return declaredBody(p);
        proc_ = &p;
        // A Static Sub or Function keeps all its locals between calls.
        localStorage_ = p.isStatic ? "[[maybe_unused]] static " : "[[maybe_unused]] ";
        locals_.clear();
        implicit_.clear();
        hoisted_.clear();
        temps_.clear();
        labels_.clear();
        gotos_.clear();
        for (const Param& a : p.params) {
            std::string low = lower(a.name);
            if (locals_.count(low))
                error(a.pos, "duplicate parameter '" + a.name + "'");
            locals_[low] = Var{paramShape(a), false, "z_" + low};
        }
        handled_ = hasHandler(p.body);
        statements_ = 0;
        labelNumbers_.clear();
        gosubs_.clear();
        usesReturn_ = false;
        std::string body = block(p.body, handled_ ? 2 : 1);
        body += returnDispatch();
        // Every variable lives at the top of the procedure, so a GoTo may
        // jump anywhere in it, into blocks too, as the language allows.
        for (const auto& [name, pos] : gotos_)
            if (!labels_.count(lower(name)))
                error(pos, "label '" + name + "' is not defined");
        if (handled_)
            body = withHandler(body);
        out_ += lineDirective(p.pos) + signature(p) + " {\n";
        out_ += "    zbl::Frame zf_(" + cppString(p.name) + ", " + cppString(file_) + ");\n";
        if (p.isFunction)
            out_ += "    " + cppType(returnShape(p)) + " r_" + lower(p.name) + "{};\n";
        for (const auto& [name, type] : implicit_) {
            Shape s;
            s.type = type;
            out_ += "    " + localStorage_ + scalarType(s) + " z_" + name + "{};\n";
        }
        if (handled_)
            out_ += "    zbl::Handler zh_;\n";
        out_ += hoisted_ + temps_ + body;
        if (p.isFunction)
            out_ += "    return r_" + lower(p.name) + ";\n";
        out_ += "}\n\n";
        proc_ = nullptr;
    }

    // Whether a procedure handles its errors: it has On Error or Resume.
    static bool hasHandler(const Block& b) {
        for (const StmtPtr& s : b) {
            if (s->kind == Stmt::Kind::OnError || s->kind == Stmt::Kind::Resume ||
                hasHandler(s->body) || hasHandler(s->elseBody))
                return true;
            for (const CaseClause& c : s->cases)
                if (hasHandler(c.body))
                    return true;
        }
        return false;
    }

    // A handled procedure's body runs in a try block. An error caught there
    // goes back in through the dispatch at its top, to the handler's label
    // or to the statement Resume names; every variable lives above it, so
    // such a jump skips no initialisation.
    std::string withHandler(const std::string& body) {
        std::string r = "zretry_:\n    try {\n        switch (zh_.resumeAt) {\n";
        for (int n = 1; n <= statements_; ++n)
            r += "        case " + std::to_string(n) + ": goto zb_" + std::to_string(n) +
                 ";\n        case -" + std::to_string(n) + ": goto za_" + std::to_string(n) + ";\n";
        for (const auto& [name, number] : labelNumbers_)
            if (labels_.count(name))
                r += "        case " + std::to_string(number) + ": goto zl_" + name + ";\n";
        r += "        default: break;\n        }\n" + body;
        r += "    } catch (const zbl::RuntimeError& e) {\n        if (!zh_.catches())\n"
             "            throw;\n        zh_.take(e, zf_.stmt);\n        goto zretry_;\n    }\n";
        return r;
    }

    // A GoSub's way back: a number the Return dispatch knows.
    int gosub() {
        if (gosubs_.empty())
            temp("std::vector<int> zgs_;");
        gosubs_.push_back(++counter_);
        return counter_;
    }

    // Return goes back to the statement after the last GoSub.
    std::string returnDispatch() {
        if (gosubs_.empty() && !usesReturn_)
            return "";
        if (gosubs_.empty())
            temp("std::vector<int> zgs_;");
        std::string r =
            "    goto zend_;\nzreturn_:\n    if (zgs_.empty())\n        zbl::raise(3);\n"
            "    switch (zbl::pop_gosub(zgs_)) {\n";
        for (int k : gosubs_)
            r += "    case " + std::to_string(k) + ": goto zr_" + std::to_string(k) + ";\n";
        return r + "    }\nzend_:;\n";
    }

    // The number On Error GoTo and the dispatch know a label by.
    int labelNumber(const std::string& name) {
        auto [it, added] = labelNumbers_.emplace(lower(name), 0);
        if (added)
            it->second = 1000000 + int(labelNumbers_.size());
        return it->second;
    }

    std::string block(const Block& b, int depth) {
        std::string r;
        for (const StmtPtr& s : b)
            r += stmt(*s, depth);
        return r;
    }

    // A variable of the writer's own (a loop's end, a Select's value),
    // declared at the top of the procedure.
    void temp(const std::string& declaration) { temps_ += "    " + declaration + "\n"; }

    // Local declarations move to the top of the procedure, where they live
    // for the whole call, as the language has them.
    void hoist(const std::string& decl) {
        for (std::size_t at = 0; at < decl.size();) {
            std::size_t nl = decl.find('\n', at);
            std::string line = decl.substr(at, nl - at);
            hoisted_ += (line.rfind("#line", 0) == 0 ? "" : "    ") + line + "\n";
            at = nl + 1;
        }
    }

    std::string stmt(const Stmt& s, int depth) {
        // Deep nesting stops indenting, so the text stays linear in size.
        std::string ind(std::size_t(std::min(depth, 16)) * 4, ' ');
        std::string r = lineDirective(s.pos);
        if (s.kind == Stmt::Kind::Label || s.kind == Stmt::Kind::Dim || s.kind == Stmt::Kind::Const)
            return r + code(s, ind, depth);
        if (!handled_)
            return r + ind + "zf_.line = " + std::to_string(s.pos.line) + ";\n" +
                   code(s, ind, depth);
        // Numbered, so Resume and Resume Next can come back to it.
        const std::string n = std::to_string(++statements_);
        return r + "zb_" + n + ":;\n" + ind + "zf_.line = " + std::to_string(s.pos.line) +
               "; zf_.stmt = " + n + ";\n" + code(s, ind, depth) + "za_" + n + ":;\n";
    }

    // A statement's own code.
    std::string code(const Stmt& s, const std::string& ind, int depth) {
        std::string r;
        switch (s.kind) {
            case Stmt::Kind::Dim:
            case Stmt::Kind::Const: {
                std::string decl;
                declare(s, locals_, decl, localStorage_);
                hoist(decl);
                return "";
            }
            case Stmt::Kind::Assign:
                return r + assignment(s, ind);
            case Stmt::Kind::Call:
                if (s.target)
                    return method(s, ind);
                return r + ind + call(s.pos, s.name, s.suffix, s.args, false) + ";\n";
            case Stmt::Kind::Print: {
                if (s.isDebug) {
                    for (const PrintItem& item : s.items)
                        if (item.expr)
                            printItem(*item.expr);
                    return r;
                }
                if (s.from)
                    return filePrint(s, ind);
                if (!m_->optionConsole)
                    error(s.pos, "Print needs Option Console On");
                for (const PrintItem& item : s.items) {
                    if (item.expr)
                        r += ind + printItem(*item.expr) + ";\n";
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
            case Stmt::Kind::For:
                return r + forLoop(s, ind, depth);
            case Stmt::Kind::ForEach:
                return r + forEach(s, ind, depth);
            case Stmt::Kind::Do:
            case Stmt::Kind::While: {
                int id = ++counter_;
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
            case Stmt::Kind::Exit:
                return r + exitStmt(s, ind);
            case Stmt::Kind::Select:
                return r + select(s, ind, depth);
            case Stmt::Kind::End:
                return r + ind + "zbl::end_program();\n";
            case Stmt::Kind::ReDim:
                return r + redim(s, ind);
            case Stmt::Kind::Erase:
                for (const ExprPtr& a : s.args) {
                    Shape sh = shapeOf(*a);
                    if (!sh.isArray && !(sh.type == VType::Variant && a->kind == Expr::Kind::Name))
                        error(a->pos, "Erase needs an array");
                    else
                        r += ind + "zbl::array_of(" + lvalue(*a) + ").erase();\n";
                }
                return r;
            case Stmt::Kind::With:
                return r + withBlock(s, ind, depth);
            case Stmt::Kind::GoTo:
                gotos_.emplace_back(s.name, s.pos);
                return r + ind + "goto zl_" + lower(s.name) + ";\n";
            case Stmt::Kind::Label: {
                std::string low = lower(s.name);
                if (labels_.count(low))
                    error(s.pos, "label '" + s.name + "' is already defined");
                labels_[low] = s.pos;
                if (handled_)
                    labelNumber(low);
                return r + "zl_" + low + ":;\n";
            }
            case Stmt::Kind::Input:
            case Stmt::Kind::LineInput:
                return r + input(s, ind);
            case Stmt::Kind::OnError: {
                if (s.exitWhat == "next")
                    return ind + "zh_.onError(zbl::Handler::ResumeNext, 0);\n";
                if (s.name == "0")
                    return ind + "zh_.onError(zbl::Handler::None, 0);\n";
                if (s.name == "-1")
                    return ind + "zh_.handling = false;\n" + ind + "zbl::err().clear();\n";
                gotos_.emplace_back(s.name, s.pos);
                return ind + "zh_.onError(zbl::Handler::GoTo, " +
                       std::to_string(labelNumber(s.name)) + ");\n";
            }
            case Stmt::Kind::Resume:
                if (s.exitWhat == "label") {
                    gotos_.emplace_back(s.name, s.pos);
                    return ind + "zh_.resume(false);\n" + ind + "goto zl_" + lower(s.name) + ";\n";
                }
                return ind + "zh_.resumeAt = zh_.resume(" +
                       (s.exitWhat == "next" ? "true" : "false") + ");\n" + ind + "goto zretry_;\n";
            case Stmt::Kind::Error:
                return ind + "zbl::raise(zbl::cast<zbl::Long>(" + expr(*s.value) + "));\n";
            case Stmt::Kind::Open:
            case Stmt::Kind::Close:
            case Stmt::Kind::Write:
            case Stmt::Kind::Get:
            case Stmt::Kind::Put:
            case Stmt::Kind::Seek:
            case Stmt::Kind::Name:
                return fileStatement(s, ind);
            case Stmt::Kind::GoSub: {
                gotos_.emplace_back(s.name, s.pos);
                std::string k = std::to_string(gosub());
                return ind + "zgs_.push_back(" + k + ");\n" + ind + "goto zl_" + lower(s.name) +
                       ";\n" + "zr_" + k + ":;\n";
            }
            case Stmt::Kind::Return:
                usesReturn_ = true;
                return ind + "goto zreturn_;\n";
            case Stmt::Kind::OnGoTo: {
                // 0 or past the list goes on; below 0 or past 255 is an error.
                std::string end = "zon_" + std::to_string(++counter_);
                std::string r = ind + "switch (zbl::on_index(" + expr(*s.value) + ")) {\n", back;
                for (std::size_t i = 0; i < s.args.size(); ++i) {
                    const std::string& label = s.args[i]->name;
                    gotos_.emplace_back(label, s.args[i]->pos);
                    r += ind + "case " + std::to_string(i + 1) + ":\n";
                    if (s.exitWhat == "gosub") {
                        std::string k = std::to_string(gosub());
                        r += ind + "    zgs_.push_back(" + k + ");\n";
                        back += "zr_" + k + ":;\n" + ind + "goto " + end + ";\n";
                    }
                    r += ind + "    goto zl_" + lower(label) + ";\n";
                }
                r += ind + "default:\n" + ind + "    break;\n" + ind + "}\n";
                if (!back.empty())
                    r += ind + "goto " + end + ";\n" + back;
                return r + end + ":;\n";
            }
            case Stmt::Kind::TypeDef:
            case Stmt::Kind::EnumDef:
                error(s.pos, "Type and Enum belong at the top of the module");
                return "";
        }
        return r;
    }

    std::string assignment(const Stmt& s, const std::string& ind) {
        if (s.target->kind == Expr::Kind::Call && lower(s.target->name) == "mid" &&
            !findVar("mid") && !procs_.count("mid"))
            return midStatement(s, ind);
        Shape target = shapeOf(*s.target);
        const Expr& v = *s.value;
        Shape value = shapeOf(v);
        if (target.isArray || value.isArray) {
            // A whole array: into a dynamic array or a Variant.
            bool intoVariant =
                !target.isArray && target.type == VType::Variant && target.udt.empty();
            if (!intoVariant && (!target.isArray || target.isFixed)) {
                error(s.pos, target.isArray
                                 ? "cannot assign to a fixed array"
                                 : "an array cannot be assigned to '" + s.target->name + "'");
                return "";
            }
            if (!value.isArray && !(value.type == VType::Variant && value.udt.empty())) {
                error(v.pos, "type mismatch: an array is needed here");
                return "";
            }
            if (!value.udt.empty() || !target.udt.empty()) {
                if (value.udt != target.udt || intoVariant)
                    error(v.pos, "type mismatch: arrays of different Types");
                else
                    return ind + "zbl::assign_array(" + lvalue(*s.target) + ", " + anyExpr(v) +
                           ");\n";
                return "";
            }
            return ind + "zbl::assign_array(" + lvalue(*s.target) + ", " + anyExpr(v) + ");\n";
        }
        if (!target.udt.empty() || !value.udt.empty()) {
            if (target.udt != value.udt) {
                error(v.pos, "type mismatch: a value of another Type");
                return "";
            }
            return ind + lvalue(*s.target) + " = " + anyExpr(v) + ";\n";
        }
        std::string t = lvalue(*s.target);
        if (!target.length.empty() && target.type == VType::String)
            return ind + "zbl::assign_fixed(" + t + ", " + expr(v) + ", " + target.length + ");\n";
        // s = s & x appends in place, so building a string stays linear.
        if (target.type == VType::String && target.known && v.kind == Expr::Kind::Binary &&
            v.bop == BinOp::Concat && s.target->kind == Expr::Kind::Name) {
            std::vector<const Expr*> parts;
            const Expr* e = &v;
            while (e->kind == Expr::Kind::Binary && e->bop == BinOp::Concat) {
                parts.push_back(e->args[1].get());
                e = e->args[0].get();
            }
            if (e->kind == Expr::Kind::Name && lower(e->name) == lower(s.target->name)) {
                std::string r;
                for (auto it = parts.rbegin(); it != parts.rend(); ++it)
                    r += ind + "zbl::append(" + t + ", " + expr(**it) + ");\n";
                return r;
            }
        }
        return ind + "zbl::assign(" + t + ", " + expr(v) + ");\n";
    }

    // Mid$(s, start[, length]) = text: replaces characters of s in place.
    std::string midStatement(const Stmt& s, const std::string& ind) {
        const Expr& t = *s.target;
        if (t.args.size() < 2 || t.args.size() > 3 || !t.args[0] || !t.args[1] ||
            (t.args.size() == 3 && !t.args[2])) {
            error(t.pos, "Mid$ = needs a string variable, a start and optionally a length");
            return "";
        }
        Shape sh = shapeOf(*t.args[0]);
        if (!sh.known || sh.type != VType::String || sh.isArray) {
            error(t.args[0]->pos, "Mid$ = needs a variable of type String");
            return "";
        }
        return ind + "zbl::mid_assign(" + lvalue(*t.args[0]) + ", " + number(*t.args[1]) + ", " +
               (t.args.size() == 3 ? number(*t.args[2]) : std::string("-1")) + ", " +
               text(*s.value) + ");\n";
    }

    std::string forLoop(const Stmt& s, const std::string& ind, int depth) {
        if (!s.target)
            return "";
        Shape sh = shapeOf(*s.target);
        if (sh.isArray || !sh.udt.empty() || sh.type == VType::String) {
            error(s.target->pos, "a For loop needs a numeric variable");
            return "";
        }
        int id = ++counter_;
        std::string v = lvalue(*s.target), n = std::to_string(id);
        std::string t = "std::remove_reference_t<decltype(" + v + ")>";
        // The end and the step are evaluated once, into variables of the
        // procedure, so a jump into the loop skips no initialisation.
        temp(t + " ze_" + n + "{}, zs_" + n + "{};");
        // A GoTo into the loop skips its start: its Next is then error 92.
        temp("bool zfi_" + n + " = false;");
        std::string r = ind + "zfi_" + n + " = true;\n";
        r += ind + "zbl::assign(" + v + ", " + expr(*s.from) + ");\n";
        r += ind + "ze_" + n + " = zbl::cast<" + t + ">(" + expr(*s.to) + ");\n";
        r += ind + "zs_" + n + " = zbl::cast<" + t + ">(" +
             (s.step ? expr(*s.step) : std::string("zbl::Integer(1)")) + ");\n";
        r += ind + "for (; zbl::for_continue(" + v + ", ze_" + n + ", zs_" + n +
             "); zf_.line = " + std::to_string(s.nextLine) + ", zbl::for_started(zfi_" + n +
             "), zbl::assign(" + v + ", zbl::add(" + v + ", zs_" + n + "))) {\n";
        loops_.push_back({"for", id});
        r += block(s.body, depth + 1);
        loops_.pop_back();
        r += ind + "}\n";
        return r + loopEnd(id, ind);
    }

    std::string forEach(const Stmt& s, const std::string& ind, int depth) {
        if (!s.target || !s.value)
            return "";
        Shape target = shapeOf(*s.target), items = shapeOf(*s.value);
        if (!items.isArray && !(items.type == VType::Variant && items.udt.empty())) {
            error(s.value->pos, "For Each needs an array");
            return "";
        }
        if (!items.udt.empty() || target.isArray || !target.udt.empty()) {
            error(s.target->pos, "For Each over an array of a Type is not supported");
            return "";
        }
        int id = ++counter_;
        std::string n = std::to_string(id), v = lvalue(*s.target);
        std::string coll = anyExpr(*s.value), r;
        // An array the loop does not own is held by a copy.
        if (s.value->kind != Expr::Kind::Name || !findVar(lower(s.value->name))) {
            temp("std::remove_cvref_t<decltype(" + coll + ")> zt_" + n + "{};");
            r += ind + "zt_" + n + " = " + coll + ";\n";
            coll = "zt_" + n;
        }
        temp("decltype(&zbl::array_of(" + coll + ")) zc_" + n + " = nullptr;");
        temp("std::size_t zi_" + n + " = 0;");
        r += ind + "zc_" + n + " = &zbl::array_of(" + coll + ");\n";
        r += ind + "for (zi_" + n + " = 0; zi_" + n + " < zc_" + n + "->count(); ++zi_" + n +
             ") {\n";
        r += ind + "    zbl::assign(" + v + ", zc_" + n + "->flat(zi_" + n + "));\n";
        loops_.push_back({"for", id});
        r += block(s.body, depth + 1);
        loops_.pop_back();
        r += ind + "}\n";
        return r + loopEnd(id, ind);
    }

    std::string exitStmt(const Stmt& s, const std::string& ind) {
        if (s.exitWhat == "sub" || s.exitWhat == "function") {
            if (!proc_ || proc_->isFunction != (s.exitWhat == "function")) {
                error(s.pos, "'Exit " + capital(s.exitWhat) + "' outside a " + capital(s.exitWhat));
                return "";
            }
            return ind + (handled_ ? "zbl::err().clear();\n" + ind : std::string()) +
                   (proc_->isFunction ? "return r_" + lower(proc_->name) + ";\n" : "return;\n");
        }
        for (auto it = loops_.rbegin(); it != loops_.rend(); ++it)
            if (it->first == s.exitWhat) {
                usedLabels_.insert(it->second);
                return ind + "goto zx_" + std::to_string(it->second) + ";\n";
            }
        error(s.pos,
              "'Exit " + capital(s.exitWhat) + "' outside a " + capital(s.exitWhat) + " loop");
        return "";
    }

    std::string select(const Stmt& s, const std::string& ind, int depth) {
        int id = ++counter_;
        std::string n = "zc_" + std::to_string(id), value = expr(*s.value);
        temp("std::remove_cvref_t<decltype(" + value + ")> " + n + "{};");
        std::string r = ind + "{\n" + ind + "    " + n + " = " + value + ";\n";
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
                        test += "(" + comparison(BinOp::Ge) + "(" + n + ", " + expr(*item.a) +
                                ") && " + comparison(BinOp::Le) + "(" + n + ", " + expr(*item.b) +
                                "))";
                    else
                        test += comparison(item.kind == CaseItem::Kind::Is ? item.op : BinOp::Eq) +
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

    std::string redim(const Stmt& s, const std::string& ind) {
        std::string r;
        for (const VarDecl& v : s.vars) {
            std::string low = lower(v.name);
            const Var* var = findVar(low);
            Shape want = resolve(v.type, v.typeName, v.pos);
            std::string target, length;
            if (v.field) {
                const Shape field = shapeOf(*v.field);
                length = field.length;
                target = member(*v.field);
                if (!field.isArray || field.isFixed) {
                    error(v.pos, "'" + v.name + "' is not a dynamic array");
                    continue;
                }
                if (v.hasAs && (want.type != field.type || want.udt != field.udt)) {
                    error(v.pos, "ReDim cannot change the type of '" + v.name + "'");
                    continue;
                }
            } else if (!var) {
                if (isOwnResult(low) || procs_.count(low)) {
                    error(v.pos, "'" + v.name + "' is not an array");
                    continue;
                }
                // ReDim of a new name declares a dynamic array.
                Var nv;
                nv.shape = want;
                nv.shape.isArray = true;
                nv.cpp = "z_" + low;
                hoist(lineDirective(v.pos) + localStorage_ + cppType(nv.shape) + " z_" + low +
                      ";\n");
                locals_[low] = nv;
                target = nv.cpp;
            } else if (var->shape.isArray) {
                if (var->shape.isFixed) {
                    error(v.pos, "array already dimensioned: '" + v.name + "' has fixed bounds");
                    continue;
                }
                if (v.hasAs && (want.type != var->shape.type || want.udt != var->shape.udt)) {
                    error(v.pos, "ReDim cannot change the type of '" + v.name + "'");
                    continue;
                }
                target = var->cpp;
                length = var->shape.length;
            } else if (var->shape.type == VType::Variant && var->shape.udt.empty() &&
                       !var->isConst) {
                target = var->cpp + ".makeArray()";
            } else {
                error(v.pos, "'" + v.name + "' is not an array");
                continue;
            }
            std::string b;
            for (const auto& [lo, hi] : v.bounds)
                b += std::string(b.empty() ? "" : ", ") + "zbl::Bound{" +
                     (lo ? "zbl::cast<zbl::Long>(" + expr(*lo) + ")"
                         : std::to_string(m_->optionBase)) +
                     ", zbl::cast<zbl::Long>(" + expr(*hi) + ")}";
            r += ind + target + ".redim({" + b + "}, " + (s.preserve ? "true" : "false") + ");\n";
            if (!length.empty())
                r += ind + "zbl::fix_strings(" + target + ", " + length + ");\n";
        }
        return r;
    }

    std::string number(const Expr& e) { return "zbl::cast<zbl::Long>(" + expr(e) + ")"; }
    std::string text(const Expr& e) { return "zbl::cast<zbl::String>(" + expr(e) + ")"; }

    // One item of a console Print: a value, or Tab / Tab(n) / Spc(n), which
    // only a Print list knows.
    std::string printItem(const Expr& e) {
        const std::string low = lower(e.name);
        const bool local = (e.kind == Expr::Kind::Name || e.kind == Expr::Kind::Call) &&
                           (findVar(low) || procs_.count(low));
        if (!local && !e.suffix && e.kind == Expr::Kind::Name && low == "tab")
            return "zbl::print_zone()";
        if (!local && !e.suffix && e.kind == Expr::Kind::Call && (low == "tab" || low == "spc")) {
            if (e.args.size() != 1 || !e.args[0]) {
                error(e.pos, "'" + e.name + "' takes one number");
                return "(void)0";
            }
            return "zbl::print_" + low + "(" + number(*e.args[0]) + ")";
        }
        return "zbl::print(" + expr(e) + ")";
    }

    std::string filePrint(const Stmt& s, const std::string& ind) {
        std::string n = number(*s.from), r;
        for (const PrintItem& item : s.items) {
            if (item.expr)
                r += ind + "zbl::file_print(" + n + ", " + expr(*item.expr) + ");\n";
            if (item.sep == ',')
                r += ind + "zbl::file_print_zone(" + n + ");\n";
        }
        if (s.items.empty() || s.items.back().sep == 0)
            r += ind + "zbl::file_print_newline(" + n + ");\n";
        return r;
    }

    std::string fileStatement(const Stmt& s, const std::string& ind) {
        switch (s.kind) {
            case Stmt::Kind::Open: {
                std::string mode = s.name.empty() ? "Input" : capital(s.name);
                return ind + "zbl::file_open(" + text(*s.value) + ", zbl::FileMode::" + mode +
                       ", " + number(*s.from) + ", " + (s.to ? number(*s.to) : "0") + ");\n";
            }
            case Stmt::Kind::Close: {
                if (s.args.empty())
                    return ind + "zbl::file_close_all();\n";
                std::string r;
                for (const ExprPtr& a : s.args)
                    if (a)
                        r += ind + "zbl::file_close(" + number(*a) + ");\n";
                return r;
            }
            case Stmt::Kind::Write: {
                std::string n = number(*s.from), r;
                for (const ExprPtr& a : s.args)
                    if (a)
                        r += ind + "zbl::file_write_item(" + n + ", " + expr(*a) + ");\n";
                return r + ind + "zbl::file_write_end(" + n + ");\n";
            }
            case Stmt::Kind::Seek:
                return ind + "zbl::file_seek(" + number(*s.from) + ", " + number(*s.value) + ");\n";
            case Stmt::Kind::Name:
                return ind + "zbl::name_as(" + text(*s.value) + ", " + text(*s.target) + ");\n";
            default:
                break;
        }
        // Get and Put: a variable read or written whole; a Type's value or
        // an array as a record of its fields or elements.
        if (!s.target)
            return "";
        Shape sh = shapeOf(*s.target);
        if (!sh.known) {
            error(s.target->pos, "Get and Put need a variable");
            return "";
        }
        std::string at = s.value ? number(*s.value) : "0";
        const char* f = s.kind == Stmt::Kind::Get ? "zbl::file_get(" : "zbl::file_put(";
        if (!sh.length.empty() && !sh.isArray && sh.type == VType::String) {
            // A fixed-length String is its characters alone, in any file.
            if (s.kind == Stmt::Kind::Get)
                return ind + "zbl::file_get_fixed(" + number(*s.from) + ", " + at + ", " +
                       lvalue(*s.target) + ", " + sh.length + ");\n";
            return ind + "zbl::file_put_fixed(" + number(*s.from) + ", " + at + ", " +
                   anyExpr(*s.target) + ", " + sh.length + ");\n";
        }
        const bool whole = sh.isArray || !sh.udt.empty();
        std::string place =
            s.kind == Stmt::Kind::Get && !whole ? lvalue(*s.target) : anyExpr(*s.target);
        return ind + f + number(*s.from) + ", " + at + ", " + place + ");\n";
    }

    // obj.Method args: the Err object's Raise and Clear.
    std::string method(const Stmt& s, const std::string& ind) {
        const Expr& m = *s.target;
        std::string what = lower(m.name);
        if (m.kind != Expr::Kind::Member || !m.args[0] || !isErr(*m.args[0]) ||
            (what != "raise" && what != "clear")) {
            error(s.pos, "expected a statement: only Err.Raise and Err.Clear are methods here");
            return "";
        }
        if (what == "clear") {
            if (!s.args.empty())
                error(s.pos, "Err.Clear takes no arguments");
            return ind + "zbl::err().clear();\n";
        }
        if (s.args.empty() || s.args.size() > 3 || !s.args[0]) {
            error(s.pos, "Err.Raise needs a number, then optionally a source and a description");
            return "";
        }
        std::string r = ind + "zbl::err().raise(zbl::cast<zbl::Long>(" + expr(*s.args[0]) + ")";
        for (std::size_t i = 1; i < s.args.size(); ++i)
            r += ", " + (s.args[i] ? "zbl::cast<zbl::String>(" + expr(*s.args[i]) + ")"
                                   : std::string("zbl::String()"));
        return r + ");\n";
    }

    // "Err", when no variable of that name hides the Err object.
    bool isErr(const Expr& e) {
        return e.kind == Expr::Kind::Name && lower(e.name) == "err" && !e.suffix && !findVar("err");
    }

    std::string withBlock(const Stmt& s, const std::string& ind, int depth) {
        Shape sh = shapeOf(*s.target);
        if (sh.udt.empty() || sh.isArray) {
            error(s.target->pos, "With needs a value of a Type");
            return "";
        }
        int id = ++counter_;
        std::string n = "zw_" + std::to_string(id);
        const Expr& t = *s.target;
        bool place =
            t.kind == Expr::Kind::Member ||
            ((t.kind == Expr::Kind::Name || t.kind == Expr::Kind::Call) && findVar(lower(t.name)));
        // The object is reached through a pointer of the procedure, so a
        // jump into the block skips no initialisation; a value that is not a
        // variable (a function's result) is kept in a copy.
        std::string object = place ? lvalue(t) : anyExpr(t), r;
        if (!place) {
            temp("std::remove_cvref_t<decltype(" + object + ")> zwv_" + std::to_string(id) + "{};");
            r += ind + "zwv_" + std::to_string(id) + " = " + object + ";\n";
            object = "zwv_" + std::to_string(id);
        }
        temp("std::remove_reference_t<decltype(" + object + ")>* " + n + " = nullptr;");
        r += ind + n + " = &" + object + ";\n";
        with_.push_back({"(*" + n + ")", sh});
        r += block(s.body, depth);
        with_.pop_back();
        return r;
    }

    std::string input(const Stmt& s, const std::string& ind) {
        // What is read into a String * n takes its length.
        auto fixed = [&](const Expr& e) {
            Shape sh = shapeOf(e);
            return sh.length.empty() || sh.isArray || sh.type != VType::String
                       ? std::string()
                       : ind + "zbl::fix_length(" + lvalue(e) + ", " + sh.length + ");\n";
        };
        if (s.from) {
            std::string n = number(*s.from), r;
            if (s.kind == Stmt::Kind::LineInput) {
                if (!s.target)
                    return "";
                Shape sh = shapeOf(*s.target);
                // Into a String variable the line reuses its buffer.
                if (sh.known && sh.type == VType::String && !sh.isArray)
                    return ind + "zbl::file_line_input(" + n + ", " + lvalue(*s.target) + ");\n" +
                           fixed(*s.target);
                return ind + "zbl::assign(" + lvalue(*s.target) + ", zbl::file_line_input(" + n +
                       "));\n";
            }
            for (const ExprPtr& a : s.args) {
                Shape sh = shapeOf(*a);
                if (sh.isArray || !sh.udt.empty())
                    error(a->pos, "Input # needs a variable of a simple type");
                else
                    r += ind + "zbl::file_input(" + n + ", " + lvalue(*a) + ");\n" + fixed(*a);
            }
            return r;
        }
        if (!m_->optionConsole)
            error(s.pos, "Input needs Option Console On");
        std::string prompt = s.value ? expr(*s.value) : std::string("zbl::String()");
        auto scalarTarget = [&](const Expr& e) {
            Shape sh = shapeOf(e);
            if (sh.isArray || !sh.udt.empty()) {
                error(e.pos, "Input needs a variable of a simple type");
                return false;
            }
            return true;
        };
        if (s.kind == Stmt::Kind::LineInput) {
            if (!scalarTarget(*s.target))
                return "";
            return ind + "zbl::assign(" + lvalue(*s.target) + ", zbl::line_input(" + prompt +
                   "));\n" + fixed(*s.target);
        }
        // Fields for numeric variables must be numbers, or the prompt repeats.
        std::string numeric;
        for (const ExprPtr& a : s.args) {
            Shape sh = shapeOf(*a);
            bool isNumber = sh.known && sh.type != VType::String && sh.type != VType::Variant;
            numeric += std::string(numeric.empty() ? "" : ", ") + (isNumber ? "true" : "false");
        }
        std::string n = "zi_" + std::to_string(++counter_);
        std::string r = ind + "{\n" + ind + "    const auto " + n + " = zbl::input_fields(" +
                        prompt + ", " + (s.question ? "true" : "false") + ", " +
                        std::to_string(s.args.size()) + ", std::vector<bool>{" + numeric + "});\n";
        for (std::size_t i = 0; i < s.args.size(); ++i)
            if (scalarTarget(*s.args[i]))
                r += ind + "    zbl::assign_input(" + lvalue(*s.args[i]) + ", " + n + "[" +
                     std::to_string(i) + "]);\n" + fixed(*s.args[i]);
        return r + ind + "}\n";
    }

    std::string loopEnd(int id, const std::string& ind) {
        if (!usedLabels_.count(id))
            return "";
        return ind + "zx_" + std::to_string(id) + ":;\n";
    }

    // ---- names ----

    // Looks a name up as a variable: procedure locals, then the module.
    const Var* findVar(const std::string& low) {
        if (auto it = locals_.find(low); it != locals_.end())
            return &it->second;
        if (auto it = implicit_.find(low); it != implicit_.end()) {
            implicitVar_.shape.type = it->second;
            implicitVar_.shape.known = true;
            implicitVar_.cpp = "z_" + low;
            return &implicitVar_;
        }
        if (auto it = globals_.find(low); it != globals_.end())
            return &it->second;
        return nullptr;
    }

    bool isOwnResult(const std::string& low) const {
        return proc_ && proc_->isFunction && lower(proc_->name) == low;
    }

    const Shape* fieldOf(const Shape& object, const std::string& field, SourcePos p,
                         const std::string& name) {
        if (object.udt.empty() || object.isArray) {
            error(p, "'." + name + "' needs a value of a Type");
            return nullptr;
        }
        const TypeInfo& t = types_[object.udt];
        auto it = t.fields.find(field);
        if (it == t.fields.end()) {
            error(p, "'" + name + "' is not a field of '" + t.def->name + "'");
            return nullptr;
        }
        return &it->second;
    }

    bool isEnumName(const Expr& e) {
        return e.kind == Expr::Kind::Name && enums_.count(lower(e.name)) && !findVar(lower(e.name));
    }

    // The shape of an expression, without reporting anything.
    Shape shapeOf(const Expr& e) {
        Shape s;
        switch (e.kind) {
            case Expr::Kind::Integer:
            case Expr::Kind::Real:
            case Expr::Kind::String:
            case Expr::Kind::Bool:
                s.type = e.type;
                s.known = true;
                return s;
            case Expr::Kind::Name:
            case Expr::Kind::Call: {
                std::string low = lower(e.name);
                if (const Var* v = findVar(low)) {
                    if (e.kind == Expr::Kind::Name)
                        return v->shape;
                    s = v->shape;
                    s.isArray = s.isFixed = false;  // an element
                    return s;
                }
                if (isOwnResult(low) && e.kind == Expr::Kind::Name)
                    return returnShape(*proc_);
                if (auto it = procs_.find(low); it != procs_.end() && it->second->isFunction)
                    return returnShape(*it->second);
                if (const Builtin* b = findBuiltin(low)) {
                    s.type = b->result == 'S' ? VType::String : VType::Variant;
                    s.known = b->result == 'S';
                    if (b->result == 'A') {
                        s.type = VType::String;
                        s.isArray = true;
                        s.rank = 1;
                    }
                    return s;
                }
                if (e.kind == Expr::Kind::Name && !findConstant(low))
                    s.type = suffixType(e.suffix);
                return s;
            }
            case Expr::Kind::Member: {
                if (e.args[0] && isErr(*e.args[0])) {
                    s.type = lower(e.name) == "number" ? VType::Long : VType::String;
                    s.known = true;
                    return s;
                }
                if (e.args[0] && isEnumName(*e.args[0])) {
                    s.type = VType::Long;
                    s.known = true;
                    return s;
                }
                Shape object = e.args[0]       ? shapeOf(*e.args[0])
                               : with_.empty() ? Shape{}
                                               : with_.back().shape;
                if (object.udt.empty() || object.isArray)
                    return s;
                const TypeInfo& t = types_[object.udt];
                auto it = t.fields.find(lower(e.name));
                if (it == t.fields.end())
                    return s;
                s = it->second;
                if (e.indexed)
                    s.isArray = s.isFixed = false;
                return s;
            }
            case Expr::Kind::Binary:
                if (e.bop == BinOp::Concat) {
                    s.type = VType::String;
                    s.known = true;
                }
                return s;
            default:
                return s;
        }
    }

    // An index list: every index present.
    std::string indexes(const std::vector<ExprPtr>& args, std::size_t from, SourcePos p) {
        std::string r;
        for (std::size_t i = from; i < args.size(); ++i) {
            if (!args[i]) {
                error(p, "an index is missing");
                return "0";
            }
            r += (i > from ? ", " : "") + expr(*args[i]);
        }
        return r;
    }

    // An element of an array variable or of a Variant holding an array.
    std::string element(const std::string& base, const Shape& sh, const std::vector<ExprPtr>& args,
                        std::size_t from, SourcePos p, const std::string& name) {
        std::size_t n = args.size() - from;
        if (n == 0) {
            error(p, "'" + name + "' needs an index");
            return base;
        }
        if (sh.isArray) {
            if (sh.isFixed && int(n) != sh.rank)
                error(p, "wrong number of dimensions for '" + name + "'");
            return base + "(" + indexes(args, from, p) + ")";
        }
        if (sh.type == VType::Variant && sh.udt.empty())
            return "zbl::velem(" + base + ", " + indexes(args, from, p) + ")";
        error(p, "'" + name + "' is not an array");
        return base;
    }

    // A place that can be assigned to: a variable, an array element, a
    // field, or the function's result.
    std::string lvalue(const Expr& e) {
        if (e.kind == Expr::Kind::Member)
            return member(e);
        if (e.kind != Expr::Kind::Name && e.kind != Expr::Kind::Call) {
            error(e.pos, "expected a variable");
            return "zbl::lv(0.0)";
        }
        std::string low = lower(e.name);
        if (const Var* v = findVar(low)) {
            if (v->isConst) {
                error(e.pos, "cannot assign to the constant '" + e.name + "'");
                return "zbl::lv(0.0)";
            }
            if (e.kind == Expr::Kind::Call)
                return element(v->cpp, v->shape, e.args, 0, e.pos, e.name);
            return v->cpp;
        }
        if (isOwnResult(low) && e.kind == Expr::Kind::Name)
            return "r_" + low;
        if (procs_.count(low) || findBuiltin(low) || findConstant(low) ||
            e.kind == Expr::Kind::Call) {
            error(e.pos, e.kind == Expr::Kind::Call && !procs_.count(low) && !findBuiltin(low)
                             ? "'" + e.name + "' is not defined"
                             : "cannot assign to '" + e.name + "'");
            return "zbl::lv(0.0)";
        }
        return implicitVar(e);
    }

    std::string implicitVar(const Expr& e) {
        std::string low = lower(e.name);
        if (m_->optionExplicit) {
            error(e.pos, "variable '" + e.name + "' is not defined");
        } else if (proc_) {
            implicit_.emplace(low, suffixType(e.suffix));
            return "z_" + low;
        } else {
            error(e.pos, "'" + e.name + "' is not defined");
        }
        return "zbl::lv(zbl::Variant())";
    }

    std::string member(const Expr& e) {
        if (e.args[0] && isErr(*e.args[0])) {
            std::string f = lower(e.name);
            if (f == "number" || f == "description" || f == "source")
                return "zbl::err()." + f;
            error(e.pos, "'" + e.name + "' is not a property of Err");
            return "zbl::lv(0.0)";
        }
        if (e.args[0] && isEnumName(*e.args[0])) {
            std::string m = lower(e.name);
            if (!enumMembers_[lower(e.args[0]->name)].count(m)) {
                error(e.pos, "'" + e.name + "' is not a member of '" + e.args[0]->name + "'");
                return "zbl::Long(0)";
            }
            return "z_" + m;
        }
        std::string base;
        Shape object;
        if (!e.args[0]) {
            if (with_.empty()) {
                error(e.pos, "'." + e.name + "' outside a With block");
                return "zbl::lv(0.0)";
            }
            base = with_.back().cpp;
            object = with_.back().shape;
        } else {
            object = shapeOf(*e.args[0]);
            base = anyExpr(*e.args[0]);
        }
        const Shape* f = fieldOf(object, lower(e.name), e.pos, e.name);
        if (!f)
            return "zbl::lv(0.0)";
        std::string r = base + ".z_" + lower(e.name);
        if (e.indexed)
            return element(r, *f, e.args, 1, e.pos, e.name);
        return r;
    }

    // ---- expressions ----

    // Argument of a ByRef parameter: the variable itself when its type is
    // the parameter's, else a copy that lives for the statement.
    std::string byRefArg(const Param& a, const Shape& param, const Expr& arg) {
        Shape sh = shapeOf(arg);
        bool place = arg.kind == Expr::Kind::Name || arg.kind == Expr::Kind::Call ||
                     arg.kind == Expr::Kind::Member;
        if (param.isArray || !param.udt.empty()) {
            bool ok = sh.isArray == param.isArray && sh.udt == param.udt &&
                      (param.udt.empty() ? sh.type == param.type : true) && place;
            if (param.isArray && sh.isArray && arg.kind != Expr::Kind::Name)
                ok = false;
            if (!ok) {
                error(arg.pos, "argument '" + a.name + "' needs " +
                                   (param.isArray ? "an array of " + scalarType(param).substr(
                                                                         param.udt.empty() ? 5 : 2)
                                                  : "a value of the Type '" + param.udt + "'"));
                return "zbl::lv(" + cppType(param) + "{})";
            }
            if (sh.isArray && arg.kind == Expr::Kind::Name) {
                if (const Var* v = findVar(lower(arg.name)); v && v->isConst)
                    error(arg.pos, "a constant cannot be passed as an array");
            }
            return lvalue(arg);
        }
        if (place && sh.known && sh.type == param.type && sh.udt.empty() && !sh.isArray) {
            bool isConst = false;
            if (arg.kind == Expr::Kind::Name)
                if (const Var* v = findVar(lower(arg.name)))
                    isConst = v->isConst;
            bool isProc = arg.kind != Expr::Kind::Member && !findVar(lower(arg.name)) &&
                          !isOwnResult(lower(arg.name));
            if (!isConst && !isProc)
                return lvalue(arg);
        }
        std::string t = scalarType(param);
        return "zbl::lv(zbl::cast<" + t + ">(" + expr(arg) + "))";
    }

    std::string call(SourcePos pos, const std::string& name, char suffix,
                     const std::vector<ExprPtr>& args, bool needValue) {
        std::string low = lower(name);
        auto it = procs_.find(low);
        if (it != procs_.end()) {
            const Proc& p = *it->second;
            if (needValue && !p.isFunction)
                error(pos, "'" + p.name + "' is a Sub and has no value");
            const bool rest = !p.params.empty() && p.params.back().paramArray;
            if (args.size() > p.params.size() && !rest)
                error(pos, "too many arguments to '" + p.name + "'");
            std::string r = procNames_[&p] + "(";
            for (std::size_t i = 0; i < p.params.size(); ++i) {
                const Param& a = p.params[i];
                if (a.paramArray) {
                    // The rest of the arguments, gathered into an array.
                    std::string values;
                    for (std::size_t k = i; k < args.size(); ++k) {
                        if (!args[k]) {
                            error(pos, "an argument for a ParamArray cannot be left out");
                            continue;
                        }
                        values += std::string(values.empty() ? "" : ", ") + expr(*args[k]);
                    }
                    r += std::string(i ? ", " : "") + "zbl::lv(zbl::param_array(" + values + "))";
                    break;
                }
                Shape param = paramShape(a);
                std::string t = cppType(param);
                if (i)
                    r += ", ";
                const Expr* arg = i < args.size() ? args[i].get() : nullptr;
                if (!arg) {
                    if (!a.optional)
                        error(pos, "argument '" + a.name + "' is not optional");
                    if (param.isArray || !param.udt.empty()) {
                        r += "zbl::lv(" + t + "{})";
                        continue;
                    }
                    // An Optional Variant without a default is "missing" (IsMissing).
                    std::string def = a.defaultValue                 ? defaultValue(p, a)
                                      : param.type == VType::Variant ? "zbl::Variant::missing()"
                                                                     : t + "{}";
                    r += a.byRef ? "zbl::lv(zbl::cast<" + t + ">(" + def + "))"
                                 : "zbl::cast<" + t + ">(" + def + ")";
                    continue;
                }
                if (a.byRef || param.isArray || !param.udt.empty())
                    r += byRefArg(a, param, *arg);
                else
                    r += "zbl::cast<" + t + ">(" + expr(*arg) + ")";
            }
            return r + ")";
        }
        if (const Builtin* b = findBuiltin(low))
            return builtin(*b, pos, name, suffix, args, needValue);
        error(pos, "'" + name + "' is not defined");
        return "0";
    }

    std::string builtin(const Builtin& b, SourcePos pos, const std::string& name, char suffix,
                        const std::vector<ExprPtr>& args, bool needValue) {
        if (suffix && !(suffix == '$' && b.dollar))
            error(pos, "'" + name + suffix + "' is not defined");
        if (needValue && b.result == '-')
            error(pos, "'" + name + "' has no value");
        std::string params = b.params;
        // InStr(start, s, find [, compare]) or InStr(s, find).
        if (std::string(b.name) == "instr")
            params = args.size() >= 3 ? "LSSL" : "SS";
        if (params == "*")
            params = std::string(args.size(), 'A');
        if (args.size() < std::size_t(b.required) || args.size() > params.size()) {
            error(pos, "wrong number of arguments to '" + name + "'");
            return "0";
        }
        std::string cpp = b.cpp;
        // Date$ and Time$ are the text forms of Date and Time.
        if (suffix == '$' && (std::string(b.name) == "date" || std::string(b.name) == "time"))
            cpp = std::string(b.name) == "date" ? "zbl::date_string" : "zbl::time_string";
        // Under Option Compare Text, a comparing function left without its
        // last argument compares as text.
        const bool textDefault =
            m_->compareText && b.compares && args.size() < std::string(b.params).size();
        std::string r = cpp + "(";
        // Under Option Base 1, Array counts from 1 too.
        if (std::string(b.name) == "array" && m_->optionBase != 0)
            r = "zbl::make_array_at(" + std::to_string(m_->optionBase) + (args.empty() ? "" : ", ");
        const bool startAdded = textDefault && params == "SS";
        if (startAdded) {
            r += "1, ";  // InStr(s, find) as InStr(1, s, find, vbTextCompare)
            params = "SSL";
        }
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (i)
                r += ", ";
            if (!args[i]) {
                std::string def = textDefault && i + 1 == params.size() ? "1" : defaultArg(b, i);
                if (def.empty())
                    error(pos,
                          "argument " + std::to_string(i + 1) + " of '" + name + "' is missing");
                r += def.empty() ? "0" : def;
                continue;
            }
            if (params[i] == 'R' || params[i] == 'X' || params[i] == 'Y') {
                Shape sh = shapeOf(*args[i]);
                const bool array = sh.isArray || (sh.type == VType::Variant && sh.udt.empty());
                const bool wrong = params[i] == 'X'   ? !sh.udt.empty()
                                   : params[i] == 'Y' ? !array
                                                      : !array || !sh.udt.empty();
                if (wrong) {
                    error(args[i]->pos, "'" + name + "' needs an array");
                    r += "zbl::Variant()";
                } else {
                    r += anyExpr(*args[i]);
                }
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
                case 'F':
                    r += "zbl::cast<zbl::Single>(" + v + ")";
                    break;
                case 'T':
                    r += "zbl::cast<zbl::Date>(" + v + ")";
                    break;
                default:
                    r += v;
            }
        }
        if (textDefault) {
            const std::size_t from = args.size() + (startAdded ? 1 : 0);
            const std::size_t all = std::string(b.params).size();
            for (std::size_t i = from; i < all; ++i)
                r += ", " + (i + 1 == all ? std::string("1") : defaultArg(b, i));
        }
        return r + ")";
    }

    // An operator's function; under Option Compare Text the comparisons
    // take strings without regard to case.
    std::string comparison(BinOp op) const {
        const char* f = binName(op);
        if (!f)
            return "";
        const bool compares = op == BinOp::Eq || op == BinOp::Ne || op == BinOp::Lt ||
                              op == BinOp::Gt || op == BinOp::Le || op == BinOp::Ge ||
                              op == BinOp::Like;
        return m_->compareText && compares ? std::string(f) + "<true>" : std::string(f);
    }

    static std::string defaultArg(const Builtin& b, std::size_t i) {
        std::string all = b.defaults;
        std::size_t at = 0;
        for (std::size_t k = 0; k < i; ++k) {
            at = all.find('|', at);
            if (at == std::string::npos)
                return "";
            ++at;
        }
        return all.substr(at, all.find('|', at) - at);
    }

    // A value: anything but a whole array or a value of a Type.
    std::string expr(const Expr& e) {
        if (e.kind == Expr::Kind::Name || e.kind == Expr::Kind::Call ||
            e.kind == Expr::Kind::Member) {
            Shape sh = shapeOf(e);
            if (sh.isArray) {
                error(e.pos, "'" + e.name + "' is an array: give an index");
                return "0";
            }
            if (!sh.udt.empty()) {
                error(e.pos,
                      "a value of the Type '" + types_[sh.udt].def->name + "' cannot be used here");
                return "0";
            }
        }
        return anyExpr(e);
    }

    std::string anyExpr(const Expr& e) {
        switch (e.kind) {
            case Expr::Kind::Integer:
                return std::string(e.type == VType::Long ? "zbl::Long(" : "zbl::Integer(") +
                       std::to_string(e.ival) + ")";
            case Expr::Kind::Real: {
                char buf[40];
                std::snprintf(buf, sizeof buf, "%.17g", e.rval);
                std::string v = buf;
                if (v == "inf")
                    v = "1e308";  // the lexer's overflow is reported; keep the C++ valid
                if (v.find_first_of(".e") == std::string::npos)
                    v += ".0";
                if (e.type == VType::Currency)
                    return "zbl::Currency::from(" + v + ")";
                return e.type == VType::Single ? "zbl::Single(" + v + ")"
                                               : "zbl::Double(" + v + ")";
            }
            case Expr::Kind::String:
                if (e.type == VType::Date)  // #...#: read as the program starts using it
                    return "zbl::cdate(zbl::String(" + cppString(e.text) + "))";
                return "zbl::String(" + cppString(e.text) + ", " + std::to_string(e.text.size()) +
                       ")";
            case Expr::Kind::Bool:
                return e.ival ? "true" : "false";
            case Expr::Kind::Name: {
                std::string low = lower(e.name);
                if (const Var* v = findVar(low))
                    return v->cpp;
                if (isOwnResult(low))
                    return "r_" + low;
                if (procs_.count(low) || findBuiltin(low))
                    return call(e.pos, e.name, e.suffix, {}, true);
                if (const char* c = findConstant(low); c && !e.suffix)
                    return c;
                if (isErr(e))
                    return "zbl::err().number";
                if (low == "null" && !e.suffix)
                    return "zbl::Variant::null()";
                if (enums_.count(low) || types_.count(low)) {
                    error(e.pos, "'" + e.name + "' is a type, not a value");
                    return "0";
                }
                return implicitVar(e);
            }
            case Expr::Kind::Call: {
                std::string low = lower(e.name);
                if (const Var* v = findVar(low))
                    return element(v->cpp, v->shape, e.args, 0, e.pos, e.name);
                return call(e.pos, e.name, e.suffix, e.args, true);
            }
            case Expr::Kind::Member:
                return member(e);
            case Expr::Kind::Paren:
                return "(" + expr(*e.args[0]) + ")";
            case Expr::Kind::Unary:
                return std::string(e.uop == UnOp::Neg ? "zbl::neg(" : "zbl::not_(") +
                       expr(*e.args[0]) + ")";
            case Expr::Kind::Binary: {
                const std::string f = comparison(e.bop);
                if (f.empty()) {
                    error(e.pos, "'Is' compares objects, which Zorbel programs do not have");
                    return "false";
                }
                return std::string(f) + "(" + expr(*e.args[0]) + ", " + expr(*e.args[1]) + ")";
            }
        }
        return "0";
    }

    const std::vector<Module>& mods_;
    const std::vector<std::string>& files_;
    const Module* m_ = nullptr;
    std::string file_, globalPrefix_ = "z_";
    std::map<std::string, const Proc*> publicProcs_;
    std::vector<std::map<std::string, const Proc*>> privateProcs_;
    std::map<const Proc*, std::string> procNames_;
    std::map<const Proc*, std::size_t> procModule_;
    std::size_t module_ = 0;
    std::map<std::string, Var> publicGlobals_;
    bool hasMain_ = false;
    std::vector<std::map<std::string, Var>> privateGlobals_;
    Diagnostics& diags_;
    std::string out_, typesOut_;
    std::map<std::string, const Proc*> procs_;
    std::map<std::string, TypeInfo> types_;
    std::set<std::string> enums_;
    std::map<std::string, std::set<std::string>> enumMembers_;
    std::map<std::string, Var> globals_, locals_;
    std::map<std::string, VType> implicit_;
    Var implicitVar_;
    std::string hoisted_, temps_, localStorage_;
    bool handled_ = false;     // the procedure has On Error or Resume
    std::vector<int> gosubs_;  // the procedure's GoSub return points
    bool usesReturn_ = false;
    int statements_ = 0;  // statements numbered so far in it
    std::map<std::string, int> labelNumbers_;
    const Proc* proc_ = nullptr;
    std::vector<std::pair<std::string, int>> loops_;
    std::vector<WithScope> with_;
    std::map<std::string, SourcePos> labels_;
    std::vector<std::pair<std::string, SourcePos>> gotos_;
    std::set<int> usedLabels_;
    int counter_ = 0;
};

}  // namespace

std::vector<std::string> writeCpp(const std::vector<Module>& modules,
                                  const std::vector<std::string>& files, Diagnostics& diags,
                                  bool* hasMain) {
    Writer writer(modules, files, diags);
    std::vector<std::string> units = writer.run();
    if (hasMain)
        *hasMain = writer.hasMain();
    return units;
}

}  // namespace zbl::trans
