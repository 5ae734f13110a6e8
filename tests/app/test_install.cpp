// Installs the build into a scratch prefix and checks that a Linux desktop finds the program,
// its launcher and icon, and that the per-user folder of an installed copy starts usable.
#include "TestSupport.h"
#include "common/ProgramFolder.h"
#include "platform/report/ReportDefinition.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

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

    void installedCopyStartsItsUserFolderFromTheShippedFiles()
    {
        QTemporaryDir home;
        const QString folder = ProgramFolder::userFolder(
            home.path(), ProgramFolder::shippedDataFolder(installed(QStringLiteral("bin"))));
        QCOMPARE(readBytes(QDir(folder).filePath(QStringLiteral("FORM.RPT"))),
                 readBytes(installed(QStringLiteral("share/brevane/FORM.RPT"))));
        QCOMPARE(readBytes(QDir(folder).filePath(QStringLiteral("FORM.MDB"))),
                 readBytes(installed(QStringLiteral("share/brevane/FORM.MDB"))));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
