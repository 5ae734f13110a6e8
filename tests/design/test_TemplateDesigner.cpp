// The reply template: its merge with the variable table and its ".rtm" files; the designer's
// commands through the menus and controls of the offscreen main window; the recent templates.
#include "TestSupport.h"

namespace {

bool reported(const ScriptedDialogs& dialogs, const QString& code)
{
    return !dialogs.messages().filter(code).isEmpty();
}

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brevane", "Brevane");
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
        store().remove(RecentFiles::Group);
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
        // Friendly names come with the suffix, a name set to nothing or unset with none.
        fill(table, {{"Name", "Ann"}, {"mail", "a@b"}, {"msg", "Hi"}}, {"Your name", "", QString()});
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("<<Name>>|<<mail>>|<<msg>>");
        QVERIFY(!reply.isChanged());
        app.settings().setFriendlyReplySuffix(" = ");
        reply.MergeReplyPreview();
        QCOMPARE(reply.previewText(), QStringLiteral("Your name = Ann|a@b|Hi"));
        QVERIFY(reply.isChanged());
    }

    void templateFileKeepsEveryByteQuotesAndUnsetNames()
    {
        TestApp app;
        fill(app.state->variables(), {{"Name", ""}, {"ma\"il", ""}, {"msg", ""}}, {"Your name", "", QString()});
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("Dear <<Name>>\r\n\r\nHe said \"hi\"");
        reply.setChanged(true);
        QVERIFY(reply.SaveTemplate(app.path("a.rtm")));
        QVERIFY(!reply.isChanged());
        const QByteArray expected = "\"Dear <<Name>>\r\n\r\nHe said \"\"hi\"\"\"\r\n\"Name\"\r\n\"Your name\"\r\n"
                                    "\"ma\"\"il\"\r\n\"\"\r\n\"msg\"\r\n\r\n";
        QCOMPARE(app.readFile("a.rtm"), expected);
        TestApp other;
        ReplyTemplate& loaded = other.state->replyTemplate();
        VariableTable& read = other.state->variables();
        QVERIFY(loaded.LoadTemplate(app.path("a.rtm")));
        QCOMPARE(loaded.designText() + loaded.path(), reply.designText() + app.path("a.rtm"));
        QVERIFY(!loaded.isChanged());
        QVERIFY(!read.at(2).friendlyName.isNull() && read.at(3).friendlyName.isNull());
        QCOMPARE(read.listModel()->stringList(), (QStringList{"Name [Your name]", "ma\"il []", "msg []"}));
        QVERIFY(loaded.SaveTemplate(other.path("b.rtm")));
        QCOMPARE(other.readFile("b.rtm"), expected);
        // Hand-made files: leading blanks, two fields on a line, an unquoted field, a name in
        // Windows-1252 (written back as UTF-8); a byte order mark.
        app.writeFile("h.rtm", "  \"Hello\" junk\r\n\"name\",\"Ren\xe9\"\r\nplain, \"P\"\r\n");
        QVERIFY(loaded.LoadTemplate(app.path("h.rtm")));
        QCOMPARE(loaded.designText() + read.at(1).friendlyName + read.at(2).formName + read.at(2).friendlyName,
                 QStringLiteral("HelloRenéplainP"));
        QVERIFY(loaded.SaveTemplate(app.path("h.rtm")));
        QVERIFY(app.readFile("h.rtm").contains("\"Ren\xc3\xa9\"\r\n"));
        app.writeFile("bom.rtm", "\xef\xbb\xbf\"Gr\xc3\xbc\xc3\x9f\x65\"\r\n");
        QVERIFY(loaded.LoadTemplate(app.path("bom.rtm")));
        QCOMPARE(loaded.designText(), QStringLiteral("Grüße"));
        QCOMPARE(read.count(), 0);
    }

    void failedLoadsStopWhereTheyFailedAndFailedSavesKeepTheFlag()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        fill(table, {{"old", ""}}, {"Old"});
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("before");
        reply.setPath(app.path("kept.rtm"));
        app.writeFile("empty.rtm", "");
        QVERIFY(!reply.LoadTemplate(app.path("empty.rtm")));
        QCOMPARE(reply.designText(), QStringLiteral("before"));
        QVERIFY(table.definitions().isEmpty());
        app.writeFile("cut.rtm", "\"after\"\r\n\"a\"\r\n\"A\"\r\n\"b\"\r\n");
        QVERIFY(!reply.LoadTemplate(app.path("cut.rtm")));
        QCOMPARE(reply.designText() + reply.path(), "after" + app.path("kept.rtm"));
        QCOMPARE(table.definitions().size(), 2); // (a, A) and the pair left half-read
        QCOMPARE(table.at(1).formName, QStringLiteral("old")); // rows were not reset
        QVERIFY(!reply.LoadTemplate(app.path("missing.rtm")) && !reply.LoadTemplate(QString()));
        reply.setChanged(true);
        QDir(app.folder()).mkdir("dir.rtm");
        for (const QString& path : {app.path("no/such/folder/t.rtm"), QString(), app.path("dir.rtm")})
            QVERIFY(!reply.SaveTemplate(path));
        QVERIFY(QFileInfo(app.path("dir.rtm")).isDir() && reply.isChanged());
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
        d.dialogs.clearShown();
        d.window.mnuFileSave->trigger(); // untitled: Save As, cancelled quietly
        d.window.mnuFileNew->trigger();  // cancelled: nothing more
        QCOMPARE(d.dialogs.shown().size(), 2);
        QCOMPARE(d.dialogs.shown().constFirst().kind, ScriptedDialogs::Kind::Save);
        d.dialogs.answerText("");
        d.window.mnuFileNew->trigger();
        QVERIFY(reported(d.dialogs, ErrorCode::OpeningMailtoFile));
        // A refused sample leaves nothing shown that is no longer in the table.
        d.writeFile("empty.att", "");
        d.dialogs.answerText(d.path("empty.att"));
        d.window.mnuFileNew->trigger();
        QVERIFY(reported(d.dialogs, ErrorCode::InvalidMailtoForm));
        QCOMPARE(d.window.grdVariableNameDefinitionsAndSource->model()->rowCount() + d.window.cboVariableNames->count(), 0);
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
        d.reply.setDesignText("scratch");
        d.window.mnuFileHistory[0]->trigger();
        QCOMPARE(d.reply.designText(), QStringLiteral("U"));
        QFile::remove(d.path("t.rtm"));
        d.window.mnuFileHistory[1]->trigger();
        QVERIFY(reported(d.dialogs, ErrorCode::OpeningRecentTemplate));
        QCOMPARE(d.history(1) + d.reply.path(), d.path("t.rtm") + d.path("u.rtm"));
        d.dialogs.clearShown();
        d.window.mnuFileHistory[3]->trigger(); // an empty entry
        QVERIFY(d.dialogs.shown().isEmpty());

        d.reply.setDesignText("");
        d.dialogs.answerText(d.path("blank"));
        d.window.mnuFileSaveAs->trigger(); // an empty design is never written
        QVERIFY(reported(d.dialogs, ErrorCode::SavingTemplate) && !QFile::exists(d.path("blank.rtm")));
        d.reply.setDesignText("New");
        d.dialogs.answerText(d.path("mine"));
        d.window.mnuFileSaveAs->trigger();
        QCOMPARE(d.readFile("mine.rtm"), QByteArray("\"New\"\r\n"));
        QCOMPARE(d.reply.path() + d.state->store().lastTemplate(), d.path("mine.rtm") + d.path("mine.rtm"));
        QCOMPARE(d.history(0), d.path("u.rtm")); // the list stays
        d.reply.setDesignText("Newer");
        d.dialogs.clearShown();
        d.window.mnuFileSave->trigger();
        QVERIFY(d.dialogs.shown().isEmpty());
        QCOMPARE(d.readFile("mine.rtm"), QByteArray("\"Newer\"\r\n"));
        d.open("missing.rtm");
        QVERIFY(reported(d.dialogs, ErrorCode::OpeningTemplate));
        QCOMPARE(d.reply.path(), QString());
    }

    void friendlyNamesMarkersAndTabs()
    {
        Designer d;
        d.reply.setChanged(false);
        QTableView* grid = d.window.grdVariableNameDefinitionsAndSource;
        d.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.window));
        grid->setCurrentIndex(grid->model()->index(0, 2));
        QTest::keyClick(grid, Qt::Key_Return); // not the friendly-name column
        grid->setCurrentIndex(grid->model()->index(0, 1));
        d.dialogs.answerText("");
        QTest::keyClick(grid, Qt::Key_Return);
        d.dialogs.answerText(std::nullopt);
        QTest::keyClick(grid, Qt::Key_Return);
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
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        d.dialogs.answerText("Mail");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("Mail"));

        // A variable picked on the open list replaces the selection with its marker; turning the
        // wheel over the closed list or typing into it only moves the list.
        d.window.sstMain->setCurrentIndex(frmMain::TabDesign);
        QPlainTextEdit* pane = d.window.rtfReplyFormDesign;
        QTextCursor cursor = pane->textCursor();
        cursor.setPosition(2);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
        QComboBox* list = d.window.cboVariableNames;
        list->setCurrentIndex(0);
        list->setFocus();
        QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
        QCOMPARE(list->currentIndex(), 1);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClicks(list, "n");
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(d.reply.designText(), QStringLiteral("<<name>>!"));
        list->showPopup();
        list->view()->setCurrentIndex(list->model()->index(2, 0));
        QTest::keyClick(list->view(), Qt::Key_Return);
        QVERIFY(!list->view()->isVisible());
        QCOMPARE(d.reply.designText(), QStringLiteral("<<<<a[1]>>>>!"));
        QCOMPARE(d.window.focusWidget(), pane);
        QCOMPARE(pane->textCursor().position(), 10); // after the marker
        list->showPopup();
        QTest::keyClick(list->view(), Qt::Key_Escape);
        QApplication::sendEvent(list, &wheel);
        QCOMPARE(d.reply.designText(), QStringLiteral("<<<<a[1]>>>>!")); // a closed list leaves no pick
        d.window.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(d.reply.previewText(), QStringLiteral("<<a[1]: x>>!"));

        d.window.sstMain->setCurrentIndex(frmMain::TabFormData);
        d.state->variables().Clear(); // the grid still shows the rows
        grid->setCurrentIndex(grid->model()->index(1, 1));
        d.dialogs.answerText("X");
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(reported(d.dialogs, ErrorCode::ChangingVariableName));
        // The grid loses the row while the question is open, the table keeps it: fatal.
        d.dialogs.onInputBox = [&table = d.state->variables()] {
            table.Clear();
            table.AddName("other");
            table.ShowInGrid();
            table.Clear();
            table.AddName("name");
        };
        d.dialogs.answerText("N");
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated, d.state->designer().EditFriendlyName(0, 1));
        QVERIFY(reported(d.dialogs, ErrorCode::UpdatingSourceGrid));
    }

    // Typed edits are worth a question before New, Open and a recent entry replace them; what
    // the program put into the pane is not.
    void typedEditsAskBeforeTheyAreReplaced()
    {
        Designer d;
        d.writeFile("t.rtm", "\"T\"\r\n");
        d.window.show();
        d.window.sstMain->setCurrentIndex(frmMain::TabDesign);
        d.open("t.rtm");
        QPlainTextEdit* pane = d.window.rtfReplyFormDesign;
        QCOMPARE(pane->toPlainText(), QStringLiteral("T"));
        QVERIFY(!d.reply.isChanged());
        pane->moveCursor(QTextCursor::End);
        QTest::keyClicks(pane, "x");
        QCOMPARE(d.reply.designText(), QStringLiteral("Tx"));
        QVERIFY(d.reply.isChanged());
        d.dialogs.clearShown();
        d.dialogs.answer(Dialogs::Answer::No);
        d.window.mnuFileHistory[0]->trigger();
        QCOMPARE(d.dialogs.messages(), QStringList{TemplateDesigner::SaveQuestion});
        QCOMPARE(pane->toPlainText(), QStringLiteral("T"));
        QCOMPARE(d.readFile("t.rtm"), QByteArray("\"T\"\r\n"));
        // The file just loaded is nothing to save.
        d.dialogs.clearShown();
        d.dialogs.answerText(std::nullopt);
        d.window.mnuFileOpen->trigger();
        QCOMPARE(d.dialogs.shown().size(), 1);
        QCOMPARE(d.dialogs.shown().constFirst().kind, ScriptedDialogs::Kind::Open);
        pane->moveCursor(QTextCursor::End);
        QTest::keyClicks(pane, "y");
        d.dialogs.answer(Dialogs::Answer::Yes);
        d.dialogs.answerText(std::nullopt);
        d.window.mnuFileOpen->trigger();
        QCOMPARE(d.readFile("t.rtm"), QByteArray("\"Ty\"\r\n"));
        QVERIFY(!d.reply.isChanged());
        d.dialogs.clearShown();
        d.dialogs.answerText(d.path("s.att"));
        d.window.mnuFileNew->trigger();
        QVERIFY(d.dialogs.messages().isEmpty() && !d.reply.isChanged());
        QTest::keyClicks(pane, "z");
        d.dialogs.answerText(std::nullopt);
        d.window.mnuFileNew->trigger();
        QCOMPARE(d.dialogs.messages(), QStringList{TemplateDesigner::SaveQuestion});
    }

    void startUpReopensAndExitAsks()
    {
        TestApp app;
        app.writeFile("t.rtm", "\"Kept\"\r\n");
        app.writeFile("FORM.INI", "[System Settings]\nAuto_Open_Template=1\nLast_Template_Open=" + app.path("t.rtm").toUtf8());
        store().setValue("File History/Recent_File_0", "/r/one.rtm");
        frmMain window(*app.state);
        QVERIFY(runStartup(*app.state, window, 0));
        ReplyTemplate& reply = app.state->replyTemplate();
        QCOMPARE(reply.designText() + window.mnuFileHistory[0]->text(), QStringLiteral("Kept/r/one.rtm"));
        QVERIFY(app.dialogs.messages().isEmpty());
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
        missing.dialogs.clearShown();
        second.close(); // nothing unsaved: no question
        QVERIFY(missing.dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestTemplateDesigner)
#include "test_TemplateDesigner.moc"
