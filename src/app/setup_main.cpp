// The installer's share of the work: writes the installation's defaults
// (defaults.reg, read beneath every user's settings) for a program folder.
// The build runs it for the build folder; an install step runs it again for
// the installed program folder.
//
//   zide-setup                                   its own program folder
//   zide-setup --defaults PROGRAM_FOLDER [FILE]  FILE: PROGRAM_FOLDER/defaults.reg
#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>

#include "settings/InstallDefaults.h"
#include "settings/ProgramFolder.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString folder = ProgramFolder::Path();
    QString file;
    if (!args.isEmpty()) {
        if (args.size() > 3 || args.size() < 2 || args[0] != QLatin1String("--defaults")) {
            std::fprintf(stderr, "usage: zide-setup [--defaults PROGRAM_FOLDER [FILE]]\n");
            return 2;
        }
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
