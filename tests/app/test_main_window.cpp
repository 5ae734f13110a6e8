#include "TestSupport.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "formdata/DecodeSubmission.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

class MainWindowTest : public QObject
{
    Q_OBJECT

    static QStringList captions(const QMenu* menu)
    {
        QStringList out;
        for (const QAction* a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }

private slots:
    void menusReadAsTheyShould()
    {
        TestApp app;
        frmMain w(*app.state);
        QCOMPARE(w.windowTitle(), QStringLiteral("Brevane"));
        QCOMPARE(captions(w.findChild<QMenu*>("mnuFile")),
                 (QStringList{"&New", "&Open", "&Save", "Save &As", "-", "<empty>", "<empty>",
                              "<empty>", "<empty>", "-", "E&xit"}));
        QCOMPARE(captions(w.findChild<QMenu*>("mnuOptions")), QStringList{"&Settings"});
        QCOMPARE(captions(w.findChild<QMenu*>("mnuHelp")),
                 (QStringList{"&Contents", "-", "&About"}));
        for (int i = 0; i < 4; ++i)
            QVERIFY(w.findChild<QAction*>(QStringLiteral("mnuFileHistory_%1").arg(i)));
    }

    void toolbarHasItsThreeKeyedButtons()
    {
        TestApp app;
        frmMain w(*app.state);
        auto* bar = w.findChild<QToolBar*>("tlbMain");
        QVERIFY(bar);
        const QList<QAction*> actions = bar->actions();
        QCOMPARE(actions.size(), 3);
        const QStringList keys{"btnProcess", "btnDatabase", "btnSettings"};
        const QStringList texts{"Process", "Report", "Settings"};
        const QStringList tips{"Start Processing Submitted Forms", "Form Records and Reporting",
                               "Program Settings"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(actions[i]->data().toString(), keys[i]);
            QCOMPARE(actions[i]->text(), texts[i]);
            QCOMPARE(actions[i]->toolTip(), tips[i]);
            QVERIFY(!actions[i]->icon().isNull());
        }
    }

    void tabsShowTheirControls()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        auto* tabs = w.findChild<QTabBar*>("sstMain");
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->tabText(0), QStringLiteral("View Form Data"));
        QCOMPARE(tabs->tabText(3), QStringLiteral("Event Log"));
        auto* grid = w.findChild<QTableView*>("grdVariableNameDefinitionsAndSource");
        auto* list = w.findChild<QComboBox*>("cboVariableNames");
        auto* design = w.findChild<QPlainTextEdit*>("rtfReplyFormDesign");
        auto* preview = w.findChild<QPlainTextEdit*>("rtfReplyFormPreview");
        auto* log = w.findChild<QPlainTextEdit*>("rtfEventLog");
        using Shown = QList<bool>;
        auto shown = [&] {
            return Shown{grid->isVisible(), list->isVisible(), design->isVisible(),
                         preview->isVisible(), log->isVisible()};
        };
        QCOMPARE(shown(), (Shown{true, false, false, false, false}));
        tabs->setCurrentIndex(1);
        QCOMPARE(shown(), (Shown{false, true, true, false, false}));
        tabs->setCurrentIndex(2);
        QCOMPARE(shown(), (Shown{false, true, false, true, false}));
        tabs->setCurrentIndex(3);
        QCOMPARE(shown(), (Shown{false, false, false, false, true}));
        QVERIFY(preview->isReadOnly());
        QVERIFY(log->isReadOnly());
    }

    void previewTabMergesTheDesign()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        app.writeFile("f.dat", "name=Ann");
        DecodeSubmission(app.path("f.dat"), "f.dat", 0, app.state->variables(), app.state->eventLog());
        app.state->variables().SetFriendlyName("name", QString(""));
        w.rtfReplyFormDesign->setPlainText(QStringLiteral("Dear <<name>>,\nthanks."));
        QCOMPARE(app.state->replyTemplate().designText(), QStringLiteral("Dear <<name>>,\r\nthanks."));
        QVERIFY(!app.state->replyTemplate().isChanged());
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Ann,\nthanks."));
        QVERIFY(app.state->replyTemplate().isChanged());

        // A merge while the preview shows appears at once; one made behind another tab appears
        // when the preview shows again.
        app.writeFile("g.dat", "name=Bo");
        DecodeSubmission(app.path("g.dat"), "g.dat", 0, app.state->variables(), app.state->eventLog());
        app.state->replyTemplate().MergeReplyPreview();
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Bo,\nthanks."));
        w.sstMain->setCurrentIndex(frmMain::TabFormData);
        app.writeFile("h.dat", "name=Cy");
        DecodeSubmission(app.path("h.dat"), "h.dat", 0, app.state->variables(), app.state->eventLog());
        app.state->replyTemplate().MergeReplyPreview();
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Cy,\nthanks."));
    }

    void gridHeaderAndListPlaceholder()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        auto* grid = w.grdVariableNameDefinitionsAndSource;
        QCOMPARE(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Submitted Value"));
        QCOMPARE(grid->toolTip(), QStringLiteral("Variable Naming Settings"));
        // The two name columns share the width 1000 : 1000 : 3535 with the value column.
        const double ratio = double(grid->columnWidth(2)) / grid->columnWidth(0);
        QVERIFY2(ratio > 3.0 && ratio < 4.1, qPrintable(QString::number(ratio)));
        QCOMPARE(w.cboVariableNames->placeholderText(), QStringLiteral("(Empty)"));
        QCOMPARE(w.cboVariableNames->currentIndex(), -1);
        QCOMPARE(w.cboVariableNames->toolTip(), QStringLiteral("Variable Names"));
        QCOMPARE(w.tmrMain->interval(), 60000);
    }

    void eventLogPaneShowsTheLogLines()
    {
        TestApp app;
        frmMain w(*app.state);
        app.state->eventLog().AppendLine(QStringLiteral("a"));
        app.state->eventLog().AppendLine(QString());
        app.state->eventLog().AppendLine(QStringLiteral("b"));
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\n\nb"));
        app.state->status().ShowStatus(QStringLiteral("Form Processing Complete"));
        QCOMPARE(w.StaMain->text(), QStringLiteral("Form Processing Complete"));
    }

    void eventLogPaneKeepsUpDuringARun()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        EventLog& log = app.state->eventLog();
        app.state->runInProgress = true;
        log.AppendLine(QStringLiteral("a"));
        log.AppendLine(QStringLiteral("b"));
        // Whenever the user can look, the pane holds every line so far, in order.
        w.sstMain->setCurrentIndex(frmMain::TabEventLog);
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\nb"));
        log.AppendLine(QString());
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\nb\n"));
        w.sstMain->setCurrentIndex(frmMain::TabFormData);
        log.AppendLine(QStringLiteral("c"));
        QCoreApplication::processEvents(); // as while a message box is open
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\nb\n\nc"));
        app.state->runInProgress = false;
        log.AppendLine(QStringLiteral("d"));
        QCOMPARE(w.rtfEventLog->toPlainText(), QString(log.text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
