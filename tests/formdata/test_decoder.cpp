// The decoder of one submission file, and the variable table it fills with the grid and the
// list that show it.
#include "TestSupport.h"
#include "formdata/DecodeSubmission.h"

namespace {
using Pairs = QList<QPair<QString, QString>>;
using P = QPair<QString, QString>;
} // namespace

class DecoderTest : public QObject
{
    Q_OBJECT

    TestApp app;
    VariableTable& table() { return app.state->variables(); }

    DecodeResult decode(const QByteArray& content, int limit = 20000)
    {
        app.writeFile("form.dat", content);
        return DecodeSubmission(app.path("form.dat"), "form.dat", limit, table(), app.state->eventLog());
    }
    Pairs pairs(bool definitions = false)
    {
        Pairs out;
        if (definitions)
            for (const auto& d : table().definitions())
                out.append({d.formName, d.friendlyName});
        else
            for (const FormVariable& v : table().variables())
                out.append({v.formName, v.value});
        return out;
    }
    QString lastLogLine() const { return app.state->eventLog().text().section("\r\n", -1); }

private slots:
    void init()
    {
        // A fresh log and table per test: the log itself only ever grows.
        app.state = std::make_unique<AppState>(app.folder(), app.dialogs);
    }

    void decodesPairsInFileOrder_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Pairs>("expected");
        // clang-format off
        QTest::newRow("escape, plus and line breaks") << QByteArray("a=x%3Dy+z&b=1\n2\r\n") << Pairs{P("a", "x=y z"), P("b", "12")};
        QTest::newRow("empty names and values") << QByteArray("=5&b\r=3&&c=") << Pairs{P("", "5"), P("b", ""), P("c", "")};
        QTest::newRow("line breaks inside escapes") << QByteArray("a=%2\r\n0%0\n9") << Pairs{P("a", " \t")};
        QTest::newRow("no equals sign gives no pairs") << QByteArray("just some text") << Pairs{};
        QTest::newRow("value before any name, trailing ampersand") << QByteArray("lost&a=1&") << Pairs{P("a", "1")};
        // Every valid escape decodes, whatever the case of its hex digits; bytes are UTF-8 or
        // else Windows-1252.
        QTest::newRow("upper and lower case") << QByteArray("a=%41%2b%2B&b=ann%40x.org%25") << Pairs{P("a", "A++"), P("b", "ann@x.org%")};
        QTest::newRow("UTF-8") << QByteArray("a=caf%C3%A9&b=na\xc3\xafve") << Pairs{P("a", "café"), P("b", "naïve")};
        QTest::newRow("Windows-1252 bytes") << QByteArray("a=caf%E9&b=%8010") << Pairs{P("a", "café"), P("b", "€10")};
        // A "%" that does not start a valid escape is kept, and what follows still acts.
        QTest::newRow("percent before no hex or an escape") << QByteArray("a=50%&b=%zz+1&c=%%41") << Pairs{P("a", "50%"), P("b", "%zz 1"), P("c", "%A")};
        QTest::newRow("percent with one hex digit") << QByteArray("a=%4=b") << Pairs{P("a", ""), P("%4", "b")};
        // clang-format on
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
        QCOMPARE(pairs(), (Pairs{{"a", ""}})); // the name read before the "%" stays
        QCOMPARE(lastLogLine(), QStringLiteral("form.dat parsing error, file ignored [ERROR]"));
        // The grid, the list and the definitions keep the last good submission.
        QCOMPARE(decode("a=1&b=2&c=3"), DecodeResult::Decoded);
        QCOMPARE(decode("x=1&y=%4\r\n"), DecodeResult::ParseError);
        QCOMPARE(table().gridModel()->cell(2, 0) + QString::number(table().definitions().size()), QStringLiteral("c3"));
        QCOMPARE(table().listModel()->stringList(), (QStringList{"a [a]", "b [b]", "c [c]"}));
        QCOMPARE(decode("c=3"), DecodeResult::Decoded); // two files never share text
        QCOMPARE(pairs(), (Pairs{{"c", "3"}}));
    }

    void refusesBySizeAndUnreadableFiles()
    {
        QCOMPARE(decode("a=" + QByteArray(98, 'x'), 100), DecodeResult::Decoded);
        QCOMPARE(decode("a=" + QByteArray(99, 'x'), 100), DecodeResult::Ignored);
        QCOMPARE(table().count(), 0);
        // Limit 0 switches the check off (a file larger than the buffer below) yet an empty file
        // is still refused; a negative limit decodes every file, an empty one included.
        QCOMPARE(decode("", 0), DecodeResult::Ignored);
        QCOMPARE(decode("", -1), DecodeResult::Decoded);
        QCOMPARE(DecodeSubmission(app.path("gone.dat"), "gone.dat", 0, table(), app.state->eventLog()),
                 DecodeResult::ParseError);
        QCOMPARE(lastLogLine(), QStringLiteral("gone.dat could not be read [ERROR]"));
    }

    void readsFilesLargerThanItsBuffer()
    {
        QByteArray big = "first=1&long=";
        while (big.size() < 50000)
            big += "abc%2B+";
        QCOMPARE(decode(big + "&last=%41", 0), DecodeResult::Decoded);
        QCOMPARE(table().at(2).value.left(8) + table().at(3).value + QString::number(table().count()),
                 QStringLiteral("abc+ abcA3"));
    }

    // Definitions pair with the fields by position, names case-sensitive, and follow the
    // latest submission; renaming takes the first match.
    void definitionsFollowTheLatestSubmission()
    {
        for (const auto& [name, friendly] : Pairs{{"x", "Ex"}, {"mail", "E-mail"}, {"msg", "Message"}})
            table().appendDefinition({name, friendly});
        QCOMPARE(decode("x=1&email=2&msg=3&x=4"), DecodeResult::Decoded);
        QCOMPARE(pairs(true), (Pairs{{"x", "Ex"}, {"email", "email"}, {"msg", "Message"}, {"x", "x"}}));
        QVERIFY(table().SetFriendlyName("x", "First") && !table().SetFriendlyName("missing", "M"));
        QCOMPARE(pairs(true).first().second + pairs(true).last().second, QStringLiteral("Firstx"));
        QCOMPARE(decode("X=1"), DecodeResult::Decoded);
        QCOMPARE(pairs(true), (Pairs{{"X", "X"}}));
        // After a failed template load the definitions can be shorter than the variables;
        // renaming must neither crash nor break the pairing by position.
        QCOMPARE(decode("a=1&b=2&c=3"), DecodeResult::Decoded);
        table().clearDefinitions();
        QVERIFY(table().SetFriendlyName("c", "See"));
        QCOMPARE(pairs(true), (Pairs{{"a", "a"}, {"b", "b"}, {"c", "See"}}));
    }
};

QTEST_GUILESS_MAIN(DecoderTest)
#include "test_decoder.moc"
