#pragma once
#include <QString>
#include <QStringList>
#include <memory>

class FileLock;

// Only one IDE runs at a time on a computer. The first start holds a lock
// beside the settings file for its whole run (the kernel lets go of it when
// the process ends, however it ends); a later start hands its file over
// through the "OpenFile" setting and ends. "OpenFile" holds one path, or,
// when several starts hand over before the running IDE gets to them, their
// paths one per line in the order they came.
namespace SingleInstance {

struct Claim {
    std::unique_ptr<FileLock> lock;  // held by the first start
    bool anotherRunning = false;     // true: hand over and end
};

// Takes the instance lock. When the file system cannot lock at all, every
// start runs as the first rather than none.
Claim Acquire();

// The trimmed command line as an absolute, clean path: a relative one is
// taken from `folder` (the receiving process's working folder), so that the
// running IDE, whose folder differs, opens the file the user meant. "" stays "".
QString AbsolutePath(const QString& commandLine, const QString& folder);

// Adds the command line, made absolute against this process's working
// folder, to the hand-over queue. Nothing is added for "".
void HandOver(const QString& commandLine);

// The paths waiting to be opened, first come first.
QStringList Waiting();

// Takes `path` off the front of the queue when it is first there, so that
// nothing handed over after it is lost.
void Opened(const QString& path);

}  // namespace SingleInstance
