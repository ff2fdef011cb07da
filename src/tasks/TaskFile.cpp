#include "tasks/TaskFile.h"

#include <map>

#include "settings/UserFiles.h"
#include "solution/IniControl.h"
#include "solution/SolutionState.h"

namespace TaskFile {

namespace {

const QString Section = QStringLiteral("Tasks");

// Item numbers have at most this many digits; a count beyond them all stays
// beyond them rather than wrapping round.
constexpr int MaxDigits = 18;
constexpr qint64 Beyond = 1'000'000'000'000'000'000;

// The count as the list reads it: the leading decimal number, anything
// else none.
qint64 CountOf(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == u'-' || trimmed[i] == u'+'))
        negative = trimmed[i++] == u'-';
    qint64 count = 0;
    for (; i < trimmed.size() && trimmed[i] >= u'0' && trimmed[i] <= u'9'; ++i)
        count = count >= Beyond / 10 ? Beyond : count * 10 + (trimmed[i].unicode() - '0');
    return negative ? -count : count;
}

QString ItemKey(qsizetype i) {
    return QStringLiteral("Item") + QString::number(i);
}

// The n of a key "Item<n>" as a key lookup would match it (the prefix in any
// case, n in plain decimal: "Item07" is not "Item7"); -1 for other keys.
qint64 ItemNumber(const QString& key) {
    if (key.size() < 5 || key.size() > 4 + MaxDigits ||
        !key.startsWith(u"item", Qt::CaseInsensitive))
        return -1;
    const QStringView digits = QStringView(key).sliced(4);
    if (digits.size() > 1 && digits.front() == u'0')
        return -1;
    qint64 n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

}  // namespace

QString Path() {
    const QString solution = SolutionState.SolutionPath.trimmed();
    return solution.isEmpty() ? UserFiles::DefaultSolution() : solution;
}

QStringList Read(const QString& file) {
    // One read of the section, then the items by number: a count of a
    // hundred million must not mean a hundred million lookups.
    std::map<qint64, QString> items;
    QString countText;
    bool countSeen = false;
    for (const auto& [key, value] : mdlIniControl::ReadIniSection(file, Section)) {
        if (!countSeen && key.compare(u"Count", Qt::CaseInsensitive) == 0) {
            countText = value;
            countSeen = true;
            continue;
        }
        const qint64 n = ItemNumber(key);
        if (n >= 0)
            items.try_emplace(n, value);  // the first of two equal keys is the one read
    }
    const qint64 count = CountOf(countText);
    QStringList tasks;
    for (const auto& [n, value] : items) {
        if (n >= count)
            break;
        const QString text = value.trimmed();
        if (!text.isEmpty())
            tasks << text;
    }
    return tasks;
}

bool Write(const QString& file, const QStringList& tasks) {
    mdlIniControl::IniBatch batch(file);
    batch.DeleteSection(Section);
    batch.WriteValue(Section, QStringLiteral("Count"), QString::number(tasks.size()));
    for (qsizetype i = 0; i < tasks.size(); ++i)
        batch.WriteValue(Section, ItemKey(i), tasks[i].trimmed());
    return batch.Commit();
}

}  // namespace TaskFile
