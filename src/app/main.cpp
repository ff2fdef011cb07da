#include <QApplication>
#include <QDir>
#include <QTimer>

#include "build/HeadlessBuild.h"
#include "settings/FileLock.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"

namespace {
// The command line is one file path, blanks and all, made absolute here:
// the folder it is relative to is this process's, not the running IDE's.
QString CommandLine(const QCoreApplication& app) {
    return SingleInstance::AbsolutePath(app.arguments().mid(1).join(QLatin1Char(' ')),
                                        QDir::currentPath());
}
}  // namespace

int main(int argc, char** argv) {
    // "--build" builds without a window and never meets a running IDE.
    if (HeadlessBuild::Requested(argc, argv))
        return HeadlessBuild::Main(argc, argv);

    // A later start only hands its file over: it needs no window system.
    const SingleInstance::Claim claim = SingleInstance::Acquire();
    if (claim.anotherRunning) {
        QCoreApplication app(argc, argv);
        SingleInstance::HandOver(CommandLine(app));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorbel Builder"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(ZIDE_VERSION_MAJOR)
                                            .arg(ZIDE_VERSION_MINOR)
                                            .arg(ZIDE_VERSION_PATCH));

    MainWindow window;
    // For measuring start-up: quit once ready, that is with the start file open.
    if (qEnvironmentVariableIntValue("ZIDE_QUIT_WHEN_READY") == 1)
        QObject::connect(&window, &MainWindow::Ready, &app,
                         [] { QTimer::singleShot(0, qApp, &QApplication::quit); });
    window.Startup(CommandLine(app));
    return app.exec();
}
