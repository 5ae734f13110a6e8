// The report engine over a real FORM.MDB and the shipped FORM.RPT.
#include "ReportTestData.h"
#include "TestSupport.h"
#include "platform/ReportDefinition.h"
#include "platform/ReportDocument.h"
#include "platform/ReportEngine.h"
#include "platform/ReportQuery.h"

#include <ctime>

using namespace ReportTestData;

namespace {
const QString D = QStringLiteral("{Form_Response.Form_Reponse_Source_Date}");
}

class TestReportEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QLocale m_locale{QLocale::English, QLocale::UnitedKingdom};
    RecordingViewer m_viewer;
    std::unique_ptr<ReportEngine> m_engine;

    QString rpt() const { return m_dir->filePath("FORM.RPT"); }
    QString mdb() const { return m_dir->filePath("FORM.MDB"); }
    bool run(const QString& selection, const QString& caption = "Date Range= 'x'")
    {
        m_engine->setSelectionFormula(selection);
        m_engine->setFormula(0, caption);
        return m_engine->setAction(ReportEngine::RunReport);
    }

private slots:
    void initTestCase()
    {
        // Ten hours ahead of UTC: a reply stored on one UTC day is often the next local day.
        qputenv("TZ", "XYZ-10");
        tzset();
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        copyShippedDefinition(rpt());
        createDatabase(mdb(), {{stored({2026, 2, 28}, {23, 59}), "last of February"},
                               {stored({2026, 3, 16}, {0, 10}), "first after"},
                               {stored({2026, 3, 1}, {0, 30}), "first of March"},
                               {"yesterday", "no date"},
                               {stored({2026, 3, 10}, {12, 0}), "middle"},
                               {stored({2026, 3, 15}, {23, 30}), "last in range"}});
        m_viewer = RecordingViewer();
        m_engine = std::make_unique<ReportEngine>(m_viewer, m_locale);
        m_engine->setReportFileName(rpt());
    }

    void refusesBrokenDefinitions()
    {
        for (const char* text : {"Column=A|a", "Table=T\nColumn=A|a\nColour=red", "Table=T\nColumn=A|a|money",
                                 "Table=T\nColumn=A;DROP TABLE T|a", "Table=T\nColumn=A|a\nSort=A sideways"}) {
            QString error;
            QVERIFY2(!ReportDefinition::parse(QLatin1String(text), &error), text);
            QVERIFY(error.startsWith("line "));
        }
    }

    void selectsRowsByLocalDay_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("range") << D + " in Date (2026,3,1) to Date (2026,3,15)"
                               << QStringList{"first of March", "middle", "last in range"};
        QTest::newRow("up to and including") << D + " <= Date (2026,3,1)"
                                             << QStringList{"last of February", "first of March"};
        QTest::newRow("beginning") << D + " >= Date (2026,3,15)" << QStringList{"last in range", "first after"};
        // A range given backwards selects nothing, as the old report engine's did.
        QTest::newRow("backwards range") << D + " in Date (2026,3,15) to Date (2026,3,1)" << QStringList{};
        QTest::newRow("free blanks and case")
            << "  { Form_Response.Form_Reponse_Source_Date }IN date(2026,3,10)TO DATE ( 2026 , 3 , 10 ) "
            << QStringList{"middle"};
    }
    void selectsRowsByLocalDay()
    {
        QFETCH(QString, formula);
        QVERIFY2(run(formula), qPrintable(m_engine->lastError()));
        QCOMPARE(m_viewer.shown.size(), 1);
        QTEST(subjects(m_viewer.shown[0]), "expected");
    }

    void showsCaptionHeadingsAndLocalTimes()
    {
        QVERIFY(run(D + " >= Date (2026,3,16)", "Date Range= 'All replies, beginning Monday, 16 March 2026'"));
        const ReportData& r = m_viewer.shown.at(0);
        QCOMPARE(QStringList({r.title, r.captionName, r.caption}),
                 QStringList({"Form Responses", "Date Range", "All replies, beginning Monday, 16 March 2026"}));
        QCOMPARE(r.headings, (QStringList{"Received", "Address", "Subject", "Reply"}));
        // Stored 14:10 UTC on the 15th; shown as the local time the user lived it.
        QCOMPARE(r.rows, (QList<QStringList>{{"16/03/2026 00:10", "ann@example.com", "first after", "Thank you."}}));

        // Without a selection every row is shown, one without a date as it is stored; the
        // connection is closed after each run.
        QVERIFY(run(QString()));
        QCOMPARE(m_viewer.shown[1].rows.size(), 6);
        QVERIFY(m_viewer.shown[1].rows.contains({"yesterday", "ann@example.com", "no date", "Thank you."}));
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
        QVERIFY(!ReportQuery::localDay("yesterday").isValid());
    }

    void failsWithoutDefinitionOrDatabase()
    {
        m_engine->setReportFileName(m_dir->filePath("MISSING.RPT"));
        QVERIFY(!run(QString()));
        QVERIFY(!m_engine->lastError().isEmpty());
        // The database is opened read-only: a missing one is reported, never created empty.
        QVERIFY(QFile::remove(mdb()));
        m_engine->setReportFileName(rpt());
        QVERIFY(!run(QString()));
        QVERIFY(!QFile::exists(mdb()));
        createDatabase(mdb(), {});
        writeBytes(rpt(), "Table=Other\nColumn=Form_Response_Subject|Subject\n");
        QVERIFY(!run(QString()));
        QVERIFY(m_viewer.shown.isEmpty());
    }

    void failsOnFormulasItCannotRead_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("caption");
        const QString caption = "Date Range= 'x'";
        QTest::newRow("unknown field") << "{Form_Response.No_Such_Field} >= Date (2026,3,1)" << caption;
        QTest::newRow("field alone") << D << caption;
        QTest::newRow("unclosed field") << "{Form_Response.Form_Reponse_Source_Date <= Date (2026,3,1)" << caption;
        QTest::newRow("no such day") << D + " <= Date (2026,2,29)" << caption;
        QTest::newRow("number, not a date") << D + " <= 20260301" << caption;
        QTest::newRow("range cut short") << D + " in Date (2026,3,1) to" << caption;
        QTest::newRow("trailing words") << D + " <= Date (2026,3,1) and " + D + " >= Date (2026,1,1)" << caption;
        QTest::newRow("caption without =") << QString() << "Date Range All replies";
    }
    void failsOnFormulasItCannotRead()
    {
        QFETCH(QString, selection);
        QFETCH(QString, caption);
        QVERIFY(!run(selection, caption));
        QVERIFY(m_viewer.shown.isEmpty());
    }

    void viewerRefusalFailsAndCaptionKeepsQuotes()
    {
        QVERIFY(run(QString(), "Date Range= 'It's March'"));
        QCOMPARE(m_viewer.shown.last().caption, QStringLiteral("It's March"));
        m_viewer.accept = false;
        QVERIFY(!run(QString()));
    }

    void documentEscapesTheRowsAndSavesPdf()
    {
        const ReportData data{"Form Responses", "Date Range", "All replies between a & b", {"Subject", "Reply"},
                              {{"<b>bold</b>", "line one\r\nline two"}}};
        const QString html = ReportDocument::html(data, m_locale);
        for (const char* part :
             {"All replies between a &amp; b", "&lt;b&gt;bold&lt;/b&gt;", "line one<br>line two", "1 reply"})
            QVERIFY2(html.contains(QLatin1String(part)), part);
        ReportDocument document(data, m_locale);
        QVERIFY(document.document().toPlainText().contains("Date Range: All replies"));
        QVERIFY(!document.savePdf(m_dir->filePath("no/such/folder/report.pdf")));
    }
};

QTEST_MAIN(TestReportEngine)
#include "test_report_engine.moc"
