#include "tasks/TaskListPane.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <iterator>

#include "controls/ButtonXP.h"
#include "controls/List.h"
#include "tasks/TaskFile.h"

namespace {

// The strip's colour is the buttons' own, so a resting button shows no edge.
const QColor StripColor(219, 216, 209);
constexpr int IconSize = 16;
// A button narrowed to its icon when the captions do not fit.
constexpr int IconOnlyWidth = 24;

ButtonXP* MakeButton(QWidget* strip, const char* name, const QString& caption,
                     const char* themeIcon, QStyle::StandardPixmap fallback) {
    auto* button = new ButtonXP(strip);
    button->setObjectName(QLatin1String(name));
    button->SetCaption(caption);
    button->setToolTip(caption);
    const QIcon icon =
        QIcon::fromTheme(QLatin1String(themeIcon), strip->style()->standardIcon(fallback));
    button->SetButtonIcon(icon.pixmap(IconSize, IconSize));
    return button;
}

}  // namespace

TaskListPane::TaskListPane(QWidget* parent)
    : QWidget(parent),
      Picture3(new QFrame(this)),
      Label1(new QLabel(QStringLiteral("TASKS"), Picture3)),
      xp1(MakeButton(Picture3, "xp1", QStringLiteral("Add Task"), "list-add", QStyle::SP_FileIcon)),
      xp2(MakeButton(Picture3, "xp2", QStringLiteral("Edit Task"), "document-edit",
                     QStyle::SP_FileDialogDetailedView)),
      ButtonXP1(MakeButton(Picture3, "ButtonXP1", QStringLiteral("Remove Task"), "list-remove",
                           QStyle::SP_TrashIcon)),
      ButtonXP2(MakeButton(Picture3, "ButtonXP2", QStringLiteral("Move Up"), "go-up",
                           QStyle::SP_ArrowUp)),
      ButtonXP3(MakeButton(Picture3, "ButtonXP3", QStringLiteral("Move Down"), "go-down",
                           QStyle::SP_ArrowDown)),
      List1(new List(this)) {
    setObjectName(QStringLiteral("Form11"));
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Label1->setObjectName(QStringLiteral("Label1"));
    List1->setObjectName(QStringLiteral("List1"));

    Picture3->setAutoFillBackground(true);
    QPalette strip = Picture3->palette();
    strip.setColor(QPalette::Window, StripColor);
    strip.setColor(QPalette::WindowText, Qt::black);
    Picture3->setPalette(strip);
    QFont title = Label1->font();
    title.setBold(true);
    Label1->setFont(title);

    List1->SetItemHeight(16);
    QFont listFont = List1->Font();
    // Tahoma where it is installed, else the desktop's own face rather than
    // whatever the font matcher thinks resembles it.
    listFont.setFamilies({QStringLiteral("Tahoma"), QApplication::font().family()});
    List1->SetFont(listFont);
    List1->SetListImage(QStringLiteral("TASK"));

    connect(xp1, &ButtonXP::Click, this, &TaskListPane::AddTask);
    connect(xp2, &ButtonXP::Click, this, &TaskListPane::EditTask);
    connect(ButtonXP1, &ButtonXP::Click, this, &TaskListPane::RemoveTask);
    connect(ButtonXP2, &ButtonXP::Click, this, [this] {
        FinishEdit();
        List1->ItemUp();
    });
    connect(ButtonXP3, &ButtonXP::Click, this, [this] {
        FinishEdit();
        List1->ItemDown();
    });
    connect(List1, &List::ItemMoved, this, &TaskListPane::SaveTasks);
    connect(List1, &List::AfterEdit, this, &TaskListPane::EditEnded);

    resize(260, 200);
    LoadTasks();
}

TaskListPane::~TaskListPane() {
    // An edit still open when the pane goes is kept, as leaving it would.
    if (List1->IsEditing())
        List1->SetListText(List1->ListIndex(), List1->Text1Widget()->text());
    SaveTasks();
}

void TaskListPane::LoadTasks() {
    // An edit left open belongs to rows that are going; it is dropped, not
    // written into the file the new rows come from.
    if (List1->IsEditing()) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(List1->Text1Widget(), &escape);
    }
    List1->Clear();
    for (const QString& task : TaskFile::Read(TaskFile::Path()))
        List1->AddItem(task);
}

void TaskListPane::SaveTasks() {
    TaskFile::Write(TaskFile::Path(), Tasks());
}

QStringList TaskListPane::Tasks() const {
    QStringList tasks;
    for (int i = 0; i < List1->ListCount(); ++i)
        tasks << List1->ListText(i);
    return tasks;
}

QSize TaskListPane::sizeHint() const {
    return QSize(260, 200);
}

void TaskListPane::AddTask() {
    FinishEdit();
    List1->AddItem(QStringLiteral("New Task"));
    List1->SetListIndex(List1->ListCount() - 1);
    List1->DoEdit();
    SaveTasks();
}

void TaskListPane::EditTask() {
    FinishEdit();
    List1->DoEdit();
    SaveTasks();
}

void TaskListPane::RemoveTask() {
    FinishEdit();
    List1->RemoveItem(List1->ListIndex());
    SaveTasks();
}

void TaskListPane::EditEnded(QString& text, bool& cancel) {
    // The list takes the text only after this returns; the file gets it now.
    if (!cancel)
        List1->SetListText(List1->ListIndex(), text);
    SaveTasks();
}

void TaskListPane::FinishEdit() {
    // The buttons take no focus, so an edit may still be open: end it as
    // Enter does, before the rows change under it.
    if (!List1->IsEditing())
        return;
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(List1->Text1Widget(), &enter);
}

void TaskListPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void TaskListPane::LayOut() {
    const int stripHeight = qMax(23, fontMetrics().height() + 8);
    const int inner = qMax(width() - 1, 0);
    Picture3->setGeometry(0, 0, inner, stripHeight);
    List1->setGeometry(0, stripHeight, inner, qMax(height() - stripHeight, 0));

    const int titleLeft = 4;
    Label1->setGeometry(titleLeft, 0, qMax(inner - titleLeft - 4, 0), stripHeight);

    // The buttons line up at the strip's right end, captioned while the
    // captions fit beside the title and icons only when they do not.
    ButtonXP* const buttons[] = {xp1, xp2, ButtonXP1, ButtonXP2, ButtonXP3};
    const int gap = 1;
    const int titleRight = titleLeft + Label1->sizeHint().width() + 8;
    int captioned = 0;
    for (const ButtonXP* button : buttons)
        captioned += button->sizeHint().width() + gap;
    const bool withCaptions = titleRight + captioned <= inner;
    const int buttonHeight = stripHeight - 2;
    int x = inner - 2;
    for (auto it = std::rbegin(buttons); it != std::rend(buttons); ++it) {
        ButtonXP* button = *it;
        const int w = withCaptions ? button->sizeHint().width() : IconOnlyWidth;
        x -= w;
        button->setGeometry(x, 1, w, buttonHeight);
        x -= gap;
    }
}
