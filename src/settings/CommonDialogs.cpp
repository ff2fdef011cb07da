#include "settings/CommonDialogs.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QStringList>
#include <QWidget>
#include <QWindow>
#include <cmath>

#include "settings/PathHelpers.h"
#include "settings/Prompt.h"

// The folder picker's title.
const QString FolderPickerText = QStringLiteral("Choose a folder");

namespace mdlCommonDialog {

namespace {

// "*.exe; *.com" as "*.exe *.com"; "*.*" as "*".
QString QtPatterns(const QString& patterns) {
    QStringList out;
    for (QString pattern : patterns.split(QLatin1Char(';'))) {
        pattern = pattern.trimmed();
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        if (!pattern.isEmpty() && !out.contains(pattern))
            out << pattern;
    }
    return out.join(QLatin1Char(' '));
}

// "Zorbel Files (*.zbl, *.c)" without its trailing pattern list.
QString WithoutPatternList(const QString& description) {
    static const QRegularExpression trailingList(QStringLiteral("\\s*\\([^()]*[*?][^()]*\\)$"));
    return QString(description).remove(trailingList).trimmed();
}

}  // namespace

QString QtFilterOf(const QString& filter) {
    QStringList items = QString(filter).replace(QChar(0), QLatin1Char('|')).split(QLatin1Char('|'));
    // The system form ends in one or two NULs (or a "|"); they end the list.
    while (!items.isEmpty() && items.last().isEmpty())
        items.removeLast();

    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString description = WithoutPatternList(items[i].trimmed());
        const QString patterns = QtPatterns(items[i + 1]);
        if (patterns.isEmpty())
            continue;
        qtFilters << (description.isEmpty() ? QString() : description + QLatin1Char(' ')) +
                         QLatin1Char('(') + patterns + QLatin1Char(')');
    }
    return qtFilters.join(QStringLiteral(";;"));
}

QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title, int,
                       const QString& start) {
    return StripAtNul(Prompt::Current().OpenFile(owner, title, QtFilterOf(filter), start));
}

QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title, int,
                       const QString& defaultExtension, const QString& start) {
    QString suffix = defaultExtension.trimmed();
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return StripAtNul(Prompt::Current().SaveFile(owner, title, QtFilterOf(filter), suffix, start));
}

}  // namespace mdlCommonDialog

QString BrowseForFolder(QWidget* owner) {
    return StripAtNul(Prompt::Current().Folder(owner, FolderPickerText));
}

void PlaceForm(QWidget* window, double divisor) {
    if (!window || !(divisor > 0) || !std::isfinite(divisor))
        return;
    // A dialog not shown yet has no screen of its own: it opens on its owner's.
    QScreen* screen = nullptr;
    if (!window->windowHandle() && window->parentWidget())
        screen = window->parentWidget()->screen();
    if (!screen)
        screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;

    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    const int top =
        area.top() + static_cast<int>(std::lround((area.height() - size.height()) / divisor));
    const int left =
        area.left() + static_cast<int>(std::lround((area.width() - size.width()) / 2.0));
    window->move(qMax(left, area.left()), qMax(top, area.top()));
}
