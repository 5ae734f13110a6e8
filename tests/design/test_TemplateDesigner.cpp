// The reply template: its merge with the variable table and its ".rtm" files; the designer's
// commands through the menus and controls of the offscreen main window; the recent templates.
#include "TestSupport.h"

namespace {

bool reported(const ScriptedDialogs& dialogs, const QString& code)
{
    return !dialogs.messages().filter(code).isEmpty();
}

// One submission decoded into the table; a friendly name of "" is set to nothing, a null one is
// unset (as read from an empty line), and a missing one stays the form name.
void fill(VariableTable& table, const QList<std::pair<QString, QString>>& fields, const QStringList& friendly = {})
{
    table.Clear();
    for (const auto& [name, value] : fields) {
        table.AddName(name);
        table.SetLastValue(value);
    }
    for (int i = 0; i < friendly.size(); ++i)
        table.SetFriendlyName(fields[i].first, friendly[i]);
}

// The main window over a program whose grid shows a decoded sample; no dialog left in the list.
struct Designer : TestApp
{
    frmMain window{*state};
    ReplyTemplate& reply = state->replyTemplate();
    explicit Designer(const QByteArray& sample = "name=Ann&email=ann%40x.org&a%5B1%5D=x")
    {
        userSettingsFolder();
        QSettings("Brevane", "Brevane").remove(RecentFiles::Group);
        writeFile("s.att", sample);
        dialogs.answerText(path("s.att"));
        window.mnuFileNew->trigger();
        dialogs.clearShown();
    }
    void open(const QString& name)
    {
        dialogs.answerText(path(name));
        window.mnuFileOpen->trigger();
    }
    QString history(int n) const { return window.mnuFileHistory[n]->text(); }
};

} // namespace

class TestTemplateDesigner : public QObject
{
    Q_OBJECT

private slots:
    void markersAreReplacedExactly()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        const auto merged = [&table](const char* design) { return ReplyTemplate::merged(design, table, ": "); };
        fill(table, {{"Name", "Ann"}, {"n", "x"}}, {"", ""});
        QCOMPARE(merged("<<Name>>,<<Name>>\r\n<<n>><<n>>"), QStringLiteral("Ann,Ann\r\nxx"));
        QCOMPARE(merged("<<other>> <<name>> <<NAME>> << Name>>"), QStringLiteral("<<other>> <<name>> <<NAME>> << Name>>"));
        // A value holding its own marker is replaced once and the merge ends; a later row's
        // marker inside a value is replaced too, an earlier row's is left.
        fill(table, {{"a", "<<a>>+<<b>>"}, {"b", "<<a>>B"}}, {"", ""});
        QCOMPARE(merged("<<a>> <<a>>"), QStringLiteral("<<a>>+<<a>>B <<a>>+<<a>>B"));
        fill(table, {{"loop", "<<loop>><<loop>>"}});
        QCOMPARE(merged("[<<loop>>]"), QStringLiteral("[loop: <<loop>><<loop>>]"));
    }

    void templateFileKeepsEveryByteQuotesAndUnsetNames()
    {
        TestApp app;
        fill(app.state->variables(), {{"Name", ""}, {"ma\"il", ""}, {"msg", ""}}, {"Your name", "", QString()});
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("Dear <<Name>>\r\n\r\nHe said \"hi\"");
        QVERIFY(reply.SaveTemplate(app.path("a.rtm")));
        const QByteArray expected = "\"Dear <<Name>>\r\n\r\nHe said \"\"hi\"\"\"\r\n\"Name\"\r\n\"Your name\"\r\n"
                                    "\"ma\"\"il\"\r\n\"\"\r\n\"msg\"\r\n\r\n";
        QCOMPARE(app.readFile("a.rtm"), expected);
        TestApp other;
        ReplyTemplate& loaded = other.state->replyTemplate();
        VariableTable& read = other.state->variables();
        QVERIFY(loaded.LoadTemplate(app.path("a.rtm")));
        QCOMPARE(loaded.designText() + loaded.path(), reply.designText() + app.path("a.rtm"));
        QVERIFY(loaded.SaveTemplate(other.path("b.rtm")));
        QCOMPARE(other.readFile("b.rtm"), expected);
        // Hand-made files: leading blanks, two fields on a line, an unquoted field, a name in
        // Windows-1252.
        app.writeFile("h.rtm", "  \"Hello\" junk\r\n\"name\",\"Ren\xe9\"\r\nplain, \"P\"\r\n");
        QVERIFY(loaded.LoadTemplate(app.path("h.rtm")));
        QCOMPARE(loaded.designText() + read.at(1).friendlyName + read.at(2).formName + read.at(2).friendlyName,
                 QStringLiteral("HelloRenéplainP"));
    }

    void newLearnsTheSampleAndKeepsTheDesign()
    {
        Designer d;
        d.reply.setDesignText("Dear <<name>>");
        d.reply.setPath(d.path("old.rtm"));
        d.dialogs.answerText(d.path("s.att"));
        d.window.mnuFileNew->trigger();
        QCOMPARE(d.reply.designText() + d.reply.path(), QStringLiteral("Dear <<name>>"));
        QCOMPARE(d.reply.previewText(), QStringLiteral("Dear name: Ann"));
        QVERIFY(!d.reply.isChanged()); // the program's own merge is no edit
        QCOMPARE(d.window.cboVariableNames->count(), 3);
    }

    void openSaveAndRecentEntries()
    {
        Designer d;
        d.writeFile("t.rtm", "\"T <<a>>\"\r\n\"a\"\r\n\"A\"\r\n");
        d.writeFile("u.rtm", "\"U\"\r\n");
        d.open("u.rtm");
        d.open("t.rtm");
        QCOMPARE(d.reply.designText() + d.reply.path(), "T <<a>>" + d.path("t.rtm"));
        QCOMPARE(d.history(1), d.path("u.rtm"));
        d.window.mnuFileHistory[1]->trigger();
        QCOMPARE(d.reply.designText(), QStringLiteral("U"));
        QCOMPARE(d.history(0) + d.state->store().lastTemplate(), d.path("u.rtm") + d.path("u.rtm"));
        QFile::remove(d.path("t.rtm"));
        d.window.mnuFileHistory[1]->trigger();
        QVERIFY(reported(d.dialogs, ErrorCode::OpeningRecentTemplate));
        QCOMPARE(d.history(1) + d.reply.path(), d.path("t.rtm") + d.path("u.rtm"));
        d.reply.setDesignText("New");
        d.dialogs.answerText(d.path("mine"));
        d.window.mnuFileSaveAs->trigger();
        QCOMPARE(d.readFile("mine.rtm"), QByteArray("\"New\"\r\n"));
        QCOMPARE(d.reply.path() + d.state->store().lastTemplate(), d.path("mine.rtm") + d.path("mine.rtm"));
        d.open("missing.rtm");
        QVERIFY(reported(d.dialogs, ErrorCode::OpeningTemplate));
        QCOMPARE(d.reply.path(), QString());
    }

    // Enter on a friendly name asks for a new one: no answer changes nothing, "." sets it to nothing.
    void enterEditsAFriendlyName()
    {
        Designer d;
        d.reply.setChanged(false);
        QTableView* grid = d.window.grdVariableNameDefinitionsAndSource;
        d.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.window));
        grid->setCurrentIndex(grid->model()->index(0, 1));
        for (const std::optional<QString>& answer : {std::optional<QString>(""), std::optional<QString>()}) {
            d.dialogs.answerText(answer);
            QTest::keyClick(grid, Qt::Key_Return);
        }
        QVERIFY(!d.reply.isChanged());
        QCOMPARE(d.dialogs.shown().size(), 2);
        QCOMPARE(d.dialogs.shown().last().defaultText, QStringLiteral("name"));
        d.reply.setDesignText("<<name>>!");
        d.dialogs.answerText(".");
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(d.window.cboVariableNames->itemText(0) + grid->model()->index(0, 1).data().toString(),
                 QStringLiteral("name []"));
        QCOMPARE(d.reply.previewText(), QStringLiteral("Ann!"));
        QVERIFY(d.reply.isChanged());
    }

    // Typed edits are worth a question before a recent entry replaces them; what the program
    // put into the pane is not.
    void typedEditsAskBeforeTheyAreReplaced()
    {
        Designer d;
        d.writeFile("t.rtm", "\"T\"\r\n");
        d.window.show();
        d.window.sstMain->setCurrentIndex(frmMain::TabDesign);
        d.open("t.rtm");
        QPlainTextEdit* pane = d.window.rtfReplyFormDesign;
        QCOMPARE(pane->toPlainText(), QStringLiteral("T"));
        QVERIFY(!d.reply.isChanged() && d.window.cboVariableNames->isVisible());
        QCOMPARE(d.window.cboVariableNames->window(), &d.window);
        pane->moveCursor(QTextCursor::End);
        QTest::keyClicks(pane, "x");
        QCOMPARE(d.reply.designText(), QStringLiteral("Tx"));
        d.dialogs.clearShown();
        d.dialogs.answer(Dialogs::Answer::No);
        d.window.mnuFileHistory[0]->trigger();
        QCOMPARE(d.dialogs.messages(), QStringList{TemplateDesigner::SaveQuestion});
        QCOMPARE(pane->toPlainText(), QStringLiteral("T"));
    }

    void startUpReopensAndExitAsks()
    {
        TestApp app;
        app.writeFile("t.rtm", "\"Kept\"\r\n");
        app.writeFile("FORM.INI", "[System Settings]\nAuto_Open_Template=1\nLast_Template_Open=" + app.path("t.rtm").toUtf8());
        QSettings("Brevane", "Brevane").setValue("File History/Recent_File_0", "/r/one.rtm");
        frmMain window(*app.state);
        QVERIFY(runStartup(*app.state, window, 0));
        ReplyTemplate& reply = app.state->replyTemplate();
        QCOMPARE(reply.designText() + window.mnuFileHistory[0]->text(), QStringLiteral("Kept/r/one.rtm"));
        reply.setDesignText("Changed");
        reply.MergeReplyPreview();
        reply.setPath(QString()); // untitled: Yes goes to Save As until it works
        app.dialogs.answer(Dialogs::Answer::Yes);
        app.dialogs.answerText(app.path("no/folder/x.rtm"));
        app.dialogs.answerText(app.path("x.rtm"));
        window.close();
        QCOMPARE(app.dialogs.shown().constFirst().text, TemplateDesigner::SaveQuestion);
        QVERIFY(reported(app.dialogs, ErrorCode::SavingTemplate));
        QCOMPARE(app.readFile("x.rtm"), QByteArray("\"Changed\"\r\n"));
        QCOMPARE(app.state->store().lastTemplate(), app.path("x.rtm"));

        TestApp missing;
        missing.writeFile("FORM.INI", "[System Settings]\r\nAuto_Open_Template=1\r\n");
        frmMain second(*missing.state);
        QVERIFY(runStartup(*missing.state, second, 0));
        QVERIFY(second.isVisible() && reported(missing.dialogs, ErrorCode::StartupTemplate));
    }
};

QTEST_MAIN(TestTemplateDesigner)
#include "test_TemplateDesigner.moc"
