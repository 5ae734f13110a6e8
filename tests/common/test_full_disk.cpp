#include "TestSupport.h"
#include "design/ReplyTemplate.h"
#include "design/TemplateDesigner.h"
#include "settings/SettingsStore.h"

#include <csignal>
#include <sys/resource.h>

namespace {

// A disk with no room left, as a save sees it: the process's file-size limit at zero makes the
// save's writes fail where a full file system would.
class FullDisk
{
public:
    ~FullDisk() { release(); }
    void fill()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_limit);
        rlimit none = m_limit;
        none.rlim_cur = 0;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &none), 0);
        m_limited = true;
    }
    void release()
    {
        if (std::exchange(m_limited, false))
            ::setrlimit(RLIMIT_FSIZE, &m_limit);
    }

private:
    bool m_limited = false;
    rlimit m_limit{};
};

} // namespace

// Every file the program saves whole goes through one safe save: on a full disk the save fails,
// says so, and the old file is there byte for byte with no temporary file beside it; once there
// is room it succeeds. The reply template stands for them all.
class FullDiskTest : public QObject
{
    Q_OBJECT

private slots:
    void saveFailsWholeAndKeepsTheOldFile()
    {
        TestApp app;
        const QString folder = app.path("disk"), path = folder + "/reply.rtm";
        QVERIFY(QDir().mkpath(folder));
        FullDisk disk;
        const QByteArray old = "the old file, which must survive\r\n";
        writeBytes(path, old);
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("Dear <<name>>, thank you.");
        reply.setChanged(true);
        const auto save = [&] {
            app.dialogs.answerText(path);
            return app.state->designer().FileSaveAs() == TemplateDesigner::SaveResult::Saved;
        };
        disk.fill();
        const bool saved = save();
        disk.release();
        QVERIFY(!saved && reply.isChanged());
        QCOMPARE(readBytes(path), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"reply.rtm"});
        QCOMPARE(app.dialogs.messages(), QStringList{warning(ErrorCode::SavingTemplate)});
        QVERIFY(save());
        QVERIFY(readBytes(path) != old && !readBytes(path).isEmpty());
    }

    // A file that was readable by others loses that with the first save: it holds the password.
    void settingsBecomeOwnerOnly()
    {
        TestApp app;
        app.writeFile("FORM.INI", "[System Settings]\r\n");
        QFile::setPermissions(app.path("FORM.INI"), QFileDevice::Permissions(0x6644));
        QVERIFY(SettingsStore(app.settings(), app.folder()).SaveSettings());
        QCOMPARE(QFile::permissions(app.path("FORM.INI")) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
};

QTEST_MAIN(FullDiskTest)
#include "test_full_disk.moc"
