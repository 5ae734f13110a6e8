#include "TestSupport.h"

#include <QTest>

// The merge of the design with the variable table into the preview.
class TestReplyMerge : public QObject
{
    Q_OBJECT

    // One submission: name=value pairs decoded into the table, friendly names as the table gives.
    static void fill(VariableTable& table, const QList<std::pair<QString, QString>>& fields)
    {
        table.Clear();
        for (const auto& [name, value] : fields) {
            table.AddName(name);
            table.SetLastValue(value);
        }
    }

private slots:
    void markersAreReplacedExactly()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        fill(table, {{"Name", "Ann"}, {"n", "x"}});
        table.SetFriendlyName("Name", QStringLiteral(""));
        table.SetFriendlyName("n", QStringLiteral(""));
        const QString suffix = QStringLiteral(": ");
        QCOMPARE(ReplyTemplate::merged("<<Name>>,<<Name>>\r\n<<Name>>", table, suffix),
                 QString("Ann,Ann\r\nAnn"));
        QCOMPARE(ReplyTemplate::merged("<<other>> <<name>> <<NAME>> << Name>>", table, suffix),
                 QString("<<other>> <<name>> <<NAME>> << Name>>"));
        QCOMPARE(ReplyTemplate::merged("<<n>><<n>>", table, suffix), QString("xx"));
    }

    void friendlyNamesComeWithTheSuffix()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        fill(table, {{"Name", "Ann"}, {"mail", "a@b"}, {"msg", "Hi"}});
        table.SetFriendlyName("Name", "Your name");
        table.SetFriendlyName("mail", QStringLiteral(""));
        table.SetFriendlyName("msg", QString());
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("<<Name>>|<<mail>>|<<msg>>");
        QVERIFY(!reply.isChanged());
        reply.MergeReplyPreview();
        QCOMPARE(reply.previewText(), QString("Your name: Ann|a@b|Hi"));
        QVERIFY(reply.isChanged());
        app.state->settings().setFriendlyReplySuffix(" = ");
        reply.MergeReplyPreview();
        QCOMPARE(reply.previewText(), QString("Your name = Ann|a@b|Hi"));
        QCOMPARE(reply.designText(), QString("<<Name>>|<<mail>>|<<msg>>"));
    }

    void valuesHoldingMarkers()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        // A value holding its own marker is replaced once and the merge ends; a later row's
        // marker inside a value is replaced too, an earlier row's is left.
        fill(table, {{"a", "<<a>>+<<b>>"}, {"b", "<<a>>B"}});
        table.SetFriendlyName("a", QStringLiteral(""));
        table.SetFriendlyName("b", QStringLiteral(""));
        QCOMPARE(ReplyTemplate::merged("<<a>> <<a>>", table, ": "),
                 QString("<<a>>+<<a>>B <<a>>+<<a>>B"));
        fill(table, {{"loop", "<<loop>><<loop>>"}});
        QCOMPARE(ReplyTemplate::merged("[<<loop>>]", table, ": "),
                 QString("[loop: <<loop>><<loop>>]"));
    }
};

QTEST_MAIN(TestReplyMerge)
#include "test_ReplyMerge.moc"
