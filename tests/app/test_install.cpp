// Installs the build into a scratch prefix and checks that a Linux desktop finds the program,
// its launcher and icon, and that the per-user folder of an installed copy starts usable.
#include "TestSupport.h"
#include "platform/ProgramFolder.h"
#include "platform/ReportDefinition.h"

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

    void installsProgramLauncherAndIcon()
    {
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/brevane"))).isExecutable());

        const QString desktop = installed(QStringLiteral("share/applications/brevane.desktop"));
        QVERIFY(QFileInfo::exists(desktop));
        QSettings entry(desktop, QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QStringList values;
        for (const char* key : {"Type", "Name", "Exec", "Icon"})
            values << entry.value(QLatin1String(key)).toString();
        QCOMPARE(values, (QStringList{"Application", "Brevane", "brevane", "brevane"}));
        QVERIFY(readBytes(installed(QStringLiteral("share/icons/hicolor/scalable/apps/brevane.svg")))
                    .contains("<svg"));
    }

    void installsTheEmptyDatabaseAndReport()
    {
        QString error;
        QVERIFY2(
            ReportDefinition::read(installed(QStringLiteral("share/brevane/FORM.RPT")), &error),
            qPrintable(error));

        const QString name = QStringLiteral("install-check");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(installed(QStringLiteral("share/brevane/FORM.MDB")));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            QVERIFY(db.open());
            const QSqlRecord table = db.record(QStringLiteral("Form_Response"));
            QStringList columns;
            for (int i = 0; i < table.count(); ++i)
                columns << table.fieldName(i);
            QCOMPARE(columns, (QStringList{"Form_Response_ID", "Form_Reponse_Source_Date",
                                           "Form_Response_Source_Address", "Form_Response_Subject",
                                           "Form_Response_Message"}));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    // An installed copy's folder cannot be written: the first start fills the user's folder
    // from the shipped files, writable; later starts leave it alone.
    void installedCopyStartsItsUserFolderFromTheShippedFiles()
    {
        QCOMPARE(ProgramFolder::path(), QCoreApplication::applicationDirPath()); // the build tree
        QTemporaryDir home;
        const QString shipped = ProgramFolder::shippedDataFolder(installed("bin"));
        const QString folder = ProgramFolder::userFolder(home.path(), shipped);
        QCOMPARE(folder, home.filePath("Brevane"));
        for (const char* name : {"FORM.RPT", "FORM.MDB"})
            QCOMPARE(readBytes(folder + '/' + name), readBytes(installed("share/brevane/") + name));
        QVERIFY(QFile::permissions(folder + "/FORM.MDB") & QFile::WriteOwner);
        QVERIFY(!QFileInfo::exists(folder + "/FORM.INI"));
        QVERIFY(QFile::remove(folder + "/FORM.MDB"));
        writeBytes(folder + "/FORM.RPT", "the user's own report");
        QCOMPARE(ProgramFolder::userFolder(home.path(), shipped), folder);
        QVERIFY(!QFileInfo::exists(folder + "/FORM.MDB"));
        QCOMPARE(readBytes(folder + "/FORM.RPT"), QByteArray("the user's own report"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
