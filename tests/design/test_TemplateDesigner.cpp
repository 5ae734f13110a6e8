#include "HookedDialogs.h"
#include "TestSupport.h"

#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTabBar>
#include <QTableView>
#include <QTest>

namespace {
const QByteArray Sample = "name=Ann&email=ann%40x.org&msg=Hello+there";

bool reported(const ScriptedDialogs& dialogs, const QString& code)
{
    for (const QString& m : dialogs.messages())
        if (m.contains(code))
            return true;
    return false;
}

void clearRecentFiles()
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brevane", "Brevane")
        .remove(RecentFiles::Group);
}

} // namespace

// The designer's commands, driven through the menus and controls of the offscreen main window.
class TestTemplateDesigner : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        userSettingsFolder();
        clearRecentFiles();
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
        const auto& dialog = app.dialogs.shown().constFirst();
        QCOMPARE(dialog.text, QString("Brevane : Open Source for Reply Template"));
        QCOMPARE(dialog.file.filter,
                 QString("Mailto Form (*.dat, *.att)|*.dat;*.att|All Files (*.*)|*.*"));
        QCOMPARE(reply.designText(), QString("Dear <<name>>"));
        QCOMPARE(reply.path(), QString());
        QCOMPARE(reply.previewText(), QString("Dear name: Ann"));
        QVERIFY(reply.isChanged());
        QCOMPARE(window.cboVariableNames->count(), 3);

        app.dialogs.clearShown();
        window.mnuFileSave->trigger(); // untitled: Save As, cancelled quietly
        QCOMPARE(app.dialogs.shown().size(), 1);
        QCOMPARE(app.dialogs.shown().constFirst().kind, ScriptedDialogs::Kind::Save);

        window.mnuFileNew->trigger(); // cancelled: nothing more
        QCOMPARE(app.dialogs.messages(), QStringList());
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
        QCOMPARE(app.dialogs.shown().constFirst().text, QString("Brevane : Open Reply Template"));
        QCOMPARE(reply.designText(), QString("T <<a>>"));
        QCOMPARE(reply.path(), app.path("t.rtm"));
        QCOMPARE(app.state->store().lastTemplate(), app.path("t.rtm"));
        QCOMPARE(window.mnuFileHistory[0]->text(), app.path("t.rtm"));
        QCOMPARE(window.mnuFileHistory[1]->text(), app.path("u.rtm"));

        window.mnuFileHistory[1]->trigger();
        QCOMPARE(reply.designText(), QString("U"));
        QCOMPARE(window.mnuFileHistory[0]->text(), app.path("u.rtm"));
        QCOMPARE(app.state->store().lastTemplate(), app.path("u.rtm"));
        QFile::remove(app.path("t.rtm"));
        window.mnuFileHistory[1]->trigger();
        QVERIFY(reported(app.dialogs, ErrorCode::OpeningRecentTemplate));
        QCOMPARE(window.mnuFileHistory[1]->text(), app.path("t.rtm"));
        QCOMPARE(reply.path(), app.path("u.rtm"));
        app.dialogs.clearShown();
        window.mnuFileHistory[3]->trigger();
        QVERIFY(app.dialogs.shown().isEmpty());

        reply.setDesignText("");
        app.dialogs.answerText(app.path("blank"));
        window.mnuFileSaveAs->trigger(); // an empty design is never written
        QCOMPARE(app.dialogs.shown().constFirst().file.defaultExtension, QString(".rtm"));
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
        QCOMPARE(grid->toolTip(), QString("Ann"));
        QTest::keyClick(grid, Qt::Key_Return);   // not the friendly-name column
        QCOMPARE(app.dialogs.shown().size(), 1); // only New's dialog so far
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QCOMPARE(grid->toolTip(), QString("Double Click a friendly name to change it"));
        app.dialogs.answerText("");
        QTest::keyClick(grid, Qt::Key_Return);
        app.dialogs.answerText(std::nullopt);
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(!reply.isChanged());
        QCOMPARE(app.dialogs.shown().last().text,
                 QString("Enter new friendly name for form variable [name]\n"
                         "Enter a '.' for no friendly name"));
        QCOMPARE(app.dialogs.shown().last().defaultText, QString("name"));

        reply.setDesignText("<<name>>!");
        app.dialogs.answerText(".");
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(window.cboVariableNames->itemText(0), QString("name []"));
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QString());
        QCOMPARE(reply.previewText(), QString("Ann!"));
        QVERIFY(reply.isChanged());
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        app.dialogs.answerText("Mail");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QString("Mail"));

        window.sstMain->setCurrentIndex(frmMain::TabDesign);
        QVERIFY(window.rtfReplyFormDesign->isVisible() && window.cboVariableNames->isVisible());
        QTextCursor cursor = window.rtfReplyFormDesign->textCursor();
        cursor.setPosition(2);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        window.rtfReplyFormDesign->setTextCursor(cursor);
        emit window.cboVariableNames->activated(3);
        QCOMPARE(reply.designText(), QString("<<<<a[1]>>>>!"));
        window.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(reply.previewText(), QString("<<a[1]: x>>!"));
        emit window.cboVariableNames->activated(0);
        QCOMPARE(reply.designText(), QString("<<<<a[1]>>>>!"));

        window.sstMain->setCurrentIndex(frmMain::TabFormData);
        app.state->variables().Clear(); // the grid still shows the rows
        grid->setCurrentIndex(grid->model()->index(1, 1));
        app.dialogs.answerText("X");
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(reported(app.dialogs, ErrorCode::ChangingVariableName));
    }

    void renamingARowThatLeftTheGridEndsTheProgram()
    {
        HookedDialogs dialogs;
        AppState state(QDir::tempPath(), dialogs, [] { throw ProgramTerminated{}; });
        VariableTable& table = state.variables();
        table.AddName("name");
        table.ShowInGrid();
        dialogs.onInputBox = [&table] { // the grid ends up without the row, the table with it
            table.Clear();
            table.AddName("other");
            table.ShowInGrid();
            table.Clear();
            table.AddName("name");
        };
        dialogs.answerText("N");
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated, state.designer().EditFriendlyName(0, 1));
        QVERIFY(reported(dialogs, ErrorCode::UpdatingSourceGrid));
    }

    void startUpReopensAndExitAsks()
    {
        TestApp app;
        app.writeFile("t.rtm", "\"Kept\"\r\n");
        app.writeFile("FORM.INI", "[System Settings]\r\nAuto_Open_Template=1\r\n"
                                  "Last_Template_Open=" +
                                      app.path("t.rtm").toUtf8() + "\r\n");
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brevane", "Brevane")
            .setValue("File History/Recent_File_0", "/r/one.rtm");
        frmMain window(*app.state);
        QVERIFY(runStartup(*app.state, window, 0));
        QCOMPARE(app.state->replyTemplate().designText(), QString("Kept"));
        QCOMPARE(window.mnuFileHistory[0]->text(), QString("/r/one.rtm"));
        QVERIFY(app.dialogs.messages().isEmpty());

        ReplyTemplate& reply = app.state->replyTemplate();
        reply.setDesignText("Changed");
        reply.MergeReplyPreview();
        reply.setPath(QString()); // untitled: Yes goes to Save As until it works
        app.dialogs.answer(Dialogs::Answer::Yes);
        app.dialogs.answerText(app.path("no/folder/x.rtm"));
        app.dialogs.answerText(app.path("x.rtm"));
        window.close();
        QCOMPARE(app.dialogs.shown().constFirst().text,
                 QString("Do you wish to save your reply template before continuing ?"));
        QCOMPARE(app.dialogs.shown().constFirst().icon, Dialogs::Icon::None);
        QVERIFY(reported(app.dialogs, ErrorCode::SavingTemplate));
        QCOMPARE(app.readFile("x.rtm"), QByteArray("\"Changed\"\r\n"));
        QCOMPARE(app.state->store().lastTemplate(), app.path("x.rtm"));
        QVERIFY(app.readFile("FORM.INI").contains("Auto_Timer="));

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
};

QTEST_MAIN(TestTemplateDesigner)
#include "test_TemplateDesigner.moc"
