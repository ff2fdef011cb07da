#include "editor/EditorWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "settings/Prompt.h"

namespace {
const QString CaptionPrefix = QStringLiteral("Module :   ");

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
}  // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QWidget(parent),
      Picture1(Named(new QFrame, "Picture1")),
      Label1(Named(new QLabel(QStringLiteral("Module : ")), "Label1")),
      Combo1(Named(new QComboBox, "Combo1")),
      Combo2(Named(new QComboBox, "Combo2")),
      cmaxEdit(new CodeEditor) {
    setObjectName(QStringLiteral("Form2"));
    Combo1->addItem(QStringLiteral("(General)"));
    Combo2->addItem(QStringLiteral("(Declarations)"));

    auto* bar = new QHBoxLayout(Picture1);
    bar->setContentsMargins(4, 2, 4, 2);
    bar->addWidget(Label1);
    bar->addWidget(Combo1, 1);
    bar->addWidget(Combo2, 1);
    Picture1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Picture1);
    layout->addWidget(cmaxEdit, 1);
    setFocusProxy(cmaxEdit);

    connect(cmaxEdit, &CodeEditor::TextChanged, this, &EditorWindow::OnTextChanged);
    connect(cmaxEdit, &CodeEditor::SelectionChanged, this, &EditorWindow::OnSelectionChanged);
    connect(cmaxEdit, &CodeEditor::KeyDown, this, &EditorWindow::OnKeyDown);
    connect(cmaxEdit, &CodeEditor::KeyPress, this, &EditorWindow::OnKeyPress);
    connect(cmaxEdit, &CodeEditor::MouseDown, this, &EditorWindow::OnMouseDown);
    connect(cmaxEdit, &CodeEditor::MouseUp, this, &EditorWindow::OnMouseUp);
    connect(cmaxEdit, &CodeEditor::CommandFailed, this, &EditorWindow::OnCommandFailed);
}

void EditorWindow::LoadFile(const QString& name) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString caption = CaptionPrefix;
    fileName = name;
    cmaxEdit->SetDocumentPath(name);
    QCoreApplication::processEvents();
    if (!name.trimmed().isEmpty()) {
        cmaxEdit->OpenFile(name);
        QCoreApplication::processEvents();
        QString normalised = name;
        moduleName =
            normalised.replace(QLatin1Char('\\'), QLatin1Char('/')).section(QLatin1Char('/'), -1);
        caption += moduleName;
    }
    Label1->setText(caption);
    QApplication::restoreOverrideCursor();
}

void EditorWindow::SetFileName(const QString& name) {
    fileName = name;
    cmaxEdit->SetDocumentPath(name);
}

bool EditorWindow::CanUndo() const {
    return cmaxEdit->CanUndo();
}
bool EditorWindow::CanRedo() const {
    return cmaxEdit->CanRedo();
}
bool EditorWindow::CanCopy() const {
    return cmaxEdit->CanCopy();
}
bool EditorWindow::CanCut() const {
    return cmaxEdit->CanCut();
}
bool EditorWindow::CanPaste() const {
    return cmaxEdit->CanPaste();
}
bool EditorWindow::CanDelete() const {
    return cmaxEdit->CanUndo();
}

QString EditorWindow::CurrentPosition() const {
    const EditorRange range = cmaxEdit->GetSel(false);
    return QStringLiteral("%1/%2").arg(range.endLine).arg(range.endColumn);
}

QString EditorWindow::CurrentLine() const {
    return QStringLiteral("%1/%2").arg(CaretLine()).arg(cmaxEdit->LineCount());
}

int EditorWindow::CaretLine() const {
    return cmaxEdit->GetSel(false).endLine;
}

void EditorWindow::OnTextChanged() {
    if (!docChanged)
        docChanged = true;
}

void EditorWindow::OnSelectionChanged() {
    Q_EMIT StatusText(QStringLiteral("Position : ") + CurrentPosition());
}

void EditorWindow::OnKeyDown(int key, int) {
    switch (key) {
        case CodeEditor::VkEscape:
        case CodeEditor::VkTab:
        case CodeEditor::VkReturn:
        case CodeEditor::VkLeft:
        case CodeEditor::VkUp:
        case CodeEditor::VkRight:
        case CodeEditor::VkDown:
            Q_EMIT UpdateUIRequested();
            break;
        default:
            break;
    }
    lineAtDown = CaretLine();
}

void EditorWindow::OnKeyPress(int key, int) {
    if (key == CodeEditor::VkEscape || key == CodeEditor::VkTab || key == CodeEditor::VkReturn)
        Q_EMIT UpdateUIRequested();
}

void EditorWindow::OnMouseDown(int button, int, QPoint) {
    leftButtonDown = button == CodeEditor::ButtonLeft;
    lineAtDown = CaretLine();
}

void EditorWindow::OnMouseUp(int button, int, QPoint position) {
    if (leftButtonDown) {
        Q_EMIT UpdateUIRequested();
        leftButtonDown = false;
        OnSelectionChanged();
    }
    if (button == CodeEditor::ButtonRight && cmaxEdit->HitTest(position) == CodeEditor::HitText)
        Q_EMIT EditMenuRequested();
}

void EditorWindow::OnCommandFailed(int, int code, bool* handled) {
    if (code != CodeEditor::NotFound)
        return;
    Prompt::Current().Message(this, QMessageBox::Warning, QApplication::applicationName(),
                              QStringLiteral("  Search text is not found. "), QMessageBox::Ok);
    if (handled)
        *handled = true;
}
