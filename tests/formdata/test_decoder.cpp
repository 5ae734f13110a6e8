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
    EventLog& log() { return app.state->eventLog(); }

    DecodeResult decode(const QByteArray& content, int limit = 20000)
    {
        app.writeFile("form.dat", content);
        return DecodeSubmission(app.path("form.dat"), "form.dat", limit, table(), log());
    }
    Pairs pairs()
    {
        Pairs out;
        for (const FormVariable& v : table().variables())
            out.append({v.formName, v.value});
        return out;
    }
    QString lastLogLine() const { return app.state->eventLog().text().section("\r\n", -1); }
    // Feeds a submission the way the decoder does, after the definitions given.
    static void submit(VariableTable& t, const QStringList& names, const Pairs& before = {})
    {
        if (!before.isEmpty())
            t.clearDefinitions();
        for (const auto& [name, friendly] : before)
            t.appendDefinition({name, friendly});
        t.Clear();
        for (const QString& n : names) {
            t.AddName(n);
            t.SetLastValue(n + "-value");
        }
        t.ShowInGrid();
        t.ShowInList();
        t.FinishSubmission();
    }
    static Pairs defs(const VariableTable& t)
    {
        Pairs out;
        for (const auto& d : t.definitions())
            out.append({d.formName, d.friendlyName});
        return out;
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
        QTest::newRow("escape, plus and trailing line break") << QByteArray("a=x%3Dy+z&b=\r\n") << Pairs{P("a", "x=y z"), P("b", "")};
        QTest::newRow("double ampersand empties the value") << QByteArray("a=1&&b=2") << Pairs{P("a", ""), P("b", "2")};
        QTest::newRow("empty name") << QByteArray("=5") << Pairs{P("", "5")};
        QTest::newRow("line breaks inside escapes are skipped") << QByteArray("a=%2\r\n1%0\n9") << Pairs{P("a", "!\t")};
        QTest::newRow("no equals sign gives no pairs") << QByteArray("just some text") << Pairs{};
        QTest::newRow("value before any name is dropped") << QByteArray("lost&a=1") << Pairs{P("a", "1")};
        QTest::newRow("trailing ampersand leaves nothing pending") << QByteArray("a=1&") << Pairs{P("a", "1")};
        QTest::newRow("repeated names stay separate") << QByteArray("x=1&x=2") << Pairs{P("x", "1"), P("x", "2")};
        QTest::newRow("bare line breaks are skipped") << QByteArray("a=1\n2&b\r=3") << Pairs{P("a", "12"), P("b", "3")};
        // Every valid escape decodes, whatever the case of its hex digits.
        QTest::newRow("upper and lower case") << QByteArray("a=%41%2b%2B") << Pairs{P("a", "A++")};
        QTest::newRow("at and percent signs") << QByteArray("a=ann%40example.com&b=100%25")
                                              << Pairs{P("a", "ann@example.com"), P("b", "100%")};
        QTest::newRow("UTF-8 bytes") << QByteArray("a=caf%C3%A9") << Pairs{P("a", "café")};
        QTest::newRow("Windows-1252 bytes") << QByteArray("a=caf%E9&b=%8010") << Pairs{P("a", "café"), P("b", "€10")};
        QTest::newRow("raw UTF-8 text") << QByteArray("a=na\xc3\xafve") << Pairs{P("a", "naïve")};
        QTest::newRow("every code of the classic table")
            << QByteArray("a=%21%22%23%24%26%27%28%29%2B%2C%3A%3B%3C%3D%3E%5B%5D%5C%2F%3F")
            << Pairs{P("a", "!\"#$&'()+,:;<=>[]\\/?")};
        // A "%" that does not start a valid escape is kept, and what follows still acts.
        QTest::newRow("percent at the end of a value") << QByteArray("a=50%&b=1") << Pairs{P("a", "50%"), P("b", "1")};
        QTest::newRow("percent before no hex") << QByteArray("a=%zz+1") << Pairs{P("a", "%zz 1")};
        QTest::newRow("percent before an escape") << QByteArray("a=%%41") << Pairs{P("a", "%A")};
        QTest::newRow("percent with one hex digit") << QByteArray("a=%4=b") << Pairs{P("a", ""), P("%4", "b")};
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
        QCOMPARE(lastLogLine(), QStringLiteral("form.dat parsing error, file ignored [ERROR]"));
        QCOMPARE(decode("a=%4\r\n"), DecodeResult::ParseError);
        // The grid, the list and the definitions keep the last good submission.
        QCOMPARE(decode("a=1&b=2&c=3"), DecodeResult::Decoded);
        QCOMPARE(decode("x=1&y=%"), DecodeResult::ParseError);
        QCOMPARE(table().gridModel()->rowCount(), 3);
        QCOMPARE(table().definitions().size(), 3);
        QCOMPARE(table().gridModel()->cell(0, 0), QStringLiteral("a"));
        QCOMPARE(table().listModel()->stringList(), (QStringList{"a [a]", "b [b]", "c [c]"}));
        // Two files never share text.
        QCOMPARE(decode("c=3"), DecodeResult::Decoded);
        QCOMPARE(pairs(), (Pairs{{"c", "3"}}));
    }

    void refusesBySizeAndUnreadableFiles()
    {
        QCOMPARE(decode("a=" + QByteArray(98, 'x'), 100), DecodeResult::Decoded);
        QCOMPARE(decode("a=" + QByteArray(99, 'x'), 100), DecodeResult::Ignored);
        QVERIFY(log().text().endsWith("\r\nform.dat (101 bytes) exceeds user defined limit\r\nform.dat [IGNORED]"));
        QCOMPARE(table().count(), 0);
        // Limit 0 switches the check off; an empty file is still refused.
        QCOMPARE(decode(QByteArray(50000, 'y').prepend("a="), 0), DecodeResult::Decoded);
        QCOMPARE(decode("", 0), DecodeResult::Ignored);
        QCOMPARE(lastLogLine(), QStringLiteral("form.dat (0 bytes) [IGNORED]"));
        // A negative limit decodes every file, an empty one included.
        QCOMPARE(decode("", -1), DecodeResult::Decoded);
        const int before = log().lineCount();
        QCOMPARE(DecodeSubmission(app.path("vanished.dat"), "vanished.dat", 20000, table(), log()),
                 DecodeResult::ParseError);
        QCOMPARE(log().lineCount(), before + 1);
        QCOMPARE(lastLogLine(), QStringLiteral("vanished.dat could not be read [ERROR]"));
    }

    void readsFilesLargerThanItsBuffer()
    {
        QByteArray big = "first=1&long=";
        while (big.size() < 50000)
            big += "abc%2B+";
        QCOMPARE(decode(big + "&last=%41", 0), DecodeResult::Decoded);
        QCOMPARE(table().count(), 3);
        QCOMPARE(table().at(2).value.left(8), QStringLiteral("abc+ abc"));
        QCOMPARE(table().at(3).value, QStringLiteral("A"));
    }

    void definitionsPairByPositionAndFollowTheLatestSubmission()
    {
        VariableTable t;
        t.SetLastValue("orphan"); // no variable yet: nothing happens
        QCOMPARE(t.count(), 0);
        submit(t, {"name", "email", "msg", "extra"}, {{"name", "Name"}, {"mail", "E-mail"}, {"msg", "Message"}});
        QCOMPARE(defs(t), (Pairs{{"name", "Name"}, {"email", "email"}, {"msg", "Message"}, {"extra", "extra"}}));
        QCOMPARE(t.at(3).friendlyName, QStringLiteral("Message"));
        submit(t, {"NAME"}); // names are case-sensitive
        QCOMPARE(defs(t), (Pairs{{"NAME", "NAME"}}));
        // Resetting keeps the rows the definitions give, without values.
        t.ResetToDefinitions();
        QCOMPARE(t.count(), 1);
        QCOMPARE(t.gridModel()->cell(0, 2), QString());
        submit(t, {});
        QVERIFY(t.definitions().isEmpty());
    }

    void renamingTakesTheFirstMatch()
    {
        VariableTable t;
        submit(t, {"x", "x"});
        QVERIFY(t.SetFriendlyName("x", "First"));
        QCOMPARE(defs(t), (Pairs{{"x", "First"}, {"x", "x"}}));
        QCOMPARE(t.at(2).friendlyName, QStringLiteral("x"));
        QVERIFY(!t.SetFriendlyName("missing", "M"));
        QVERIFY(t.SetGridFriendlyName("x", "Grid"));
        QCOMPARE(t.gridModel()->cell(0, 1), QStringLiteral("Grid"));
        QCOMPARE(t.gridModel()->cell(1, 1), QStringLiteral("x"));
        QVERIFY(!t.SetGridFriendlyName("nope", "y"));
        t.SetFriendlyName("x", "");
        t.ShowInList();
        QCOMPARE(t.listModel()->stringList(), (QStringList{"x []", "x [x]"}));

        // After a failed template load the definitions can be shorter than the variables;
        // renaming must neither crash nor break the pairing by position.
        submit(t, {"a", "b", "c"});
        t.clearDefinitions();
        QVERIFY(t.SetFriendlyName("c", "See"));
        QCOMPARE(defs(t), (Pairs{{"a", "a"}, {"b", "b"}, {"c", "See"}}));
        // The grid shows a snapshot: until the next ShowInGrid.
        t.Clear();
        QCOMPARE(t.gridModel()->rowCount(), 3);
        t.ShowInGrid();
        QCOMPARE(t.gridModel()->rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(DecoderTest)
#include "test_decoder.moc"
