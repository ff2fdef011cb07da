// The installer's share of the work: writes the settings the IDE reads but
// never writes itself, leaving every value a user already set alone.
#include <QCoreApplication>
#include <cstdio>

#include "settings/InstallDefaults.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int written = InstallDefaults::Write();
    std::printf("zide-setup: %d value(s) written\n", written);
    return 0;
}
