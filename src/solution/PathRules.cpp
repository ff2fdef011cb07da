#include "solution/PathRules.h"

#include <QStringList>

namespace mdlFunctions {

namespace {

const QChar Slash = QLatin1Char('/');

QString Slashed(QString path) {
    return path.replace(QLatin1Char('\\'), Slash);
}

bool SameLetter(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Length of the common prefix of two paths in whole components, as the
// platform's common-prefix service measures it: up to the last separator both
// share, or the whole of `a` when `b` goes on with a separator there. A shared
// root "/" counts as one character.
qsizetype CommonPrefixLength(const QString& a, const QString& b) {
    qsizetype common = 0;
    qsizetype i = 0;
    for (; i < a.size() && i < b.size() && SameLetter(a[i], b[i]); ++i)
        if (a[i] == Slash)
            common = i == 0 ? 1 : i;
    if (i == a.size() && (i == b.size() || b[i] == Slash))
        common = i;
    return common;
}

bool IsDrive(const QString& part) {
    return part.size() == 2 && part[1] == QLatin1Char(':') && part[0].isLetter();
}

}  // namespace

QString RelativePath(const QString& base, const QString& target) {
    const QString from = Slashed(base);
    const QString to = Slashed(target);
    const qsizetype common = CommonPrefixLength(from, to);
    if (common < 1)
        return target;
    // One ".." for every folder level of the base below the common part.
    const qsizetype levels = from.mid(common).split(Slash, Qt::SkipEmptyParts).size();
    QString rest = to.mid(common);
    if (rest.startsWith(Slash))
        rest.remove(0, 1);
    const QString relative = QStringLiteral("/..").repeated(levels) + Slash + rest;
    return relative.mid(1);
}

QString CanonicalPath(const QString& path) {
    const qsizetype nul = path.indexOf(QChar(0));
    const QString text = Slashed(nul >= 0 ? path.left(nul) : path);
    if (text.isEmpty())
        return text;

    QStringList parts = text.split(Slash, Qt::SkipEmptyParts);
    QString root = text.startsWith(Slash) ? QString(Slash) : QString();
    // A drive ("C:") at the start of a path written on Windows is its root.
    if (root.isEmpty() && !parts.isEmpty() && IsDrive(parts.first()))
        root = parts.takeFirst() + Slash;

    QStringList kept;
    for (const QString& part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!kept.isEmpty() && kept.last() != QLatin1String(".."))
                kept.removeLast();
            else if (root.isEmpty())
                kept.append(part);  // a relative path may climb above its start
            continue;
        }
        kept.append(part);
    }

    QString result = root + kept.join(Slash);
    if (result.isEmpty())
        return QStringLiteral(".");
    if (text.endsWith(Slash) && !result.endsWith(Slash))
        result += Slash;
    return result;
}

}  // namespace mdlFunctions
