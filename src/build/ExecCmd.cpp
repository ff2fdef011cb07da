#include "build/ExecCmd.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "build/OutputDecoder.h"
#include "build/OutputTarget.h"
#include "settings/Registry.h"

namespace mdlExecCmd {

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Bytes taken from the pipe at a time.
const int PieceSize = 64 * 1024;
// How often the output read so far is shown and pending events run (ms).
const int ShowInterval = 20;
// Characters shown at once: a first guess, then as many as the target took
// in one interval last time, within these bounds: the upper one keeps what
// the target must lay out and paint after one piece within an interval.
const qint64 StartBudget = 128 * 1024;
const qint64 MinBudget = 16 * 1024;
const qint64 MaxBudget = 1024 * 1024;
// After Stop(): when SIGKILL follows SIGTERM, and when the run gives up on
// output that something outside the group keeps open (ms).
const int KillAfter = 100;
const int GiveUpAfter = 250;

// A program Run() is reading from; runs nest when the user acts meanwhile.
struct Current {
    pid_t group = -1;
    bool stopRequested = false;
    bool killed = false;
    QElapsedTimer sinceStop;
    Current* outer = nullptr;
};
Current* current = nullptr;

bool IsCompiledProgram(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray(
                                                                 "\x7f"
                                                                 "ELF",
                                                                 4);
}

// Starts `program` in a session of its own that is no child of the IDE: a
// first child makes the session and starts the program as its own child,
// then ends at once. The session's number, which is also the program's
// process group, is that first child's. Standard input and error read and
// write nothing; standard output goes to `outFd` (or nowhere when -1).
// Returns the group, or -1 with `error` set when the program did not start.
pid_t Spawn(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment, const QString& folder, int outFd, int* error) {
    // Everything the children need is made before fork: after it only
    // async-signal-safe calls are allowed.
    const QByteArray path = QFile::encodeName(program);
    QList<QByteArray> words{path};
    for (const QString& argument : arguments)
        words << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    QList<QByteArray> variables;
    for (const QString& entry : environment.toStringList())
        variables << entry.toLocal8Bit();
    std::vector<char*> envp;
    for (QByteArray& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const QByteArray where = QFile::encodeName(folder);

    const int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    int report[2];
    if (nullFd < 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        *error = errno;
        if (nullFd >= 0)
            ::close(nullFd);
        return -1;
    }
    const pid_t first = ::fork();
    if (first == 0) {
        ::setsid();
        const pid_t second = ::fork();
        if (second == 0) {
            struct sigaction plain = {};
            plain.sa_handler = SIG_DFL;
            for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGCHLD})
                ::sigaction(signal, &plain, nullptr);
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::dup2(nullFd, 0);
            ::dup2(outFd >= 0 ? outFd : nullFd, 1);
            ::dup2(nullFd, 2);
            if (!where.isEmpty() && ::chdir(where.constData()) != 0) {
                const int e = errno;
                (void)!::write(report[1], &e, sizeof e);
                ::_exit(127);
            }
            ::execve(path.constData(), argv.data(), envp.data());
            const int e = errno;
            (void)!::write(report[1], &e, sizeof e);
            ::_exit(127);
        }
        if (second < 0) {
            const int e = errno;
            (void)!::write(report[1], &e, sizeof e);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    ::close(nullFd);
    int reported = 0;
    if (first < 0) {
        reported = errno;
    } else {
        while (::waitpid(first, nullptr, 0) < 0 && errno == EINTR) {
        }
        // Closed unread when the program started (the report end is closed
        // on exec); otherwise the error number.
        ssize_t n;
        while ((n = ::read(report[0], &reported, sizeof reported)) < 0 && errno == EINTR) {
        }
        if (n != sizeof reported)
            reported = 0;
    }
    ::close(report[0]);
    *error = reported;
    return reported == 0 ? first : -1;
}

}  // namespace

QStringList SplitCommandLine(const QString& commandLine) {
    QStringList words;
    const qsizetype size = commandLine.size();
    qsizetype at = 0;
    while (at < size && IsBlank(commandLine[at]))
        ++at;
    if (at == size)
        return words;

    // The program name: quotes group, nothing escapes.
    QString word;
    bool quoted = false;
    for (; at < size && (quoted || !IsBlank(commandLine[at])); ++at) {
        if (commandLine[at] == QLatin1Char('"'))
            quoted = !quoted;
        else
            word += commandLine[at];
    }
    words << word;

    for (;;) {
        while (at < size && IsBlank(commandLine[at]))
            ++at;
        if (at == size)
            break;
        word.clear();
        quoted = false;
        while (at < size && (quoted || !IsBlank(commandLine[at]))) {
            const QChar c = commandLine[at];
            if (c == QLatin1Char('\\')) {
                qsizetype count = 0;
                while (at < size && commandLine[at] == QLatin1Char('\\'))
                    ++count, ++at;
                if (at < size && commandLine[at] == QLatin1Char('"')) {
                    word += QString(count / 2, QLatin1Char('\\'));
                    if (count % 2 == 1) {
                        word += QLatin1Char('"');
                        ++at;
                    }
                } else {
                    word += QString(count, QLatin1Char('\\'));
                }
            } else if (c == QLatin1Char('"')) {
                if (quoted && at + 1 < size && commandLine[at + 1] == QLatin1Char('"')) {
                    word += QLatin1Char('"');
                    at += 2;
                } else {
                    quoted = !quoted;
                    ++at;
                }
            } else {
                word += c;
                ++at;
            }
        }
        words << word;
    }
    return words;
}

Launch ResolveCommandLine(const QString& commandLine) {
    const QString trimmed = commandLine.trimmed();
    QStringList words =
        QFileInfo(trimmed).isFile() ? QStringList{trimmed} : SplitCommandLine(trimmed);
    if (words.isEmpty())
        return {};
    Launch launch{words.takeFirst(), words};
    const QFileInfo program(launch.program);
    if (program.isFile()) {
        launch.program = program.absoluteFilePath();
        if (!program.isExecutable() && !IsCompiledProgram(launch.program)) {
            launch.arguments.prepend(launch.program);
            launch.program = QStringLiteral("/bin/sh");
        }
    }
    return launch;
}

QProcessEnvironment ToolEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList entries;
    const QStringList pieces =
        mdlRegistry::GetUserEnvVar(QStringLiteral("PATH")).split(QLatin1Char(';'));
    for (const QString& piece : pieces) {
        const QString entry = piece.trimmed();
        if (!entry.isEmpty())
            entries << entry;
    }
    if (entries.isEmpty())
        return environment;
    const QString inherited = environment.value(QStringLiteral("PATH"));
    if (!inherited.isEmpty())
        entries << inherited;
    environment.insert(QStringLiteral("PATH"), entries.join(QLatin1Char(':')));
    return environment;
}

QString FindProgram(const QString& program, const QProcessEnvironment& environment) {
    if (program.isEmpty() || program.contains(QLatin1Char('/')) || QFileInfo(program).isFile())
        return program;
    const QStringList folders =
        environment.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QString found = QStandardPaths::findExecutable(program, folders);
    return found.isEmpty() ? program : found;
}

int ExecCmd(const QString& commandLine, OutputTarget* target) {
    return Run(commandLine, target).status;
}

ExecStatus Run(const QString& commandLine, OutputTarget* target, const ExecOptions& options) {
    QString oldCurrent;
    // A program named relative to the folder it is to start in is found there.
    if (!options.folder.isEmpty()) {
        oldCurrent = QDir::currentPath();
        QDir::setCurrent(options.folder);
    }
    const Launch launch = ResolveCommandLine(commandLine);
    if (!oldCurrent.isEmpty())
        QDir::setCurrent(oldCurrent);
    return Run(launch, target, options);
}

ExecStatus Run(const Launch& launch, OutputTarget* target, const ExecOptions& options) {
    ExecStatus result;
    const QProcessEnvironment environment = ToolEnvironment();
    const QString program = FindProgram(launch.program, environment);
    if (!target) {
        // Started on its own; nothing waits for it.
        result.started = !program.isEmpty() && Spawn(program, launch.arguments, environment,
                                                     options.folder, -1, &result.startError) > 0;
        return result;
    }

    // Our own pipe: the output ends when every holder of the write end has
    // closed it (the program and anything it started), not when the program
    // exits.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        result.status = errno;
        return result;
    }
    const int readEnd = ends[0];
    const int writeEnd = ends[1];
    ::fcntl(readEnd, F_SETFL, ::fcntl(readEnd, F_GETFL) | O_NONBLOCK);
    // A larger pipe lets a fast tool write on while the window paints.
    ::fcntl(readEnd, F_SETPIPE_SZ, 1024 * 1024);

    Current run;
    if (!program.isEmpty())
        run.group = Spawn(program, launch.arguments, environment, options.folder, writeEnd,
                          &result.startError);
    else
        result.startError = ENOENT;
    result.started = run.group > 0;
    // Only the program holds the write end now; if it did not start, nobody does.
    ::close(writeEnd);
    run.outer = current;
    current = &run;

    const QEventLoop::ProcessEventsFlags events =
        options.userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    OutputDecoder decoder;
    QByteArray piece(PieceSize, Qt::Uninitialized);
    QString text;
    bool shown = false;
    bool outputOpen = true;
    qint64 budget = StartBudget;
    QElapsedTimer sinceShown;
    sinceShown.start();
    while (outputOpen) {
        const ssize_t n = ::read(readEnd, piece.data(), PieceSize);
        if (n > 0) {
            text += decoder.Decode(QByteArrayView(piece.constData(), n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            // The end of the output; a read error ends it too.
            outputOpen = false;
            text += decoder.Finish();
        }
        const bool due = sinceShown.elapsed() >= ShowInterval || text.size() >= budget;
        if (!text.isEmpty() && (due || !outputOpen)) {
            QElapsedTimer showing;
            showing.start();
            if (shown)
                target->Append(text);
            else
                target->ReplaceAll(text);
            shown = true;
            // Next time hand over about as much as the target shows in half
            // an interval, so that events never wait much longer than one.
            const qint64 spent = showing.elapsed();
            if (spent > 0)
                budget =
                    qBound<qint64>(MinBudget, text.size() * ShowInterval / 2 / spent, MaxBudget);
            else if (text.size() >= budget)
                budget = qMin<qint64>(budget * 2, MaxBudget);
            text.clear();
        }
        if (!outputOpen)
            break;
        if (due) {
            QCoreApplication::processEvents(events);
            sinceShown.start();
        }
        if (run.stopRequested) {
            if (!run.killed && run.sinceStop.elapsed() >= KillAfter) {
                ::kill(-run.group, SIGKILL);
                run.killed = true;
            }
            if (run.sinceStop.elapsed() >= GiveUpAfter) {
                text += decoder.Finish();
                if (!text.isEmpty()) {
                    if (shown)
                        target->Append(text);
                    else
                        target->ReplaceAll(text);
                    shown = true;
                }
                break;
            }
        }
        if (n <= 0) {
            // Wait for more, but no longer than the next showing is due.
            const int wait = qMax(1, ShowInterval - static_cast<int>(sinceShown.elapsed()));
            pollfd ready{readEnd, POLLIN, 0};
            ::poll(&ready, 1, wait);
        }
    }
    current = run.outer;
    ::close(readEnd);
    result.stopped = run.stopRequested;
    if (!shown)
        target->ReplaceAll(QString());
    return result;
}

void Stop() {
    for (Current* run = current; run; run = run->outer) {
        if (run->stopRequested || run->group <= 0)
            continue;
        run->stopRequested = true;
        run->sinceStop.start();
        ::kill(-run->group, SIGTERM);
    }
}

bool Running() {
    return current != nullptr;
}

}  // namespace mdlExecCmd
