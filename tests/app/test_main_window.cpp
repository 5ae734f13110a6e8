#include "TestSupport.h"
#include "app/ui/frmMain.h"
#include "formdata/DecodeSubmission.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace Qt::StringLiterals;

class MainWindowTest : public QObject
{
    Q_OBJECT

    static QStringList captions(const QMenu* menu)
    {
        QStringList out;
        for (const QAction* a : menu->actions())
            out << (a->isSeparator() ? u"-"_s : a->text());
        return out;
    }

private slots:
    void menusAndToolbarReadAsTheyShould()
    {
        TestApp app;
        frmMain w(*app.state);
        QCOMPARE(w.windowTitle(), u"Brevane"_s);
        QCOMPARE(captions(w.findChild<QMenu*>("mnuFile")),
                 (QStringList{"&New", "&Open", "&Save", "Save &As", "-", "<empty>", "<empty>",
                              "<empty>", "<empty>", "-", "E&xit"}));
        QCOMPARE(captions(w.findChild<QMenu*>("mnuOptions")), QStringList{"&Settings"});
        QCOMPARE(captions(w.findChild<QMenu*>("mnuHelp")),
                 (QStringList{"&Contents", "-", "&About"}));

        QStringList buttons;
        for (const QAction* a : w.findChild<QToolBar*>("tlbMain")->actions()) {
            buttons << a->data().toString() + '|' + a->text() + '|' + a->toolTip();
            QVERIFY(!a->icon().isNull());
        }
        QCOMPARE(buttons, (QStringList{"btnProcess|Process|Start Processing Submitted Forms",
                                       "btnDatabase|Report|Form Records and Reporting",
                                       "btnSettings|Settings|Program Settings"}));
    }

    void tabsShowTheirControls()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        QCOMPARE(w.sstMain->count(), 4);
        QCOMPARE(w.sstMain->tabText(0), u"View Form Data"_s);
        QCOMPARE(w.sstMain->tabText(3), u"Event Log"_s);
        const auto shown = [&w] {
            return QList<bool>{w.grdVariableNameDefinitionsAndSource->isVisible(),
                               w.cboVariableNames->isVisible(), w.rtfReplyFormDesign->isVisible(),
                               w.rtfReplyFormPreview->isVisible(), w.rtfEventLog->isVisible()};
        };
        QCOMPARE(shown(), (QList<bool>{true, false, false, false, false}));
        w.sstMain->setCurrentIndex(1);
        QCOMPARE(shown(), (QList<bool>{false, true, true, false, false}));
        w.sstMain->setCurrentIndex(2);
        QCOMPARE(shown(), (QList<bool>{false, true, false, true, false}));
        w.sstMain->setCurrentIndex(3);
        QCOMPARE(shown(), (QList<bool>{false, false, false, false, true}));
        QVERIFY(w.rtfReplyFormPreview->isReadOnly() && w.rtfEventLog->isReadOnly());
    }

    void previewTabMergesTheDesign()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        const auto decode = [&app](const QByteArray& form) {
            app.writeFile("f.dat", form);
            DecodeSubmission(app.path("f.dat"), "f.dat", 0, app.state->variables(),
                             app.state->eventLog());
        };
        decode("name=Ann");
        app.state->variables().SetFriendlyName("name", u""_s);
        w.rtfReplyFormDesign->setPlainText(u"Dear <<name>>,\nthanks."_s);
        QCOMPARE(app.state->replyTemplate().designText(), u"Dear <<name>>,\r\nthanks."_s);
        QVERIFY(!app.state->replyTemplate().isChanged());
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), u"Dear Ann,\nthanks."_s);
        QVERIFY(app.state->replyTemplate().isChanged());

        // A merge while the preview shows appears at once; one made behind another tab appears
        // when the preview shows again.
        decode("name=Bo");
        app.state->replyTemplate().MergeReplyPreview();
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Bo,\nthanks."));
        w.sstMain->setCurrentIndex(frmMain::TabFormData);
        decode("name=Cy");
        app.state->replyTemplate().MergeReplyPreview();
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Cy,\nthanks."));
    }

    void gridListTimerAndPanes()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        auto* grid = w.grdVariableNameDefinitionsAndSource;
        QCOMPARE(grid->toolTip(), u"Variable Naming Settings"_s);
        // The two name columns share the width 1000 : 1000 : 3535 with the value column.
        const double ratio = double(grid->columnWidth(2)) / grid->columnWidth(0);
        QVERIFY2(ratio > 3.0 && ratio < 4.1, qPrintable(QString::number(ratio)));
        QCOMPARE(w.cboVariableNames->placeholderText(), u"(Empty)"_s);
        QCOMPARE(w.cboVariableNames->currentIndex(), -1);
        QCOMPARE(w.cboVariableNames->toolTip(), u"Variable Names"_s);
        QCOMPARE(w.tmrMain->interval(), 60000);
        app.state->status().ShowStatus(u"Form Processing Complete"_s);
        QCOMPARE(w.StaMain->text(), u"Form Processing Complete"_s);
    }

    void eventLogPaneKeepsUpDuringARun()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        EventLog& log = app.state->eventLog();
        app.state->flags.runInProgress = true;
        log.AppendLine(QStringLiteral("a"));
        log.AppendLine(QStringLiteral("b"));
        log.AppendLine(QString());
        // Whenever the user can look, the pane holds every line so far, in order.
        w.sstMain->setCurrentIndex(frmMain::TabEventLog);
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\nb\n"));
        w.sstMain->setCurrentIndex(frmMain::TabFormData);
        log.AppendLine(QStringLiteral("c"));
        QCoreApplication::processEvents(); // as while a message box is open
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\nb\n\nc"));
        app.state->flags.runInProgress = false;
        log.AppendLine(QStringLiteral("d"));
        QCOMPARE(w.rtfEventLog->toPlainText(), QString(log.text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
