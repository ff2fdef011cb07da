#include "Builtins.h"

#include <string_view>

namespace zbl::trans {

namespace {

constexpr Builtin kBuiltins[] = {
    // Strings
    {"len", "zbl::len", "A", 1, false, 'N'},
    {"left", "zbl::left", "SL", 2, true, 'S'},
    {"right", "zbl::right", "SL", 2, true, 'S'},
    {"mid", "zbl::mid", "SLL", 2, true, 'S'},
    {"ucase", "zbl::ucase", "S", 1, true, 'S'},
    {"lcase", "zbl::lcase", "S", 1, true, 'S'},
    {"trim", "zbl::trim", "S", 1, true, 'S'},
    {"ltrim", "zbl::ltrim", "S", 1, true, 'S'},
    {"rtrim", "zbl::rtrim", "S", 1, true, 'S'},
    {"space", "zbl::space", "L", 1, true, 'S'},
    {"string", "zbl::string_any", "LA", 2, true, 'S'},
    {"strreverse", "zbl::strreverse", "S", 1, false, 'S'},
    {"instr", "zbl::instr", "ASSL", 2, false, 'N', "1|||0", true},  // the first argument decides
    {"instrrev", "zbl::instrrev", "SSLL", 2, false, 'N', "||-1|0", true},
    {"replace", "zbl::replace", "SSSLLL", 3, false, 'S', "|||1|-1|0", true},
    {"strcomp", "zbl::strcomp", "SSL", 2, false, 'N', "||0", true},
    {"split", "zbl::split", "SSLL", 1, false, 'A', "|zbl::String(\" \")|-1|0", true},
    {"filter", "zbl::filter", "RSLL", 2, false, 'A', "||-1|0", true},
    {"strconv", "zbl::strconv", "SL", 2, false, 'S'},
    {"join", "zbl::join", "RS", 1, false, 'S'},
    {"chr", "zbl::chr", "L", 1, true, 'S'},
    {"asc", "zbl::asc", "S", 1, false, 'N'},
    {"ascw", "zbl::asc", "S", 1, false, 'N'},
    {"chrw", "zbl::chr", "L", 1, true, 'S'},
    // Conversions
    {"val", "zbl::val", "S", 1, false, 'N'},
    {"str", "zbl::str", "A", 1, true, 'S'},
    {"hex", "zbl::hex", "A", 1, true, 'S'},
    {"oct", "zbl::oct", "A", 1, true, 'S'},
    {"cstr", "zbl::cast<zbl::String>", "A", 1, false, 'S'},
    {"clng", "zbl::cast<zbl::Long>", "A", 1, false, 'N'},
    {"cint", "zbl::cast<zbl::Integer>", "A", 1, false, 'N'},
    {"cdbl", "zbl::cast<zbl::Double>", "A", 1, false, 'N'},
    {"csng", "zbl::cast<zbl::Single>", "A", 1, false, 'N'},
    {"cbool", "zbl::cast<zbl::Boolean>", "A", 1, false, 'N'},
    {"cbyte", "zbl::cast<zbl::Byte>", "A", 1, false, 'N'},
    {"cvar", "zbl::cast<zbl::Variant>", "A", 1, false, 'V'},
    {"ccur", "zbl::cast<zbl::Currency>", "A", 1, false, 'N'},
    {"iif", "zbl::iif", "AAA", 3, false, 'V'},
    {"choose", "zbl::choose", "*", 2, false, 'V'},
    {"switch", "zbl::switch_", "*", 2, false, 'V'},
    {"isnumeric", "zbl::isnumeric", "A", 1, false, 'N'},
    {"isempty", "zbl::is_empty", "X", 1, false, 'N'},
    {"ismissing", "zbl::is_missing", "X", 1, false, 'N'},
    {"isnull", "zbl::is_null", "X", 1, false, 'N'},
    {"isobject", "zbl::is_object", "X", 1, false, 'N'},
    {"filedatetime", "zbl::file_date_time", "S", 1, false, 'V'},
    {"isarray", "zbl::is_array", "X", 1, false, 'N'},
    {"typename", "zbl::type_name", "X", 1, false, 'S'},
    {"vartype", "zbl::var_type", "X", 1, false, 'N'},
    // Maths
    {"abs", "zbl::abs", "A", 1, false, 'N'},
    {"int", "zbl::int_", "A", 1, false, 'N'},
    {"fix", "zbl::fix", "A", 1, false, 'N'},
    {"sgn", "zbl::sgn", "A", 1, false, 'N'},
    {"sqr", "zbl::sqr", "D", 1, false, 'N'},
    {"sin", "zbl::sin_", "D", 1, false, 'N'},
    {"cos", "zbl::cos_", "D", 1, false, 'N'},
    {"tan", "zbl::tan_", "D", 1, false, 'N'},
    {"atn", "zbl::atn", "D", 1, false, 'N'},
    {"exp", "zbl::exp_", "D", 1, false, 'N'},
    {"log", "zbl::log_", "D", 1, false, 'N'},
    {"round", "zbl::round", "DL", 1, false, 'N'},
    {"rgb", "zbl::rgb", "LLL", 3, false, 'N'},
    {"rnd", "zbl::rnd", "F", 0, false, 'N'},
    {"randomize", "zbl::randomize", "D", 0, false, '-'},
    {"timer", "zbl::timer", "", 0, false, 'N'},
    // Dates and times
    {"now", "zbl::now", "", 0, false, 'V'},
    {"date", "zbl::date_today", "", 0, true, 'V'},
    {"time", "zbl::time_now", "", 0, true, 'V'},
    {"dateserial", "zbl::date_serial", "LLL", 3, false, 'V'},
    {"timeserial", "zbl::time_serial", "LLL", 3, false, 'V'},
    {"datevalue", "zbl::date_value", "S", 1, false, 'V'},
    {"timevalue", "zbl::time_value", "S", 1, false, 'V'},
    {"cdate", "zbl::cast<zbl::Date>", "A", 1, false, 'V'},
    {"isdate", "zbl::is_date_any", "A", 1, false, 'N'},
    {"year", "zbl::year", "T", 1, false, 'N'},
    {"month", "zbl::month", "T", 1, false, 'N'},
    {"day", "zbl::day", "T", 1, false, 'N'},
    {"hour", "zbl::hour", "T", 1, false, 'N'},
    {"minute", "zbl::minute", "T", 1, false, 'N'},
    {"second", "zbl::second", "T", 1, false, 'N'},
    {"weekday", "zbl::weekday", "TL", 1, false, 'N'},
    {"dateadd", "zbl::date_add", "SDT", 3, false, 'V'},
    {"datediff", "zbl::date_diff", "STTL", 3, false, 'N'},
    {"datepart", "zbl::date_part", "STL", 2, false, 'N'},
    {"monthname", "zbl::month_name", "LL", 1, false, 'S'},
    {"weekdayname", "zbl::weekday_name", "LLL", 1, false, 'S', "|0|1"},
    {"format", "zbl::format_any", "AS", 1, true, 'S'},
    // Arrays and what a value holds
    {"array", "zbl::make_array", "*", 0, false, 'V'},
    {"lbound", "zbl::lbound", "YL", 1, false, 'N', "|1"},
    {"ubound", "zbl::ubound", "YL", 1, false, 'N', "|1"},
    // Files
    {"eof", "zbl::file_eof", "L", 1, false, 'N'},
    {"lof", "zbl::file_lof", "L", 1, false, 'N'},
    {"loc", "zbl::file_loc", "L", 1, false, 'N'},
    {"seek", "zbl::file_seek", "L", 1, false, 'N'},
    {"freefile", "zbl::free_file", "L", 0, false, 'N'},
    {"curdir", "zbl::cur_dir", "", 0, true, 'S'},
    {"dir", "zbl::dir", "SL", 0, true, 'S', "|0"},
    {"filelen", "zbl::file_len", "S", 1, false, 'N'},
    {"getattr", "zbl::get_attr", "S", 1, false, 'N'},
    {"kill", "zbl::kill", "S", 1, false, '-'},
    {"filecopy", "zbl::file_copy", "SS", 2, false, '-'},
    {"mkdir", "zbl::mk_dir", "S", 1, false, '-'},
    {"rmdir", "zbl::rm_dir", "S", 1, false, '-'},
    {"chdir", "zbl::ch_dir", "S", 1, false, '-'},
    {"setattr", "zbl::set_attr", "SL", 2, false, '-'},
    // The program and its terminal
    {"command", "zbl::command", "", 0, true, 'S'},
    {"error", "zbl::error_string", "L", 0, true, 'S'},
    {"environ", "zbl::environ_any", "A", 1, true, 'S'},
    {"msgbox", "zbl::msgbox", "SLS", 1, false, 'N', "|0|zbl::String()"},
    {"beep", "zbl::beep", "", 0, false, '-'},
    {"doevents", "zbl::do_events", "", 0, false, 'N'},
    {"shell", "zbl::shell", "SL", 1, false, 'N', "|1"},
    {"inputbox", "zbl::inputbox", "SSS", 1, true, 'S', "|zbl::String()|zbl::String()"},
};

constexpr std::string_view kConstants[] = {
    "vbCrLf",
    "vbCr",
    "vbLf",
    "vbNewLine",
    "vbTab",
    "vbBack",
    "vbFormFeed",
    "vbVerticalTab",
    "vbNullChar",
    "vbNullString",
    "vbOKOnly",
    "vbOKCancel",
    "vbAbortRetryIgnore",
    "vbYesNoCancel",
    "vbYesNo",
    "vbRetryCancel",
    "vbCritical",
    "vbQuestion",
    "vbExclamation",
    "vbInformation",
    "vbDefaultButton1",
    "vbDefaultButton2",
    "vbDefaultButton3",
    "vbOK",
    "vbCancel",
    "vbAbort",
    "vbRetry",
    "vbIgnore",
    "vbYes",
    "vbNo",
    "vbBinaryCompare",
    "vbTextCompare",
    "vbUpperCase",
    "vbLowerCase",
    "vbProperCase",
    "vbNormal",
    "vbReadOnly",
    "vbHidden",
    "vbSystem",
    "vbVolume",
    "vbDirectory",
    "vbArchive",
    "vbSunday",
    "vbMonday",
    "vbTuesday",
    "vbWednesday",
    "vbThursday",
    "vbFriday",
    "vbSaturday",
    "vbUseSystemDayOfWeek",
    "vbObjectError",
    "vbEmpty",
    "vbNull",
    "vbInteger",
    "vbLong",
    "vbSingle",
    "vbDouble",
    "vbCurrency",
    "vbDate",
    "vbString",
    "vbObject",
    "vbError",
    "vbBoolean",
    "vbVariant",
    "vbByte",
    "vbArray",
};

bool sameLower(std::string_view a, const std::string& lowerName) {
    if (a.size() != lowerName.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (char(std::tolower(static_cast<unsigned char>(a[i]))) != lowerName[i])
            return false;
    return true;
}

}  // namespace

const Builtin* findBuiltin(const std::string& lowerName) {
    for (const auto& b : kBuiltins)
        if (lowerName == b.name)
            return &b;
    return nullptr;
}

const char* findConstant(const std::string& lowerName) {
    static const std::string* names = [] {
        static std::string all[std::size(kConstants)];
        for (std::size_t i = 0; i < std::size(kConstants); ++i)
            all[i] = "zbl::" + std::string(kConstants[i]);
        return all;
    }();
    for (std::size_t i = 0; i < std::size(kConstants); ++i)
        if (sameLower(kConstants[i], lowerName))
            return names[i].c_str();
    return nullptr;
}

}  // namespace zbl::trans
