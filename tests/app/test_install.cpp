// Installs the build into a scratch prefix and checks that a Linux desktop finds the program,
// its launcher and icon, that every install layout finds its files, and that set-up installs
// only what is missing.
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

    // The Debian package holds what the install holds, under /usr, and names the libraries and
    // plugins the program needs; it is read with dpkg-deb, never installed.
    void packageHoldsTheInstallAndItsDependencies()
    {
        QTemporaryDir out;
        const auto run = [](const QString& program, const QStringList& arguments) {
            QProcess p;
            p.setWorkingDirectory(QStringLiteral(BREVANE_BINARY_DIR));
            p.start(program, arguments);
            p.waitForFinished(300000);
            return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput())
                                     : QStringLiteral("failed: ") + QString::fromUtf8(p.readAllStandardError());
        };
        const QString made = run(QStringLiteral(BREVANE_CPACK_COMMAND), {"-B", out.path()});
        const QString deb = out.filePath(QStringLiteral("brevane_" BREVANE_VERSION "_amd64.deb"));
        QVERIFY2(QFileInfo::exists(deb), qPrintable(made));
        const QStringList files = run("dpkg-deb", {"--contents", deb}).split('\n');
        for (const char* path : {"./usr/bin/brevane", "./usr/share/applications/brevane.desktop",
                                 "./usr/share/icons/hicolor/scalable/apps/brevane.svg",
                                 "./usr/share/brevane/FORM.MDB", "./usr/share/brevane/FORM.RPT"})
            QVERIFY2(files.filter(QRegularExpression(" " + QRegularExpression::escape(path) + "$")).size() == 1, path);
        QCOMPARE(run("dpkg-deb", {"--field", deb, "Package", "Version", "Architecture"}),
                 QStringLiteral("Package: brevane\nVersion: " BREVANE_VERSION "\nArchitecture: amd64\n"));
        const QString depends = run("dpkg-deb", {"--field", deb, "Depends"});
        for (const char* library : {"libqt6widgets6", "libqt6network6", "libvmime", "libqt6sql6-sqlite", "libqt6svg6"})
            QVERIFY2(depends.contains(QLatin1String(library)), qPrintable(depends));
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

    // Every layout finds its database: a build tree keeps its files beside the program; an
    // installed copy, whether its bin/ is the user's own (writable) or the system's (read-only),
    // fills the user's folder from the shipped files on its first start and leaves it alone later.
    void everyLayoutFindsItsDatabase_data()
    {
        QTest::addColumn<bool>("readOnlyBin");
        QTest::newRow("user's own prefix") << false;
        QTest::newRow("read-only prefix") << true;
    }
    void everyLayoutFindsItsDatabase()
    {
        QFETCH(bool, readOnlyBin);
        QTemporaryDir home;
        const QString buildTree = QCoreApplication::applicationDirPath();
        QCOMPARE(ProgramFolder::path(buildTree, home.path()), buildTree);
        QVERIFY(!QFileInfo::exists(home.filePath("Brevane")));

        const QString bin = installed("bin");
        const QFile::Permissions open = QFile::permissions(bin);
        if (readOnlyBin)
            QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        const QString folder = ProgramFolder::path(bin, home.path());
        QFile::setPermissions(bin, open);
        QCOMPARE(folder, home.filePath("Brevane"));
        for (const char* name : {"FORM.RPT", "FORM.MDB"})
            QCOMPARE(readBytes(folder + '/' + name), readBytes(installed("share/brevane/") + name));
        QVERIFY(QFile::permissions(folder + "/FORM.MDB") & QFile::WriteOwner);
        QVERIFY(!QFileInfo::exists(folder + "/FORM.INI"));
        QVERIFY(!QFileInfo::exists(bin + "/FORM.MDB"));
        QVERIFY(QFile::remove(folder + "/FORM.MDB"));
        writeBytes(folder + "/FORM.RPT", "the user's own report");
        QCOMPARE(ProgramFolder::path(bin, home.path()), folder);
        QVERIFY(!QFileInfo::exists(folder + "/FORM.MDB"));
        QCOMPARE(readBytes(folder + "/FORM.RPT"), QByteArray("the user's own report"));
    }

    // The package list names real packages, so a machine that has them all never calls apt-get
    // (nor sudo); one that lacks one installs just that one.
    void packageListCallsAptOnlyForWhatIsMissing_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("aptCalls");
        QTest::newRow("nothing missing") << "" << "";
        QTest::newRow("one missing") << "brevane-no-such-package"
                                     << "update -qq\ninstall -y -qq --no-install-recommends brevane-no-such-package\n";
    }
    void packageListCallsAptOnlyForWhatIsMissing()
    {
        QFETCH(QString, extra);
        QFETCH(QString, aptCalls);
        QTemporaryDir fakes;
        const QString log = fakes.filePath("calls");
        for (const char* tool : {"apt-get", "sudo"}) {
            const QString script = fakes.filePath(tool);
            writeBytes(script, tool == QByteArray("sudo") ? "#!/bin/sh\nexec \"$@\"\n"
                                                          : "#!/bin/sh\necho \"$@\" >> \"$CALLS\"\n");
            QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
        }
        QProcess shell;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", fakes.path() + ':' + env.value("PATH"));
        env.insert("CALLS", log);
        shell.setProcessEnvironment(env);
        shell.setProcessChannelMode(QProcess::MergedChannels);
        shell.start("bash", {"-c", "source \"$0\" && BREVANE_PACKAGES+=($1) && install_missing_packages",
                             QStringLiteral(BREVANE_SOURCE_DIR "/scripts/packages.sh"), extra});
        QVERIFY(shell.waitForFinished(60000));
        QVERIFY2(shell.exitCode() == 0, shell.readAll().constData());
        QCOMPARE(QString::fromUtf8(QFileInfo::exists(log) ? readBytes(log) : QByteArray()), aptCalls);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
