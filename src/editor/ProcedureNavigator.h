#pragma once
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringView>

class CodeEditor;
class QComboBox;

// One procedure header of a module: the text the procedure list shows and the
// zero-based line it stands on.
struct ProcedureEntry {
    QString text;
    int line = 0;
    bool operator==(const ProcedureEntry&) const = default;
};

// What a scan of a whole module finds.
struct ProcedureScan {
    QList<ProcedureEntry> entries;  // in file order
    int lineCount = 0;
    // The procedure list index to select (0 is "(Declarations)", i is
    // entries[i - 1]), or -1 when neither list gets a selection.
    int selection = -1;
};

// The entry a procedure header adds to the list ("Name", "Name(PropertyGet)",
// ...), or a null string when the line is no header. Only the text before
// the first "(" counts; blanks around it do not.
QString ProcedureEntryText(QStringView line);

// Scans every line of `text` for procedure headers and picks the entry that
// holds `caretLine`: the last header at or above it, where line 0 counts as
// line 1. Lines end at CR LF, LF or CR, as the editor counts them. One pass
// over the text; only header names are copied.
ProcedureScan ScanProcedures(QStringView text, int caretLine);
// The same over UTF-8 bytes, such as the editor's own buffer.
ProcedureScan ScanProceduresUtf8(QByteArrayView text, int caretLine);

// The two lists above a module's text: `Combo1` (objects, only "(General)")
// and `Combo2` (procedures). Scan rebuilds both from the editor's text;
// picking an entry in `Combo2` moves the caret to its header, but only while
// the list is armed, which it is from the moment it gains the focus (after a
// fresh scan) until it loses it. Selections a scan makes never move the caret.
class ProcedureNavigator : public QObject {
    Q_OBJECT
public:
    ProcedureNavigator(CodeEditor* editor, QComboBox* objectList, QComboBox* procedureList,
                       QObject* parent = nullptr);
    ~ProcedureNavigator() override;

    // Rebuilds both lists from the editor's text and selects the caret's
    // procedure. The procedure list does not repaint until the scan is done.
    void Scan();
    // Puts a scan result into the lists; Scan calls it.
    void Apply(const ProcedureScan& scan);
    // The user picked entry `index` of the procedure list.
    void Navigate(int index);

    // True while a scan runs: selection changes then are the scan's own.
    bool Busy() const { return busy; }
    // True while the procedure list has the focus.
    bool Armed() const { return armed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<CodeEditor> editor;
    QPointer<QComboBox> objects;
    QPointer<QComboBox> procedures;
    QList<ProcedureEntry> shown;  // what the procedure list holds after "(Declarations)"
    bool filled = false;          // the list has been filled by a scan at least once
    bool busy = false;
    bool armed = false;
};
