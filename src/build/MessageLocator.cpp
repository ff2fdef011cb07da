#include "build/MessageLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace MessageLocator {

namespace {

// file:line[:col]: text. The file is matched as short as it can be, so a
// drive ("C:\s\a.cpp:3: x") or a colon in a folder name stays in it.
const QRegularExpression& ColonForm() {
    static const QRegularExpression re(QStringLiteral(R"(^\s*(.+?):(\d+):(?:(\d+):)?\s+(\S.*)$)"));
    return re;
}

// Error E2451 file.cpp 12: text
const QRegularExpression& BorlandForm() {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(Error|Warning|Fatal)\s+[EWF]\d{4}\s+(.+?)\s+(\d+):\s*(.*)$)"));
    return re;
}

// The severity word that GCC, Clang and the translator put before the text.
const QRegularExpression& SeverityWord() {
    static const QRegularExpression re(QStringLiteral(R"(^(fatal error|error|warning|note)\s*:)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

bool LooksLikeFile(const QString& file) {
    if (file.isEmpty() || file.front().isSpace() || file.back().isSpace() ||
        file.contains(QLatin1String("://")))
        return false;
    const qsizetype slash =
        std::max(file.lastIndexOf(QLatin1Char('/')), file.lastIndexOf(QLatin1Char('\\')));
    const QStringView name = QStringView(file).mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot + 1 >= name.size() || !name[dot + 1].isLetter())
        return false;
    for (const QChar c : name.mid(dot + 1)) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('+') &&
            c != QLatin1Char('-'))
            return false;
    }
    return true;
}

Severity SeverityOf(const QString& text) {
    const QRegularExpressionMatch word = SeverityWord().match(text);
    if (!word.hasMatch())
        return Severity::None;
    const QString w = word.captured(1).toLower();
    if (w == QLatin1String("note"))
        return Severity::Note;
    if (w == QLatin1String("warning"))
        return Severity::Warning;
    return Severity::Error;
}

// A cheap look before the expressions: every message holds a colon with a
// digit before it.
bool MayBeMessage(const QString& line) {
    for (qsizetype at = line.indexOf(QLatin1Char(':'), 1); at > 0;
         at = line.indexOf(QLatin1Char(':'), at + 1)) {
        if (line[at - 1].isDigit())
            return true;
    }
    return false;
}

}  // namespace

std::optional<Message> ParseMessage(const QString& line) {
    if (!MayBeMessage(line))
        return std::nullopt;
    Message message;
    bool lineOk = false;
    if (const QRegularExpressionMatch m = BorlandForm().match(line); m.hasMatch()) {
        message.file = m.captured(2);
        message.line = m.capturedView(3).toInt(&lineOk);
        message.severity =
            m.capturedView(1) == QLatin1String("Warning") ? Severity::Warning : Severity::Error;
        message.text = m.captured(4);
    } else if (const QRegularExpressionMatch c = ColonForm().match(line); c.hasMatch()) {
        message.file = c.captured(1);
        message.line = c.capturedView(2).toInt(&lineOk);
        if (c.capturedLength(3) > 0) {
            bool columnOk = false;
            message.column = c.capturedView(3).toInt(&columnOk);
            if (!columnOk)
                return std::nullopt;
        }
        message.text = c.captured(4);
        message.severity = SeverityOf(message.text);
    } else {
        return std::nullopt;
    }
    if (!lineOk || message.line < 1 || !LooksLikeFile(message.file))
        return std::nullopt;
    return message;
}

QList<Message> FindMessages(const QString& text, const QString& folder) {
    QList<Message> found;
    int number = 0;
    for (const QStringView line : QStringView(text).tokenize(QLatin1Char('\n'))) {
        QStringView shown = line;
        if (shown.endsWith(QLatin1Char('\r')))
            shown.chop(1);
        if (std::optional<Message> message = ParseMessage(shown.toString())) {
            message->file = ResolvePath(message->file, folder);
            message->outputLine = number;
            found.append(*message);
        }
        ++number;
    }
    return found;
}

QString ResolvePath(const QString& file, const QString& folder) {
    QString path = file;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(path) && !folder.isEmpty())
        path = folder + QLatin1Char('/') + path;
    return QDir::cleanPath(path);
}

QString SourceOfReleaseCopy(const QString& path, const QString& solutionFolder,
                            const QStringList& modules) {
    if (solutionFolder.trimmed().isEmpty())
        return path;
    const QString release = QDir::cleanPath(solutionFolder + QStringLiteral("/Release"));
    const QFileInfo copy(QDir::cleanPath(path));
    if (copy.path() != release)
        return path;
    for (const QString& module : modules) {
        QString slashed = module;
        slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (QFileInfo(slashed).fileName() == copy.fileName())
            return module;
    }
    return path;
}

}  // namespace MessageLocator
