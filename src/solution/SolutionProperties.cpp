#include "solution/SolutionProperties.h"

#include <QFileInfo>
#include <iterator>

#include "solution/IniControl.h"

namespace SolutionProperties {

namespace {

const char* const KnownKeys[] = {ConfigurationType, UseCOM,           UseActiveX,
                                 ExceptionHandling, GenerateHeader,   DumpCppOnly,
                                 RedirectOutputs,   UseMakeFile,      Description,
                                 Command,           CommandArguments, WorkingDirectory};

// The key as spelled in KnownKeys, "" for a key of no property.
QString KnownKey(const QString& key) {
    for (const char* known : KnownKeys)
        if (key.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return QLatin1String(known);
    return QString();
}

// The value as a line that reads back the same: cut at a line break or NUL,
// and quoted when a read would otherwise lose its end blanks or quotes.
QString Stored(const QString& value) {
    qsizetype end = 0;
    while (end < value.size() && value[end] != QLatin1Char('\n') &&
           value[end] != QLatin1Char('\r') && value[end] != QChar(0))
        ++end;
    const QString line = value.left(end);
    const bool quoted = line.size() >= 2 &&
                        (line.front() == QLatin1Char('"') || line.front() == QLatin1Char('\'')) &&
                        line.back() == line.front();
    if (quoted || line.trimmed() != line)
        return QLatin1Char('"') + line + QLatin1Char('"');
    return line;
}

}  // namespace

QHash<QString, QString> ReadProperties(const QString& solutionFile) {
    QHash<QString, QString> values;
    if (solutionFile.trimmed().isEmpty())
        return values;
    const auto entries = mdlIniControl::ReadIniSection(solutionFile, QLatin1String(Section));
    for (const auto& [key, value] : entries) {
        const QString known = KnownKey(key);
        // The first entry of a key counts, as a single read would find it.
        if (!known.isEmpty() && !value.isEmpty() && !values.contains(known))
            values.insert(known, value);
    }
    return values;
}

RunSettings ReadRunSettings(const QString& solutionFile) {
    const QHash<QString, QString> values = ReadProperties(solutionFile);
    RunSettings settings;
    settings.command = values.value(QLatin1String(Command));
    settings.arguments = values.value(QLatin1String(CommandArguments));
    settings.workingDirectory = values.value(QLatin1String(WorkingDirectory));
    return settings;
}

bool WriteProperties(const QString& solutionFile, const QHash<QString, QString>& values) {
    if (solutionFile.trimmed().isEmpty() || !QFileInfo(solutionFile).isFile())
        return false;
    QHash<QString, bool> present;
    for (const auto& entry : mdlIniControl::ReadIniSection(solutionFile, QLatin1String(Section)))
        present.insert(entry.first.toCaseFolded(), true);

    mdlIniControl::IniBatch batch(solutionFile);
    bool changes = false;
    // In a fixed order, so a new section lists the keys as the pages do.
    for (const char* known : KnownKeys) {
        const QString key = QLatin1String(known);
        if (!values.contains(key))
            continue;
        const QString value = values.value(key);
        if (value.isEmpty() && !present.contains(key.toCaseFolded()))
            continue;
        batch.WriteValue(QLatin1String(Section), key, Stored(value));
        changes = true;
    }
    return !changes || batch.Commit();
}

}  // namespace SolutionProperties
