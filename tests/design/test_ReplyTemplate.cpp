#include "TestSupport.h"

// The reply template: its merge with the variable table into the preview, and its ".rtm" files
// loaded and saved through the process-wide template and variable table.
class TestReplyTemplate : public QObject
{
    Q_OBJECT

    // One submission decoded into the table; a friendly name of "" is set to nothing, a null one
    // is unset (as read from an empty line), and a missing one stays the form name.
    static void fill(VariableTable& table, const QList<std::pair<QString, QString>>& fields,
                     const QStringList& friendly = {})
    {
        table.Clear();
        for (const auto& [name, value] : fields) {
            table.AddName(name);
            table.SetLastValue(value);
        }
        for (int i = 0; i < friendly.size(); ++i)
            table.SetFriendlyName(fields[i].first, friendly[i]);
    }

private slots:
    void markersAreReplacedExactly()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        fill(table, {{"Name", "Ann"}, {"n", "x"}}, {"", ""});
        QCOMPARE(ReplyTemplate::merged("<<Name>>,<<Name>>\r\n<<Name>>", table, ": "),
                 QString("Ann,Ann\r\nAnn"));
        QCOMPARE(ReplyTemplate::merged("<<other>> <<name>> <<NAME>> << Name>>", table, ": "),
                 QString("<<other>> <<name>> <<NAME>> << Name>>"));
        QCOMPARE(ReplyTemplate::merged("<<n>><<n>>", table, ": "), QString("xx"));

        // A value holding its own marker is replaced once and the merge ends; a later row's
        // marker inside a value is replaced too, an earlier row's is left.
        fill(table, {{"a", "<<a>>+<<b>>"}, {"b", "<<a>>B"}}, {"", ""});
        QCOMPARE(ReplyTemplate::merged("<<a>> <<a>>", table, ": "),
                 QString("<<a>>+<<a>>B <<a>>+<<a>>B"));
        fill(table, {{"loop", "<<loop>><<loop>>"}});
        QCOMPARE(ReplyTemplate::merged("[<<loop>>]", table, ": "),
                 QString("[loop: <<loop>><<loop>>]"));

        // Friendly names come with the suffix, a name set to nothing or unset with none.
        fill(table, {{"Name", "Ann"}, {"mail", "a@b"}, {"msg", "Hi"}},
             {"Your name", "", QString()});
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

    void roundTripKeepsEveryByteAndUnsetNames()
    {
        TestApp app;
        fill(app.state->variables(), {{"Name", ""}, {"mail", ""}, {"msg", ""}},
             {"Your name", "", QString()});
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("Dear <<Name>>\r\n\r\nThanks, <<msg>>");
        reply.setChanged(true);

        QVERIFY(reply.SaveTemplate(app.path("a.rtm")));
        QVERIFY(!reply.isChanged());
        QCOMPARE(reply.path(), QString()); // the caller decides the path
        const QByteArray expected = "\"Dear <<Name>>\r\n\r\nThanks, <<msg>>\"\r\n"
                                    "\"Name\"\r\n\"Your name\"\r\n"
                                    "\"mail\"\r\n\"\"\r\n"
                                    "\"msg\"\r\n\r\n";
        QCOMPARE(app.readFile("a.rtm"), expected);
        QCOMPARE(QDir(app.folder()).entryList(QDir::Files), QStringList{"a.rtm"});

        TestApp other;
        ReplyTemplate& loaded = other.state->replyTemplate();
        QVERIFY(loaded.LoadTemplate(app.path("a.rtm")));
        QCOMPARE(loaded.designText(), reply.designText());
        QCOMPARE(loaded.path(), app.path("a.rtm"));
        QVERIFY(!loaded.isChanged());
        VariableTable& read = other.state->variables();
        QCOMPARE(read.definitions().size(), 3);
        QCOMPARE(read.count(), 3);
        QVERIFY(!read.at(2).friendlyName.isNull() && read.at(2).friendlyName.isEmpty());
        QVERIFY(read.at(3).friendlyName.isNull());
        QCOMPARE(read.listModel()->stringList(),
                 (QStringList{"Name [Your name]", "mail []", "msg []"}));
        QVERIFY(loaded.SaveTemplate(other.path("b.rtm")));
        QCOMPARE(other.readFile("b.rtm"), expected);
    }

    void quotesHandMadeFilesAndCodePages()
    {
        TestApp app;
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("He said \"hi\"");
        fill(app.state->variables(), {{"a\"b", ""}}, {"x\""});
        QVERIFY(reply.SaveTemplate(app.path("q.rtm")));
        QCOMPARE(app.readFile("q.rtm"), QByteArray("\"He said \"\"hi\"\"\"\r\n\"a\"\"b\"\r\n\"x\"\"\"\r\n"));
        TestApp other;
        ReplyTemplate& loaded = other.state->replyTemplate();
        const VariableTable& table = other.state->variables();
        QVERIFY(loaded.LoadTemplate(app.path("q.rtm")));
        QCOMPARE(loaded.designText(), QStringLiteral("He said \"hi\""));
        QCOMPARE(table.at(1).formName + table.at(1).friendlyName, QStringLiteral("a\"bx\""));
        app.writeFile("none.rtm", "\"Only a design\"\r\n");
        QVERIFY(loaded.LoadTemplate(app.path("none.rtm")));
        QCOMPARE(table.count(), 0);

        // Leading blanks, two fields on a line, an unquoted field, a name in Windows-1252.
        app.writeFile("h.rtm", "  \"Hello\r\nthere\" junk\r\n\"name\",\"Ren\xe9\"\r\nplain, \"P\"\r\n");
        QVERIFY(loaded.LoadTemplate(app.path("h.rtm")));
        QCOMPARE(loaded.designText(), QStringLiteral("Hello\r\nthere"));
        QCOMPARE(table.count(), 2);
        QCOMPARE(table.at(1).friendlyName, QStringLiteral("René"));
        QCOMPARE(table.at(2).formName + table.at(2).friendlyName, QStringLiteral("plainP"));
        QVERIFY(loaded.SaveTemplate(app.path("h.rtm")));
        QVERIFY(app.readFile("h.rtm").contains("\"Ren\xc3\xa9\"\r\n")); // written as UTF-8
        app.writeFile("bom.rtm", "\xef\xbb\xbf\"Gr\xc3\xbc\xc3\x9f\x65\"\r\n");
        QVERIFY(loaded.LoadTemplate(app.path("bom.rtm")));
        QCOMPARE(loaded.designText(), QStringLiteral("Grüße"));
    }

    void failedLoadsStopWhereTheyFailed()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        fill(table, {{"old", ""}}, {"Old"});
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("before");
        reply.setPath(app.path("kept.rtm"));

        app.writeFile("empty.rtm", "");
        QVERIFY(!reply.LoadTemplate(app.path("empty.rtm")));
        QCOMPARE(reply.designText(), QString("before"));
        QVERIFY(table.definitions().isEmpty());
        // The row now lies past the definitions: renaming it fills them up to it.
        QVERIFY(table.SetFriendlyName("old", "New"));
        QCOMPARE(table.definitions().size(), 1);
        QCOMPARE(table.definitions().at(0).friendlyName, QString("New"));

        app.writeFile("cut.rtm", "\"after\"\r\n\"a\"\r\n\"A\"\r\n\"b\"\r\n");
        QVERIFY(!reply.LoadTemplate(app.path("cut.rtm")));
        QCOMPARE(reply.designText(), QString("after"));
        QCOMPARE(table.definitions().size(), 2); // (a, A) and the pair left half-read
        QCOMPARE(table.definitions().at(1).formName, QString("b"));
        QCOMPARE(table.at(1).formName, QString("old")); // rows were not reset
        QCOMPARE(reply.path(), app.path("kept.rtm"));
        QVERIFY(!reply.LoadTemplate(app.path("missing.rtm")));
        QVERIFY(!reply.LoadTemplate(QString()));

        // A failed save keeps the flag.
        reply.setChanged(true);
        QDir(app.folder()).mkdir("dir.rtm");
        for (const QString& path :
             {app.path("no/such/folder/t.rtm"), QString(), app.path("dir.rtm")})
            QVERIFY(!reply.SaveTemplate(path));
        QVERIFY(QFileInfo(app.path("dir.rtm")).isDir());
        QVERIFY(reply.isChanged());
    }
};

QTEST_MAIN(TestReplyTemplate)
#include "test_ReplyTemplate.moc"
