#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

#include "TestSupport.h"

class DockHost;
class DocWindow;
class MainWindow;

// A whole IDE for one test: its own program folder and settings file,
// scripted answers to every question, and the main window, started unless
// the test wants to prepare something first.
struct Ide {
    TestHome home;
    ScriptedPrompt prompt;
    std::unique_ptr<MainWindow> window;

    explicit Ide(bool start = true);
    ~Ide();
    void Start(const QString& commandLine = QString());

    DockHost* host() const;
    QString ActiveKey() const;
    // Writes `text` to `name` below the program folder; returns its path.
    QString Write(const QString& name, const QByteArray& text = "Sub Main\r\nEnd Sub\r\n") const;
    // File Open without a dialog; windows closed meanwhile are gone after it.
    void Open(const QString& path);
    // The file names of the module windows, in window order.
    QStringList OpenFiles() const;
    DocWindow* WindowFor(const QString& path) const;
};
