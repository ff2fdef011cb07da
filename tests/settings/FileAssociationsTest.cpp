#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include "TestSupport.h"
#include "settings/FileAssociations.h"
#include "settings/Registry.h"

using mdlRegistry::RegRoot;

namespace {

// XDG_DATA_HOME pointing at a temporary folder for as long as it lives.
class TempDataHome {
public:
    TempDataHome()
        : old(qgetenv("XDG_DATA_HOME")), wasSet(qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    }
    ~TempDataHome() {
        // A refresh tool must not write into the folder while it goes.
        FileAssociations::WaitForRefresh(20000);
        if (wasSet)
            qputenv("XDG_DATA_HOME", old);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    QString Path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    QByteArray old;
    bool wasSet;
};

QString ClassValue(const QString& key) {
    return mdlRegistry::GetRegString(RegRoot::ClassesRoot, key, QString());
}

// The mime types and globs of a shared-mime-info package.
QMap<QString, QString> GlobsOf(const QByteArray& xml) {
    QMap<QString, QString> globs;
    QXmlStreamReader reader(xml);
    QString type;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("mime-type"))
            type = reader.attributes().value("type").toString();
        else if (reader.name() == QLatin1String("glob"))
            globs[reader.attributes().value("pattern").toString()] = type;
    }
    return reader.hasError() ? QMap<QString, QString>() : globs;
}

QString EntryValue(const QByteArray& entry, const QString& key) {
    for (const QByteArray& line : entry.split('\n'))
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1));
    return QString();
}

}  // namespace

class FileAssociationsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void RegisterAndUnregister() {
        TestHome home(false);
        TempDataHome data;
        QVERIFY(!FileAssociations::IsRegistered());
        // Another program's entry in the same folders is never touched.
        WriteAll(data.Path() + "/applications/other.desktop", "[Desktop Entry]\n");

        const QString program = "/opt/Zorbel Builder/zide";
        FileAssociations::Register(program);
        QVERIFY(FileAssociations::IsRegistered());

        const QString command = "\"/opt/Zorbel Builder/zide\" \"%1\"";
        QCOMPARE(ClassValue(".zbl"), "ZBL.File");
        QCOMPARE(ClassValue("ZBL.File\\DefaultIcon"), program + ",5");
        QCOMPARE(ClassValue("ZBL.File\\shell\\open\\command"), command);
        QCOMPARE(ClassValue(".zsl"), "ZBL.Solution");
        QCOMPARE(ClassValue("ZBL.Solution\\DefaultIcon"), program + ",6");
        QCOMPARE(ClassValue("ZBL.Solution\\shell\\open\\command"), command);
        QCOMPARE(ClassValue(".zlm"), "ZBL.Module");
        QCOMPARE(ClassValue("ZBL.Module\\DefaultIcon"), program + ",8");
        QCOMPARE(ClassValue("ZBL.Module\\shell\\open\\command"), QString());

        QVERIFY(FileAssociations::MimePackageFile().startsWith(data.Path() + "/mime/packages/"));
        const QMap<QString, QString> globs = GlobsOf(ReadAll(FileAssociations::MimePackageFile()));
        QCOMPARE(globs.value("*.zbl"), FileAssociations::ModuleType);
        QCOMPARE(globs.value("*.zsl"), FileAssociations::SolutionType);
        QCOMPARE(globs.value("*.zlm"), FileAssociations::LibraryType);

        const QByteArray entry = ReadAll(FileAssociations::DesktopFile());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QCOMPARE(EntryValue(entry, "Exec"), "\"/opt/Zorbel Builder/zide\" %f");
        QCOMPARE(EntryValue(entry, "Type"), "Application");
        // Library modules get a type and an icon, but the IDE does not open them.
        const QStringList types = EntryValue(entry, "MimeType").split(';', Qt::SkipEmptyParts);
        QCOMPARE(types,
                 QStringList({FileAssociations::ModuleType, FileAssociations::SolutionType}));
        const QString iconName = EntryValue(entry, "Icon");
        QVERIFY(!iconName.isEmpty());

        const QStringList icons = FileAssociations::IconFiles();
        QVERIFY(icons.contains(data.Path() + "/icons/hicolor/48x48/apps/" + iconName + ".png"));
        QVERIFY(icons.contains(data.Path() +
                               "/icons/hicolor/48x48/mimetypes/application-x-zorbel-solution.png"));
        for (const QString& file : icons) {
            const QImage image(file);
            QVERIFY2(!image.isNull(), qPrintable(file));
            const int size = file.section('/', -3, -3).section('x', 0, 0).toInt();
            QCOMPARE(image.size(), QSize(size, size));
        }

        // Where the desktop's tool is installed, its database learns the types.
        QVERIFY(FileAssociations::WaitForRefresh(20000));
        if (!QStandardPaths::findExecutable("update-mime-database").isEmpty())
            QVERIFY(ReadAll(data.Path() + "/mime/globs2").contains("text/x-zorbel-module:*.zbl"));

        FileAssociations::Unregister();
        QVERIFY(!FileAssociations::IsRegistered());
        QCOMPARE(ClassValue(".zbl"), QString());
        QCOMPARE(ClassValue(".zsl"), QString());
        QCOMPARE(ClassValue(".zlm"), QString());
        // The ProgIDs stay, as on Windows.
        QCOMPARE(ClassValue("ZBL.File\\DefaultIcon"), program + ",5");
        QVERIFY(!QFile::exists(FileAssociations::MimePackageFile()));
        QVERIFY(!QFile::exists(FileAssociations::DesktopFile()));
        for (const QString& file : icons)
            QVERIFY2(!QFile::exists(file), qPrintable(file));
        QVERIFY(QFile::exists(data.Path() + "/applications/other.desktop"));
        QVERIFY(FileAssociations::WaitForRefresh(20000));
        if (!QStandardPaths::findExecutable("update-mime-database").isEmpty())
            QVERIFY(!ReadAll(data.Path() + "/mime/globs2").contains("zorbel"));
    }

    void UnregisterTakesAnotherProgramsExtension() {
        TestHome home(false);
        TempDataHome data;
        mdlRegistry::SetRegString(RegRoot::ClassesRoot, ".zbl", "", "Other.Editor");
        QVERIFY(FileAssociations::IsRegistered());
        FileAssociations::Unregister();
        QCOMPARE(ClassValue(".zbl"), QString());
        QVERIFY(!FileAssociations::IsRegistered());
    }

    void DesktopExecQuotesTheProgram_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("blanks") << "/opt/My Tools/zide"
                                << "\"/opt/My Tools/zide\" %f";
        QTest::newRow("dollar and quote") << "/x/$a\"b/zide"
                                          << "\"/x/\\\\$a\\\\\"b/zide\" %f";
        QTest::newRow("percent") << "/x/100%/zide"
                                 << "\"/x/100%%/zide\" %f";
    }
    void DesktopExecQuotesTheProgram() {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(FileAssociations::DesktopExec(program), exec);
    }

    void DataHomeFollowsXdg() {
        TempDataHome data;
        QCOMPARE(FileAssociations::DataHome(), data.Path());
        qputenv("XDG_DATA_HOME", "relative/share");
        QCOMPARE(FileAssociations::DataHome(), QDir::homePath() + "/.local/share");
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(FileAssociations::DesktopFile(),
                 QDir::homePath() + "/.local/share/applications/zorbel-builder.desktop");
    }
};

ZIDE_TEST(FileAssociationsTest)
#include "FileAssociationsTest.moc"
