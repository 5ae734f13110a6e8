#include "TestSupport.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

// The recent templates in the per-user store, and the four captions that show them.
class TestRecentFiles : public QObject
{
    Q_OBJECT

    static QSettings store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brevane", "Brevane");
    }
    static void setSlots(const QStringList& paths)
    {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Brevane", "Brevane");
        s.remove(RecentFiles::Group);
        for (int n = 0; n < paths.size(); ++n)
            s.setValue(RecentFiles::Group + "/" + RecentFiles::key(n), paths[n]);
    }
    static QStringList captions(const RecentFiles& recent)
    {
        return {recent.captions().begin(), recent.captions().end()};
    }

private slots:
    void init()
    {
        userSettingsFolder();
        setSlots({});
    }

    void addingMovesAndPushes()
    {
        RecentFiles recent;
        recent.RefreshRecentFiles();
        for (const char* p : {"/t/A", "/t/B", "/t/C", "/t/D", "/t/E"})
            recent.AddRecentFile(p);
        QCOMPARE(captions(recent), (QStringList{"/t/E", "/t/D", "/t/C", "/t/B"}));
        recent.AddRecentFile("/t/C");
        QCOMPARE(captions(recent), (QStringList{"/t/C", "/t/E", "/t/D", "/t/B"}));

        QSignalSpy refreshed(&recent, &RecentFiles::captionsRefreshed);
        QVERIFY(recent.PromoteRecentFile("/t/C"));
        QCOMPARE(refreshed.count(), 0);
        QVERIFY(!recent.PromoteRecentFile("/t/c"));
        recent.AddRecentFile("/t/c"); // letter case counts
        QCOMPARE(captions(recent), (QStringList{"/t/c", "/t/C", "/t/E", "/t/D"}));

        // Stored where the platform keeps per-user settings, under the fixed names.
        const QString file = userSettingsFolder() + "/Brevane/Brevane.conf";
        QSettings onDisk(file, QSettings::IniFormat);
        QCOMPARE(onDisk.value("File History/Recent_File_3").toString(), QString("/t/D"));
    }

    void movesFollowTheStoreSlotBySlot()
    {
        setSlots({"/t/0", "", "/t/2"});
        RecentFiles recent;
        recent.RefreshRecentFiles();
        recent.PushRecentFile("/t/new"); // an empty slot is not copied down
        QCOMPARE(store().value("File History/Recent_File_1").toString(), QString("/t/0"));
        QCOMPARE(store().value("File History/Recent_File_2").toString(), QString("/t/2"));
        QCOMPARE(store().value("File History/Recent_File_3").toString(), QString("/t/2"));
        QCOMPARE(recent.caption(0), QString("/t/0")); // pushing alone does not refresh

        recent.RefreshRecentFiles();
        setSlots({"/t/new", "", "/t/2", "/t/2"});
        QVERIFY(recent.PromoteRecentFile("/t/2")); // found by caption, moved in the store
        QCOMPARE(captions(recent), (QStringList{"/t/2", "/t/new", "<empty>", "/t/2"}));
    }
};

QTEST_MAIN(TestRecentFiles)
#include "test_RecentFiles.moc"
