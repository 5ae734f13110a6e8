#include "TestSupport.h"
#include "common/SafeSave.h"
#include "design/ReplyTemplate.h"
#include "design/TemplateDesigner.h"
#include "platform/report/ReportDocument.h"
#include "settings/SettingsStore.h"

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A folder whose file system has no room left: a small tmpfs filled to the last block where the
// test may mount one (as root, as in CI); elsewhere the process's file-size limit, which makes
// the same write fail in the same place.
class FullDisk
{
public:
    explicit FullDisk(const QString& folder) : m_folder(folder)
    {
        m_mounted = ::geteuid() == 0 &&
                    QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) == 0;
    }
    ~FullDisk()
    {
        release();
        if (m_mounted)
            QProcess::execute("umount", {"-l", m_folder});
    }
    void fill()
    {
        if (m_mounted) {
            QFile filler(m_folder + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(512, 'x')) > 0) {
            }
            return;
        }
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_limit);
        rlimit none = m_limit;
        none.rlim_cur = 0;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &none), 0);
        m_limited = true;
    }
    void release()
    {
        QFile::remove(m_folder + "/filler");
        if (std::exchange(m_limited, false))
            ::setrlimit(RLIMIT_FSIZE, &m_limit);
    }
    QStringList files() const { return QDir(m_folder).entryList(QDir::Files | QDir::Hidden); }

private:
    QString m_folder;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_limit{};
};

} // namespace

// Every file the program saves whole: on a full disk the save fails, says so, and the old file
// is there byte for byte with no temporary file beside it; once there is room it succeeds.
class FullDiskTest : public QObject
{
    Q_OBJECT

private slots:
    void savesFailWholeAndKeepTheOldFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("settings") << "FORM.INI";
        QTest::newRow("template") << "reply.rtm";
        QTest::newRow("report") << "report.pdf";
    }
    void savesFailWholeAndKeepTheOldFile()
    {
        QFETCH(QString, file);
        TestApp app;
        const QString folder = app.path("disk"), path = folder + '/' + file;
        QVERIFY(QDir().mkpath(folder));
        FullDisk disk(folder);
        const QByteArray old = "the old file, which must survive\r\n";
        writeBytes(path, old);
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("Dear <<name>>, thank you.");
        reply.setChanged(true);
        SettingsStore store(app.settings(), folder);
        const auto save = [&] {
            if (file == "FORM.INI")
                return store.SaveSettings();
            if (file == "report.pdf")
                return ReportDocument({"Form Responses", "Date Range", "x", {"Subject"}, {{"a reply"}}}, QLocale::c())
                    .savePdf(path);
            app.dialogs.answerText(path);
            return app.state->designer().FileSaveAs() == TemplateDesigner::SaveResult::Saved;
        };
        disk.fill();
        const bool saved = save();
        disk.release();
        QVERIFY(!saved);
        QCOMPARE(readBytes(path), old);
        QCOMPARE(disk.files(), QStringList{file});
        if (file == "reply.rtm") {
            QCOMPARE(app.dialogs.messages(), QStringList{warning(ErrorCode::SavingTemplate)});
            QVERIFY(reply.isChanged());
        }
        QVERIFY(save());
        QVERIFY(readBytes(path) != old && !readBytes(path).isEmpty());
        QCOMPARE(disk.files(), QStringList{file});
    }

    // A file that was readable by others loses that with the first save: it holds the password.
    void settingsBecomeOwnerOnly()
    {
        TestApp app;
        app.writeFile("FORM.INI", "[System Settings]\r\n");
        QFile::setPermissions(app.path("FORM.INI"), QFileDevice::Permissions(0x6644));
        QVERIFY(SettingsStore(app.settings(), app.folder()).SaveSettings());
        QCOMPARE(QFile::permissions(app.path("FORM.INI")) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
        QVERIFY(!SafeSave::write(QString(), "x"));
    }
};

QTEST_MAIN(FullDiskTest)
#include "test_full_disk.moc"
