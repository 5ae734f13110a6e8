// The response report: the engine over a real FORM.MDB and the shipped FORM.RPT, the date range
// as typed, and the dialog and preview window that run and show it.
#include "TestSupport.h"
#include "platform/report/ReportDefinition.h"
#include "platform/report/ReportDocument.h"
#include "platform/report/ReportEngine.h"
#include "platform/report/ReportViewer.h"
#include "platform/report/ui/frmReportPreview.h"
#include "reply/ui/frmReporting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <ctime>

namespace {

const QLocale uk(QLocale::English, QLocale::UnitedKingdom);

// FORM.MDB made the program's way, rows as written, so a test can also store a date the program
// never would; and the shipped FORM.RPT beside it.
void createReportFiles(const QString& folder, const QList<std::pair<QDateTime, QString>>& rows)
{
    QFile::copy(BREVANE_SOURCE_DIR "/resources/report/FORM.RPT", folder + "/FORM.RPT");
    const QString mdb = folder + "/FORM.MDB";
    ResponseDatabase::createEmptyDatabase(mdb);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "report rows");
        db.setDatabaseName(mdb);
        QVERIFY(db.open());
        for (const auto& [when, subject] : rows)
            QVERIFY(QSqlQuery(db).exec("INSERT INTO Form_Response (Form_Reponse_Source_Date, Form_Response_Source_Address, "
                                       "Form_Response_Subject, Form_Response_Message) VALUES ('" +
                                       (when.isValid() ? ResponseDatabase::storedDate(when) : "yesterday") +
                                       "', 'ann@example.com', '" + subject + "', 'Thank you.')"));
    }
    QSqlDatabase::removeDatabase("report rows");
}

QDateTime at(int month, int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

// Keeps every report it is handed instead of showing it; the subject column row by row.
struct RecordingViewer : ReportViewer
{
    bool showReport(const ReportData& report) override
    {
        shown.append(report);
        return true;
    }
    QStringList subjects() const
    {
        QStringList out;
        for (const QStringList& row : shown.value(0).rows)
            out << row.value(3);
        return out;
    }
    QList<ReportData> shown;
};

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> m_app;
    RecordingViewer m_viewer;
    std::unique_ptr<ReportEngine> m_engine;

    bool run()
    {
        m_engine->setFormula(0, "Date Range= 'x'");
        return m_engine->setAction(ReportEngine::RunReport);
    }
    // Types the dates and presses OK, or Export.
    void click(frmReporting& dialog, const QString& start, const QString& finish, bool exportButton = false)
    {
        dialog.txtStart_Date->setText(start);
        dialog.txtFinish_Date->setText(finish);
        QTest::mouseClick(exportButton ? dialog.cmdExport : dialog.cmdOk, Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        // Ten hours ahead of UTC: a reply stored on one UTC day is often the next local day.
        qputenv("TZ", "XYZ-10");
        tzset();
        QLocale::setDefault(uk);
    }

    void init()
    {
        m_app = std::make_unique<TestApp>();
        createReportFiles(m_app->folder(), {{at(2, 28, 23, 59), "last of February"}, {at(3, 16, 0, 10), "first after"},
                                            {at(3, 1, 0, 30), "first of March"}, {{}, "no date"},
                                            {at(3, 10, 12), "middle"}, {at(3, 15, 23, 30), "last in range"}});
        m_viewer = RecordingViewer();
        m_engine = std::make_unique<ReportEngine>(m_viewer, uk);
        m_engine->setReportFileName(m_app->path("FORM.RPT"));
    }

    // The dates typed select by the local day: a reply stored late on one UTC day may belong to
    // the next day here. The range runs from the earlier date; the caption keeps the order typed.
    void datesSelectByLocalDay_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<QString>("caption"); // empty: refused
        QTest::addColumn<QStringList>("subjects");
        const QStringList march{"first of March", "middle", "last in range"};
        // clang-format off
        QTest::newRow("start empty") << "" << "15/03/2026" << "All replies, up to and including Sunday, 15 March 2026"
            << QStringList{"last of February"} + march;
        QTest::newRow("finish blank, long date") << "  Sunday, 1 March 2026 " << "   "
            << "All replies, beginning Sunday, 1 March 2026" << march + QStringList{"first after"};
        QTest::newRow("start later than finish") << "15/03/2026" << "01/03/2026"
            << "All replies between Sunday, 15 March 2026 and Sunday, 1 March 2026" << march;
        for (const auto& [start, finish] : {std::pair<const char*, const char*>{"", ""}, {"", "next week"}, {"someday", ""},
                                            {"30/02/2026", "01/03/2026"}, {"03/31/2026", ""}})
            QTest::addRow("refused '%s' '%s'", start, finish) << start << finish << "" << QStringList{};
        // clang-format on
    }
    void datesSelectByLocalDay()
    {
        QFETCH(QString, start);
        QFETCH(QString, finish);
        QFETCH(QString, caption);
        frmReporting dialog(m_app->dialogs, m_app->state->errors(), m_app->folder(), nullptr, &m_viewer);
        dialog.show();
        click(dialog, start, finish);
        QCOMPARE(m_app->dialogs.messages(), caption.isEmpty() ? QStringList{"Invalid Date Format"} : QStringList{});
        QCOMPARE(m_viewer.shown.size(), caption.isEmpty() ? 0 : 1);
        QCOMPARE(m_viewer.shown.value(0).caption, caption);
        QTEST(m_viewer.subjects(), "subjects");
    }

    void failsWithoutDefinitionOrDatabase()
    {
        for (const char* text : {"Column=A|a", "Table=T\nColumn=A|a\nColour=red", "Table=T\nColumn=A;DROP TABLE T|a"}) {
            QString error;
            QVERIFY2(!ReportDefinition::parse(QLatin1String(text), &error), text);
            QVERIFY(error.startsWith("line "));
        }
        QVERIFY(run() && m_viewer.shown.value(0).rows.size() == 6); // without a selection, every row
        // The database is opened read-only: a missing one is reported, never created empty.
        QVERIFY(QFile::remove(m_app->path("FORM.MDB")));
        QVERIFY(!run());
        QVERIFY(!QFile::exists(m_app->path("FORM.MDB")));
        ResponseDatabase::createEmptyDatabase(m_app->path("FORM.MDB"));
        writeBytes(m_app->path("FORM.RPT"), "Table=Other\nColumn=Form_Response_Subject|Subject\n");
        QVERIFY(!run());
        QCOMPARE(m_viewer.shown.size(), 1); // the first run's report only
    }

    // The export takes the dialog's dates; Python's csv module reads back every value as it was
    // recorded, one column per field name and occurrence.
    void exportWritesTheRangeAsASpreadsheetFile()
    {
        ResponseDatabase db(m_app->path("FORM.MDB"));
        const ResponseRecord zoe{at(3, 2, 9), "zoe@example.org", "Re: \"quotes\", commas", "Dear Zo\u00eb,\r\nthanks.", "Sent", "f1",
                                 {{"name", "Name", "Zo\u00eb, \"Z\""}, {"tag", {}, "a"}, {"tag", {}, "line\r\nbreak"}}};
        const ResponseRecord bo{at(3, 3, 9), "", "Re", "x", "Not sent", "f2", {{"comment", {}, ""}, {"name", {}, "Bo"}}};
        QCOMPARE(db.AppendRecord(zoe), ResponseDatabase::Result::Recorded);
        QCOMPARE(db.AppendRecord(bo), ResponseDatabase::Result::Recorded);
        frmReporting dialog(m_app->dialogs, m_app->state->errors(), m_app->folder(), nullptr, &m_viewer);
        dialog.show();
        m_app->dialogs.answerText(m_app->path("march"));
        click(dialog, "01/03/2026", "15/03/2026", true);
        QVERIFY(!dialog.isVisible());
        const QByteArray bytes = m_app->readFile("march.csv");
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFRecorded,Status,Address,Subject,name,tag,tag (2),comment,Reply\r\n"));
        QProcess python;
        python.start("/usr/bin/python3", {"-c", "import csv, json, sys\n"
                                                "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                                "    print(json.dumps(list(csv.reader(f))))",
                                          m_app->path("march.csv")});
        QVERIFY(python.waitForFinished());
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), 6);
        const auto row = [&rows](int i) { return rows[i].toVariant().toStringList(); };
        QCOMPARE(row(1), (QStringList{"2026-03-01 00:30:00", "", "ann@example.com", "first of March", "", "", "", "", "Thank you."}));
        QCOMPARE(row(2), (QStringList{"2026-03-02 09:00:00", "Sent", "zoe@example.org", zoe.subject, zoe.fields[0].value, "a",
                                      "line\r\nbreak", "", zoe.message}));
        QCOMPARE(row(3), (QStringList{"2026-03-03 09:00:00", "Not sent", "", "Re", "Bo", "", "", "", "x"}));
        QCOMPARE(row(5)[3], QStringLiteral("last in range"));
    }

    void okShowsThePreviewThatSavesPdfOrSaysWhy()
    {
        frmReporting dialog(m_app->dialogs, m_app->state->errors(), m_app->folder()); // the real viewer
        dialog.show();
        click(dialog, "01/03/2026", "15/03/2026");
        auto* preview = dialog.findChild<frmReportPreview*>();
        QVERIFY(preview && preview->isVisible() && !dialog.isVisible());
        const QString text = preview->txtReport->toPlainText();
        QVERIFY2(text.contains("Date Range: All replies between Sunday, 1 March 2026 and Sunday, 15 March 2026"), qPrintable(text));
        // Stored 14:30 UTC on 28 February; shown as the local time the user lived it.
        for (const char* cell : {"01/03/2026 00:30", "first of March", "middle", "last in range"})
            QVERIFY2(text.contains(cell), cell);
        QVERIFY(QSqlDatabase::connectionNames().isEmpty()); // closed after the run
        m_app->dialogs.answerText(m_app->path("report.pdf"));
        QTest::mouseClick(preview->cmdSavePdf, Qt::LeftButton);
        QVERIFY(m_app->readFile("report.pdf").startsWith("%PDF"));
        preview->close();
        dialog.show();
        QVERIFY(QFile::remove(m_app->path("FORM.RPT")));
        click(dialog, "01/03/2026", "15/03/2026");
        QCOMPARE(m_app->dialogs.messages().last(), warning(ErrorCode::DatabaseReport));
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestReportEngine)
#include "test_report_engine.moc"
