#include "settings/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

namespace {

const QByteArray TempMarker = QByteArrayLiteral(".zide-tmp-");
constexpr qsizetype RandomLength = 6;
constexpr qsizetype NameMax = 255;  // bytes in one file name

// The file a write replaces: symbolic links are followed, so the link stays
// and its target gets the new content.
QString FinalTarget(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

// ".NAME.zide-tmp-" with NAME shortened (on a character boundary) so that the
// temporary's name stays within the file system's limit however long NAME is.
QByteArray TempPrefix(QByteArray name) {
    const qsizetype room = NameMax - 1 - TempMarker.size() - RandomLength;
    if (name.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (static_cast<uchar>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.truncate(cut);
    }
    return '.' + name + TempMarker;
}

bool StillNamed(int handle, const QByteArray& name) {
    struct stat opened, named;
    return ::fstat(handle, &opened) == 0 && ::lstat(name.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

int LockBlocking(int handle) {
    int result;
    do
        result = ::flock(handle, LOCK_EX);
    while (result != 0 && errno == EINTR);
    return result;
}

// Removes the temporaries of earlier writes of this file whose writers died:
// a living writer holds the lock on its temporary until it has renamed it.
void RemoveDeadTemporaries(const QByteArray& folder, const QByteArray& prefix) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name.size() != prefix.size() + RandomLength || !name.startsWith(prefix))
            continue;
        const QByteArray path = folder + '/' + name.toByteArray();
        int handle = ::open(path.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (handle < 0)
            handle = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (handle < 0)
            continue;
        struct stat info;
        if (::flock(handle, LOCK_EX | LOCK_NB) == 0 && ::fstat(handle, &info) == 0 &&
            S_ISREG(info.st_mode) && StillNamed(handle, path))
            ::unlink(path.constData());
        ::close(handle);
    }
    ::closedir(dir);
}

// Creates and locks a new temporary; -1 when none can be made.
int CreateTemporary(const QByteArray& folder, const QByteArray& prefix, QByteArray* temp) {
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray path = folder + '/' + prefix;
        for (qsizetype i = 0; i < RandomLength; ++i)
            path += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
        const int handle =
            ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (handle < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Between the open and the lock another writer may have taken the new
        // file for a dead one's and removed it: then take another name. A file
        // system without locks leaves it unlocked, and no one removes it.
        LockBlocking(handle);
        if (StillNamed(handle, path)) {
            *temp = path;
            return handle;
        }
        ::close(handle);
    }
    return -1;
}

bool WriteAll(int handle, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(handle, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return false;
    const QFileInfo target(FinalTarget(path));
    const QByteArray final = QFile::encodeName(target.filePath());
    const QByteArray folder = QFile::encodeName(target.path());
    const QByteArray prefix = TempPrefix(QFile::encodeName(target.fileName()));

    struct stat existing;
    const bool exists = ::stat(final.constData(), &existing) == 0;
    if (exists && (S_ISDIR(existing.st_mode) || ::access(final.constData(), W_OK) != 0))
        return false;

    RemoveDeadTemporaries(folder, prefix);
    QByteArray temp;
    const int handle = CreateTemporary(folder, prefix, &temp);
    if (handle < 0)
        return false;
    if (exists) {
        // Owner first: a change of owner clears the set-id bits the mode restores.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            (void)!::fchown(handle, existing.st_uid, existing.st_gid);
        (void)!::fchmod(handle, existing.st_mode & 07777);
    }
    const bool done = WriteAll(handle, bytes) && ::fdatasync(handle) == 0 &&
                      ::rename(temp.constData(), final.constData()) == 0;
    if (!done)
        ::unlink(temp.constData());
    ::close(handle);  // after the rename, so no one takes the temporary for a dead one's
    return done;
}
