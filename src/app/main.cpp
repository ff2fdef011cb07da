#include <QApplication>
#include <QLockFile>
#include <QTimer>

#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorbel Builder"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(ZIDE_VERSION_MAJOR).arg(ZIDE_VERSION_MINOR).arg(ZIDE_VERSION_PATCH));

    // The command line is one file path, blanks and all.
    QStringList words = app.arguments().mid(1);
    const QString commandLine = words.join(QLatin1Char(' ')).trimmed();

    const auto lock = SingleInstance::Acquire();
    if (!lock) {
        SingleInstance::HandOver(commandLine);
        return 0;
    }

    MainWindow window;
    if (qEnvironmentVariableIntValue("ZIDE_QUIT_WHEN_READY") == 1)
        QObject::connect(&window, &MainWindow::Ready, &app, [] { QTimer::singleShot(0, qApp, &QApplication::quit); });
    window.Startup(commandLine);
    return app.exec();
}
