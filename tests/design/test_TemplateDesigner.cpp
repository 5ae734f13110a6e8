// The reply template: its merge with the variable table and its ".rtm" files; the designer's
// commands, driven through the menus and controls of the offscreen main window; and the recent
// templates in the per-user store behind the File menu.
#include "TestSupport.h"

namespace {
const QByteArray Sample = "name=Ann&email=ann%40x.org&msg=Hello+there";

bool reported(const ScriptedDialogs& dialogs, const QString& code)
{
    return !dialogs.messages().filter(code).isEmpty();
}

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brevane", "Brevane");
}

QStringList captions(const RecentFiles& recent)
{
    return {recent.captions().begin(), recent.captions().end()};
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
} // namespace

class TestTemplateDesigner : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        userSettingsFolder();
        store().remove(RecentFiles::Group);
    }

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
        QCOMPARE(reply.designText(), QStringLiteral("<<Name>>|<<mail>>|<<msg>>"));
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
        QCOMPARE(reply.path(), QString()); // the caller decides the path
        const QByteArray expected = "\"Dear <<Name>>\r\n\r\nHe said \"\"hi\"\"\"\r\n\"Name\"\r\n\"Your name\"\r\n"
                                    "\"ma\"\"il\"\r\n\"\"\r\n\"msg\"\r\n\r\n";
        QCOMPARE(app.readFile("a.rtm"), expected);
        QCOMPARE(QDir(app.folder()).entryList(QDir::Files), QStringList{"a.rtm"});
        TestApp other;
        ReplyTemplate& loaded = other.state->replyTemplate();
        VariableTable& read = other.state->variables();
        QVERIFY(loaded.LoadTemplate(app.path("a.rtm")));
        QCOMPARE(loaded.designText(), reply.designText());
        QCOMPARE(loaded.path(), app.path("a.rtm"));
        QVERIFY(!loaded.isChanged());
        QCOMPARE(read.definitions().size(), 3);
        QVERIFY(!read.at(2).friendlyName.isNull() && read.at(2).friendlyName.isEmpty());
        QVERIFY(read.at(3).friendlyName.isNull());
        QCOMPARE(read.listModel()->stringList(), (QStringList{"Name [Your name]", "ma\"il []", "msg []"}));
        QVERIFY(loaded.SaveTemplate(other.path("b.rtm")));
        QCOMPARE(other.readFile("b.rtm"), expected);
        // Leading blanks, two fields on a line, an unquoted field, a name in Windows-1252.
        app.writeFile("h.rtm", "  \"Hello\r\nthere\" junk\r\n\"name\",\"Ren\xe9\"\r\nplain, \"P\"\r\n");
        QVERIFY(loaded.LoadTemplate(app.path("h.rtm")));
        QCOMPARE(loaded.designText(), QStringLiteral("Hello\r\nthere"));
        QCOMPARE(read.count(), 2);
        QCOMPARE(read.at(1).friendlyName + read.at(2).formName + read.at(2).friendlyName, QStringLiteral("RenéplainP"));
        QVERIFY(loaded.SaveTemplate(app.path("h.rtm")));
        QVERIFY(app.readFile("h.rtm").contains("\"Ren\xc3\xa9\"\r\n")); // written as UTF-8
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
        // The row now lies past the definitions: renaming it fills them up to it.
        QVERIFY(table.SetFriendlyName("old", "New"));
        QCOMPARE(table.definitions().value(0).friendlyName, QStringLiteral("New"));
        app.writeFile("cut.rtm", "\"after\"\r\n\"a\"\r\n\"A\"\r\n\"b\"\r\n");
        QVERIFY(!reply.LoadTemplate(app.path("cut.rtm")));
        QCOMPARE(reply.designText(), QStringLiteral("after"));
        QCOMPARE(table.definitions().size(), 2); // (a, A) and the pair left half-read
        QCOMPARE(table.definitions().at(1).formName, QStringLiteral("b"));
        QCOMPARE(table.at(1).formName, QStringLiteral("old")); // rows were not reset
        QCOMPARE(reply.path(), app.path("kept.rtm"));
        QVERIFY(!reply.LoadTemplate(app.path("missing.rtm")) && !reply.LoadTemplate(QString()));
        reply.setChanged(true);
        QDir(app.folder()).mkdir("dir.rtm");
        for (const QString& path : {app.path("no/such/folder/t.rtm"), QString(), app.path("dir.rtm")})
            QVERIFY(!reply.SaveTemplate(path));
        QVERIFY(QFileInfo(app.path("dir.rtm")).isDir() && reply.isChanged());
    }

    void newLearnsTheSampleAndKeepsTheDesign()
    {
        TestApp app;
        frmMain window(*app.state);
        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("Dear <<name>>");
        reply.setPath(app.path("old.rtm"));
        app.writeFile("s.att", Sample);
        app.dialogs.answerText(app.path("s.att"));
        window.mnuFileNew->trigger();
        QCOMPARE(app.dialogs.shown().constFirst().kind, ScriptedDialogs::Kind::Open);
        QCOMPARE(reply.designText(), QStringLiteral("Dear <<name>>"));
        QCOMPARE(reply.path(), QString());
        QCOMPARE(reply.previewText(), QStringLiteral("Dear name: Ann"));
        QVERIFY(reply.isChanged());
        QCOMPARE(window.cboVariableNames->count(), 3);

        app.dialogs.clearShown();
        window.mnuFileSave->trigger(); // untitled: Save As, cancelled quietly
        QCOMPARE(app.dialogs.shown().size(), 1);
        QCOMPARE(app.dialogs.shown().constFirst().kind, ScriptedDialogs::Kind::Save);
        window.mnuFileNew->trigger(); // cancelled: nothing more
        QVERIFY(app.dialogs.messages().isEmpty());
        app.dialogs.answerText("");
        window.mnuFileNew->trigger();
        QVERIFY(reported(app.dialogs, ErrorCode::OpeningMailtoFile));
        // A refused sample leaves nothing shown that is no longer in the table.
        app.writeFile("empty.att", "");
        app.dialogs.answerText(app.path("empty.att"));
        window.mnuFileNew->trigger();
        QVERIFY(reported(app.dialogs, ErrorCode::InvalidMailtoForm));
        QCOMPARE(window.grdVariableNameDefinitionsAndSource->model()->rowCount(), 0);
        QCOMPARE(window.cboVariableNames->count(), 0);
    }

    void openSaveAndRecentEntries()
    {
        TestApp app;
        frmMain window(*app.state);
        ReplyTemplate& reply = app.state->replyTemplate();
        app.writeFile("t.rtm", "\"T <<a>>\"\r\n\"a\"\r\n\"A\"\r\n");
        app.writeFile("u.rtm", "\"U\"\r\n");
        for (const char* name : {"u.rtm", "t.rtm"}) {
            app.dialogs.answerText(app.path(name));
            window.mnuFileOpen->trigger();
        }
        QCOMPARE(reply.designText(), QStringLiteral("T <<a>>"));
        QCOMPARE(reply.path(), app.path("t.rtm"));
        QCOMPARE(app.state->store().lastTemplate(), app.path("t.rtm"));
        QCOMPARE(window.mnuFileHistory[1]->text(), app.path("u.rtm"));
        window.mnuFileHistory[1]->trigger();
        QCOMPARE(reply.designText(), QStringLiteral("U"));
        QCOMPARE(window.mnuFileHistory[0]->text(), app.path("u.rtm"));
        QCOMPARE(app.state->store().lastTemplate(), app.path("u.rtm"));
        reply.setDesignText("scratch");
        window.mnuFileHistory[0]->trigger();
        QCOMPARE(reply.designText(), QStringLiteral("U"));
        QFile::remove(app.path("t.rtm"));
        window.mnuFileHistory[1]->trigger();
        QVERIFY(reported(app.dialogs, ErrorCode::OpeningRecentTemplate));
        QCOMPARE(window.mnuFileHistory[1]->text(), app.path("t.rtm"));
        QCOMPARE(reply.path(), app.path("u.rtm"));
        app.dialogs.clearShown();
        window.mnuFileHistory[3]->trigger(); // an empty entry
        QVERIFY(app.dialogs.shown().isEmpty());

        reply.setDesignText("");
        app.dialogs.answerText(app.path("blank"));
        window.mnuFileSaveAs->trigger(); // an empty design is never written
        QVERIFY(reported(app.dialogs, ErrorCode::SavingTemplate));
        QVERIFY(!QFile::exists(app.path("blank.rtm")));
        reply.setDesignText("New");
        app.dialogs.answerText(app.path("mine"));
        window.mnuFileSaveAs->trigger();
        QCOMPARE(app.readFile("mine.rtm"), QByteArray("\"New\"\r\n"));
        QCOMPARE(reply.path(), app.path("mine.rtm"));
        QCOMPARE(app.state->store().lastTemplate(), app.path("mine.rtm"));
        QCOMPARE(window.mnuFileHistory[0]->text(), app.path("u.rtm")); // the list stays
        reply.setDesignText("Newer");
        app.dialogs.clearShown();
        window.mnuFileSave->trigger();
        QVERIFY(app.dialogs.shown().isEmpty());
        QCOMPARE(app.readFile("mine.rtm"), QByteArray("\"Newer\"\r\n"));
        app.dialogs.answerText(app.path("missing.rtm"));
        window.mnuFileOpen->trigger();
        QVERIFY(reported(app.dialogs, ErrorCode::OpeningTemplate));
        QCOMPARE(reply.path(), QString());
    }

    void friendlyNamesMarkersAndTabs()
    {
        TestApp app;
        frmMain window(*app.state);
        ReplyTemplate& reply = app.state->replyTemplate();
        app.writeFile("s.att", Sample + "&a%5B1%5D=x");
        app.dialogs.answerText(app.path("s.att"));
        window.mnuFileNew->trigger();
        reply.setChanged(false);
        QTableView* grid = window.grdVariableNameDefinitionsAndSource;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        grid->setCurrentIndex(grid->model()->index(0, 2));
        QCOMPARE(grid->toolTip(), QStringLiteral("Ann"));
        QTest::keyClick(grid, Qt::Key_Return);   // not the friendly-name column
        QCOMPARE(app.dialogs.shown().size(), 1); // only New's dialog so far
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QCOMPARE(grid->toolTip(), TemplateDesigner::FriendlyNameHint);
        app.dialogs.answerText("");
        QTest::keyClick(grid, Qt::Key_Return);
        app.dialogs.answerText(std::nullopt);
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(!reply.isChanged());
        QCOMPARE(app.dialogs.shown().last().defaultText, QStringLiteral("name"));

        reply.setDesignText("<<name>>!");
        app.dialogs.answerText(".");
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(window.cboVariableNames->itemText(0), QStringLiteral("name []"));
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QString());
        QCOMPARE(reply.previewText(), QStringLiteral("Ann!"));
        QVERIFY(reply.isChanged());
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        app.dialogs.answerText("Mail");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("Mail"));

        // A chosen variable replaces the selection with its marker, on the design tab only.
        window.sstMain->setCurrentIndex(frmMain::TabDesign);
        QTextCursor cursor = window.rtfReplyFormDesign->textCursor();
        cursor.setPosition(2);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        window.rtfReplyFormDesign->setTextCursor(cursor);
        emit window.cboVariableNames->activated(3);
        QCOMPARE(reply.designText(), QStringLiteral("<<<<a[1]>>>>!"));
        window.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(reply.previewText(), QStringLiteral("<<a[1]: x>>!"));
        emit window.cboVariableNames->activated(0);
        QCOMPARE(reply.designText(), QStringLiteral("<<<<a[1]>>>>!"));

        window.sstMain->setCurrentIndex(frmMain::TabFormData);
        app.state->variables().Clear(); // the grid still shows the rows
        grid->setCurrentIndex(grid->model()->index(1, 1));
        app.dialogs.answerText("X");
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(reported(app.dialogs, ErrorCode::ChangingVariableName));
    }

    void renamingARowThatLeftTheGridEndsTheProgram()
    {
        TestApp app;
        VariableTable& table = app.state->variables();
        table.AddName("name");
        table.ShowInGrid();
        app.dialogs.onInputBox = [&table] { // the grid ends up without the row, the table with it
            table.Clear();
            table.AddName("other");
            table.ShowInGrid();
            table.Clear();
            table.AddName("name");
        };
        app.dialogs.answerText("N");
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated, app.state->designer().EditFriendlyName(0, 1));
        QVERIFY(reported(app.dialogs, ErrorCode::UpdatingSourceGrid));
    }

    void startUpReopensAndExitAsks()
    {
        TestApp app;
        app.writeFile("t.rtm", "\"Kept\"\r\n");
        app.writeFile("FORM.INI", "[System Settings]\r\nAuto_Open_Template=1\r\nLast_Template_Open=" +
                                      app.path("t.rtm").toUtf8() + "\r\n");
        store().setValue("File History/Recent_File_0", "/r/one.rtm");
        frmMain window(*app.state);
        QVERIFY(runStartup(*app.state, window, 0));
        QCOMPARE(app.state->replyTemplate().designText(), QStringLiteral("Kept"));
        QCOMPARE(window.mnuFileHistory[0]->text(), QStringLiteral("/r/one.rtm"));
        QVERIFY(app.dialogs.messages().isEmpty());

        ReplyTemplate& reply = app.state->replyTemplate();
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
        QVERIFY(second.isVisible());
        QVERIFY(reported(missing.dialogs, ErrorCode::StartupTemplate));
        missing.dialogs.clearShown();
        second.close(); // nothing unsaved: no question
        QVERIFY(missing.dialogs.shown().isEmpty());
    }

    void recentFilesMoveAndPushSlotBySlot()
    {
        RecentFiles recent;
        recent.RefreshRecentFiles();
        for (const char* p : {"/t/A", "/t/B", "/t/C", "/t/D", "/t/E"})
            recent.AddRecentFile(p);
        recent.AddRecentFile("/t/C");
        QCOMPARE(captions(recent), (QStringList{"/t/C", "/t/E", "/t/D", "/t/B"}));
        QVERIFY(!recent.PromoteRecentFile("/t/c"));
        recent.AddRecentFile("/t/c"); // letter case counts
        QCOMPARE(captions(recent), (QStringList{"/t/c", "/t/C", "/t/E", "/t/D"}));
        // Stored where the platform keeps per-user settings, under the fixed names.
        QSettings onDisk(userSettingsFolder() + "/Brevane/Brevane.conf", QSettings::IniFormat);
        QCOMPARE(onDisk.value("File History/Recent_File_3").toString(), QStringLiteral("/t/D"));

        store().remove(RecentFiles::Group);
        for (const auto& [slot, path] : {std::pair{0, "/t/0"}, {1, ""}, {2, "/t/2"}})
            store().setValue(RecentFiles::Group + "/" + RecentFiles::key(slot), path);
        recent.RefreshRecentFiles();
        recent.PushRecentFile("/t/new"); // an empty slot is not copied down
        QStringList stored;
        for (int n = 0; n < RecentFiles::Count; ++n)
            stored << store().value(RecentFiles::Group + "/" + RecentFiles::key(n)).toString();
        QCOMPARE(stored, (QStringList{"/t/new", "/t/0", "/t/2", "/t/2"}));
        QCOMPARE(recent.caption(0), QStringLiteral("/t/0")); // pushing alone does not refresh
        recent.RefreshRecentFiles();
        QVERIFY(recent.PromoteRecentFile("/t/2")); // found by caption, moved in the store
        QCOMPARE(captions(recent), (QStringList{"/t/2", "/t/new", "/t/0", "/t/2"}));
    }
};

QTEST_MAIN(TestTemplateDesigner)
#include "test_TemplateDesigner.moc"
