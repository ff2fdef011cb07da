#include "solution/SolutionFile.h"

#include <QFileInfo>
#include <QMap>
#include <limits>

#include "settings/PathHelpers.h"
#include "solution/IniControl.h"
#include "solution/PathRules.h"

using namespace mdlIniControl;

namespace mdlSolutionFile {

namespace {

const QString SolutionSection = QStringLiteral("Solution");
const QString FilesSection = QStringLiteral("Files");
const QString FilePrefix = QStringLiteral("file");

bool IsModule(const SolutionItem& item) {
    return IsModuleKey(item.key);
}

// The first value of `name` among a section's entries, as a read of that key
// would find it.
QString ValueOf(const QList<std::pair<QString, QString>>& entries, const QString& name) {
    for (const auto& [key, value] : entries)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QString();
}

// The number k of a key spelled "File<k>" (any case, k in plain decimal from
// 1), the only spelling a read of "File" & k finds; 0 for any other key.
int FileNumber(const QString& key) {
    if (key.size() < 5 || key.size() > 14 || key.left(4).compare(FilePrefix, Qt::CaseInsensitive))
        return 0;
    const QStringView digits = QStringView(key).mid(4);
    if (digits.front() == QLatin1Char('0'))
        return 0;
    qint64 number = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        number = number * 10 + (c.unicode() - '0');
    }
    return number <= std::numeric_limits<int>::max() ? int(number) : 0;
}

bool IsAbsolute(const QString& path) {
    // A drive ("C:/") marks a path written absolute on Windows.
    return path.startsWith(QLatin1Char('/')) ||
           (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter());
}

}  // namespace

bool SaveSolution(const QString& path, const SolutionRecord& state,
                  const QList<SolutionItem>& items) {
    // One read and one replace of the file, which ends up as these writes
    // made one by one would leave it.
    const QString folder = FolderOf(path);
    IniBatch batch(path);
    batch.WriteValue(SolutionSection, QStringLiteral("Name"), state.Name);
    batch.WriteValue(SolutionSection, QStringLiteral("Startup"),
                     mdlFunctions::RelativePath(folder, state.Startup));
    batch.WriteValue(SolutionSection, QStringLiteral("BuildBatch"),
                     mdlFunctions::RelativePath(folder, state.BuildBatch));
    batch.WriteValue(SolutionSection, QStringLiteral("FilesCount"), QStringLiteral("0"));
    batch.DeleteSection(FilesSection);
    int written = 0;
    for (const SolutionItem& item : items) {
        // Modules never saved have no path to write and leave no gap.
        if (!IsModule(item) || item.tag.trimmed().isEmpty())
            continue;
        ++written;
        batch.WriteValue(FilesSection, QStringLiteral("File%1").arg(written),
                         mdlFunctions::RelativePath(folder, item.tag));
    }
    batch.WriteValue(SolutionSection, QStringLiteral("FilesCount"), QString::number(written));
    return batch.Commit();
}

bool CheckFile(const QList<SolutionItem>& items, const QString& path) {
    const QString wanted = path.trimmed();
    for (const SolutionItem& item : items)
        if (IsModule(item) && item.tag.trimmed() == wanted)
            return true;
    return false;
}

QString KeyOf(const QList<SolutionItem>& items, const QString& path) {
    const QString wanted = path.trimmed();
    if (wanted.isEmpty())
        return {};
    for (const SolutionItem& item : items)
        if (IsModule(item) && item.tag.trimmed() == wanted)
            return item.key;
    return {};
}

bool IsModuleKey(const QString& key) {
    return key.left(4) == FilePrefix;
}

QStringList ModulePaths(const QList<SolutionItem>& items) {
    QStringList paths;
    for (const SolutionItem& item : items)
        if (IsModule(item) && !item.tag.trimmed().isEmpty())
            paths << item.tag.trimmed();
    return paths;
}

bool IsDefaultSolution(const QString& path) {
    return BaseNameOf(path).toLower() == QLatin1String("!default");
}

int ParseFilesCount(const QString& text) {
    const QString number = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < number.size() && (number[i] == QLatin1Char('-') || number[i] == QLatin1Char('+')))
        negative = number[i++] == QLatin1Char('-');
    constexpr qint64 Limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; i < number.size() && number[i] >= QLatin1Char('0') && number[i] <= QLatin1Char('9'); ++i)
        value = qMin(Limit, value * 10 + (number[i].unicode() - '0'));
    if (negative)
        return int(-value);
    return int(qMin<qint64>(value, std::numeric_limits<int>::max()));
}

QString ResolveEntry(const QString& folder, const QString& entry) {
    QString path = entry;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || IsAbsolute(path))
        return path;
    return mdlFunctions::CanonicalPath(folder + QLatin1Char('/') + path);
}

SolutionLoad LoadSolution(const QString& file) {
    SolutionLoad load;
    const QFileInfo solution(file);
    if (file.trimmed().isEmpty())
        return load;
    const QString folder = FolderOf(solution.absoluteFilePath());

    const auto settings = ReadIniSection(file, SolutionSection);
    load.Name = ValueOf(settings, QStringLiteral("Name"));
    load.Startup = ResolveEntry(folder, ValueOf(settings, QStringLiteral("Startup")));
    load.BuildBatch = ResolveEntry(folder, ValueOf(settings, QStringLiteral("BuildBatch")));
    const int count = ParseFilesCount(ValueOf(settings, QStringLiteral("FilesCount")));
    load.FilesCount = qMax(0, count);

    // The section is read once and its File<k> keys picked out, so a count
    // far beyond the keys present costs nothing; keys past the count are not
    // part of the list, and the first of two equal keys is the one read.
    QMap<int, QString> numbered;
    for (const auto& [key, value] : ReadIniSection(file, FilesSection)) {
        const int number = FileNumber(key);
        if (number >= 1 && number <= count && !numbered.contains(number))
            numbered.insert(number, value);
    }

    const QString self = solution.canonicalFilePath();
    for (const QString& value : std::as_const(numbered)) {
        if (value.isEmpty())
            continue;
        const QString path = ResolveEntry(folder, value);
        if (path.trimmed().isEmpty())
            continue;
        // Only files an editor can read: a folder, a device or a pipe would
        // open as nothing or never finish reading.
        const QFileInfo module(path);
        if (!module.isFile() || !module.isReadable())
            continue;
        if (!self.isEmpty() && module.canonicalFilePath() == self)
            continue;
        load.Modules.append(path);
    }
    return load;
}

}  // namespace mdlSolutionFile
