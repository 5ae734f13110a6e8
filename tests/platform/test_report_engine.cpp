#include "ReportTestData.h"
#include "TestSupport.h"
#include "platform/ReportDefinition.h"
#include "platform/ReportDocument.h"
#include "platform/ReportEngine.h"
#include "platform/ReportQuery.h"
#include "platform/ReportViewer.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>
#include <ctime>

using namespace ReportTestData;

namespace {

struct RecordingViewer : ReportViewer
{
    bool showReport(const ReportData& report) override
    {
        shown.append(report);
        return accept;
    }
    QList<ReportData> shown;
    bool accept = true;
};

QStringList subjects(const ReportData& data)
{
    QStringList out;
    for (const QStringList& row : data.rows)
        out << row.value(2);
    return out;
}

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void readsTheShippedDefinition();
    void refusesBrokenDefinitions_data();
    void refusesBrokenDefinitions();
    void selectsRowsByLocalDay_data();
    void selectsRowsByLocalDay();
    void showsCaptionHeadingsAndLocalTimes();
    void failsWithoutDefinitionOrDatabase();
    void failsOnFormulasItCannotRead();
    void closesItsConnection();
    void documentHoldsTheRowsAndSavesPdf();

private:
    QString rpt() const { return m_dir->filePath(QStringLiteral("FORM.RPT")); }
    QString mdb() const { return m_dir->filePath(QStringLiteral("FORM.MDB")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    QLocale m_locale{QLocale::English, QLocale::UnitedKingdom};
};

void TestReportEngine::initTestCase()
{
    // Ten hours ahead of UTC: a reply stored on one UTC day is often the next local day.
    qputenv("TZ", "XYZ-10");
    tzset();
}

void TestReportEngine::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    copyShippedDefinition(rpt());
    createDatabase(
        mdb(), {
                   {stored(QDate(2026, 2, 28), QTime(23, 59)), QStringLiteral("last of February")},
                   {stored(QDate(2026, 3, 16), QTime(0, 10)), QStringLiteral("first after")},
                   {stored(QDate(2026, 3, 1), QTime(0, 30)), QStringLiteral("first of March")},
                   {QStringLiteral("yesterday"), QStringLiteral("no date")},
                   {stored(QDate(2026, 3, 10), QTime(12, 0)), QStringLiteral("middle")},
                   {stored(QDate(2026, 3, 15), QTime(23, 30)), QStringLiteral("last in range")},
               });
}

void TestReportEngine::readsTheShippedDefinition()
{
    QString error;
    const auto d = ReportDefinition::read(shippedDefinitionPath(), &error);
    QVERIFY2(d, qPrintable(error));
    QCOMPARE(d->table(), QStringLiteral("Form_Response"));
    QCOMPARE(d->database(), QStringLiteral("FORM.MDB"));
    QCOMPARE(d->columns().size(), 4);
    QCOMPARE(d->columns()[0].field, QStringLiteral("Form_Reponse_Source_Date"));
    QVERIFY(d->columns()[0].isDate);
    QVERIFY(!d->columns()[3].isDate);
    QCOMPARE(d->sortKeys().size(), 2);
    QCOMPARE(d->databasePath(rpt()), QDir::toNativeSeparators(mdb()));
}

void TestReportEngine::refusesBrokenDefinitions_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("no table") << "Column=A|a";
    QTest::newRow("no columns") << "Table=T";
    QTest::newRow("unknown key") << "Table=T\nColumn=A|a\nColour=red";
    QTest::newRow("column without heading") << "Table=T\nColumn=A";
    QTest::newRow("unknown column kind") << "Table=T\nColumn=A|a|money";
    QTest::newRow("field that could inject") << "Table=T\nColumn=A;DROP TABLE T|a";
    QTest::newRow("table with quotes") << "Table=T\"x\nColumn=A|a";
    QTest::newRow("bad sort direction") << "Table=T\nColumn=A|a\nSort=A sideways";
    QTest::newRow("line without key") << "Table=T\nColumn=A|a\njust words";
}

void TestReportEngine::refusesBrokenDefinitions()
{
    QFETCH(QString, text);
    QString error;
    QVERIFY(!ReportDefinition::parse(text, &error));
    QVERIFY(error.startsWith(QStringLiteral("line ")));
}

void TestReportEngine::selectsRowsByLocalDay_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("range")
        << "{Form_Response.Form_Reponse_Source_Date} in Date (2026,3,1) to Date (2026,3,15)"
        << QStringList{"first of March", "middle", "last in range"};
    QTest::newRow("up to and including")
        << "{Form_Response.Form_Reponse_Source_Date} <= Date (2026,3,1)"
        << QStringList{"last of February", "first of March"};
    QTest::newRow("beginning") << "{Form_Response.Form_Reponse_Source_Date} >= Date (2026,3,15)"
                               << QStringList{"last in range", "first after"};
    QTest::newRow("empty range")
        << "{Form_Response.Form_Reponse_Source_Date} in Date (2026,4,1) to Date (2026,4,30)"
        << QStringList{};
}

void TestReportEngine::selectsRowsByLocalDay()
{
    QFETCH(QString, formula);
    RecordingViewer viewer;
    ReportEngine engine(viewer, m_locale);
    engine.setReportFileName(rpt());
    engine.setSelectionFormula(formula);
    engine.setFormula(0, QStringLiteral("Date Range= 'x'"));
    QVERIFY2(engine.setAction(ReportEngine::RunReport), qPrintable(engine.lastError()));
    QCOMPARE(viewer.shown.size(), 1);
    QTEST(subjects(viewer.shown[0]), "expected");
}

void TestReportEngine::showsCaptionHeadingsAndLocalTimes()
{
    RecordingViewer viewer;
    ReportEngine engine(viewer, m_locale);
    engine.setReportFileName(rpt());
    engine.setSelectionFormula(
        QStringLiteral("{Form_Response.Form_Reponse_Source_Date} >= Date (2026,3,16)"));
    engine.setFormula(0,
                      QStringLiteral("Date Range= 'All replies, beginning Monday, 16 March 2026'"));
    QVERIFY(engine.setAction(ReportEngine::RunReport));
    const ReportData& r = viewer.shown.at(0);
    QCOMPARE(r.title, QStringLiteral("Form Responses"));
    QCOMPARE(r.captionName, QStringLiteral("Date Range"));
    QCOMPARE(r.caption, QStringLiteral("All replies, beginning Monday, 16 March 2026"));
    QCOMPARE(r.headings, (QStringList{"Received", "Address", "Subject", "Reply"}));
    QCOMPARE(r.rows.size(), 1);
    // Stored 14:10 UTC on the 15th; shown as the local time the user lived it.
    QCOMPARE(r.rows[0][0], QStringLiteral("16/03/2026 00:10"));
    QCOMPARE(r.rows[0][1], QStringLiteral("ann@example.com"));
    QCOMPARE(r.rows[0][3], QStringLiteral("Thank you."));

    QCOMPARE(ReportQuery::localDay(QStringLiteral("2026-03-15T14:10:00Z")), QDate(2026, 3, 16));
    QVERIFY(!ReportQuery::localDay(QStringLiteral("yesterday")).isValid());
    QCOMPARE(ReportQuery::localTimeText(QStringLiteral("yesterday"), m_locale),
             QStringLiteral("yesterday"));
}

void TestReportEngine::failsWithoutDefinitionOrDatabase()
{
    RecordingViewer viewer;
    ReportEngine engine(viewer, m_locale);
    engine.setSelectionFormula(
        QStringLiteral("{Form_Response.Form_Reponse_Source_Date} >= Date (2026,3,1)"));

    engine.setReportFileName(m_dir->filePath(QStringLiteral("MISSING.RPT")));
    QVERIFY(!engine.setAction(ReportEngine::RunReport));
    QVERIFY(!engine.lastError().isEmpty());

    // The database is opened read-only: a missing one is reported, never created empty.
    QVERIFY(QFile::remove(mdb()));
    engine.setReportFileName(rpt());
    QVERIFY(!engine.setAction(ReportEngine::RunReport));
    QVERIFY(!QFile::exists(mdb()));

    // A database without the table.
    createDatabase(mdb(), {});
    writeBytes(rpt(), "Table=Other\nColumn=Form_Response_Subject|Subject\n");
    engine.setSelectionFormula(QString());
    QVERIFY(!engine.setAction(ReportEngine::RunReport));
    QVERIFY(viewer.shown.isEmpty());

    // Any other action does not run the report.
    copyShippedDefinition(rpt());
    QVERIFY(engine.setAction(0));
    QVERIFY(viewer.shown.isEmpty());
    QVERIFY(engine.setAction(ReportEngine::RunReport));
    QCOMPARE(viewer.shown.size(), 1);
}

void TestReportEngine::failsOnFormulasItCannotRead()
{
    RecordingViewer viewer;
    ReportEngine engine(viewer, m_locale);
    engine.setReportFileName(rpt());
    const QString good =
        QStringLiteral("{Form_Response.Form_Reponse_Source_Date} >= Date (2026,3,1)");

    engine.setSelectionFormula(QStringLiteral("{Form_Response.Form_Reponse_Source_Date} >= 2026"));
    QVERIFY(!engine.setAction(ReportEngine::RunReport));

    engine.setSelectionFormula(
        QStringLiteral("{Replies.Form_Reponse_Source_Date} >= Date (2026,3,1)"));
    QVERIFY(!engine.setAction(ReportEngine::RunReport));

    engine.setSelectionFormula(QStringLiteral("{Form_Response.No_Such_Field} >= Date (2026,3,1)"));
    QVERIFY(!engine.setAction(ReportEngine::RunReport));

    engine.setSelectionFormula(good);
    engine.setFormula(0, QStringLiteral("Date Range All replies"));
    QVERIFY(!engine.setAction(ReportEngine::RunReport));
    QVERIFY(viewer.shown.isEmpty());

    engine.setFormula(0, QStringLiteral("Date Range= 'It's March'"));
    viewer.accept = false;
    QVERIFY(!engine.setAction(ReportEngine::RunReport));
    viewer.accept = true;
    QVERIFY(engine.setAction(ReportEngine::RunReport));
    QCOMPARE(viewer.shown.last().caption, QStringLiteral("It's March"));
}

void TestReportEngine::closesItsConnection()
{
    RecordingViewer viewer;
    ReportEngine engine(viewer, m_locale);
    engine.setReportFileName(rpt());
    QVERIFY(engine.setAction(ReportEngine::RunReport));
    QVERIFY(engine.setAction(ReportEngine::RunReport));
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    QCOMPARE(viewer.shown.size(), 2);
    QCOMPARE(viewer.shown[1].rows.size(), 6);
}

void TestReportEngine::documentHoldsTheRowsAndSavesPdf()
{
    ReportData data;
    data.title = QStringLiteral("Form Responses");
    data.captionName = QStringLiteral("Date Range");
    data.caption = QStringLiteral("All replies between a & b");
    data.headings = {QStringLiteral("Subject"), QStringLiteral("Reply")};
    data.rows = {{QStringLiteral("<b>bold</b>"), QStringLiteral("line one\r\nline two")}};
    const QString html = ReportDocument::html(data, m_locale);
    QVERIFY(html.contains(QStringLiteral("All replies between a &amp; b")));
    QVERIFY(html.contains(QStringLiteral("&lt;b&gt;bold&lt;/b&gt;")));
    QVERIFY(html.contains(QStringLiteral("line one<br>line two")));
    QVERIFY(html.contains(QStringLiteral("1 reply")));

    ReportDocument document(data, m_locale);
    QVERIFY(document.document().toPlainText().contains(QStringLiteral("Date Range: All replies")));
    const QString pdf = m_dir->filePath(QStringLiteral("report.pdf"));
    QVERIFY(document.savePdf(pdf));
    QVERIFY(readBytes(pdf).startsWith("%PDF"));
    QVERIFY(!document.savePdf(m_dir->filePath(QStringLiteral("no/such/folder/report.pdf"))));
}

QTEST_MAIN(TestReportEngine)
#include "test_report_engine.moc"
