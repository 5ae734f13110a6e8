#include "TestSupport.h"
#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestProgramFolder : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString shipped() const { return m_dir->filePath(QStringLiteral("share/brevane")); }
    QString userData() const { return m_dir->filePath(QStringLiteral("home/.local/share")); }
    static QString file(const QString& folder, const char* name)
    {
        return QDir(folder).filePath(QLatin1String(name));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeBytes(file(shipped(), "FORM.MDB"), "empty database");
        writeBytes(file(shipped(), "FORM.RPT"), "Table=Form_Response\n");
        // Installed files are read-only for the user.
        for (const char* name : {"FORM.MDB", "FORM.RPT"})
            QFile::setPermissions(file(shipped(), name),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }

    void writableFolderStaysTheProgramFolder()
    {
        // The test program runs from the build tree, which the user can write.
        QCOMPARE(ProgramFolder::path(),
                 QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        QCOMPARE(ProgramFolder::shippedDataFolder(QStringLiteral("/opt/brevane/bin")),
                 QStringLiteral("/opt/brevane/share/brevane"));
    }

    void firstStartOfAnInstalledCopyFillsTheUserFolder()
    {
        const QString folder = ProgramFolder::userFolder(userData(), shipped());
        QCOMPARE(folder, file(userData(), "Brevane"));
        QCOMPARE(readBytes(file(folder, "FORM.MDB")), QByteArray("empty database"));
        QCOMPARE(readBytes(file(folder, "FORM.RPT")), QByteArray("Table=Form_Response\n"));
        QVERIFY(QFile::permissions(file(folder, "FORM.MDB")) & QFile::WriteOwner);
        QVERIFY(!QFileInfo::exists(file(folder, "FORM.INI")));

        // Later starts leave it alone: a deleted database stays missing, an edited report stays.
        QVERIFY(QFile::remove(file(folder, "FORM.MDB")));
        writeBytes(file(folder, "FORM.RPT"), "the user's own report");
        QCOMPARE(ProgramFolder::userFolder(userData(), shipped()), folder);
        QVERIFY(!QFileInfo::exists(file(folder, "FORM.MDB")));
        QCOMPARE(readBytes(file(folder, "FORM.RPT")), QByteArray("the user's own report"));
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_program_folder.moc"
