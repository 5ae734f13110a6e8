// The response report: the date range as typed, and the dialog that runs it over a real FORM.MDB.
#include "ReportTestData.h"
#include "TestSupport.h"
#include "platform/frmReportPreview.h"
#include "reply/ReportDateRange.h"
#include "reply/frmReporting.h"

using namespace ReportTestData;

namespace {
const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
const QLocale us(QLocale::English, QLocale::UnitedStates);
const QString D = ReportDateRange::Field;
const QString All = QStringLiteral("Date Range= 'All replies");
} // namespace

class TestReportingWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> m_app;
    RecordingViewer m_viewer;

    void clickOk(frmReporting& dialog, const QString& start, const QString& finish)
    {
        dialog.txtStart_Date->setText(start);
        dialog.txtFinish_Date->setText(finish);
        QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
    }

private slots:
    void initTestCase() { QLocale::setDefault(uk); }

    void init()
    {
        m_viewer.shown.clear();
        m_app = std::make_unique<TestApp>();
        copyShippedDefinition(m_app->path("FORM.RPT"));
        createDatabase(m_app->path("FORM.MDB"), {{stored({2026, 2, 27}, {9, 0}), "before"},
                                                 {stored({2026, 3, 1}, {9, 0}), "first"},
                                                 {stored({2026, 3, 15}, {18, 0}), "last"},
                                                 {stored({2026, 3, 20}, {9, 0}), "after"}});
    }

    void rangeGivesSelectionAndCaption_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<QString>("selection"); // empty: refused
        QTest::addColumn<QString>("caption");
        // clang-format off
        QTest::newRow("start empty") << "" << "15/03/2026" << D + " <= Date (2026,3,15)"
            << All + ", up to and including Sunday, 15 March 2026'";
        QTest::newRow("finish blank") << "  01/03/2026 " << "   " << D + " >= Date (2026,3,1)"
            << All + ", beginning Sunday, 1 March 2026'";
        // The range runs from the earlier date; the caption keeps the order the user typed.
        QTest::newRow("start later than finish") << "15/03/2026" << "01/03/2026"
            << D + " in Date (2026,3,1) to Date (2026,3,15)"
            << All + " between Sunday, 15 March 2026 and Sunday, 1 March 2026'";
        QTest::newRow("long and ISO dates") << "Monday, 5 January 2026" << "2026-02-09"
            << D + " in Date (2026,1,5) to Date (2026,2,9)"
            << All + " between Monday, 5 January 2026 and Monday, 9 February 2026'";
        QTest::newRow("both empty") << "" << "" << "" << "";
        QTest::newRow("finish no date") << "" << "next week" << "" << "";
        QTest::newRow("start no date") << "someday" << "" << "" << "";
        QTest::newRow("no such day") << "30/02/2026" << "01/03/2026" << "" << "";
        QTest::newRow("American order") << "03/31/2026" << "" << "" << "";
        // clang-format on
    }
    void rangeGivesSelectionAndCaption()
    {
        QFETCH(QString, start);
        QFETCH(QString, finish);
        QFETCH(QString, selection);
        const auto range = ReportDateRange::fromTexts(start, finish, uk);
        QCOMPARE(range.has_value(), !selection.isEmpty());
        if (range) {
            QCOMPARE(range->selectionFormula(), selection);
            QTEST(range->caption(), "caption");
        }
    }

    void presetsTheLastSevenDaysInFourDigitYears()
    {
        QCOMPARE(ReportDateRange::presetTexts(QDate(2026, 3, 1), uk), std::make_pair(QString("22/02/2026"), QString("01/03/2026")));
        QCOMPARE(ReportDateRange::presetTexts(QDate(2028, 3, 1), uk).first, QStringLiteral("23/02/2028"));
        QCOMPARE(ReportDateRange::presetTexts(QDate(2026, 3, 1), us), std::make_pair(QString("2/22/2026"), QString("3/1/2026")));
        // The locale's own two-digit year belongs to this century.
        QCOMPARE(ReportDateRange::readDate("3/1/26", us), QDate(2026, 3, 1));
    }

    void reportButtonOpensWithTheLastSevenDays()
    {
        frmMain window(*m_app->state);
        window.toolbarButton("btnDatabase")->trigger();
        auto* dialog = window.findChild<frmReporting*>();
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        const QDate today = QDate::currentDate();
        const QString weekAgo = ReportDateRange::shortDateText(today.addDays(-7));
        QCOMPARE(dialog->txtStart_Date->text(), weekAgo);
        QCOMPARE(dialog->txtFinish_Date->text(), ReportDateRange::shortDateText(today));
        QCOMPARE(dialog->txtStart_Date->selectedText(), weekAgo); // typing replaces it
        // Cancel hides it; the next press shows the same dialog with fresh dates.
        dialog->txtStart_Date->setText("typed");
        QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        window.toolbarButton("btnDatabase")->trigger();
        QCOMPARE(window.findChildren<frmReporting*>().size(), 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->txtStart_Date->text(), weekAgo);
        QVERIFY(m_app->dialogs.shown().isEmpty());
    }

    void okRunsTheReportOrSaysWhy()
    {
        frmReporting dialog(*m_app->state, nullptr, &m_viewer);
        dialog.show();
        for (const auto& [start, finish] : {std::pair<QString, QString>{"", ""}, {"", "31/04/2026"}}) {
            clickOk(dialog, start, finish);
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.txtFinish_Date->text(), finish);
        }
        QCOMPARE(m_app->dialogs.messages(), QStringList(2, "Invalid Date Format"));
        QVERIFY(m_viewer.shown.isEmpty());

        clickOk(dialog, "01/03/2026", "15/03/2026");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(subjects(m_viewer.shown.value(0)), (QStringList{"first", "last"}));
        QCOMPARE(m_viewer.shown[0].caption, QStringLiteral("All replies between Sunday, 1 March 2026 and Sunday, 15 March 2026"));

        m_app->dialogs.clearShown();
        dialog.show();
        QVERIFY(QFile::remove(m_app->path("FORM.RPT")));
        clickOk(dialog, "01/03/2026", "15/03/2026");
        QCOMPARE(m_app->dialogs.messages(), QStringList{warning(ErrorCode::DatabaseReport)});
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_viewer.shown.size(), 1);
    }

    void reportShowsInAPreviewWindowThatSavesPdf()
    {
        frmReporting dialog(*m_app->state); // the real viewer
        dialog.show();
        clickOk(dialog, "01/03/2026", "15/03/2026");
        QVERIFY(!dialog.isVisible());
        auto* preview = dialog.findChild<frmReportPreview*>();
        QVERIFY(preview && preview->isVisible());
        const QString text = preview->txtReport->toPlainText();
        QVERIFY(text.contains("first") && !text.contains("before"));
        const QString pdf = m_app->path("report.pdf");
        m_app->dialogs.answerText(pdf);
        QTest::mouseClick(preview->cmdSavePdf, Qt::LeftButton);
        QVERIFY(readBytes(pdf).startsWith("%PDF"));
        preview->close();
    }
};

QTEST_MAIN(TestReportingWindow)
#include "test_reporting_window.moc"
