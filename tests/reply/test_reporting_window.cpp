#include "ReportTestData.h"
#include "TestSupport.h"
#include "app/ui/frmMain.h"
#include "platform/report/ui/frmReportPreview.h"
#include "reply/ReportDateRange.h"
#include "reply/ui/frmReporting.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

using namespace ReportTestData;
using namespace Qt::StringLiterals;

class TestReportingWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> m_app;
    RecordingViewer m_viewer;
    std::unique_ptr<frmReporting> m_dialog;

    void clickOk(frmReporting& dialog, const QString& start, const QString& finish)
    {
        dialog.txtStart_Date->setText(start);
        dialog.txtFinish_Date->setText(finish);
        QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void init()
    {
        m_dialog.reset();
        m_viewer.shown.clear();
        m_app = std::make_unique<TestApp>();
        copyShippedDefinition(m_app->path(u"FORM.RPT"_s));
        createDatabase(m_app->path(u"FORM.MDB"_s), {{stored({2026, 2, 27}, {9, 0}), u"before"_s},
                                                    {stored({2026, 3, 1}, {9, 0}), u"first"_s},
                                                    {stored({2026, 3, 15}, {18, 0}), u"last"_s},
                                                    {stored({2026, 3, 20}, {9, 0}), u"after"_s}});
        m_dialog = std::make_unique<frmReporting>(m_app->state->dialogs(), m_app->state->errors(),
                                                  m_app->folder(), nullptr, &m_viewer);
        m_dialog->show();
    }

    void reportButtonOpensWithTheLastSevenDays()
    {
        frmMain window(*m_app->state);
        window.toolbarButton(u"btnDatabase"_s)->trigger();
        auto* dialog = window.findChild<frmReporting*>();
        QVERIFY(dialog && dialog->isVisible());
        const QDate today = QDate::currentDate();
        const QString weekAgo = ReportDateRange::shortDateText(today.addDays(-7));
        QCOMPARE(dialog->txtStart_Date->text(), weekAgo);
        QCOMPARE(dialog->txtFinish_Date->text(), ReportDateRange::shortDateText(today));
        // Typing replaces the start date.
        QCOMPARE(dialog->txtStart_Date->selectedText(), weekAgo);

        // Cancel hides it; the next press shows the same dialog with fresh dates.
        dialog->txtStart_Date->setText(u"typed"_s);
        QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        window.toolbarButton(u"btnDatabase"_s)->trigger();
        QCOMPARE(window.findChildren<frmReporting*>().size(), 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->txtStart_Date->text(), weekAgo);
    }

    void okRunsTheReportAndHides()
    {
        // Typed the wrong way round: the earlier date starts the range, the caption keeps the
        // order the user typed.
        clickOk(*m_dialog, u"15/03/2026"_s, u"01/03/2026"_s);
        QVERIFY(m_app->dialogs.shown().isEmpty());
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_viewer.shown.size(), 1);
        QCOMPARE(subjects(m_viewer.shown[0]), (QStringList{"first", "last"}));
        QCOMPARE(m_viewer.shown[0].caption,
                 u"All replies between Sunday, 15 March 2026 and Sunday, 1 March 2026"_s);
    }

    void invalidDatesKeepTheDialogOpenAndCancelOnlyHides()
    {
        for (const auto& [start, finish] : {std::pair<QString, QString>{"", ""},
                                            {"01/03/2026", "the fifteenth"},
                                            {"", "31/04/2026"}}) {
            m_app->dialogs.clearShown();
            clickOk(*m_dialog, start, finish);
            QCOMPARE(m_app->dialogs.messages(), QStringList{u"Invalid Date Format"_s});
            QCOMPARE(m_app->dialogs.shown().at(0).icon, Dialogs::Icon::None);
            QVERIFY(m_dialog->isVisible());
            QCOMPARE(m_dialog->txtFinish_Date->text(), finish);
        }
        m_app->dialogs.clearShown();
        m_dialog->txtStart_Date->setText(u"01/03/2026"_s);
        QTest::mouseClick(m_dialog->cmdCancel, Qt::LeftButton);
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(m_app->dialogs.shown().isEmpty());
        QVERIFY(m_viewer.shown.isEmpty());
    }

    void missingReportFileGivesBV6052()
    {
        QVERIFY(QFile::remove(m_app->path(u"FORM.RPT"_s)));
        clickOk(*m_dialog, u"01/03/2026"_s, u"15/03/2026"_s);
        QCOMPARE(
            m_app->dialogs.messages(),
            QStringList{ErrorReporter::warningText(
                u"BV_6052 - Error Generating Database Report, the database could not be found"_s)});
        QVERIFY(m_dialog->isVisible());
        QVERIFY(m_viewer.shown.isEmpty());
    }

    void reportShowsInAPreviewWindowThatSavesPdf()
    {
        // The real viewer.
        frmReporting dialog(m_app->state->dialogs(), m_app->state->errors(), m_app->folder());
        dialog.show();
        clickOk(dialog, u"01/03/2026"_s, u"15/03/2026"_s);
        QVERIFY(!dialog.isVisible());
        auto* preview = dialog.findChild<frmReportPreview*>();
        QVERIFY(preview && preview->isVisible());
        const QString text = preview->txtReport->toPlainText();
        QVERIFY(text.contains(u"first"_s) && !text.contains(u"before"_s));

        const QString pdf = m_app->path(u"report.pdf"_s);
        m_app->dialogs.answerText(pdf);
        QTest::mouseClick(preview->cmdSavePdf, Qt::LeftButton);
        QVERIFY(readBytes(pdf).startsWith("%PDF"));
        preview->close();
    }
};

QTEST_MAIN(TestReportingWindow)
#include "test_reporting_window.moc"
