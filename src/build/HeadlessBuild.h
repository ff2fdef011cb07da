#pragma once
#include <QString>
#include <QStringList>

// Building from the command line without a window:
//   zide --build FILE [--config NAME] [--clean] [--run]
// FILE is a solution (.zsl) or a module. The build is the window's: tool
// output on standard output, the build's messages on standard error, and
// the exit status 0 only when the build succeeded.
namespace HeadlessBuild {

struct Options {
    QString file;
    QString configuration = QStringLiteral("Win32 Debug");
    bool clean = false;
    bool run = false;
    QString error;  // why the arguments are unusable; "" when they are fine
};

// True when the command line asks for a headless build.
bool Requested(int argc, char** argv);

// The options from the arguments after the program name.
Options Parse(const QStringList& arguments);

// Runs the build; the exit status. Needs a QCoreApplication.
int Run(const Options& options);

// The whole program for "--build": makes the application, parses, runs.
int Main(int argc, char** argv);

}  // namespace HeadlessBuild
