#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <map>
#include <memory>

#include "settings/FileLock.h"

class EditorWindow;
class QTimer;

// Keeps a copy of every module with unsaved changes in a folder of this run,
// so that a crash or a killed session loses nothing. A change is backed up a
// few seconds after the typing stops (at the latest MaxDelayMs after it
// began); the text is copied on this thread, one module per pass of the
// event loop, and written atomically on a worker, never over the module
// itself. A backup goes when its module is saved, undone to its saved text or
// closed; Finish, at a clean end, removes the run's folder. The folder is
// locked while the run lives, which tells a later start whether backups were
// left behind.
class ModuleBackup : public QObject {
    Q_OBJECT
public:
    static constexpr int DelayMs = 3000;
    static constexpr int MaxDelayMs = 15000;

    // `root` holds the folders of every run (the data folder's "backup").
    explicit ModuleBackup(const QString& root, QObject* parent = nullptr);
    // Waits for the writes under way and leaves the backups where they are:
    // only Finish says the run ended cleanly.
    ~ModuleBackup() override;

    void Watch(EditorWindow* editor);
    // The module's window closes (saved, or its changes refused): its backup goes.
    void Forget(EditorWindow* editor);
    // Backs up every changed module without waiting for the delay.
    void BackUpNow();
    // Until every backup started or due is on disk, handling the results.
    void WaitForWrites();
    // A pass of copies or a write or removal is under way.
    bool Writing() const;
    // A clean end: every backup of this run goes, with its folder and lock.
    void Finish();

    QString Root() const { return root; }
    QString Folder() const { return folder; }
    // The backup file of a watched module ("" for one not watched).
    QString BackupFileOf(const EditorWindow* editor) const;

Q_SIGNALS:
    // The first backup of this run that could not be written.
    void WriteFailed(const QString& folder);
    // Every backup started is written or removed, and no pass is under way.
    void Settled();

private:
    struct Entry {
        QPointer<EditorWindow> editor;
        QString file;
        bool dirty = false;        // changed since the last backup began
        bool inFlight = false;     // a write or removal is on the worker
        bool again = false;        // changed while in flight: look again when done
        bool written = false;      // a backup file exists
        bool forgotten = false;    // the window closed for good
        QByteArray buffer;         // the last copy of the text, shared with the worker
        bool bufferReady = false;  // the worker has just prepared the buffer
    };

    void Changed(quint64 id);
    void StartPass();
    void NextInPass();
    void Step(quint64 id);
    void Done(quint64 id, bool wasWrite, bool ok);
    bool EnsureFolder();
    void SettleIfIdle();

    QString root;
    QString folder;
    std::unique_ptr<FileLock> lock;
    std::map<quint64, Entry> entries;
    quint64 nextId = 1;
    QList<quint64> pass;  // modules still to copy in the pass under way
    QTimer* delay;
    QTimer* stepper;
    QElapsedTimer pendingSince;
    QThreadPool pool;
    bool failureTold = false;
    bool finished = false;
};
