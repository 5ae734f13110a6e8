#include "TestSupport.h"
#include "formdata/DecodeSubmission.h"

#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
using Pairs = QList<QPair<QString, QString>>;
}

class DecoderTest : public QObject
{
    Q_OBJECT

    TestApp app;
    VariableTable& table() { return app.state->variables(); }
    EventLog& log() { return app.state->eventLog(); }

    DecodeResult decode(const QByteArray& content, int limit = 20000)
    {
        app.writeFile(u"form.dat"_s, content);
        return DecodeSubmission(app.path(u"form.dat"_s), u"form.dat"_s, limit, table(), log());
    }
    Pairs pairs()
    {
        Pairs out;
        for (const FormVariable& v : table().variables())
            out.append({v.formName, v.value});
        return out;
    }
    QString lastLogLine() const { return app.state->eventLog().text().section(u"\r\n"_s, -1); }

private slots:
    void init()
    {
        // A fresh log per test: the log itself only ever grows.
        app.state = std::make_unique<AppState>(app.folder(), app.dialogs);
    }

    void decodesPairsInFileOrder_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Pairs>("expected");
        using P = QPair<QString, QString>;
        QTest::newRow("escape, plus and trailing line break")
            << QByteArray("a=x%3Dy+z&b=\r\n") << Pairs{P("a", "x=y z"), P("b", "")};
        QTest::newRow("double ampersand empties the value")
            << QByteArray("a=1&&b=2") << Pairs{P("a", ""), P("b", "2")};
        QTest::newRow("empty name") << QByteArray("=5") << Pairs{P("", "5")};
        QTest::newRow("line breaks inside an escape are skipped")
            << QByteArray("a=%2\r\n1") << Pairs{P("a", "!")};
        QTest::newRow("no equals sign gives no pairs") << QByteArray("just some text") << Pairs{};
        QTest::newRow("value before any name is dropped")
            << QByteArray("lost&a=1") << Pairs{P("a", "1")};
        QTest::newRow("trailing ampersand leaves nothing pending")
            << QByteArray("a=1&") << Pairs{P("a", "1")};
        QTest::newRow("repeated names stay separate")
            << QByteArray("x=1&x=2") << Pairs{P("x", "1"), P("x", "2")};
        QTest::newRow("bare line breaks are skipped")
            << QByteArray("a=1\n2&b\r=3") << Pairs{P("a", "12"), P("b", "3")};
        // Every valid escape decodes, whatever the case of its hex digits.
        QTest::newRow("upper and lower case") << QByteArray("a=%41%2b%2B") << Pairs{P("a", "A++")};
        QTest::newRow("at and percent signs") << QByteArray("a=ann%40example.com&b=100%25")
                                              << Pairs{P("a", "ann@example.com"), P("b", "100%")};
        QTest::newRow("UTF-8 bytes") << QByteArray("a=caf%C3%A9") << Pairs{P("a", "café")};
        QTest::newRow("Windows-1252 bytes")
            << QByteArray("a=caf%E9&b=%8010") << Pairs{P("a", "café"), P("b", "€10")};
        QTest::newRow("raw UTF-8 text") << QByteArray("a=na\xc3\xafve") << Pairs{P("a", "naïve")};
        QTest::newRow("every code of the classic table")
            << QByteArray("a=%21%22%23%24%26%27%28%29%2B%2C%3A%3B%3C%3D%3E%5B%5D%5C%2F%3F")
            << Pairs{P("a", "!\"#$&'()+,:;<=>[]\\/?")};
        // A "%" that does not start a valid escape is kept, and what follows still acts.
        QTest::newRow("percent at the end of a value")
            << QByteArray("a=50%&b=1") << Pairs{P("a", "50%"), P("b", "1")};
        QTest::newRow("percent before no hex") << QByteArray("a=%zz+1") << Pairs{P("a", "%zz 1")};
        QTest::newRow("percent before an escape") << QByteArray("a=%%41") << Pairs{P("a", "%A")};
        QTest::newRow("percent with one hex digit")
            << QByteArray("a=%4=b") << Pairs{P("a", ""), P("%4", "b")};
    }
    void decodesPairsInFileOrder()
    {
        QFETCH(QByteArray, content);
        QCOMPARE(decode(content), DecodeResult::Decoded);
        QTEST(pairs(), "expected");
    }

    void endingInsideAnEscapeIsAParseError()
    {
        QCOMPARE(decode("a=50%"), DecodeResult::ParseError);
        // The name read before the "%" stays in the table, without a value.
        QCOMPARE(pairs(), (Pairs{{"a", ""}}));
        QCOMPARE(lastLogLine(), u"form.dat parsing error, file ignored [ERROR]"_s);
        QCOMPARE(decode("a=%4\r\n"), DecodeResult::ParseError);
        QCOMPARE(decode("a=%z"), DecodeResult::ParseError);

        // The grid, the list and the definitions keep the last good submission.
        QCOMPARE(decode("a=1&b=2&c=3"), DecodeResult::Decoded);
        QCOMPARE(decode("x=1&y=%"), DecodeResult::ParseError);
        QCOMPARE(table().gridModel()->rowCount(), 3);
        QCOMPARE(table().definitions().size(), 3); // FinishSubmission did not cut them
        QCOMPARE(table().gridModel()->cell(0, 0), u"a"_s);
        QCOMPARE(table().listModel()->stringList(), (QStringList{"a [a]", "b [b]", "c [c]"}));
    }

    void refusesBySize()
    {
        const QByteArray exact(100, 'x');
        QCOMPARE(decode("a=" + exact.left(98), 100), DecodeResult::Decoded);
        QCOMPARE(decode("a=" + exact.left(99), 100), DecodeResult::Ignored);
        QVERIFY(log().text().endsWith(
            u"\r\nform.dat (101 bytes) exceeds user defined limit\r\nform.dat [IGNORED]"_s));
        QCOMPARE(table().count(), 0);
        // Limit 0 switches the check off; an empty file is still refused.
        QCOMPARE(decode(QByteArray(50000, 'y').prepend("a="), 0), DecodeResult::Decoded);
        QCOMPARE(decode("", 0), DecodeResult::Ignored);
        QCOMPARE(lastLogLine(), u"form.dat (0 bytes) [IGNORED]"_s);
        // A negative limit decodes every file, an empty one included.
        QCOMPARE(decode("", -1), DecodeResult::Decoded);
        QCOMPARE(table().count(), 0);
    }

    void unreadableFileIsAnErrorNotAnEmptyFile()
    {
        const int before = log().lineCount();
        QCOMPARE(
            DecodeSubmission(app.path(u"vanished.dat"_s), u"vanished.dat"_s, 20000, table(), log()),
            DecodeResult::ParseError);
        QCOMPARE(log().lineCount(), before + 1);
        QCOMPARE(lastLogLine(), u"vanished.dat could not be read [ERROR]"_s);
    }

    void twoFilesNeverShareText()
    {
        QCOMPARE(decode("a=tail-without-ampersand"), DecodeResult::Decoded);
        QCOMPARE(decode("b=2"), DecodeResult::Decoded);
        QCOMPARE(pairs(), (Pairs{{"b", "2"}}));
        QCOMPARE(decode("a=half%4"), DecodeResult::ParseError);
        QCOMPARE(decode("c=3"), DecodeResult::Decoded);
        QCOMPARE(pairs(), (Pairs{{"c", "3"}}));
    }

    void readsFilesLargerThanItsBuffer()
    {
        QByteArray big = "first=1&long=";
        while (big.size() < 50000)
            big += "abc%2B+";
        QCOMPARE(decode(big + "&last=%41", 0), DecodeResult::Decoded);
        QCOMPARE(table().count(), 3);
        QCOMPARE(table().at(2).value.left(8), u"abc+ abc"_s);
        QCOMPARE(table().at(3).value, u"A"_s);
    }
};

QTEST_GUILESS_MAIN(DecoderTest)
#include "test_decoder.moc"
