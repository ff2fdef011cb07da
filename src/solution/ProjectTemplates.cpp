#include "solution/ProjectTemplates.h"

#include <QDate>
#include <QLocale>
#include <QStringList>

namespace ProjectTemplates {

namespace {
QString Lines(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

QString Application(const QString& consoleOption, const QString& date) {
    return Lines({QStringLiteral("Option Explicit"), consoleOption, QString(),
                  QStringLiteral("'Zorbel file for application"), QStringLiteral("'Date : ") + date,
                  QString(),
                  QStringLiteral("Sub Main 'default main procedure, start program from here"),
                  QString(), QStringLiteral("End Sub")});
}
}  // namespace

QString GuiTemplate(const QString& date) {
    return Application(QStringLiteral("Option Console OFF"), date);
}

QString ConsoleTemplate(const QString& date) {
    return Application(QStringLiteral("Option Console ON"), date);
}

QString DllTemplate(const QString& date) {
    return Lines({QStringLiteral("Option Explicit"), QStringLiteral("Option DLL ON"), QString(),
                  QStringLiteral("'Zorbel file for dll"), QStringLiteral("'Date : ") + date,
                  QString(), QStringLiteral("EXPORT FUNCTION SomeName(strAny As String) As Long"),
                  QString(), QStringLiteral("End Function")});
}

QString InterfaceTemplate(const QString& date) {
    return Lines({QStringLiteral("INTERFACE NOSKIP"), QString(), QStringLiteral("Option Explicit"),
                  QString(), QStringLiteral("'Zorbel file for application"),
                  QStringLiteral("'Date : ") + date});
}

QString TemplateFor(int type, const QString& date) {
    switch (type) {
        case Gui:
            return GuiTemplate(date);
        case Dll:
            return DllTemplate(date);
        case Console:
            return ConsoleTemplate(date);
        case Interface:
            return InterfaceTemplate(date);
        default:
            return {};
    }
}

QString Today() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

}  // namespace ProjectTemplates
