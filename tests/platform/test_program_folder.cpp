#include "TestSupport.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestProgramFolder : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void writableFolderStaysTheProgramFolder();
    void firstStartOfAnInstalledCopyFillsTheUserFolder();
    void laterStartsLeaveTheUserFolderAlone();
    void missingShippedFilesLeaveAnEmptyFolder();
    void findsTheShippedFilesBesideTheProgram();

private:
    QString shipped() const { return m_dir->filePath(QStringLiteral("share/brevane")); }
    QString userData() const { return m_dir->filePath(QStringLiteral("home/.local/share")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProgramFolder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    writeBytes(QDir(shipped()).filePath(QStringLiteral("FORM.MDB")), "empty database");
    writeBytes(QDir(shipped()).filePath(QStringLiteral("FORM.RPT")), "Table=Form_Response\n");
    // Installed files are read-only for the user.
    for (const char* name : {"FORM.MDB", "FORM.RPT"})
        QFile::setPermissions(QDir(shipped()).filePath(QLatin1String(name)),
                              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

void TestProgramFolder::writableFolderStaysTheProgramFolder()
{
    // The test program runs from the build tree, which the user can write.
    QCOMPARE(ProgramFolder::path(),
             QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

void TestProgramFolder::firstStartOfAnInstalledCopyFillsTheUserFolder()
{
    const QString folder = ProgramFolder::userFolder(userData(), shipped());
    QCOMPARE(folder, QDir(userData()).filePath(QStringLiteral("Brevane")));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(readBytes(QDir(folder).filePath(QStringLiteral("FORM.MDB"))),
             QByteArray("empty database"));
    QCOMPARE(readBytes(QDir(folder).filePath(QStringLiteral("FORM.RPT"))),
             QByteArray("Table=Form_Response\n"));
    QVERIFY(QFile::permissions(QDir(folder).filePath(QStringLiteral("FORM.MDB"))) &
            QFile::WriteOwner);
    QVERIFY(!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("FORM.INI"))));
}

void TestProgramFolder::laterStartsLeaveTheUserFolderAlone()
{
    const QString folder = ProgramFolder::userFolder(userData(), shipped());
    const QString database = QDir(folder).filePath(QStringLiteral("FORM.MDB"));
    const QString report = QDir(folder).filePath(QStringLiteral("FORM.RPT"));
    QVERIFY(QFile::remove(database));
    writeBytes(report, "the user's own report");

    QCOMPARE(ProgramFolder::userFolder(userData(), shipped()), folder);
    QVERIFY(!QFileInfo::exists(database)); // a deleted database stays missing
    QCOMPARE(readBytes(report), QByteArray("the user's own report"));
}

void TestProgramFolder::missingShippedFilesLeaveAnEmptyFolder()
{
    const QString folder =
        ProgramFolder::userFolder(userData(), m_dir->filePath(QStringLiteral("nowhere")));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());
}

void TestProgramFolder::findsTheShippedFilesBesideTheProgram()
{
    QCOMPARE(ProgramFolder::shippedDataFolder(QStringLiteral("/opt/brevane/bin")),
             QStringLiteral("/opt/brevane/share/brevane"));
    QCOMPARE(ProgramFolder::shippedDataFolder(QStringLiteral("/usr/local/bin")),
             QStringLiteral("/usr/local/share/brevane"));
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_program_folder.moc"
