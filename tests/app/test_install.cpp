// Installs the build into a scratch prefix and checks that a Linux desktop finds the program,
// its launcher and icon, and that every install layout finds its files.
#include "TestSupport.h"
#include "common/ProgramFolder.h"
#include "platform/report/ReportDefinition.h"

class TestInstall : public QObject
{
    Q_OBJECT

    QString installed(const QString& relative) const { return m_prefix.filePath(relative); }
    QTemporaryDir m_prefix;

private slots:
    void initTestCase()
    {
        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start(QStringLiteral(BREVANE_CMAKE_COMMAND),
                    {QStringLiteral("--install"), QStringLiteral(BREVANE_BINARY_DIR),
                     QStringLiteral("--prefix"), m_prefix.path()});
        QVERIFY(cmake.waitForFinished(120000));
        QVERIFY2(cmake.exitCode() == 0, cmake.readAll().constData());
    }

    // A desktop finds the program, its launcher and icon; the report definition and the empty
    // database are shipped beside it.
    void installsProgramLauncherIconAndData()
    {
        QVERIFY(QFileInfo(installed("bin/brevane")).isExecutable());
        QSettings entry(installed("share/applications/brevane.desktop"), QSettings::IniFormat);
        entry.beginGroup("Desktop Entry");
        QStringList values;
        for (const char* key : {"Type", "Name", "Exec", "Icon"})
            values << entry.value(key).toString();
        QCOMPARE(values, (QStringList{"Application", "Brevane", "brevane", "brevane"}));
        QVERIFY(readBytes(installed("share/icons/hicolor/scalable/apps/brevane.svg")).contains("<svg"));
        QString error;
        QVERIFY2(ReportDefinition::read(installed("share/brevane/FORM.RPT"), &error), qPrintable(error));
        // The shipped database opens read-only with the table the report reads.
        const QString name = "install-check";
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName(installed("share/brevane/FORM.MDB"));
            db.setConnectOptions("QSQLITE_OPEN_READONLY");
            QVERIFY(db.open() && db.record("Form_Response").contains("Form_Reponse_Source_Date"));
        }
        QSqlDatabase::removeDatabase(name);
    }

    // A build tree keeps its files beside the program; an installed copy, even one whose bin/ is
    // writable, fills the user's folder from the shipped files on its first start only.
    void everyLayoutFindsItsDatabase()
    {
        QTemporaryDir home;
        const QString buildTree = QCoreApplication::applicationDirPath();
        QCOMPARE(ProgramFolder::path(buildTree, home.path()), buildTree);
        QVERIFY(!QFileInfo::exists(home.filePath("Brevane")));
        const QString bin = installed("bin");
        const QString folder = ProgramFolder::path(bin, home.path());
        QCOMPARE(folder, home.filePath("Brevane"));
        for (const char* name : {"FORM.RPT", "FORM.MDB"})
            QCOMPARE(readBytes(folder + '/' + name), readBytes(installed("share/brevane/") + name));
        QVERIFY(QFile::permissions(folder + "/FORM.MDB") & QFile::WriteOwner);
        QVERIFY(QFile::remove(folder + "/FORM.MDB"));
        QCOMPARE(ProgramFolder::path(bin, home.path()), folder);
        QVERIFY(!QFileInfo::exists(folder + "/FORM.MDB"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
