#include "settings/InstallDefaults.h"

#include <utility>

#include "settings/ProgramFolder.h"
#include "settings/Registry.h"

namespace InstallDefaults {

int Write() {
    using namespace mdlRegistry;
    static const std::pair<const char*, const char*> syntaxFiles[] = {
        {"zbl", "zbl.syn"}, {"zlm", "zbl.syn"}, {"cpp", "cpp.syn"},
        {"c", "cpp.syn"},   {"h", "cpp.syn"},
    };
    int written = 0;
    for (const auto& [extension, file] : syntaxFiles) {
        const QString name = QString::fromLatin1(extension);
        if (GetRegValue(RegRoot::LocalMachine, SyntaxKey, name, nullptr, nullptr))
            continue;
        SetRegString(RegRoot::LocalMachine, SyntaxKey, name, QString::fromLatin1(file));
        ++written;
    }
    // The shipped tool chain, for every configuration. Placeholders are
    // quoted, so paths with blanks reach the tools whole.
    const QString bin = ProgramFolder::File(QStringLiteral("bin/"));
    const std::pair<QString, QString> tools[] = {
        {QStringLiteral("UseProcessor"), QStringLiteral("True")},
        {QStringLiteral("UseCompiler"), QStringLiteral("True")},
        {QStringLiteral("UseLinker"), QStringLiteral("True")},
        {QStringLiteral("ProcPath"), bin + QStringLiteral("zbltrans")},
        {QStringLiteral("ProcParam"), QStringLiteral("\"%FULL%\"")},
        {QStringLiteral("CompilerPath"), bin + QStringLiteral("zbl-cc")},
        {QStringLiteral("Param0"), QStringLiteral("release \"%FULL%\"")},
        {QStringLiteral("Param1"), QStringLiteral("debug \"%FULL%\"")},
        {QStringLiteral("Param2"), QStringLiteral("library \"%FULL%\"")},
        {QStringLiteral("LinkerPath"), bin + QStringLiteral("zbl-link")},
        {QStringLiteral("LinkParam0"), QStringLiteral("release \"%FULL%\"")},
        {QStringLiteral("LinkParam1"), QStringLiteral("debug \"%FULL%\"")},
        {QStringLiteral("LinkParam2"), QStringLiteral("library \"%FULL%\"")},
    };
    for (const auto& [name, value] : tools) {
        if (GetRegValue(RegRoot::LocalMachine, SettingsKey, name, nullptr, nullptr))
            continue;
        SetRegString(RegRoot::LocalMachine, SettingsKey, name, value);
        ++written;
    }
    return written;
}

}  // namespace InstallDefaults
