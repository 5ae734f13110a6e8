#include "TestSupport.h"
#include "formdata/DecodeSubmission.h"

#include <QFile>
#include <QtTest>

namespace {
using Pairs = QList<QPair<QString, QString>>;
}

class DecoderTest : public QObject
{
    Q_OBJECT

    TestApp app;
    VariableTable& table() { return app.state->variables(); }
    EventLog& log() { return app.state->eventLog(); }

    DecodeResult decode(const QByteArray& content, int limit = 20000,
                        const QString& name = QStringLiteral("form.dat"))
    {
        app.writeFile(name, content);
        return DecodeSubmission(app.path(name), name, limit, table(), log());
    }

    Pairs pairs()
    {
        Pairs out;
        for (const FormVariable& v : table().variables())
            out.append({v.formName, v.value});
        return out;
    }

    QStringList logLines() const
    {
        QStringList lines = app.state->eventLog().text().split(QStringLiteral("\r\n"));
        lines.removeFirst(); // the separator before the first line
        return lines;
    }

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
    }
    void decodesPairsInFileOrder()
    {
        QFETCH(QByteArray, content);
        QFETCH(Pairs, expected);
        QCOMPARE(decode(content), DecodeResult::Decoded);
        QCOMPARE(pairs(), expected);
    }

    // Every valid escape decodes, whatever the case of its hex digits.
    void decodesEveryHexEscape_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("value");
        QTest::newRow("upper and lower case") << QByteArray("a=%41%2b%2B") << QStringLiteral("A++");
        QTest::newRow("at sign") << QByteArray("a=ann%40example.com") << QStringLiteral("ann@example.com");
        QTest::newRow("percent sign") << QByteArray("a=100%25") << QStringLiteral("100%");
        QTest::newRow("line break inside a value")
            << QByteArray("a=one%0D%0Atwo") << QStringLiteral("one\r\ntwo");
        QTest::newRow("UTF-8 bytes") << QByteArray("a=caf%C3%A9") << QStringLiteral("café");
        QTest::newRow("Windows-1252 byte") << QByteArray("a=caf%E9") << QStringLiteral("café");
        QTest::newRow("Windows-1252 euro") << QByteArray("a=%8010") << QStringLiteral("€10");
        QTest::newRow("raw UTF-8 text") << QByteArray("a=na\xc3\xafve") << QStringLiteral("naïve");
        QTest::newRow("escaped separators are plain text")
            << QByteArray("a=%26%3D%2B") << QStringLiteral("&=+");
        QTest::newRow("every code of the classic table")
            << QByteArray("a=%21%22%23%24%26%27%28%29%2B%2C%3A%3B%3C%3D%3E%5B%5D%5C%2F%3F")
            << QStringLiteral("!\"#$&'()+,:;<=>[]\\/?");
    }
    void decodesEveryHexEscape()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, value);
        QCOMPARE(decode(content), DecodeResult::Decoded);
        QCOMPARE(table().count(), 1);
        QCOMPARE(table().at(1).value, value);
    }

    // A "%" that does not start a valid escape is kept, and what follows still acts.
    void keepsPercentWithoutHexDigits()
    {
        QCOMPARE(decode("a=50%&b=1"), DecodeResult::Decoded);
        QCOMPARE(pairs(), (Pairs{{"a", "50%"}, {"b", "1"}}));
        QCOMPARE(decode("a=%zz+1"), DecodeResult::Decoded);
        QCOMPARE(table().at(1).value, QStringLiteral("%zz 1"));
        QCOMPARE(decode("a=%%41"), DecodeResult::Decoded);
        QCOMPARE(table().at(1).value, QStringLiteral("%A"));
        QCOMPARE(decode("a=%4=b"), DecodeResult::Decoded);
        QCOMPARE(pairs(), (Pairs{{"a", ""}, {"%4", "b"}}));
    }

    void endingInsideAnEscapeIsAParseError()
    {
        QCOMPARE(decode("a=50%"), DecodeResult::ParseError);
        // The name read before the "%" stays in the table, without a value.
        QCOMPARE(pairs(), (Pairs{{"a", ""}}));
        QCOMPARE(logLines().constLast(), QStringLiteral("form.dat parsing error, file ignored [ERROR]"));
        QCOMPARE(decode("a=%4\r\n"), DecodeResult::ParseError);
        QCOMPARE(decode("a=%z"), DecodeResult::ParseError);
    }

    void parseErrorLeavesGridAndDefinitionsAlone()
    {
        QCOMPARE(decode("a=1&b=2&c=3"), DecodeResult::Decoded);
        QCOMPARE(table().gridModel()->rowCount(), 3);
        QCOMPARE(decode("x=1&y=%"), DecodeResult::ParseError);
        QCOMPARE(table().gridModel()->rowCount(), 3);
        QCOMPARE(table().definitions().size(), 3); // FinishSubmission did not cut them
        QCOMPARE(table().gridModel()->cell(0, 0), QStringLiteral("a"));
    }

    void refusesBySize()
    {
        const QByteArray exact(100, 'x');
        QCOMPARE(decode("a=" + exact.left(98), 100), DecodeResult::Decoded);
        QCOMPARE(decode("a=" + exact.left(99), 100), DecodeResult::Ignored);
        QCOMPARE(logLines().mid(logLines().size() - 2),
                 (QStringList{"form.dat (101 bytes) exceeds user defined limit", "form.dat [IGNORED]"}));
        QCOMPARE(table().count(), 0);
        // Limit 0 switches the check off; an empty file is still refused.
        QCOMPARE(decode(QByteArray(50000, 'y').prepend("a="), 0), DecodeResult::Decoded);
        QCOMPARE(decode("", 0), DecodeResult::Ignored);
        QCOMPARE(logLines().constLast(), QStringLiteral("form.dat (0 bytes) [IGNORED]"));
        // A negative limit decodes every file, an empty one included.
        QCOMPARE(decode("", -1), DecodeResult::Decoded);
        QCOMPARE(table().count(), 0);
    }

    void unreadableFileIsAnErrorNotAnEmptyFile()
    {
        const int before = log().lineCount();
        const auto result = DecodeSubmission(app.path(QStringLiteral("vanished.dat")),
                                             QStringLiteral("vanished.dat"), 20000, table(), log());
        QCOMPARE(result, DecodeResult::ParseError);
        QCOMPARE(log().lineCount(), before + 1);
        QCOMPARE(logLines().constLast(), QStringLiteral("vanished.dat could not be read [ERROR]"));
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
        big += "&last=%41";
        QCOMPARE(decode(big, 0), DecodeResult::Decoded);
        QCOMPARE(table().count(), 3);
        QCOMPARE(table().at(2).value.left(8), QStringLiteral("abc+ abc"));
        QCOMPARE(table().at(3).value, QStringLiteral("A"));
    }

    void fillsGridAndList()
    {
        QCOMPARE(decode("name=Ann&email=ann%40example.com"), DecodeResult::Decoded);
        QCOMPARE(table().gridModel()->rowCount(), 2);
        QCOMPARE(table().gridModel()->cell(1, 2), QStringLiteral("ann@example.com"));
        QCOMPARE(table().listModel()->stringList(),
                 (QStringList{"name [name]", "email [email]"}));
    }
};

QTEST_GUILESS_MAIN(DecoderTest)
#include "test_decoder.moc"
