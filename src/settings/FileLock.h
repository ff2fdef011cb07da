#pragma once
#include <QString>

// An advisory lock on a file, held through flock(2). The kernel drops it when
// the holding process ends, however it ends, so a lock file left behind by a
// crash, empty or not, never blocks anyone: only a living holder does. Over
// NFS the lock is forwarded to the server and so holds between hosts too.
// The file's content is only a note for people (host and process id).
// Two FileLock objects on one path exclude each other even in one process.
class FileLock {
public:
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    enum class Result {
        Locked,       // this object holds the lock
        Busy,         // a living process holds it
        Unavailable,  // the file cannot be opened or the file system cannot lock
    };

    // Tries for up to `timeoutMs` milliseconds (0: once, without waiting;
    // negative: for as long as it takes). A lock file that is a symbolic link
    // is refused (Unavailable), so a planted link never gets truncated.
    Result TryLock(int timeoutMs = 0);
    void Unlock();
    bool IsLocked() const { return fd >= 0; }

private:
    QString path;
    int fd = -1;
};
