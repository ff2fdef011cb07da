#include "settings/FileAssociations.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <array>

#include "settings/AtomicFile.h"
#include "settings/ProgramFolder.h"
#include "settings/Registry.h"

// At file scope: Q_INIT_RESOURCE does not work inside a namespace.
static QImage ProgramIcon() {
    Q_INIT_RESOURCE(shell);
    return QImage(QStringLiteral(":/shell/ICON_00.png"));
}

namespace FileAssociations {

using mdlRegistry::RegRoot;

const QString ModuleType = QStringLiteral("text/x-zorbel-module");
const QString SolutionType = QStringLiteral("application/x-zorbel-solution");
const QString LibraryType = QStringLiteral("text/x-zorbel-library");

namespace {

const QString AppName = QStringLiteral("zorbel-builder");
constexpr std::array IconSizes{32, 48, 128};
// A tool that has not finished by then is stopped: it must not linger.
constexpr int RefreshTimeLimit = 30000;

struct FileType {
    QString extension;  // ".zbl"
    QString progId;
    int iconIndex;  // index into the program's icons, as Windows numbers them
    bool opens;     // whether the IDE is its opener
    const QString* mimeType;
    QString comment;
    QString badge;  // the short text on its icon
    QColor colour;
};

const std::array<FileType, 3>& Types() {
    static const std::array<FileType, 3> types{{
        {".zbl", "ZBL.File", 5, true, &ModuleType, "Zorbel module", "ZBL", QColor(40, 90, 170)},
        {".zsl", "ZBL.Solution", 6, true, &SolutionType, "Zorbel solution", "ZSL",
         QColor(40, 140, 70)},
        {".zlm", "ZBL.Module", 8, false, &LibraryType, "Zorbel library module", "ZLM",
         QColor(190, 110, 20)},
    }};
    return types;
}

QString IconName(const QString& mimeType) {
    return QString(mimeType).replace('/', '-');
}

QString IconFile(int size, const QString& context, const QString& name,
                 const QString& share = DataHome()) {
    return share + QStringLiteral("/icons/hicolor/%1x%1/%2/%3.png").arg(size).arg(context, name);
}

QString XmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

QByteArray MimePackage() {
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const FileType& type : Types()) {
        xml += QStringLiteral(
                   "  <mime-type type=\"%1\">\n"
                   "    <comment>%2</comment>\n"
                   "    <sub-class-of type=\"text/plain\"/>\n"
                   "    <icon name=\"%3\"/>\n"
                   "    <glob pattern=\"*%4\"/>\n"
                   "  </mime-type>\n")
                   .arg(*type.mimeType, XmlEscaped(type.comment), IconName(*type.mimeType),
                        type.extension);
    }
    xml += QStringLiteral("</mime-info>\n");
    return xml.toUtf8();
}

QByteArray DesktopEntry(const QString& programPath) {
    QString mimeTypes;
    for (const FileType& type : Types())
        if (type.opens)
            mimeTypes += *type.mimeType + ';';
    const QString entry = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Version=1.0\n"
                              "Name=Zorbel Builder\n"
                              "GenericName=Zorbel IDE\n"
                              "Comment=Edit, build and run Zorbel programs\n"
                              "Exec=%1\n"
                              "Icon=%2\n"
                              "Terminal=false\n"
                              "StartupNotify=false\n"
                              "Categories=Development;IDE;\n"
                              "MimeType=%3\n")
                              .arg(DesktopExec(programPath), AppName, mimeTypes);
    return entry.toUtf8();
}

QImage Scaled(const QImage& image, int size) {
    if (image.isNull())
        return {};
    return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

// A page with a folded corner, the program icon on it and a coloured band
// with the type's short name, so the three types tell apart at a glance.
QImage DocumentIcon(int size, const FileType& type, const QImage& programIcon) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal left = size * 0.14, right = size * 0.86, top = size * 0.04, bottom = size * 0.96;
    const qreal fold = size * 0.22;
    QPainterPath page;
    page.moveTo(left, top);
    page.lineTo(right - fold, top);
    page.lineTo(right, top + fold);
    page.lineTo(right, bottom);
    page.lineTo(left, bottom);
    page.closeSubpath();
    painter.setPen(QPen(QColor(110, 110, 110), std::max(1.0, size / 48.0)));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawPath(page);
    QPainterPath corner;
    corner.moveTo(right - fold, top);
    corner.lineTo(right - fold, top + fold);
    corner.lineTo(right, top + fold);
    corner.closeSubpath();
    painter.setBrush(QColor(215, 215, 215));
    painter.drawPath(corner);

    const int picture = qRound(size * 0.46);
    const QImage small = Scaled(programIcon, picture);
    if (!small.isNull())
        painter.drawImage(QPointF((size - small.width()) / 2.0, size * 0.2), small);

    const QRectF band(left, size * 0.7, right - left, size * 0.2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(type.colour);
    painter.drawRect(band);
    // Text needs the fonts of a running GUI application.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(std::max(6, qRound(band.height() * 0.75)));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, type.badge);
    }
    painter.end();
    return image;
}

// Writes `bytes` unless the file already holds them; true when it changed.
bool WriteIfChanged(const QString& path, const QByteArray& bytes) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() &&
        existing.readAll() == bytes)
        return false;
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return WriteFileAtomically(path, bytes);
}

QByteArray PngBytes(const QImage& image) {
    QByteArray bytes;
    if (image.isNull())
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool RemoveFile(const QString& path) {
    return QFile::exists(path) && QFile::remove(path);
}

// The refresh tools started and not yet finished.
QList<QPointer<QProcess>>& Running() {
    static QList<QPointer<QProcess>> running;
    return running;
}

void StartTool(const QString& name, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty() || !QCoreApplication::instance())
        return;
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             process->deleteLater();
                     });
    QTimer::singleShot(RefreshTimeLimit, process, [process] { process->kill(); });
    Running().removeAll(nullptr);
    Running().append(process);
    process->start();
}

void RefreshDesktop(bool mime, bool desktop, bool icons) {
    const QString home = DataHome();
    if (mime)
        StartTool(QStringLiteral("update-mime-database"), {home + QStringLiteral("/mime")});
    if (desktop)
        StartTool(QStringLiteral("update-desktop-database"),
                  {home + QStringLiteral("/applications")});
    if (icons)
        StartTool(QStringLiteral("gtk-update-icon-cache"),
                  {QStringLiteral("-f"), QStringLiteral("-t"), QStringLiteral("-q"),
                   home + QStringLiteral("/icons/hicolor")});
}

}  // namespace

QString ProgramPath() {
    return ProgramFolder::File(QStringLiteral("zide"));
}

QString DataHome() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/share");
    while (home.size() > 1 && home.endsWith('/'))
        home.chop(1);
    return home;
}

QString MimePackageFile() {
    return DataHome() + QStringLiteral("/mime/packages/") + AppName + QStringLiteral(".xml");
}

QString DesktopFile() {
    return DataHome() + QStringLiteral("/applications/") + AppName + QStringLiteral(".desktop");
}

QStringList IconFiles() {
    QStringList files;
    for (int size : IconSizes) {
        files << IconFile(size, QStringLiteral("apps"), AppName);
        for (const FileType& type : Types())
            files << IconFile(size, QStringLiteral("mimetypes"), IconName(*type.mimeType));
    }
    return files;
}

QString OpenCommand(const QString& programPath) {
    return '"' + programPath + QStringLiteral("\" \"%1\"");
}

QString DesktopExec(const QString& programPath) {
    // Inside the quotes ", `, $ and \ take a backslash; then the value as a
    // whole doubles every backslash, and a literal % is written %%.
    QString quoted;
    for (QChar c : programPath) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted.replace('\\', QStringLiteral("\\\\"));
    quoted.replace('%', QStringLiteral("%%"));
    return '"' + quoted + QStringLiteral("\" %f");
}

void Register(const QString& programPath) {
    const QString command = OpenCommand(programPath);
    for (const FileType& type : Types()) {
        mdlRegistry::SetRegString(RegRoot::ClassesRoot, type.extension, QString(), type.progId);
        mdlRegistry::SetRegString(RegRoot::ClassesRoot,
                                  type.progId + QStringLiteral("\\DefaultIcon"), QString(),
                                  programPath + ',' + QString::number(type.iconIndex));
        if (type.opens)
            mdlRegistry::SetRegString(RegRoot::ClassesRoot,
                                      type.progId + QStringLiteral("\\shell\\open\\command"),
                                      QString(), command);
    }

    const DesktopChanges changed = WriteDesktopFiles(DataHome(), programPath);
    RefreshDesktop(changed.mime, changed.desktop, changed.icons);
}

DesktopChanges WriteDesktopFiles(const QString& share, const QString& programPath) {
    DesktopChanges changed;
    changed.mime =
        WriteIfChanged(share + QStringLiteral("/mime/packages/") + AppName + QStringLiteral(".xml"),
                       MimePackage());
    changed.desktop = WriteIfChanged(
        share + QStringLiteral("/applications/") + AppName + QStringLiteral(".desktop"),
        DesktopEntry(programPath));
    const QImage programIcon = ProgramIcon();
    for (int size : IconSizes) {
        changed.icons |= WriteIfChanged(IconFile(size, QStringLiteral("apps"), AppName, share),
                                        PngBytes(Scaled(programIcon, size)));
        for (const FileType& type : Types())
            changed.icons |= WriteIfChanged(
                IconFile(size, QStringLiteral("mimetypes"), IconName(*type.mimeType), share),
                PngBytes(DocumentIcon(size, type, programIcon)));
    }
    return changed;
}

void Unregister() {
    for (const FileType& type : Types())
        mdlRegistry::DeleteRegKey(RegRoot::ClassesRoot, type.extension);

    const bool mimeChanged = RemoveFile(MimePackageFile());
    const bool desktopChanged = RemoveFile(DesktopFile());
    bool iconsChanged = false;
    for (const QString& file : IconFiles())
        iconsChanged |= RemoveFile(file);
    RefreshDesktop(mimeChanged, desktopChanged, iconsChanged);
}

bool IsRegistered() {
    return !mdlRegistry::GetRegString(RegRoot::ClassesRoot, QStringLiteral(".zbl"), QString())
                .isEmpty();
}

bool WaitForRefresh(int msecs) {
    const QDeadlineTimer deadline(msecs);
    for (const QPointer<QProcess>& process : Running()) {
        if (process && process->state() != QProcess::NotRunning)
            process->waitForFinished(std::max<qint64>(0, deadline.remainingTime()));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Running().removeAll(nullptr);
    for (const QPointer<QProcess>& process : Running())
        if (process->state() != QProcess::NotRunning)
            return false;
    return true;
}

}  // namespace FileAssociations
