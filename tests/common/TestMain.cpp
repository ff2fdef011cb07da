#include <QApplication>
#include <QTest>
#include <vector>

#include "TestSupport.h"

namespace {
struct Entry {
    const char* name;
    TestRegistry::Factory factory;
};
std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}
}  // namespace

int TestRegistry::Add(const char* name, Factory factory) {
    Entries().push_back({name, std::move(factory)});
    return static_cast<int>(Entries().size());
}

// Runs every registered class; "-class Name" limits the run to one class and
// the remaining arguments go to QTest as usual.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorbel Builder"));
    QStringList args = app.arguments();
    QString only;
    if (int at = args.indexOf(QStringLiteral("-class")); at > 0 && at + 1 < args.size()) {
        only = args.at(at + 1);
        args.remove(at, 2);
    }
    int failures = 0;
    for (const Entry& entry : Entries()) {
        if (!only.isEmpty() && only != QLatin1String(entry.name)) continue;
        std::unique_ptr<QObject> test = entry.factory();
        failures += QTest::qExec(test.get(), args);
    }
    return failures == 0 ? 0 : 1;
}
