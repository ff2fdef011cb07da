#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "build/MessageLocator.h"
#include "build/OutputTarget.h"
#include "controls/cFlatCtl.h"

class QComboBox;
class QsciScintilla;

// The Output pane (`Form5`): the live output of the tools a build runs, or the
// error file the compiler, the linker or the librarian left in the current
// folder, chosen in `Combo1` and shown in `Text1`. Lines that are messages
// naming a file and a line are underlined; a double-click, NextMessage or
// PreviousMessage picks one, highlights it and reports it with OpenLocation.
//
// Relative file names in the " Output" view are taken in the folder that was
// current when that output started (a build makes its build folder current
// before it runs a tool, and the tools write relative to it); those of an
// error file in the folder it was read from.
class OutputPane : public QWidget {
    Q_OBJECT
public:
    using Message = MessageLocator::Message;
    // Maps a message's resolved file to the file to open; "" keeps the file.
    using SourceMap = std::function<QString(const QString& path)>;

    enum View { OutputView = 0, CompilerView, LinkerView, LibraryView };
    // An error file is shown up to this size; the rest is left out, and a
    // last line says so.
    static constexpr qint64 MaxErrorFileBytes = 4 << 20;
    // Longer lines of an error file (a binary file, say) are shown in pieces
    // of this many characters: laying out one huge line stalls the text box.
    static constexpr int MaxShownLine = 4096;

    explicit OutputPane(QWidget* parent = nullptr);
    ~OutputPane() override;

    // " Output", " Compiler", " Linker", " Library", in the list's order.
    static QStringList ViewNames();
    // " Output" has none; "bcc32.err", "ilink32.err", "tlib.err".
    static QString ErrorFileOf(int view);
    // An error file as its view shows it: "" when it is missing, unreadable,
    // not a regular file, or holds no second line with something on it (only
    // the tool's banner). Any of CR LF, LF or CR ends a line.
    static QString ReadErrorFile(const QString& path);

    // `Text1` as the target the process runner writes a tool's output into.
    OutputTarget* Target() { return &target; }
    // What the build does before it runs a tool: show the " Output" view.
    void SelectOutputView();
    // Shows a view as a pick in `Combo1` does (an error file is read anew).
    void SelectView(int view);
    int CurrentView() const;

    // The messages of the view shown, files resolved and mapped through the
    // source map, in the order of the text.
    QList<Message> Messages() const;
    // The message last picked in the view shown, or -1.
    int CurrentMessage() const { return current; }
    // The folder relative file names of the view shown are taken in.
    QString MessageFolder() const { return viewFolder; }

    // Lets the main window send messages about the solution's "Release"
    // copies to the modules themselves (MessageLocator::SourceOfReleaseCopy).
    void SetSourceMap(SourceMap map);

    QSize sizeHint() const override;

public Q_SLOTS:
    // Pick the message after / before the one last picked, going round at the
    // ends; with none picked yet, the first / the last. Nothing without messages.
    void NextMessage();
    void PreviousMessage();

Q_SIGNALS:
    // A message was picked: the file, its line from 1 and column from 1 (0 when
    // the message names none), as the tool wrote them.
    void OpenLocation(const QString& path, int line, int column);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ViewChosen(int view);
    void ShowText(const QString& text);
    void ContentsChanged(int position);
    void Scan() const;
    void ScheduleScan();
    void Pick(int index);

    QComboBox* Combo1;
    QsciScintilla* Text1;
    QString OutputText;  // the " Output" text while another view shows
    cFlatCtl flatCombo;
    ScintillaTarget target;
    SourceMap sourceMap;

    int shownView = OutputView;
    bool showing = false;  // the pane itself is replacing the text
    QString outputFolder;  // current when the " Output" text started
    QString viewFolder;    // where relative names of the shown text lead

    // Messages are found lazily, and underlined as they are: lines before
    // scannedLines are done (the last line of the text is always looked at
    // again, as output may still grow it).
    mutable QList<Message> messages;
    mutable int scannedLines = 0;
    int current = -1;
    bool scanPending = false;
};
