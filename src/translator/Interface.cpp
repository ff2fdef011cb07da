#include "Interface.h"

#include <cstdio>

namespace zbl::trans {

namespace {

const char* typeName(VType t) {
    switch (t) {
        case VType::Boolean:
            return "Boolean";
        case VType::Byte:
            return "Byte";
        case VType::Integer:
            return "Integer";
        case VType::Long:
            return "Long";
        case VType::Single:
            return "Single";
        case VType::Double:
            return "Double";
        case VType::Currency:
            return "Currency";
        case VType::Date:
            return "Date";
        case VType::String:
            return "String";
        case VType::Object:
            return "Object";
        default:
            return "Variant";
    }
}

const char* opText(BinOp op) {
    static const char* const texts[] = {
        "^", "*",  "/",  "\\",   "Mod", "+",   "-",  "&",   "=",   "<>", "<",
        ">", "<=", ">=", "Like", "Is",  "And", "Or", "Xor", "Eqv", "Imp"};
    return texts[int(op)];
}

std::string quoted(const std::string& s, char mark = '"') {
    std::string r(1, mark);
    for (char c : s) {
        r += c;
        if (c == '"' && mark == '"')
            r += '"';
    }
    return r + mark;
}

// An expression as the language writes it; every operation in parentheses,
// so precedence needs no thought.
std::string text(const Expr* e) {
    if (!e)
        return "";
    switch (e->kind) {
        case Expr::Kind::Integer:
            return std::to_string(e->ival) +
                   (e->type == VType::Long && e->ival >= -32768 && e->ival <= 32767 ? "&" : "");
        case Expr::Kind::Real: {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.17g", e->rval);
            return std::string(buffer) + (e->type == VType::Single     ? "!"
                                          : e->type == VType::Currency ? "@"
                                                                       : "#");
        }
        case Expr::Kind::String:
            return e->type == VType::Date ? quoted(e->text, '#') : quoted(e->text);
        case Expr::Kind::Bool:
            return e->ival ? "True" : "False";
        case Expr::Kind::Name:
            return e->name + (e->suffix ? std::string(1, e->suffix) : "");
        case Expr::Kind::Call: {
            std::string r = e->name + (e->suffix ? std::string(1, e->suffix) : "") + "(";
            for (std::size_t i = 0; i < e->args.size(); ++i)
                r += (i ? ", " : "") + text(e->args[i].get());
            return r + ")";
        }
        case Expr::Kind::Unary:
            return std::string(e->uop == UnOp::Neg ? "(-" : "(Not ") + text(e->args[0].get()) + ")";
        case Expr::Kind::Binary:
            return "(" + text(e->args[0].get()) + " " + opText(e->bop) + " " +
                   text(e->args[1].get()) + ")";
        case Expr::Kind::Paren:
            return "(" + text(e->args[0].get()) + ")";
        case Expr::Kind::Member: {
            std::string r = text(e->args[0].get()) + "." + e->name;
            if (e->indexed) {
                r += "(";
                for (std::size_t i = 1; i < e->args.size(); ++i)
                    r += (i > 1 ? ", " : "") + text(e->args[i].get());
                r += ")";
            }
            return r;
        }
    }
    return "";
}

std::string asType(VType t, const std::string& name, bool hasAs) {
    if (!hasAs)
        return "";
    return " As " + (t == VType::User ? name : std::string(typeName(t)));
}

std::string declared(const VarDecl& v) {
    std::string r = v.name + (v.suffix ? std::string(1, v.suffix) : "");
    if (v.isArray) {
        r += "(";
        for (std::size_t i = 0; i < v.bounds.size(); ++i) {
            const auto& [lo, hi] = v.bounds[i];
            r += (i ? ", " : "") + (lo ? text(lo.get()) + " To " : "") + text(hi.get());
        }
        r += ")";
    }
    r += asType(v.type, v.typeName, v.hasAs);
    return v.length ? r + " * " + text(v.length.get()) : r;
}

std::string header(const Proc& p) {
    std::string r = std::string("Public ") + (p.isFunction ? "Function " : "Sub ") + p.name +
                    (p.suffix ? std::string(1, p.suffix) : "") + "(";
    for (std::size_t i = 0; i < p.params.size(); ++i) {
        const Param& a = p.params[i];
        r += i ? ", " : "";
        r += a.optional ? "Optional " : "";
        r += a.paramArray ? "ParamArray " : a.byRef ? "" : "ByVal ";
        r += a.name + (a.suffix ? std::string(1, a.suffix) : "") + (a.isArray ? "()" : "");
        if (!a.suffix || a.type == VType::User)
            r += asType(a.type, a.typeName, true);
        if (a.defaultValue)
            r += " = " + text(a.defaultValue.get());
    }
    r += ")";
    if (p.isFunction && (!p.suffix || p.returnType == VType::User))
        r += asType(p.returnType, p.returnTypeName, true);
    return r + "\r\n";
}

}  // namespace

std::string writeInterface(const std::vector<Module>& modules, const std::string& name) {
    std::string r = "INTERFACE NOSKIP\r\n\r\n' The public declarations of the library " + name +
                    ", for #Include \"" + name + ".zlm\".\r\n' Its code is in " + name +
                    ".lib beside this file. Made by the Zorbel tool chain: do not edit.\r\n";
    for (const Module& m : modules) {
        for (const StmtPtr& s : m.decls) {
            switch (s->kind) {
                case Stmt::Kind::TypeDef:
                    r += "\r\nType " + s->name + "\r\n";
                    for (const VarDecl& v : s->vars)
                        r += "    " + declared(v) + "\r\n";
                    r += "End Type\r\n";
                    break;
                case Stmt::Kind::EnumDef:
                    r += "\r\nEnum " + s->name + "\r\n";
                    for (const VarDecl& v : s->vars)
                        r +=
                            "    " + v.name + (v.value ? " = " + text(v.value.get()) : "") + "\r\n";
                    r += "End Enum\r\n";
                    break;
                case Stmt::Kind::Const:
                    // A private constant stays private to the declarations,
                    // but public ones may be worked out from it.
                    for (const VarDecl& v : s->vars)
                        r += std::string(s->isPublic ? "Public" : "Private") + " Const " +
                             declared(v) + " = " + text(v.value.get()) + "\r\n";
                    break;
                default:
                    if (s->isPublic)
                        for (const VarDecl& v : s->vars)
                            r += "Public " + declared(v) + "\r\n";
                    break;
            }
        }
    }
    r += "\r\n";
    for (const Module& m : modules)
        for (const Proc& p : m.procs)
            if (!p.isPrivate)
                r += header(p);
    return r;
}

}  // namespace zbl::trans
