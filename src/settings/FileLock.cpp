#include "settings/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QSysInfo>
#include <QThread>
#include <algorithm>
#include <cerrno>

namespace {

// The lock file, opened for writing where we may (so the note can be written)
// and for reading otherwise: flock needs no write access, so a lock file that
// another user made in a shared folder still locks.
int OpenLockFile(const QByteArray& name) {
    const int handle = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (handle >= 0 || (errno != EACCES && errno != EROFS && errno != EPERM))
        return handle;
    return ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

// True when `handle` is still the file at `name`: a holder that removed or
// replaced the file between our open and our flock left us a lock on a file
// nobody else will ever look at.
bool StillNamed(int handle, const QByteArray& name) {
    struct stat opened, named;
    return ::fstat(handle, &opened) == 0 && ::stat(name.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

FileLock::FileLock(const QString& lockPath) : path(lockPath) {}

FileLock::~FileLock() {
    Unlock();
}

FileLock::Result FileLock::TryLock(int timeoutMs) {
    if (fd >= 0)
        return Result::Locked;
    const QByteArray name = QFile::encodeName(path);
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(qint64(timeoutMs));
    int sleepMs = 1;
    for (;;) {
        const int handle = OpenLockFile(name);
        if (handle < 0)
            return Result::Unavailable;
        int error;
        do
            error = ::flock(handle, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
        while (error == EINTR);
        if (error == 0) {
            if (StillNamed(handle, name)) {
                fd = handle;
                break;
            }
            ::close(handle);  // the file was replaced under us: lock the new one
        } else {
            ::close(handle);
            if (error != EWOULDBLOCK)
                return Result::Unavailable;
        }
        if (deadline.hasExpired())
            return Result::Busy;
        // Holders keep the lock for milliseconds; back off gently up to 20 ms.
        const qint64 left = deadline.remainingTime();  // -1: no deadline
        QThread::msleep(
            static_cast<unsigned long>(left < 0 ? sleepMs : std::clamp<qint64>(left, 1, sleepMs)));
        sleepMs = qMin(sleepMs * 2, 20);
    }
    const QByteArray note =
        QByteArray::number(::getpid()) + '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, note.constData(), static_cast<size_t>(note.size()), 0);
    return Result::Locked;
}

void FileLock::Unlock() {
    if (fd < 0)
        return;
    // The file stays: removing it would race with a process that opened it
    // and waits for the lock on the old inode.
    ::flock(fd, LOCK_UN);
    ::close(fd);
    fd = -1;
}
