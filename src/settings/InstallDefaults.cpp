#include "settings/InstallDefaults.h"

#include <QDir>
#include <utility>

#include "settings/AtomicFile.h"
#include "settings/ProgramFolder.h"
#include "settings/Registry.h"

namespace InstallDefaults {

const QString FileName = QStringLiteral("defaults.reg");

namespace {

QByteArray Quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        out += c;
    }
    return (out + QLatin1Char('"')).toUtf8();
}

QByteArray Key(const QString& subKey) {
    return "\n[HKEY_LOCAL_MACHINE\\" + subKey.toUtf8() + "]\n";
}

QByteArray ValueLine(const QString& name, const QString& text) {
    return Quote(name) + '=' + Quote(text) + '\n';
}

}  // namespace

QByteArray Contents(const QString& programFolder) {
    for (const QChar c : programFolder)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.isNull())
            return QByteArray();
    const QDir folder(programFolder);
    auto tool = [&](const char* name) {
        return QDir::cleanPath(folder.absolutePath() + QStringLiteral("/bin/") +
                               QLatin1String(name));
    };

    QByteArray out =
        "REGEDIT4\n\n; The installation's settings for every user; a user's own "
        "settings file overrides any of them.\n";
    out += Key(mdlRegistry::SyntaxKey);
    static const std::pair<const char*, const char*> syntaxFiles[] = {
        {"zbl", "zbl.syn"}, {"zlm", "zbl.syn"}, {"cpp", "cpp.syn"},
        {"c", "cpp.syn"},   {"h", "cpp.syn"},
    };
    for (const auto& [extension, file] : syntaxFiles)
        out += ValueLine(QLatin1String(extension), QLatin1String(file));

    // The shipped tool chain, for every configuration. Placeholders are
    // quoted, so paths with blanks reach the tools whole.
    out += Key(mdlRegistry::SettingsKey);
    const std::pair<const char*, QString> tools[] = {
        {"UseProcessor", QStringLiteral("True")},
        {"UseCompiler", QStringLiteral("True")},
        {"UseLinker", QStringLiteral("True")},
        {"ProcPath", tool("zbltrans")},
        {"ProcParam", QStringLiteral("\"%FULL%\"")},
        {"CompilerPath", tool("zbl-cc")},
        {"Param0", QStringLiteral("release \"%FULL%\"")},
        {"Param1", QStringLiteral("debug \"%FULL%\"")},
        {"Param2", QStringLiteral("library \"%FULL%\"")},
        {"LinkerPath", tool("zbl-link")},
        {"LinkParam0", QStringLiteral("release \"%FULL%\"")},
        {"LinkParam1", QStringLiteral("debug \"%FULL%\"")},
        {"LinkParam2", QStringLiteral("library \"%FULL%\"")},
    };
    for (const auto& [name, value] : tools)
        out += ValueLine(QLatin1String(name), value);
    return out;
}

bool WriteFile(const QString& programFolder, const QString& file) {
    const QByteArray contents = Contents(programFolder);
    return !contents.isEmpty() && WriteFileAtomically(file, contents);
}

bool Write() {
    return WriteFile(ProgramFolder::Path(), ProgramFolder::File(FileName));
}

}  // namespace InstallDefaults
