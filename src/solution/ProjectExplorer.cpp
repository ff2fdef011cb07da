#include "solution/ProjectExplorer.h"

#include <QCursor>
#include <QDirIterator>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "controls/Tree.h"
#include "settings/PathHelpers.h"
#include "settings/ProgramFolder.h"
#include "solution/SolutionState.h"

using mdlSolutionFile::IsModuleKey;

namespace {

const QString RootKey = QStringLiteral("root");
const QString SourcesKey = QStringLiteral("source");
const QString LibrariesKey = QStringLiteral("libs");
const QString LibraryPrefix = QStringLiteral("libs::");

QString RootText(const QString& name) {
    return name.trimmed().isEmpty() ? QStringLiteral("Blank") : name;
}

// A path has no blanks to break at: it wraps at any character, so the whole
// of it shows in the narrow strip.
class PathLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::WrapAnywhere);
        painter.drawText(contentsRect(), text(), option);
    }
};

}  // namespace

ProjectExplorer::ProjectExplorer(QWidget* parent)
    : QWidget(parent),
      Tree1(new Tree(this)),
      Shape1(new QFrame(this)),
      Label2(new QLabel(QStringLiteral("FileName"), Shape1)),
      Label1(new PathLabel(Shape1)) {
    setObjectName(QStringLiteral("Form6"));
    Tree1->setObjectName(QStringLiteral("Tree1"));
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label1->setObjectName(QStringLiteral("Label1"));

    Tree1->SethImageList(Tree::LoadList(QStringLiteral("tree")));
    Tree1->SetBorder(1);

    Shape1->setFrameShape(QFrame::StyledPanel);
    Shape1->setFixedHeight(StripHeight);
    QFont caption = Label2->font();
    caption.setBold(true);
    Label2->setFont(caption);
    // A long path must not widen the pane.
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    auto* strip = new QVBoxLayout(Shape1);
    strip->setContentsMargins(6, 4, 6, 4);
    strip->setSpacing(2);
    strip->addWidget(Label2);
    strip->addWidget(Label1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(Tree1, 1);
    layout->addWidget(Shape1);

    connect(Tree1, &Tree::ItemClick, this, &ProjectExplorer::ItemClick);
    connect(Tree1, &Tree::ItemDblClick, this, &ProjectExplorer::ItemDblClick);
}

void ProjectExplorer::InitializeProject() {
    Tree1->DeleteAllItems();
    ShowPath(QString());
    Tree1->AddItem(TreeRef(), Tree::Sorted, RootKey, RootText(SolutionState.Name), SolutionImage);
    Tree1->AddItem(RootKey, Tree::Sorted, SourcesKey, QStringLiteral("Sources"), FolderImage);
    Tree1->AddItem(RootKey, Tree::Sorted, LibrariesKey, QStringLiteral("Libraries"), FolderImage);
    AddLibraries();
}

void ProjectExplorer::AddLibraries() {
    // Sorted by name, so every start lists the same libraries whatever order
    // the file system keeps. The case-folded names order them as the tree's
    // own case-blind sorting would, so each one can go last, which spares the
    // tree a search among thousands of siblings.
    QList<std::pair<QString, QString>> names;
    QDirIterator listing(ProgramFolder::File(QStringLiteral("lib")), {QStringLiteral("*.zlm")},
                         QDir::Files);
    while (listing.hasNext()) {
        const QString name = listing.nextFileInfo().fileName();
        names.append({name.toCaseFolded(), name});
    }
    const qsizetype kept = qMin<qsizetype>(names.size(), MaxLibraries);
    std::partial_sort(names.begin(), names.begin() + kept, names.end());
    names.resize(kept);
    for (const auto& [folded, name] : std::as_const(names)) {
        const QString base = BaseNameOf(name);
        Tree1->AddItem(LibrariesKey, Tree::Last, LibraryPrefix + base, base, LibraryImage);
    }
}

QStringList ProjectExplorer::LoadSolution(const QString& file) {
    InitializeProject();
    SolutionState.SolutionPath = file;
    const mdlSolutionFile::SolutionLoad load = mdlSolutionFile::LoadSolution(file);
    SolutionState.FilesCount = load.FilesCount;
    SolutionState.Name = load.Name;
    SolutionState.Startup = load.Startup;
    SolutionState.BuildBatch = load.BuildBatch;
    RenameRoot(SolutionState.Name);
    return load.Modules;
}

QString ProjectExplorer::AddProjectFile(const QString& path, int image) {
    const QString key = SolutionState.NextFileKey();
    AddFile(key, path, image);
    return key;
}

void ProjectExplorer::AddFile(const QString& key, const QString& path, int image) {
    const int slot = Tree1->AddItem(SourcesKey, Tree::Last, key, BaseNameOf(path), image);
    Tree1->SetItemTag(slot, path);
}

void ProjectExplorer::AddNewModule(const QString& key) {
    Tree1->AddItem(SourcesKey, Tree::Last, key, QStringLiteral("blank"), NewModuleImage);
}

QString ProjectExplorer::KeyOf(const QString& path) const {
    return mdlSolutionFile::KeyOf(Items(), path);
}

void ProjectExplorer::UpdateFile(const QString& key, const QString& path) {
    if (!IsModuleKey(key))
        return;
    Tree1->RenameItem(key, BaseNameOf(path));
    Tree1->SetItemTag(key, path);
}

void ProjectExplorer::DropFile(const QString& key) {
    if (IsModuleKey(key))
        Tree1->DeleteItem(key);
}

void ProjectExplorer::RenameRoot(const QString& name) {
    Tree1->RenameItem(RootKey, RootText(name));
}

void ProjectExplorer::RemoveSelected() {
    // Only modules leave: the menu may still be enabled from a right click
    // on a module when another item has since been clicked.
    const int slot = Tree1->ItemIndex();
    if (slot < 0 || !IsModuleKey(Tree1->ItemKey().trimmed()))
        return;
    const QString tag = Tree1->ItemTag().toString();
    Tree1->DeleteItem(slot);
    if (Label1->text() == tag)
        ShowPath(QString());
    if (!tag.trimmed().isEmpty() && tag.trimmed() == SolutionState.Startup.trimmed())
        SolutionState.Startup.clear();
}

QList<mdlSolutionFile::SolutionItem> ProjectExplorer::Items() const {
    QList<mdlSolutionFile::SolutionItem> items;
    items.reserve(Tree1->ItemCount());
    for (int i = 0; i < Tree1->ItemCount(); ++i) {
        const QVariantList node = Tree1->GetItemNode(i);
        items.append({node.value(2).toString(), node.value(4).toString()});
    }
    return items;
}

bool ProjectExplorer::CheckFile(const QString& path) const {
    return mdlSolutionFile::CheckFile(Items(), path);
}

bool ProjectExplorer::SaveSolution(const QString& path) const {
    return mdlSolutionFile::SaveSolution(path, SolutionState, Items());
}

void ProjectExplorer::ShowPath(const QString& path) {
    Label1->setText(path);
    // The strip shows a few lines; the tip shows a path of any length.
    Label1->setToolTip(path);
}

void ProjectExplorer::ItemClick(int button, const QString&, const QString&, int) {
    // The tree has just made the clicked item the current one; its slot is
    // reliable where the event's index may be stale after a removal.
    ShowPath(Tree1->ItemTag().toString());
    if (button != 2)
        return;
    if (host)
        host->SetRemoveEnabled(IsModuleKey(Tree1->ItemKey().trimmed()));
    QTimer::singleShot(MenuDelayMs, this, [this] {
        if (host)
            host->ShowProjectMenu(QCursor::pos());
    });
}

void ProjectExplorer::ItemDblClick(const QString& text, const QString& key, int) {
    if (!host)
        return;
    if (key.startsWith(LibraryPrefix)) {
        // A library's source lies beside its .zlm.
        const QString source = ProgramFolder::File(QStringLiteral("lib/") + text + ".zbl");
        if (!host->ActivateFileWindow(source))
            host->OpenFileWindow(source, QString());
        return;
    }
    const QString path = Tree1->ItemTag().toString();
    if (host->ActivateKeyWindow(key))
        return;
    if (!path.trimmed().isEmpty())
        host->OpenFileWindow(path, key);
}
