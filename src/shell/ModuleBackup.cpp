#include "shell/ModuleBackup.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <utility>

#include "editor/EditorWindow.h"
#include "settings/AtomicFile.h"
#include "shell/BackupFile.h"

namespace {
const QString LockName = QStringLiteral("lock");

bool IsUnsaved(EditorWindow* editor) {
    CodeEditor* text = editor->Editor();
    return text->isModified() && !text->ShownInPieces();
}

long TextLength(CodeEditor* editor) {
    return editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
}

// The backup file's bytes: `header`, then the editor's text, copied on either
// side of the editor's gap (asking for the text whole would first move the
// gap to the end: a second pass over it). `into` is a buffer whose memory the
// worker has already touched: the first touch of fresh pages costs more than
// the copy itself.
void Snapshot(CodeEditor* editor, const QByteArray& header, QByteArray& into) {
    using Base = QsciScintillaBase;
    const long length = TextLength(editor);
    const long gap = qBound(0L, editor->SendScintilla(Base::SCI_GETGAPPOSITION), length);
    into.resize(header.size() + length);
    std::memcpy(into.data(), header.constData(), static_cast<size_t>(header.size()));
    char* text = into.data() + header.size();
    for (const auto& [from, count] : {std::pair(0L, gap), std::pair(gap, length - gap)}) {
        if (count <= 0)
            continue;
        const auto* part = reinterpret_cast<const char*>(editor->SendScintilla(
            Base::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), count));
        if (!part) {
            into.clear();
            return;
        }
        std::memcpy(text + from, part, static_cast<size_t>(count));
    }
}

// Backups are background work: the worker yields the processor to the
// interface thread (Linux gives each thread its own nice value).
void YieldToInterface() {
    thread_local bool lowered = false;
    if (!lowered)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    lowered = true;
}

// A buffer of `bytes` whose pages are all in memory, with room to grow.
QByteArray TouchedBuffer(qsizetype bytes) {
    QByteArray buffer(bytes + bytes / 4 + 4096, '\0');
    buffer.resize(0);  // keeps the memory
    return buffer;
}
}  // namespace

ModuleBackup::ModuleBackup(const QString& backupRoot, QObject* parent)
    : QObject(parent), root(backupRoot) {
    // One worker writes in order, so a module's removal never overtakes its write.
    pool.setMaxThreadCount(1);
    delay = new QTimer(this);
    delay->setSingleShot(true);
    connect(delay, &QTimer::timeout, this, &ModuleBackup::StartPass);
    stepper = new QTimer(this);
    stepper->setSingleShot(true);
    stepper->setInterval(0);
    connect(stepper, &QTimer::timeout, this, &ModuleBackup::NextInPass);
    EnsureFolder();
}

ModuleBackup::~ModuleBackup() {
    pool.waitForDone();
}

bool ModuleBackup::EnsureFolder() {
    if (lock && lock->IsLocked() && QDir(folder).exists())
        return true;
    // A name no other run can have; a folder another run holds is left to it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!lock || !lock->IsLocked()) {
            folder =
                root + QStringLiteral("/%1-%2")
                           .arg(::getpid())
                           .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        }
        if (!QDir().mkpath(folder))
            return false;
        lock = std::make_unique<FileLock>(folder + QLatin1Char('/') + LockName);
        const FileLock::Result result = lock->TryLock(0);
        if (result == FileLock::Result::Locked)
            return true;
        if (result == FileLock::Result::Unavailable)
            return false;
    }
    return false;
}

void ModuleBackup::Watch(EditorWindow* editor) {
    const quint64 id = nextId++;
    Entry& entry = entries[id];
    entry.editor = editor;
    entry.file = QStringLiteral("module-%1.zbk").arg(id);
    CodeEditor* text = editor->Editor();
    connect(text, &QsciScintilla::textChanged, this, [this, id] { Changed(id); });
    // Saved or undone to the saved text: the backup goes at once.
    connect(text, &QsciScintilla::modificationChanged, this, [this, id](bool modified) {
        if (!modified)
            Step(id);
    });
}

void ModuleBackup::Forget(EditorWindow* editor) {
    for (auto& [id, entry] : entries) {
        if (entry.editor == editor && !entry.forgotten) {
            entry.forgotten = true;
            Step(id);
            return;
        }
    }
}

QString ModuleBackup::BackupFileOf(const EditorWindow* editor) const {
    for (const auto& [id, entry] : entries)
        if (entry.editor == editor)
            return folder + QLatin1Char('/') + entry.file;
    return QString();
}

void ModuleBackup::Changed(quint64 id) {
    const auto found = entries.find(id);
    if (found == entries.end() || finished)
        return;
    found->second.dirty = true;
    if (!pendingSince.isValid())
        pendingSince.start();
    // Each change puts the backup off, but never beyond MaxDelayMs after the
    // first change waiting: steady typing is backed up too.
    const qint64 left = MaxDelayMs - pendingSince.elapsed();
    delay->start(static_cast<int>(std::clamp<qint64>(left, 0, DelayMs)));
}

void ModuleBackup::BackUpNow() {
    delay->stop();
    StartPass();
}

void ModuleBackup::StartPass() {
    pendingSince.invalidate();
    for (auto& [id, entry] : entries) {
        if (entry.dirty && !pass.contains(id))
            pass.append(id);
    }
    stepper->start();
}

// One module per pass of the event loop, so the copies of many large modules
// never add up to one pause.
void ModuleBackup::NextInPass() {
    if (pass.isEmpty()) {
        SettleIfIdle();
        return;
    }
    Step(pass.takeFirst());
    stepper->start();
}

void ModuleBackup::Step(quint64 id) {
    const auto found = entries.find(id);
    if (found == entries.end() || finished)
        return;
    Entry& entry = found->second;
    if (entry.inFlight) {
        entry.again = true;
        return;
    }
    entry.dirty = false;
    // A window destroyed without closing (the IDE going down uncleanly)
    // leaves its backup for the next start.
    if (!entry.editor && !entry.forgotten) {
        entries.erase(found);
        return;
    }
    const bool keep = !entry.forgotten && IsUnsaved(entry.editor);
    if (!keep && !entry.written) {
        if (entry.forgotten)
            entries.erase(found);
        return;
    }
    entry.inFlight = true;
    const QByteArray header =
        keep ? BackupFile::Header(entry.editor->FileName(), TextLength(entry.editor->Editor()))
             : QByteArray();
    const qsizetype bytes = keep ? header.size() + TextLength(entry.editor->Editor()) : 0;
    // Asked once per copy: a buffer that still falls short is grown here.
    const bool bufferShort =
        keep && (!entry.buffer.isDetached() || entry.buffer.capacity() < bytes);
    if (bufferShort && !entry.bufferReady) {
        // The copy waits for a buffer the worker prepares, and comes back here.
        pool.start([this, id, bytes] {
            YieldToInterface();
            QByteArray buffer = TouchedBuffer(bytes);
            QMetaObject::invokeMethod(
                this,
                [this, id, buffer = std::move(buffer)]() mutable {
                    const auto at = entries.find(id);
                    if (at == entries.end())
                        return;
                    at->second.buffer = std::move(buffer);
                    at->second.bufferReady = true;
                    at->second.inFlight = false;
                    at->second.again = false;  // the copy below takes the latest text
                    Step(id);
                },
                Qt::QueuedConnection);
        });
        return;
    }
    const bool haveFolder = EnsureFolder();
    const QString path = folder + QLatin1Char('/') + entry.file;
    entry.bufferReady = false;
    if (keep) {
        Snapshot(entry.editor->Editor(), header, entry.buffer);
        pool.start([this, id, path, haveFolder, backup = entry.buffer]() mutable {
            YieldToInterface();
            const bool ok = haveFolder && !backup.isEmpty() && WriteFileAtomically(path, backup);
            backup = QByteArray();  // the buffer is the interface thread's again
            QMetaObject::invokeMethod(
                this, [this, id, ok] { Done(id, true, ok); }, Qt::QueuedConnection);
        });
    } else {
        entry.buffer = QByteArray();  // nothing to copy until the next change
        pool.start([this, id, path] {
            const bool ok = QFile::remove(path) || !QFile::exists(path);
            QMetaObject::invokeMethod(
                this, [this, id, ok] { Done(id, false, ok); }, Qt::QueuedConnection);
        });
    }
}

void ModuleBackup::Done(quint64 id, bool wasWrite, bool ok) {
    const auto found = entries.find(id);
    if (found == entries.end())
        return;
    Entry& entry = found->second;
    entry.inFlight = false;
    if (ok)
        entry.written = wasWrite;
    if (wasWrite && !ok && !failureTold) {
        failureTold = true;
        Q_EMIT WriteFailed(QDir::toNativeSeparators(root));
    }
    if (entry.again) {
        entry.again = false;
        Step(id);
    } else if (entry.forgotten && !entry.written) {
        entries.erase(found);
    }
    SettleIfIdle();
}

bool ModuleBackup::Writing() const {
    if (!pass.isEmpty())
        return true;
    for (const auto& [id, entry] : entries)
        if (entry.inFlight)
            return true;
    return false;
}

void ModuleBackup::SettleIfIdle() {
    if (!Writing())
        Q_EMIT Settled();
}

void ModuleBackup::WaitForWrites() {
    if (delay->isActive())
        BackUpNow();
    while (!pass.isEmpty())
        Step(pass.takeFirst());
    for (;;) {
        pool.waitForDone();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        bool inFlight = false;
        for (const auto& [id, entry] : entries)
            inFlight = inFlight || entry.inFlight;
        if (!inFlight)
            break;
    }
}

void ModuleBackup::Finish() {
    delay->stop();
    stepper->stop();
    pass.clear();
    finished = true;
    pool.waitForDone();
    entries.clear();
    if (folder.isEmpty() || !lock || !lock->IsLocked())
        return;
    // The folder is this run's alone: whatever it holds goes.
    QDir(folder).removeRecursively();
    lock.reset();
}
