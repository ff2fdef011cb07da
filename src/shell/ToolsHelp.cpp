// The Tools and Help menus: outside programs, the help page and the About box.
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "settings/ProgramFolder.h"
#include "settings/Prompt.h"
#include "settings/Registry.h"
#include "shell/MainWindow.h"

namespace {
const QString SupportAddress = QStringLiteral("mailto:support@zorbel-builder.org");
const QString HelpCollections =
    QStringLiteral("SOFTWARE\\Microsoft\\HTML Help Collections\\Developer Collections\\0x0409");

bool StartDetached(const QString& commandLine) {
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty())
        return false;
    const QString program = words.takeFirst();
    qint64 pid = 0;
    return QProcess::startDetached(program, words, QString(), &pid) && pid != 0;
}

bool OpenDocument(const QString& path) {
    return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// A command that cannot do its work says so instead of doing nothing.
void CannotRun(QWidget* parent, const QString& text) {
    Prompt::Current().Message(parent, QMessageBox::Information, QApplication::applicationName(),
                              text);
}

// One command line, started without waiting, like the desktop's Run dialog.
class RunDialog : public QDialog {
public:
    explicit RunDialog(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("RunDialog"));
        setWindowTitle(QStringLiteral("Run"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(
            QStringLiteral("Type the name of a program, folder or document to open."), this));
        line = new QLineEdit(this);
        line->setObjectName(QStringLiteral("Text1"));
        line->setMinimumWidth(360);
        layout->addWidget(line);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    QString CommandLine() const { return line->text().trimmed(); }

private:
    QLineEdit* line;
};

bool RunCommandLine(const QString& commandLine) {
    if (commandLine.isEmpty())
        return true;
    // A folder or document opens with its desktop handler; anything else runs.
    if (QFileInfo(commandLine).exists() && !QFileInfo(commandLine).isExecutable())
        return OpenDocument(commandLine);
    return StartDetached(commandLine);
}

void ShowAbout(QWidget* parent) {
    QDialog about(parent);
    about.setObjectName(QStringLiteral("frmAbout"));
    about.setWindowTitle(QStringLiteral("About Zorbel Builder"));
    auto* layout = new QVBoxLayout(&about);
    // As large as its content, no larger, and not resizable.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* picture = new QLabel(&about);
    picture->setPixmap(QIcon(QStringLiteral(":/shell/ICON_00.png")).pixmap(72, 72));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    auto* title = new QLabel(QStringLiteral("<h2>Zorbel Builder</h2>"), &about);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* version = new QLabel(QStringLiteral("Version %1.%2.%3")
                                   .arg(ZIDE_VERSION_MAJOR)
                                   .arg(ZIDE_VERSION_MINOR)
                                   .arg(ZIDE_VERSION_PATCH),
                               &about);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    auto* close = new QPushButton(QStringLiteral("Close"), &about);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, &about, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignCenter);
    about.exec();
}
}  // namespace

void MainWindow::RunToolsHelp(const QString& id) {
    using namespace mdlRegistry;
    if (id == QLatin1String("ToolReg")) {
        // The settings file opens as a document of the IDE itself.
        const QString registry = ProgramFolder::RegistryFile();
        if (QFileInfo::exists(registry)) {
            SetPathToOpenNext(registry);
            OpenFile(nullptr, QString());
        } else {
            CannotRun(this, QStringLiteral("No setting has been saved yet: there is no ") +
                                registry + QStringLiteral(" to show."));
        }
    } else if (id == QLatin1String("ToolRun")) {
        RunDialog dialog(this);
        if (dialog.exec() == QDialog::Accepted && !RunCommandLine(dialog.CommandLine()))
            CannotRun(this, QStringLiteral("Could not run ") + dialog.CommandLine());
    } else if (id == QLatin1String("ToolRes")) {
        CannotRun(this, QStringLiteral("The Resource Editor is a Windows tool: Linux programs "
                                       "keep no resources in the program file."));
    } else if (id == QLatin1String("ToolCmd")) {
        if (!StartDetached(QStringLiteral("x-terminal-emulator")) &&
            !StartDetached(QStringLiteral("xterm")))
            CannotRun(this, QStringLiteral("No terminal found: install xterm or set "
                                           "x-terminal-emulator."));
    } else if (id == QLatin1String("HelpSupport")) {
        if (!QDesktopServices::openUrl(QUrl(SupportAddress)))
            CannotRun(this, QStringLiteral("No mail program is set up. Write to ") +
                                QUrl(SupportAddress).path());
    } else if (id == QLatin1String("HelpIndex")) {
        const QString page = ProgramFolder::File(QStringLiteral("zorbel.html"));
        if (!OpenDocument(page))
            CannotRun(this, QStringLiteral("Could not show the help page ") + page);
    } else if (id == QLatin1String("HelpApi")) {
        const QString collection = GetFirstRegSubKey(RegRoot::LocalMachine, HelpCollections);
        // Not lower-cased as on Windows: file names here are case-sensitive.
        const QString file =
            GetRegString(RegRoot::LocalMachine, HelpCollections + QLatin1Char('\\') + collection,
                         QStringLiteral("Filename"));
        if (collection.isEmpty() || !OpenDocument(file))
            CannotRun(this, QStringLiteral("The Windows API help is not installed on this "
                                           "computer: it is a Windows help collection."));
    } else if (id == QLatin1String("HelpAbout")) {
        ShowAbout(this);
    }
}
