#pragma once
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "build/OutputTarget.h"
#include "settings/Prompt.h"

// Registration of test classes: every test executable runs all classes its
// sources register, in registration order.
namespace TestRegistry {
using Factory = std::function<std::unique_ptr<QObject>()>;
int Add(const char* name, Factory factory);
}  // namespace TestRegistry

#define ZIDE_TEST(Class)                          \
    static const int zideTestRegistered_##Class = \
        TestRegistry::Add(#Class, [] { return std::unique_ptr<QObject>(new Class); });

// A fresh program folder and registry file for one test: ZIDE_HOME points at
// a temporary copy of the shipped program folder, ZIDE_REGISTRY at an empty
// registry file beside it. The previous values come back on destruction.
class TestHome {
public:
    explicit TestHome(bool copyShippedFiles = true);
    ~TestHome();
    QString Path() const;                     // the program folder
    QString File(const QString& name) const;  // Path() + "/" + name
    QString RegistryFile() const;

private:
    QTemporaryDir dir;
    QByteArray oldHome, oldRegistry;
};

// Answers every question of the program from a script and records what was
// asked, so tests never wait for a human.
class ScriptedPrompt : public Prompt {
public:
    struct Asked {
        QString kind;  // "message", "open", "save", "folder"
        QString title;
        QString text;   // message text, or filter for pickers
        QString start;  // where a file picker opens
    };

    ScriptedPrompt();            // installs itself
    ~ScriptedPrompt() override;  // restores the default prompt

    QList<QMessageBox::StandardButton> buttons;  // answers to messages, in order (default: Ok)
    QStringList paths;                           // answers to pickers, in order (default: "")
    std::vector<Asked> asked;

    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override;
    QString OpenFile(QWidget*, const QString& title, const QString& filter,
                     const QString& start) override;
    QString SaveFile(QWidget*, const QString& title, const QString& filter,
                     const QString& defaultSuffix, const QString& start) override;
    QString Folder(QWidget*, const QString& title) override;

private:
    QString NextPath();
};

// Pointer entering and leaving a widget, without a real cursor.
class QWidget;
void SendEnter(QWidget* widget);
void SendLeave(QWidget* widget);

// Reads a whole file (empty when missing) / writes one, creating folders.
QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);

// An output target over a plain string, with the selection semantics of the
// Output pane's text box.
class StringTarget : public OutputTarget {
public:
    QString text;
    int selStart = 0;
    int selLength = 0;

    QString Text() const override { return text; }
    void SetSelStart(int start) override {
        selStart = qBound(0, start, static_cast<int>(text.size()));
        selLength = 0;
    }
    void SetSelLength(int length) override {
        selLength = qBound(0, length, static_cast<int>(text.size()) - selStart);
    }
    void SetSelText(const QString& inserted) override {
        text.replace(selStart, selLength, inserted);
        selStart += inserted.size();
        selLength = 0;
    }
};
