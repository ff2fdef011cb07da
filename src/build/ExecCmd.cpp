#include "build/ExecCmd.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "build/OutputDecoder.h"
#include "build/OutputTarget.h"

namespace mdlExecCmd {

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Bytes taken from the pipe at a time.
const int PieceSize = 256;
// Most bytes shown at once before pending events run again.
const qint64 RoundLimit = 64 * 1024;
// How long one wait for output lasts before pending events run again.
const int WaitSlice = 100;

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
        if (!program.isExecutable()) {
            launch.arguments.prepend(launch.program);
            launch.program = QStringLiteral("/bin/sh");
        }
    }
    return launch;
}

int ExecCmd(const QString& commandLine, OutputTarget* target) {
    const Launch launch = ResolveCommandLine(commandLine);
    // Started detached: the program, and whatever it starts, is no child of
    // the IDE. Nothing is left to wait for or release when it runs on after
    // closing its output, or after the IDE has ended.
    QProcess starter;
    starter.setProgram(launch.program);
    starter.setArguments(launch.arguments);
    starter.setStandardInputFile(QProcess::nullDevice());
    starter.setStandardErrorFile(QProcess::nullDevice());
    if (!target) {
        starter.setStandardOutputFile(QProcess::nullDevice());
        starter.startDetached();
        return 0;
    }

    // Our own pipe rather than QProcess's: the output ends when every holder
    // of the write end has closed it (the program and anything it started),
    // not when the program exits, and reads come in pieces of our size.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return errno;
    const int readEnd = ends[0];
    const int writeEnd = ends[1];
    ::fcntl(readEnd, F_SETFL, ::fcntl(readEnd, F_GETFL) | O_NONBLOCK);

    // A detached start takes no hook in the child, so the program's standard
    // output is the write end opened again through its name.
    starter.setStandardOutputFile(QStringLiteral("/proc/self/fd/%1").arg(writeEnd));
    starter.startDetached();
    // Only the program holds the write end now; if it did not start, nobody does.
    ::close(writeEnd);

    OutputDecoder decoder;
    bool shown = false;
    bool outputOpen = true;
    while (outputOpen) {
        QString text;
        qint64 taken = 0;
        while (taken < RoundLimit) {
            char piece[PieceSize];
            const ssize_t n = ::read(readEnd, piece, PieceSize);
            if (n > 0) {
                text += decoder.Decode(QByteArrayView(piece, n));
                taken += n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                // Nothing more for now, or the end of the output (a read
                // error ends it too).
                outputOpen = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
                break;
            }
        }
        if (!outputOpen)
            text += decoder.Finish();
        if (!text.isEmpty()) {
            if (shown)
                target->Append(text);
            else
                target->ReplaceAll(text);
            shown = true;
        }
        if (!outputOpen)
            break;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (taken < RoundLimit) {
            pollfd wait{readEnd, POLLIN, 0};
            ::poll(&wait, 1, WaitSlice);
        }
    }
    ::close(readEnd);
    if (!shown)
        target->ReplaceAll(QString());
    return 0;
}

}  // namespace mdlExecCmd
