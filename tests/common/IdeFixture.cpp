#include "IdeFixture.h"

#include <QCoreApplication>
#include <QEvent>

#include "editor/EditorWindow.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"

Ide::Ide(bool start) {
    if (start)
        Start();
}

Ide::~Ide() = default;

void Ide::Start(const QString& commandLine) {
    window = std::make_unique<MainWindow>();
    window->Startup(commandLine);
}

DockHost* Ide::host() const {
    return window->Host();
}

QString Ide::ActiveKey() const {
    DocWindow* doc = host()->ActiveWindow();
    return doc ? doc->Key() : QString();
}

QString Ide::Write(const QString& name, const QByteArray& text) const {
    WriteAll(home.File(name), text);
    return home.File(name);
}

void Ide::Open(const QString& path) {
    window->SetPathToOpenNext(path);
    window->RunTool("FileOpen");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList Ide::OpenFiles() const {
    QStringList files;
    for (DocWindow* doc : host()->Windows())
        if (auto* editor = qobject_cast<EditorWindow*>(doc->Form()))
            files << editor->FileName();
    return files;
}

DocWindow* Ide::WindowFor(const QString& path) const {
    for (DocWindow* doc : host()->Windows())
        if (auto* editor = qobject_cast<EditorWindow*>(doc->Form());
            editor && editor->FileName() == path)
            return doc;
    return nullptr;
}
