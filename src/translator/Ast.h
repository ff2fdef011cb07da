// The syntax tree: plain structs, owned through unique_ptr, each node with
// the position it starts at.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Diagnostic.h"

namespace zbl::trans {

enum class VType {
    Variant,
    Boolean,
    Byte,
    Integer,
    Long,
    Single,
    Double,
    Currency,
    Date,
    String,
    Object,
    User  // a Type or an Enum, named in typeName
};

enum class BinOp {
    Pow,
    Mul,
    Div,
    IntDiv,
    Mod,
    Add,
    Sub,
    Concat,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Like,
    Is,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
};
enum class UnOp { Neg, Not };

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
    enum class Kind {
        Integer,  // ival, type Integer or Long
        Real,     // rval, type Single or Double
        String,   // text
        Bool,     // ival 0 or -1
        Name,     // name; a variable, constant, or procedure called without arguments
        Call,     // name(args); args may hold nulls for omitted ones
        Unary,    // uop args[0]
        Binary,   // bop args[0] args[1]
        Paren,    // (args[0]); kept because it makes a ByRef argument a copy
        Member,   // args[0].name, args[0] null inside With; indexed: args[1..] index it
    };
    Kind kind = Kind::Integer;
    SourcePos pos;
    std::string name;  // Name/Call: as written, without suffix
    char suffix = 0;   // Name/Call: % & ! # $ @ or 0
    std::string text;  // String
    std::int64_t ival = 0;
    double rval = 0;
    VType type = VType::Variant;  // literal type
    BinOp bop = BinOp::Add;
    UnOp uop = UnOp::Neg;
    bool indexed = false;  // Member: followed by "(...)"
    std::vector<ExprPtr> args;
};

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct VarDecl {
    SourcePos pos;
    std::string name;
    char suffix = 0;
    VType type = VType::Variant;  // from "As" or the suffix
    std::string typeName;         // type User
    bool hasAs = false;
    bool isArray = false;
    // Bounds of a fixed array or a ReDim: lower (null for the default 0) and
    // upper, one pair a dimension; empty for a dynamic array.
    std::vector<std::pair<ExprPtr, ExprPtr>> bounds;
    ExprPtr value;   // Const and Enum members
    ExprPtr field;   // ReDim of a Type's array field: that field, without bounds
    ExprPtr length;  // String * length: a fixed-length string
};

struct PrintItem {
    ExprPtr expr;  // null for a bare separator
    char sep = 0;  // ';', ',' or 0 when nothing follows
};

struct CaseItem {
    enum class Kind { Value, Range, Is } kind = Kind::Value;
    BinOp op = BinOp::Eq;  // Is
    ExprPtr a, b;
};

struct CaseClause {
    SourcePos pos;
    bool isElse = false;
    std::vector<CaseItem> items;
    Block body;
};

struct Stmt {
    enum class Kind {
        Dim,     // vars
        Const,   // vars with values
        Assign,  // target = value
        Call,    // name args (with or without Call / parentheses); target: obj.Method
        Print,   // items; from: the file number of Print #
        If,      // cond body [elseBody]; ElseIf becomes a nested If in elseBody
        For,     // target = from To to [Step step] body
        Do,      // [cond] body; testAtTop, until
        While,   // cond body
        Exit,    // exitWhat: "sub" "function" "for" "do"
        Select,  // value cases
        End,
        ReDim,      // vars with bounds; preserve
        Erase,      // args: the arrays
        TypeDef,    // name vars (the fields)
        EnumDef,    // name vars (members, values optional)
        With,       // target body
        GoTo,       // name
        Label,      // name
        ForEach,    // target In value body
        Input,      // [value: prompt] args: targets; question; from: Input #
        LineInput,  // [value: prompt] target; from: Line Input #
        OnError,    // exitWhat "goto" name (a label, "0" or "-1") | "next"
        Resume,     // exitWhat "" (the same statement) | "next" | "label" name
        Error,      // value: raises that error
        Open,       // Open value For name As #from [Len = to]
        Close,      // args: the file numbers, none for all
        Write,      // Write #from, args
        Get,        // Get #from, [value], target
        Put,        // Put #from, [value], target
        Seek,       // Seek #from, value
        Name,       // Name value As target
        GoSub,      // name
        Return,     // back to the last GoSub
        OnGoTo,     // On value GoTo|GoSub (exitWhat) args: the labels, as names
    };
    Kind kind = Kind::End;
    SourcePos pos;
    std::vector<VarDecl> vars;
    ExprPtr target, value, cond, from, to, step;
    std::string name;
    char suffix = 0;
    std::vector<ExprPtr> args;
    std::vector<PrintItem> items;
    Block body, elseBody;
    bool testAtTop = true, until = false;
    bool isStatic = false, preserve = false, question = false;
    bool isPublic = false;  // a module's Dim or Const seen by every module
    bool isDebug = false;   // Debug.Print: checked, then left out as a built program does
    int nextLine = 0;       // For: the line of its Next
    std::string exitWhat;
    std::vector<CaseClause> cases;
};

struct Param {
    SourcePos pos;
    std::string name;
    char suffix = 0;
    VType type = VType::Variant;
    std::string typeName;
    bool isArray = false;
    bool byRef = true;
    bool optional = false;
    bool paramArray = false;  // ParamArray args(): the rest of the arguments, as Variants
    ExprPtr defaultValue;
};

struct Proc {
    SourcePos pos;
    bool isFunction = false;
    bool isPrivate = false;
    bool isStatic = false;  // every local keeps its value between calls
    std::string name;
    char suffix = 0;
    VType returnType = VType::Variant;
    std::string returnTypeName;
    std::vector<Param> params;
    Block body;
    // Declare ... Lib "library" [Alias "name"]: a C function, no body.
    std::string lib, alias;
    bool isExport = false;     // EXPORT: also callable from C, in a shared object
    bool isPrototype = false;  // a header only, in a declarations module
};

struct Include {
    SourcePos pos;
    std::string path;  // as written
};

struct Module {
    bool optionExplicit = false;
    bool optionConsole = true;
    bool optionDll = false;    // Option DLL On: built as a shared object
    int optionBase = 0;        // Option Base: arrays' lower bound when none is given
    bool compareText = false;  // Option Compare Text: strings compare without case
    // INTERFACE NOSKIP: declarations only; its procedures are headers whose
    // code is in the library of the same name beside it.
    bool isInterface = false;
    std::vector<Include> includes;
    std::vector<StmtPtr> decls;  // module-level Dim, Const, Type and Enum, in order
    std::vector<Proc> procs;
};

VType suffixType(char suffix);  // % Integer, & Long, ... 0 Variant

}  // namespace zbl::trans
