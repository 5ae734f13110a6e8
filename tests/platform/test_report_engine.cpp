#include "ReportTestData.h"
#include "TestSupport.h"
#include "platform/report/ReportDefinition.h"
#include "platform/report/ReportDocument.h"
#include "platform/report/ReportEngine.h"
#include "platform/report/ReportQuery.h"

#include <QTextDocument>
#include <QtTest>
#include <ctime>

using namespace ReportTestData;
using namespace Qt::StringLiterals;

namespace {
const QString DateField = u"{Form_Response.Form_Reponse_Source_Date}"_s;
}

class TestReportEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QLocale m_locale{QLocale::English, QLocale::UnitedKingdom};
    RecordingViewer m_viewer;
    std::unique_ptr<ReportEngine> m_engine;

    QString rpt() const { return m_dir->filePath(u"FORM.RPT"_s); }
    QString mdb() const { return m_dir->filePath(u"FORM.MDB"_s); }
    bool run(const QString& selection, const QString& caption = u"Date Range= 'x'"_s)
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
        createDatabase(mdb(), {{stored({2026, 2, 28}, {23, 59}), u"last of February"_s},
                               {stored({2026, 3, 16}, {0, 10}), u"first after"_s},
                               {stored({2026, 3, 1}, {0, 30}), u"first of March"_s},
                               {u"yesterday"_s, u"no date"_s},
                               {stored({2026, 3, 10}, {12, 0}), u"middle"_s},
                               {stored({2026, 3, 15}, {23, 30}), u"last in range"_s}});
        m_viewer = RecordingViewer();
        m_engine = std::make_unique<ReportEngine>(m_viewer, m_locale);
        m_engine->setReportFileName(rpt());
    }

    void refusesBrokenDefinitions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("no table") << "Column=A|a";
        QTest::newRow("unknown key") << "Table=T\nColumn=A|a\nColour=red";
        QTest::newRow("unknown column kind") << "Table=T\nColumn=A|a|money";
        QTest::newRow("field that could inject") << "Table=T\nColumn=A;DROP TABLE T|a";
        QTest::newRow("bad sort direction") << "Table=T\nColumn=A|a\nSort=A sideways";
    }
    void refusesBrokenDefinitions()
    {
        QFETCH(QString, text);
        QString error;
        QVERIFY(!ReportDefinition::parse(text, &error));
        QVERIFY(error.startsWith(u"line "_s));
    }

    void selectsRowsByLocalDay_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("range") << DateField + " in Date (2026,3,1) to Date (2026,3,15)"
                               << QStringList{"first of March", "middle", "last in range"};
        QTest::newRow("up to and including") << DateField + " <= Date (2026,3,1)"
                                             << QStringList{"last of February", "first of March"};
        QTest::newRow("beginning")
            << DateField + " >= Date (2026,3,15)" << QStringList{"last in range", "first after"};
        QTest::newRow("empty range")
            << DateField + " in Date (2026,4,1) to Date (2026,4,30)" << QStringList{};
        // A range given backwards selects nothing, as the old report engine's did.
        QTest::newRow("backwards range")
            << DateField + " in Date (2026,3,15) to Date (2026,3,1)" << QStringList{};
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
        QVERIFY(run(DateField + " >= Date (2026,3,16)",
                    u"Date Range= 'All replies, beginning Monday, 16 March 2026'"_s));
        const ReportData& r = m_viewer.shown.at(0);
        QCOMPARE(r.title, u"Form Responses"_s);
        QCOMPARE(r.captionName, u"Date Range"_s);
        QCOMPARE(r.caption, u"All replies, beginning Monday, 16 March 2026"_s);
        QCOMPARE(r.headings, (QStringList{"Received", "Address", "Subject", "Reply"}));
        // Stored 14:10 UTC on the 15th; shown as the local time the user lived it.
        QCOMPARE(r.rows, (QList<QStringList>{{"16/03/2026 00:10", "ann@example.com", "first after",
                                              "Thank you."}}));

        // Without a selection every row is shown, one without a date as it is stored; the
        // connection is closed after each run.
        QVERIFY(run(QString()));
        QCOMPARE(m_viewer.shown[1].rows.size(), 6);
        QVERIFY(m_viewer.shown[1].rows.contains(
            {"yesterday", "ann@example.com", "no date", "Thank you."}));
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
        QVERIFY(!ReportQuery::localDay(u"yesterday"_s).isValid());
    }

    void failsWithoutDefinitionOrDatabase()
    {
        const QString from = DateField + " >= Date (2026,3,1)";
        m_engine->setReportFileName(m_dir->filePath(u"MISSING.RPT"_s));
        QVERIFY(!run(from));
        QVERIFY(!m_engine->lastError().isEmpty());

        // The database is opened read-only: a missing one is reported, never created empty.
        QVERIFY(QFile::remove(mdb()));
        m_engine->setReportFileName(rpt());
        QVERIFY(!run(from));
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
        const QString caption = u"Date Range= 'x'"_s;
        QTest::newRow("unknown field")
            << "{Form_Response.No_Such_Field} >= Date (2026,3,1)" << caption;
        QTest::newRow("field alone") << DateField << caption;
        QTest::newRow("unclosed field") << "{Form_Response.Form_Reponse_Source_Date <= Date (2026,3,1)"
                                        << caption;
        QTest::newRow("no such day") << DateField + " <= Date (2026,2,29)" << caption;
        QTest::newRow("number, not a date") << DateField + " <= 20260301" << caption;
        QTest::newRow("range cut short") << DateField + " in Date (2026,3,1) to" << caption;
        QTest::newRow("trailing words")
            << DateField + " <= Date (2026,3,1) and " + DateField + " >= Date (2026,1,1)" << caption;
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
        m_viewer.accept = false;
        QVERIFY(!run(QString(), u"Date Range= 'It's March'"_s));
        m_viewer.accept = true;
        QVERIFY(run(QString(), u"Date Range= 'It's March'"_s));
        QCOMPARE(m_viewer.shown.last().caption, u"It's March"_s);
    }

    void documentEscapesTheRowsAndSavesPdf()
    {
        ReportData data{u"Form Responses"_s,
                        u"Date Range"_s,
                        u"All replies between a & b"_s,
                        {u"Subject"_s, u"Reply"_s},
                        {{u"<b>bold</b>"_s, u"line one\r\nline two"_s}}};
        const QString html = ReportDocument::html(data, m_locale);
        for (const char* part : {"All replies between a &amp; b", "&lt;b&gt;bold&lt;/b&gt;",
                                 "line one<br>line two", "1 reply"})
            QVERIFY2(html.contains(QLatin1String(part)), part);

        ReportDocument document(data, m_locale);
        QVERIFY(document.document().toPlainText().contains(u"Date Range: All replies"_s));
        QVERIFY(!document.savePdf(m_dir->filePath(u"no/such/folder/report.pdf"_s)));
    }
};

QTEST_MAIN(TestReportEngine)
#include "test_report_engine.moc"
