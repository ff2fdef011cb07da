#include "solution/PropertyList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "settings/CommonDialogs.h"

namespace {

const QString TrueText = QStringLiteral("True");
const QString FalseText = QStringLiteral("False");
const QString BrowseFilter = QStringLiteral("All Files (*.*)|*.*");

int KnownKind(int kind) {
    switch (kind) {
        case PropertyList::Choice:
        case PropertyList::Check:
        case PropertyList::Path:
            return kind;
        default:
            return PropertyList::Text;
    }
}

}  // namespace

PropertyList::PropertyList(QWidget* parent) : QWidget(parent), view(new QTreeWidget(this)) {
    view->setObjectName(QStringLiteral("View"));
    view->setColumnCount(2);
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setIndentation(0);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setAllColumnsShowFocus(true);
    view->setUniformRowHeights(true);
    view->header()->setStretchLastSection(true);
    view->installEventFilter(this);
    connect(view, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now) {
        const int index = RowOf(now);
        if (index >= 0)
            Q_EMIT PropertySelected(index);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
}

void PropertyList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view->setColumnWidth(0, width() * 9 / 20);
}

void PropertyList::Clear() {
    // The editors go with their items; nothing may point at them after.
    settingRow = -1;
    rows.clear();
    categories.clear();
    view->clear();
}

int PropertyList::AddProperty(const QString& name, int kind, const QString& category) {
    QTreeWidgetItem* parent = nullptr;
    if (!category.isEmpty()) {
        parent = categories.value(category);
        if (!parent) {
            parent = new QTreeWidgetItem(view, {category});
            parent->setFlags(Qt::ItemIsEnabled);
            parent->setFirstColumnSpanned(true);
            QFont bold = parent->font(0);
            bold.setBold(true);
            parent->setFont(0, bold);
            categories.insert(category, parent);
            view->setRootIsDecorated(true);
            view->setIndentation(12);
        }
    }
    auto* item = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(view, {name});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(0, name);
    if (parent)
        parent->setExpanded(true);

    Row row;
    row.item = item;
    row.name = name;
    row.kind = KnownKind(kind);
    row.category = category;
    rows.append(row);
    const int index = Count() - 1;
    view->setItemWidget(item, 1, MakeEditor(index));
    return index;
}

QWidget* PropertyList::MakeEditor(int index) {
    Row& row = rows[index];
    QWidget* editor = nullptr;
    switch (row.kind) {
        case Choice: {
            auto* combo = new QComboBox;
            combo->setCurrentIndex(-1);
            connect(combo, &QComboBox::currentIndexChanged, this, [this, index, combo](int chosen) {
                Store(index, chosen < 0 ? QString() : combo->itemText(chosen));
            });
            editor = row.input = combo;
            break;
        }
        case Check: {
            auto* box = new QCheckBox;
            connect(box, &QCheckBox::toggled, this,
                    [this, index](bool on) { Store(index, on ? TrueText : FalseText); });
            editor = row.input = box;
            break;
        }
        case Path: {
            editor = new QWidget;
            auto* line = new QLineEdit(editor);
            auto* button = new QToolButton(editor);
            button->setText(QStringLiteral("..."));
            button->setToolTip(row.name);
            auto* layout = new QHBoxLayout(editor);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            layout->addWidget(line, 1);
            layout->addWidget(button);
            connect(line, &QLineEdit::textEdited, this,
                    [this, index](const QString& text) { Store(index, text); });
            connect(button, &QToolButton::clicked, this, [this, index] { Browse(index); });
            button->installEventFilter(this);
            row.input = line;
            row.browse = button;
            break;
        }
        default: {
            auto* line = new QLineEdit;
            connect(line, &QLineEdit::textEdited, this,
                    [this, index](const QString& text) { Store(index, text); });
            editor = row.input = line;
            break;
        }
    }
    editor->setObjectName(QStringLiteral("value%1").arg(index));
    editor->setAutoFillBackground(true);
    row.input->installEventFilter(this);
    row.editor = editor;
    return editor;
}

void PropertyList::Store(int index, const QString& value) {
    if (!Valid(index) || index == settingRow || rows[index].value == value)
        return;
    rows[index].value = value;
    Q_EMIT ValueChanged(index, value);
}

void PropertyList::Browse(int index) {
    if (!Valid(index))
        return;
    Select(index);
    const QString chosen = mdlCommonDialog::ShowOpenDialog(this, BrowseFilter, rows[index].name,
                                                           mdlCommonDialog::OFN_EXPLORER)
                               .trimmed();
    // The dialog may have run a loop in which the grid was refilled.
    if (chosen.isEmpty() || !Valid(index))
        return;
    SetValue(index, chosen);
}

QString PropertyList::Name(int index) const {
    return Valid(index) ? rows[index].name : QString();
}

int PropertyList::KindOf(int index) const {
    return Valid(index) ? rows[index].kind : -1;
}

QString PropertyList::Category(int index) const {
    return Valid(index) ? rows[index].category : QString();
}

QString PropertyList::Description(int index) const {
    return Valid(index) ? rows[index].description : QString();
}

void PropertyList::SetDescription(int index, const QString& description) {
    if (!Valid(index))
        return;
    rows[index].description = description;
    rows[index].item->setToolTip(0, description.isEmpty() ? rows[index].name : description);
}

void PropertyList::AddChoice(int index, const QString& choice) {
    if (!Valid(index))
        return;
    Row& row = rows[index];
    row.choices << choice;
    if (auto* combo = qobject_cast<QComboBox*>(row.input)) {
        // Adding the first item would select it; the value stays unset.
        settingRow = index;
        combo->addItem(choice);
        combo->setCurrentIndex(
            combo->findText(row.value, Qt::MatchExactly | Qt::MatchCaseSensitive));
        settingRow = -1;
    }
}

QStringList PropertyList::Choices(int index) const {
    return Valid(index) ? rows[index].choices : QStringList();
}

QString PropertyList::Value(int index) const {
    return Valid(index) ? rows[index].value : QString();
}

void PropertyList::SetValue(int index, const QString& value) {
    if (!Valid(index))
        return;
    Row& row = rows[index];
    QString stored = value;
    settingRow = index;
    switch (row.kind) {
        case Choice: {
            auto* combo = static_cast<QComboBox*>(row.input);
            const int chosen = combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
            combo->setCurrentIndex(chosen);
            if (chosen < 0)
                stored.clear();
            break;
        }
        case Check: {
            const bool on = value.toLower() == QLatin1String("true");
            static_cast<QCheckBox*>(row.input)->setChecked(on);
            if (!value.isEmpty())
                stored = on ? TrueText : FalseText;
            break;
        }
        default:
            static_cast<QLineEdit*>(row.input)->setText(value);
            break;
    }
    settingRow = -1;
    Store(index, stored);
}

int PropertyList::IndexOf(const QString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (rows[i].name == name)
            return i;
    return -1;
}

QString PropertyList::Value(const QString& name) const {
    return Value(IndexOf(name));
}

bool PropertyList::SetValue(const QString& name, const QString& value) {
    const int index = IndexOf(name);
    SetValue(index, value);
    return index >= 0;
}

int PropertyList::Selected() const {
    return RowOf(view->currentItem());
}

void PropertyList::Select(int index) {
    if (Valid(index))
        view->setCurrentItem(rows[index].item);
}

QWidget* PropertyList::Editor(int index) const {
    return Valid(index) ? rows[index].editor : nullptr;
}

QWidget* PropertyList::BrowseButton(int index) const {
    return Valid(index) ? rows[index].browse : nullptr;
}

int PropertyList::RowOf(const QTreeWidgetItem* item) const {
    for (int i = 0; item && i < Count(); ++i)
        if (rows[i].item == item)
            return i;
    return -1;
}

int PropertyList::RowOfEditor(QObject* object) const {
    for (int i = 0; object && i < Count(); ++i)
        if (rows[i].input == object || rows[i].browse == object)
            return i;
    return -1;
}

void PropertyList::FocusValue(int index) {
    if (!Valid(index))
        return;
    Select(index);
    rows[index].input->setFocus(Qt::TabFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(rows[index].input))
        line->selectAll();
}

bool PropertyList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int index = Selected();
        if (index < 0)
            return false;
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_F2:
                FocusValue(index);
                return true;
            case Qt::Key_Space:
                if (auto* box = qobject_cast<QCheckBox*>(rows[index].input)) {
                    box->toggle();
                    return true;
                }
                return false;
            default:
                return false;
        }
    }

    const int index = RowOfEditor(watched);
    if (index < 0)
        return false;
    if (event->type() == QEvent::FocusIn) {
        // Working in a value selects its row, so the description follows.
        Select(index);
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            view->setFocus(Qt::OtherFocusReason);
            return true;
        }
        // A combo box uses Up/Down to choose; a line moves between rows.
        if (qobject_cast<QLineEdit*>(watched) && key->modifiers() == Qt::NoModifier) {
            if (key->key() == Qt::Key_Up && index > 0) {
                FocusValue(index - 1);
                return true;
            }
            if (key->key() == Qt::Key_Down && index + 1 < Count()) {
                FocusValue(index + 1);
                return true;
            }
        }
    }
    return false;
}
