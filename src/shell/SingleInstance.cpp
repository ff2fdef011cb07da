#include "shell/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>

#include "settings/FileLock.h"
#include "settings/ProgramFolder.h"
#include "settings/Registry.h"

namespace SingleInstance {

namespace {
const QString ValueName = QStringLiteral("OpenFile");

QString ReadValue() {
    return mdlRegistry::GetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey,
                                     ValueName);
}

void WriteQueue(const QStringList& paths) {
    mdlRegistry::SetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey,
                              ValueName, paths.join(QLatin1Char('\n')));
}

QStringList Parse(const QString& value) {
    QStringList paths;
    for (const QString& line : value.split(QLatin1Char('\n'))) {
        const QString path = line.trimmed();
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

// The starts handing over and the running IDE take turns with the queue, so
// that each change reads what the one before it wrote. A lock that cannot be
// had still lets the change go ahead: a rare lost race beats a lost file.
class QueueTurn {
public:
    QueueTurn() : lock(ProgramFolder::RegistryFile() + QStringLiteral(".handover")) {
        lock.TryLock(2000);
    }

private:
    FileLock lock;
};

// A home folder shared between computers shares the settings file, so the
// lock names the computer: an IDE running elsewhere must not take this
// computer's files.
QString HostTag() {
    QString host = QSysInfo::machineHostName();
    host.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}
}  // namespace

Claim Acquire() {
    const QString registry = ProgramFolder::RegistryFile();
    QDir().mkpath(QFileInfo(registry).absolutePath());
    Claim claim;
    auto lock = std::make_unique<FileLock>(registry + QStringLiteral(".instance-") + HostTag());
    switch (lock->TryLock(0)) {
        case FileLock::Result::Locked:
            claim.lock = std::move(lock);
            break;
        case FileLock::Result::Busy:
            claim.anotherRunning = true;
            break;
        case FileLock::Result::Unavailable:
            break;
    }
    return claim;
}

QString AbsolutePath(const QString& commandLine, const QString& folder) {
    const QString path = commandLine.trimmed();
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
}

void HandOver(const QString& commandLine) {
    const QString path = AbsolutePath(commandLine, QDir::currentPath());
    if (path.isEmpty())
        return;
    const QueueTurn turn;
    // A write the settings store could not make (it was busy) is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QStringList queue = Parse(ReadValue()) << path;
        WriteQueue(queue);
        if (Parse(ReadValue()) == queue)
            return;
        QThread::msleep(50);
    }
}

QStringList Waiting() {
    return Parse(ReadValue());
}

void Opened(const QString& path) {
    if (path.trimmed().isEmpty() || ReadValue().isEmpty())
        return;
    const QueueTurn turn;
    QStringList queue = Parse(ReadValue());
    if (queue.isEmpty() || queue.first() != path.trimmed())
        return;
    queue.removeFirst();
    WriteQueue(queue);
}

}  // namespace SingleInstance
