#include "TestSupport.h"

#include "settings/FolderCheck.h"
#include "settings/MatchingFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestMatchingFiles : public QObject
{
    Q_OBJECT
private slots:
    void filterCheckAcceptsOnlyFileNamePatterns_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "*.att;*.dat" << true;
        QTest::newRow("one name") << "form.txt" << true;
        QTest::newRow("blanks around parts") << "*.att; *.dat" << true;
        QTest::newRow("brackets are plain") << "[x*.att" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "  " << false;
        QTest::newRow("empty last part") << "*.att;" << false;
        QTest::newRow("empty middle part") << "*.att;;*.dat" << false;
        QTest::newRow("folder in pattern") << "sub/*.att" << false;
        QTest::newRow("control character") << QStringLiteral("*.a\ttt") << false;
    }
    void filterCheckAcceptsOnlyFileNamePatterns()
    {
        QFETCH(QString, filter);
        QTEST(MatchingFiles::isValidFilter(filter), "valid");
    }

    void wildcardsMatchLikeFileDialogs()
    {
        QVERIFY(MatchingFiles::matches("FORM1.ATT", "*.att;*.dat"));
        QVERIFY(MatchingFiles::matches("x.dat", "*.att; *.dat"));
        QVERIFY(!MatchingFiles::matches("x.att.bak", "*.att"));
        QVERIFY(!MatchingFiles::matches("xatt", "*.att"));
        QVERIFY(MatchingFiles::matches("a1.txt", "a?.txt"));
        QVERIFY(!MatchingFiles::matches("a12.txt", "a?.txt"));
        // Regular-expression characters are plain characters in a pattern.
        QVERIFY(MatchingFiles::matches("a+b(1).txt", "a+b(1).txt"));
        QVERIFY(!MatchingFiles::matches("aab(1).txt", "a+b(1).txt"));
        QVERIFY(MatchingFiles::matches("[x].att", "[x].att"));
        QVERIFY(!MatchingFiles::matches("x.att", "[x].att"));
        // "*.*" takes every name, with or without an extension.
        QVERIFY(MatchingFiles::matches("README", "*.*"));
        QVERIFY(MatchingFiles::matches("form", "form.*"));
        QVERIFY(!MatchingFiles::matches("former", "form.*"));
    }

    void listingTakesMatchingRegularFilesSortedWithoutCase()
    {
        QTemporaryDir dir;
        const QString f = dir.path() + '/';
        for (const char* name : {"b.att", "A.DAT", "c.Att", "note.txt", ".hidden.att", "sub.att/x"})
            writeBytes(f + name, "x");
        QDir(f).mkdir("folder.dat");

        QCOMPARE(MatchingFiles::list(f, "*.att;*.dat"), QStringList({"A.DAT", "b.att", "c.Att"}));
        QCOMPARE(MatchingFiles::list(dir.path(), "*.TXT"), QStringList({"note.txt"}));
        QCOMPARE(MatchingFiles::list(f, "*.*"),
                 QStringList({"A.DAT", "b.att", "c.Att", "note.txt"}));
        // An unusable folder or filter lists nothing.
        QVERIFY(MatchingFiles::list(f, "*.att;").isEmpty());
        QVERIFY(MatchingFiles::list(dir.filePath("missing"), "*.att").isEmpty());
        QVERIFY(MatchingFiles::list(QString(), "*.att").isEmpty());
    }

    void folderCheckEntersFolderAndResolvesRelativeNames()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("inner/deeper");
        const QString inner = dir.filePath("inner");
        QCOMPARE(FolderCheck::enter(inner), std::optional<QString>(inner));
        QCOMPARE(QDir::currentPath(), QDir(inner).canonicalPath());

        // A relative name comes back absolute, so checking it a second time from inside works.
        const auto relative = FolderCheck::enter("deeper");
        QVERIFY(relative);
        QCOMPARE(QDir(*relative).canonicalPath(), QDir(inner + "/deeper").canonicalPath());
        QVERIFY(FolderCheck::enter(*relative));

        writeBytes(dir.filePath("plain.att"), "x");
        for (const QString& bad : {dir.filePath("missing"), QString(), dir.filePath("plain.att")})
            QVERIFY(!FolderCheck::enter(bad));
        // A failed check leaves the current directory where it was.
        QCOMPARE(QDir::currentPath(), QDir(*relative).canonicalPath());
    }
};

QTEST_GUILESS_MAIN(TestMatchingFiles)
#include "test_matchingfiles.moc"
