#include "build/HeadlessBuild.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

#include "build/BuildPipeline.h"
#include "build/OutputTarget.h"
#include "solution/SolutionFile.h"
#include "solution/SolutionState.h"

namespace HeadlessBuild {

namespace {

const char Usage[] = "usage: zide --build FILE [--config NAME] [--clean] [--run]\n";

void Write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// Standard output as the Output pane: a stream cannot take text back, so
// whatever would replace the pane's text is written after what is there.
// Its text is only the last character written, enough to know whether a
// line is open.
class StreamTarget : public OutputTarget {
public:
    QString Text() const override { return last; }
    void SetSelStart(int) override {}
    void SetSelLength(int) override {}
    void SetSelText(const QString& text) override { Append(text); }
    void Append(const QString& text) override {
        if (text.isEmpty())
            return;
        Write(stdout, text);
        last = text.right(1);
    }

private:
    QString last;
};

// The window's part of a build, from files: the solution's modules copied
// from disk, and as active document the module given, or for a solution
// without a start-up module its first module.
class FileHost : public BuildHost {
public:
    FileHost(const QList<mdlSolutionFile::SolutionItem>& items, const QString& active,
             const QString& configuration)
        : items(items), active(active), configuration(configuration) {}

    QList<mdlSolutionFile::SolutionItem> SolutionItems() const override { return items; }
    bool SaveBuildFile(const QString&) override { return false; }
    bool HasActiveDocument() const override { return !active.isEmpty(); }
    QString ActiveFileName() const override { return active; }
    QString ActiveText() const override {
        QFile file(active);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    bool SaveActiveCopy(const QString& path) override {
        QFile::remove(path);
        return QFile::copy(active, path);
    }
    QString Configuration() const override { return configuration; }
    OutputTarget* Output() override { return &output; }
    void ShowOutputView() override {}
    void ShowMessage(const QString& text, const QString&, QMessageBox::Icon) override {
        Write(stderr, text + QLatin1Char('\n'));
    }

private:
    QList<mdlSolutionFile::SolutionItem> items;
    QString active;
    QString configuration;
    StreamTarget output;
};

}  // namespace

bool Requested(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--build") == 0)
            return true;
    return false;
}

Options Parse(const QStringList& arguments) {
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--build") || argument == QLatin1String("--config")) {
            if (i + 1 >= arguments.size()) {
                options.error = argument + QStringLiteral(" needs a value");
                return options;
            }
            (argument == QLatin1String("--build") ? options.file : options.configuration) =
                arguments[++i];
        } else if (argument == QLatin1String("--clean")) {
            options.clean = true;
        } else if (argument == QLatin1String("--run")) {
            options.run = true;
        } else {
            options.error = QStringLiteral("unknown argument: ") + argument;
            return options;
        }
    }
    if (options.file.trimmed().isEmpty())
        options.error = QStringLiteral("no file to build");
    return options;
}

int Run(const Options& options) {
    if (!options.error.isEmpty()) {
        Write(stderr,
              QStringLiteral("zide: ") + options.error + QLatin1Char('\n') + QLatin1String(Usage));
        return 2;
    }
    const QFileInfo file(options.file.trimmed());
    if (!file.isFile()) {
        Write(stderr, QStringLiteral("zide: no such file: ") + options.file + QLatin1Char('\n'));
        return 2;
    }
    const QString path = file.absoluteFilePath();

    SolutionState.Reset();
    QList<mdlSolutionFile::SolutionItem> items;
    QString active;
    if (path.right(4).toLower() == QLatin1String(".zsl")) {
        const mdlSolutionFile::SolutionLoad load = mdlSolutionFile::LoadSolution(path);
        SolutionState.SolutionPath = path;
        SolutionState.Name = load.Name;
        SolutionState.Startup = load.Startup;
        SolutionState.BuildBatch = load.BuildBatch;
        SolutionState.FilesCount = load.FilesCount;
        int number = 0;
        for (const QString& module : load.Modules)
            items << mdlSolutionFile::SolutionItem{QStringLiteral("file%1").arg(++number), module};
        if (!load.Modules.isEmpty())
            active = load.Modules.first();
    } else {
        active = path;
    }

    FileHost host(items, active, options.configuration);
    BuildPipeline pipeline(host);
    pipeline.SetStartPolicy(options.run ? BuildPipeline::StartPolicy::WhenSucceeded
                                        : BuildPipeline::StartPolicy::Never);
    if (options.clean)
        pipeline.BuildClean();
    return pipeline.BuildBuild().Succeeded() ? 0 : 1;
}

int Main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return Run(Parse(app.arguments().mid(1)));
}

}  // namespace HeadlessBuild
