#include "settings/PathHelpers.h"

namespace {
qsizetype LastSeparator(const QString& path) {
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}
}  // namespace

QString FileNameOf(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

QString FolderOf(const QString& path) {
    const qsizetype separator = LastSeparator(path);
    return separator < 0 ? QString() : path.left(separator);
}

QString BaseNameOf(const QString& path) {
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString ExtensionOf(const QString& path) {
    const QString name = FileNameOf(path);
    return name.mid(name.lastIndexOf(QLatin1Char('.')) + 1);
}

QString StripAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}
