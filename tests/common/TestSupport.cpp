#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace {
void CopyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(source, target);
    }
}
}  // namespace

TestHome::TestHome(bool copyShippedFiles)
    : oldHome(qgetenv("ZIDE_HOME")), oldRegistry(qgetenv("ZIDE_REGISTRY")) {
    if (copyShippedFiles)
        CopyTree(QStringLiteral(ZIDE_SOURCE_DIR "/resources/program"), Path());
    qputenv("ZIDE_HOME", Path().toLocal8Bit());
    qputenv("ZIDE_REGISTRY", RegistryFile().toLocal8Bit());
}

TestHome::~TestHome() {
    qputenv("ZIDE_HOME", oldHome);
    qputenv("ZIDE_REGISTRY", oldRegistry);
}

QString TestHome::Path() const {
    return dir.path();
}
QString TestHome::File(const QString& name) const {
    return dir.filePath(name);
}
QString TestHome::RegistryFile() const {
    return dir.filePath(QStringLiteral("test-registry.reg"));
}

ScriptedPrompt::ScriptedPrompt() {
    Prompt::Install(this);
}
ScriptedPrompt::~ScriptedPrompt() {
    Prompt::Install(nullptr);
}

QMessageBox::StandardButton ScriptedPrompt::Message(QWidget*, QMessageBox::Icon,
                                                    const QString& title, const QString& text,
                                                    QMessageBox::StandardButtons,
                                                    QMessageBox::StandardButton) {
    asked.push_back({QStringLiteral("message"), title, text, QString()});
    return buttons.isEmpty() ? QMessageBox::Ok : buttons.takeFirst();
}

QString ScriptedPrompt::NextPath() {
    return paths.isEmpty() ? QString() : paths.takeFirst();
}

QString ScriptedPrompt::OpenFile(QWidget*, const QString& title, const QString& filter,
                                 const QString& start) {
    asked.push_back({QStringLiteral("open"), title, filter, start});
    return NextPath();
}

QString ScriptedPrompt::SaveFile(QWidget*, const QString& title, const QString& filter,
                                 const QString&, const QString& start) {
    asked.push_back({QStringLiteral("save"), title, filter, start});
    return NextPath();
}

QString ScriptedPrompt::Folder(QWidget*, const QString& title) {
    asked.push_back({QStringLiteral("folder"), title, QString(), QString()});
    return NextPath();
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

void SendEnter(QWidget* widget) {
    const QPointF at(5, 5);
    QEnterEvent event(at, widget->mapToGlobal(at), widget->mapToGlobal(at));
    QCoreApplication::sendEvent(widget, &event);
}

void SendLeave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}
