// The installer's share of the work: writes the installation's defaults
// (defaults.reg, read beneath every user's settings) for a program folder,
// and the desktop files (shared-mime-info package, .desktop entry, icons) of
// an installation. The build runs it for the build folder; the install step
// runs it again for the installed program folder and prefix.
//
//   zide-setup                                    its own program folder
//   zide-setup --defaults PROGRAM_FOLDER [FILE]   FILE: PROGRAM_FOLDER/defaults.reg
//   zide-setup --desktop-files SHARE PROGRAM      below SHARE (<prefix>/share)
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "settings/FileAssociations.h"
#include "settings/InstallDefaults.h"
#include "settings/ProgramFolder.h"

namespace {
int Usage() {
    std::fprintf(stderr,
                 "usage: zide-setup [--defaults PROGRAM_FOLDER [FILE]]\n"
                 "       zide-setup --desktop-files SHARE PROGRAM\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    // The icons' text needs fonts, that is a GUI application; an install
    // step has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args[0] == QLatin1String("--desktop-files")) {
        if (args.size() != 3)
            return Usage();
        const QString share = QDir(args[1]).absolutePath();
        FileAssociations::WriteDesktopFiles(share, args[2]);
        const QString desktop = share + QStringLiteral("/applications/zorbel-builder.desktop");
        if (!QFileInfo::exists(desktop)) {
            std::fprintf(stderr, "zide-setup: cannot write below %s\n", qPrintable(share));
            return 1;
        }
        return 0;
    }
    QString folder = ProgramFolder::Path();
    QString file;
    if (!args.isEmpty()) {
        if (args.size() > 3 || args.size() < 2 || args[0] != QLatin1String("--defaults"))
            return Usage();
        folder = args[1];
        if (args.size() == 3)
            file = args[2];
    }
    if (file.isEmpty())
        file = QDir(folder).filePath(InstallDefaults::FileName);
    if (!InstallDefaults::WriteFile(folder, file)) {
        std::fprintf(stderr, "zide-setup: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}
