#include "ReportTestData.h"
#include "TestSupport.h"
#include "app/frmMain.h"
#include "platform/ProgramFolder.h"
#include "platform/ReportViewer.h"
#include "platform/frmReportPreview.h"
#include "reply/ReportDateRange.h"
#include "reply/frmReporting.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

using namespace ReportTestData;

namespace {

struct RecordingViewer : ReportViewer
{
    bool showReport(const ReportData& report) override
    {
        shown.append(report);
        return true;
    }
    QList<ReportData> shown;
};

QStringList subjects(const ReportData& data)
{
    QStringList out;
    for (const QStringList& row : data.rows)
        out << row.value(2);
    return out;
}

} // namespace

class TestReportingWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void hasTheControlsOfTheDialog();
    void reportButtonOpensWithTheLastSevenDays();
    void okRunsTheReportAndHides();
    void invalidDatesKeepTheDialogOpen();
    void missingReportFileGivesBV6052();
    void cancelOnlyHides();
    void reportShowsInAPreviewWindow();

private:
    void typeDates(const QString& start, const QString& finish);

    std::unique_ptr<TestApp> m_app;
    RecordingViewer m_viewer;
    std::unique_ptr<frmReporting> m_dialog;
};

void TestReportingWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

void TestReportingWindow::init()
{
    m_dialog.reset();
    m_viewer.shown.clear();
    m_app = std::make_unique<TestApp>();
    copyShippedDefinition(m_app->path(QStringLiteral("FORM.RPT")));
    createDatabase(m_app->path(QStringLiteral("FORM.MDB")),
                   {{stored(QDate(2026, 2, 27), QTime(9, 0)), QStringLiteral("before")},
                    {stored(QDate(2026, 3, 1), QTime(9, 0)), QStringLiteral("first")},
                    {stored(QDate(2026, 3, 15), QTime(18, 0)), QStringLiteral("last")},
                    {stored(QDate(2026, 3, 20), QTime(9, 0)), QStringLiteral("after")}});
    m_dialog = std::make_unique<frmReporting>(*m_app->state, nullptr, &m_viewer);
}

void TestReportingWindow::typeDates(const QString& start, const QString& finish)
{
    m_dialog->txtStart_Date->setText(start);
    m_dialog->txtFinish_Date->setText(finish);
}

void TestReportingWindow::hasTheControlsOfTheDialog()
{
    frmReporting& d = *m_dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("Response Report"));
    QVERIFY(d.isModal());
    QCOMPARE(d.findChild<QLabel*>(QStringLiteral("Label3"))->text(),
             QStringLiteral("Enter report date range ..."));
    QCOMPARE(d.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("Between"));
    QCOMPARE(d.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("and"));
    for (const char* box : {"txtStart_Date", "txtFinish_Date"})
        QCOMPARE(d.findChild<QLineEdit*>(QLatin1String(box))->toolTip(),
                 QStringLiteral("Leave blank to include all replies"));
    QCOMPARE(d.findChild<QPushButton*>(QStringLiteral("cmdOk"))->text(), QStringLiteral("&Ok"));
    QCOMPARE(d.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("&Cancel"));
    QVERIFY(!d.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
}

void TestReportingWindow::reportButtonOpensWithTheLastSevenDays()
{
    frmMain window(*m_app->state);
    window.toolbarButton(QStringLiteral("btnDatabase"))->trigger();
    auto* dialog = window.findChild<frmReporting*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    const QDate today = QDate::currentDate();
    QCOMPARE(dialog->txtStart_Date->text(), ReportDateRange::shortDateText(today.addDays(-7)));
    QCOMPARE(dialog->txtFinish_Date->text(), ReportDateRange::shortDateText(today));
    QCOMPARE(dialog->txtStart_Date->text().right(4), QString::number(today.year()));
    // Typing replaces the start date.
    QCOMPARE(dialog->txtStart_Date->selectedText(), dialog->txtStart_Date->text());

    // Cancel hides it; the next press shows the same dialog with fresh dates.
    dialog->txtStart_Date->setText(QStringLiteral("typed"));
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    window.toolbarButton(QStringLiteral("btnDatabase"))->trigger();
    QCOMPARE(window.findChildren<frmReporting*>().size(), 1);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->txtStart_Date->text(), ReportDateRange::shortDateText(today.addDays(-7)));

    // On 1 March of a year that is not a leap year the range starts on 22 February.
    dialog->presetDates(QDate(2026, 3, 1));
    QCOMPARE(dialog->txtStart_Date->text(), QStringLiteral("22/02/2026"));
    QCOMPARE(dialog->txtFinish_Date->text(), QStringLiteral("01/03/2026"));
}

void TestReportingWindow::okRunsTheReportAndHides()
{
    m_dialog->show();
    typeDates(QStringLiteral("15/03/2026"), QStringLiteral("01/03/2026"));
    QTest::mouseClick(m_dialog->cmdOk, Qt::LeftButton);

    QVERIFY(m_app->dialogs.shown().isEmpty());
    QVERIFY(!m_dialog->isVisible());
    ReportEngine& engine = m_dialog->engine();
    QCOMPARE(engine.reportFileName(),
             ProgramFolder::join(m_app->folder(), QStringLiteral("FORM.RPT")));
    QCOMPARE(
        engine.selectionFormula(),
        QStringLiteral(
            "{Form_Response.Form_Reponse_Source_Date} in Date (2026,3,1) to Date (2026,3,15)"));
    QCOMPARE(
        engine.formula(0),
        QStringLiteral(
            "Date Range= 'All replies between Sunday, 15 March 2026 and Sunday, 1 March 2026'"));
    QCOMPARE(m_viewer.shown.size(), 1);
    QCOMPARE(subjects(m_viewer.shown[0]), (QStringList{"first", "last"}));
    QCOMPARE(m_viewer.shown[0].caption,
             QStringLiteral("All replies between Sunday, 15 March 2026 and Sunday, 1 March 2026"));
}

void TestReportingWindow::invalidDatesKeepTheDialogOpen()
{
    m_dialog->show();
    for (const auto& [start, finish] : {std::pair<QString, QString>{"", ""},
                                        {"01/03/2026", "the fifteenth"},
                                        {"", "31/04/2026"}}) {
        m_app->dialogs.clearShown();
        typeDates(start, finish);
        QTest::mouseClick(m_dialog->cmdOk, Qt::LeftButton);
        QCOMPARE(m_app->dialogs.messages(), QStringList{QStringLiteral("Invalid Date Format")});
        const ScriptedDialogs::Shown& box = m_app->dialogs.shown().at(0);
        QCOMPARE(box.icon, Dialogs::Icon::None);
        QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
        QCOMPARE(box.title, QStringLiteral("Brevane"));
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_dialog->txtStart_Date->text(), start);
        QCOMPARE(m_dialog->txtFinish_Date->text(), finish);
    }
    QVERIFY(m_viewer.shown.isEmpty());
}

void TestReportingWindow::missingReportFileGivesBV6052()
{
    const QString bv6052 = ErrorReporter::warningText(QStringLiteral(
        "BV_6052 - Error Generating Database Report, the database could not be found"));
    QVERIFY(QFile::remove(m_app->path(QStringLiteral("FORM.RPT"))));
    m_dialog->show();
    typeDates(QStringLiteral("01/03/2026"), QStringLiteral("15/03/2026"));
    QTest::mouseClick(m_dialog->cmdOk, Qt::LeftButton);
    QCOMPARE(m_app->dialogs.messages(), QStringList{bv6052});
    QCOMPARE(m_app->dialogs.shown().at(0).icon, Dialogs::Icon::Warning);
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_viewer.shown.isEmpty());
}

void TestReportingWindow::cancelOnlyHides()
{
    m_dialog->show();
    typeDates(QStringLiteral("01/03/2026"), QStringLiteral("15/03/2026"));
    QTest::mouseClick(m_dialog->cmdCancel, Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QVERIFY(m_app->dialogs.shown().isEmpty());
    QVERIFY(m_viewer.shown.isEmpty());
    QVERIFY(m_dialog->engine().selectionFormula().isEmpty());
}

void TestReportingWindow::reportShowsInAPreviewWindow()
{
    // The real viewer: a preview window from which the report is saved as PDF.
    frmReporting dialog(*m_app->state);
    dialog.show();
    dialog.txtStart_Date->setText(QStringLiteral("01/03/2026"));
    dialog.txtFinish_Date->setText(QStringLiteral("15/03/2026"));
    QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    auto* preview = dialog.findChild<frmReportPreview*>();
    QVERIFY(preview);
    QVERIFY(preview->isVisible());
    const QString text = preview->txtReport->toPlainText();
    QVERIFY(text.contains(
        QStringLiteral("All replies between Sunday, 1 March 2026 and Sunday, 15 March 2026")));
    QVERIFY(text.contains(QStringLiteral("first")) && text.contains(QStringLiteral("last")));
    QVERIFY(!text.contains(QStringLiteral("before")) && !text.contains(QStringLiteral("after")));

    const QString pdf = m_app->path(QStringLiteral("report.pdf"));
    m_app->dialogs.answerText(pdf);
    QTest::mouseClick(preview->cmdSavePdf, Qt::LeftButton);
    QVERIFY(readBytes(pdf).startsWith("%PDF"));
    QCOMPARE(m_app->dialogs.shown().at(0).kind, ScriptedDialogs::Kind::Save);
    QCOMPARE(m_app->dialogs.shown().at(0).file.defaultExtension, QStringLiteral(".pdf"));
    preview->close();
}

QTEST_MAIN(TestReportingWindow)
#include "test_reporting_window.moc"
