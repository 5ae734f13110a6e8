// The response report: the engine over a real FORM.MDB and the shipped FORM.RPT, the date range
// as typed, and the dialog and preview window that run and show it.
#include "TestSupport.h"
#include "platform/report/ReportDefinition.h"
#include "platform/report/ReportDocument.h"
#include "platform/report/ReportEngine.h"
#include "platform/report/ReportQuery.h"
#include "platform/report/ReportViewer.h"
#include "platform/report/ui/frmReportPreview.h"
#include "reply/ReportDateRange.h"
#include "reply/ui/frmReporting.h"

#include <QBuffer>
#include <QJsonArray>
#include <QPdfWriter>
#include <QJsonDocument>
#include <QProcess>
#include <ctime>

namespace {

const QString D = ReportDateRange::Field;
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
        return accept;
    }
    QStringList subjects(int report = 0) const
    {
        QStringList out;
        for (const QStringList& row : shown.value(report).rows)
            out << row.value(3);
        return out;
    }
    QList<ReportData> shown;
    bool accept = true;
};

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> m_app;
    RecordingViewer m_viewer;
    std::unique_ptr<ReportEngine> m_engine;

    bool run(const QString& selection, const QString& caption = "Date Range= 'x'")
    {
        m_engine->setSelectionFormula(selection);
        m_engine->setFormula(0, caption);
        return m_engine->setAction(ReportEngine::RunReport);
    }
    void clickOk(frmReporting& dialog, const QString& start, const QString& finish)
    {
        dialog.txtStart_Date->setText(start);
        dialog.txtFinish_Date->setText(finish);
        QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
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

    void selectsRowsByLocalDay_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QStringList>("expected"); // "fails": the run fails
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
        const QStringList fails{"fails"};
        QTest::newRow("unknown field") << "{Form_Response.No_Such_Field} >= Date (2026,3,1)" << fails;
        QTest::newRow("unclosed field") << "{Form_Response.Form_Reponse_Source_Date <= Date (2026,3,1)" << fails;
        QTest::newRow("no such day") << D + " <= Date (2026,2,29)" << fails;
        QTest::newRow("number, not a date") << D + " <= 20260301" << fails;
        QTest::newRow("range cut short") << D + " in Date (2026,3,1) to" << fails;
        QTest::newRow("trailing words") << D + " <= Date (2026,3,1) and " + D + " >= Date (2026,1,1)" << fails;
    }
    void selectsRowsByLocalDay()
    {
        QFETCH(QString, formula);
        QFETCH(QStringList, expected);
        QCOMPARE(run(formula), expected != QStringList{"fails"});
        QCOMPARE(m_viewer.shown.size(), expected == QStringList{"fails"} ? 0 : 1);
        if (!m_viewer.shown.isEmpty())
            QCOMPARE(m_viewer.subjects(), expected);
    }

    void showsCaptionHeadingsAndLocalTimes()
    {
        QVERIFY(run(D + " >= Date (2026,3,16)", "Date Range= 'It's March'"));
        const ReportData& r = m_viewer.shown.at(0);
        QCOMPARE(QStringList({r.title, r.captionName, r.caption}), QStringList({"Form Responses", "Date Range", "It's March"}));
        QCOMPARE(r.headings, (QStringList{"Recorded", "Status", "Address", "Subject", "Reply"}));
        // Stored 14:10 UTC on the 15th; shown as the local time the user lived it.
        QCOMPARE(r.rows, (QList<QStringList>{{"16/03/2026 00:10", "", "ann@example.com", "first after", "Thank you."}}));
        // Without a selection every row is shown, one without a date as it is stored; the
        // connection is closed after each run.
        QVERIFY(run(QString()));
        QCOMPARE(m_viewer.shown[1].rows.size(), 6);
        QVERIFY(m_viewer.shown[1].rows.contains({"yesterday", "", "ann@example.com", "no date", "Thank you."}));
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
        QVERIFY(!run(QString(), "Date Range All replies")); // a caption without "="
        // A database of an earlier version has no status column: its cells are empty.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old rows");
            db.setDatabaseName(m_app->path("FORM.MDB"));
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("ALTER TABLE Form_Response DROP COLUMN Form_Response_Status"));
        }
        QSqlDatabase::removeDatabase("old rows");
        QVERIFY(run(D + " >= Date (2026,3,16)"));
        QCOMPARE(m_viewer.shown.last().rows, m_viewer.shown.first().rows);
        m_viewer.accept = false;
        QVERIFY(!run(QString()));
    }

    void failsWithoutDefinitionOrDatabase()
    {
        for (const char* text : {"Column=A|a", "Table=T\nColumn=A|a\nColour=red", "Table=T\nColumn=A|a|money",
                                 "Table=T\nColumn=A;DROP TABLE T|a", "Table=T\nColumn=A|a\nSort=A sideways"}) {
            QString error;
            QVERIFY2(!ReportDefinition::parse(QLatin1String(text), &error), text);
            QVERIFY(error.startsWith("line "));
        }
        m_engine->setReportFileName(m_app->path("MISSING.RPT"));
        QVERIFY(!run(QString()));
        // The database is opened read-only: a missing one is reported, never created empty.
        QVERIFY(QFile::remove(m_app->path("FORM.MDB")));
        m_engine->setReportFileName(m_app->path("FORM.RPT"));
        QVERIFY(!run(QString()));
        QVERIFY(!QFile::exists(m_app->path("FORM.MDB")));
        ResponseDatabase::createEmptyDatabase(m_app->path("FORM.MDB"));
        writeBytes(m_app->path("FORM.RPT"), "Table=Other\nColumn=Form_Response_Subject|Subject\n");
        QVERIFY(!run(QString()));
        QVERIFY(m_viewer.shown.isEmpty());
    }

    // The program brings its definition up to date at start-up, but never over a file the user
    // made (no version) or one newer than its own.
    void startUpReplacesOnlyAnOlderShippedDefinition()
    {
        const QByteArray shipped = readBytes(BREVANE_SOURCE_DIR "/resources/report/FORM.RPT");
        const QString path = m_app->path("FORM.RPT");
        const QByteArray older = QByteArray(shipped).replace("Version=2", "Version=1");
        QVERIFY(older != shipped);
        for (const QByteArray& kept : {QByteArray("Table=Form_Response\nColumn=Form_Response_Subject|Mine\n"),
                                       QByteArray(shipped).replace("Version=2", "Version=3"), QByteArray("Version=1\nbroken")}) {
            writeBytes(path, kept);
            QVERIFY(!ReportDefinition::refresh(path));
            QCOMPARE(readBytes(path), kept);
        }
        writeBytes(path, older);
        m_app->state->InitialiseApplication();
        QCOMPARE(readBytes(path), shipped);
        QCOMPARE(ReportDefinition::read(path)->version(), 2);
    }

    void rangeGivesSelectionAndCaption_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<QString>("selection"); // empty: refused
        QTest::addColumn<QString>("caption");
        const QString all = "Date Range= 'All replies";
        // clang-format off
        QTest::newRow("start empty") << "" << "15/03/2026" << D + " <= Date (2026,3,15)"
            << all + ", up to and including Sunday, 15 March 2026'";
        QTest::newRow("finish blank, long date") << "  Sunday, 1 March 2026 " << "   " << D + " >= Date (2026,3,1)"
            << all + ", beginning Sunday, 1 March 2026'";
        // The range runs from the earlier date; the caption keeps the order the user typed.
        QTest::newRow("start later than finish") << "15/03/2026" << "01/03/2026"
            << D + " in Date (2026,3,1) to Date (2026,3,15)" << all + " between Sunday, 15 March 2026 and Sunday, 1 March 2026'";
        for (const auto& [start, finish] : {std::pair<const char*, const char*>{"", ""}, {"", "next week"}, {"someday", ""},
                                            {"30/02/2026", "01/03/2026"}, {"03/31/2026", ""}})
            QTest::addRow("refused '%s' '%s'", start, finish) << start << finish << "" << "";
        // clang-format on
    }
    void rangeGivesSelectionAndCaption()
    {
        QFETCH(QString, start);
        QFETCH(QString, finish);
        QFETCH(QString, selection);
        const auto range = ReportDateRange::fromTexts(start, finish, uk);
        QCOMPARE(range.has_value(), !selection.isEmpty());
        QCOMPARE(range ? range->selectionFormula() : QString(), selection);
        QTEST(range ? range->caption() : QString(), "caption");
    }

    // The dialog opens on the last seven days, the start selected so typing replaces it; the
    // next press shows the same dialog with fresh dates.
    void reportButtonOpensWithTheLastSevenDays()
    {
        frmMain window(*m_app->state);
        const QString weekAgo = ReportDateRange::shortDateText(QDate::currentDate().addDays(-7));
        for (int press = 0; press < 2; ++press) {
            window.toolbarButton("btnDatabase")->trigger();
            const auto dialogs = window.findChildren<frmReporting*>();
            QVERIFY(dialogs.size() == 1 && dialogs[0]->isVisible() && dialogs[0]->isModal());
            QCOMPARE(dialogs[0]->txtStart_Date->selectedText(), weekAgo);
            QCOMPARE(dialogs[0]->txtFinish_Date->text(), ReportDateRange::shortDateText(QDate::currentDate()));
            dialogs[0]->txtStart_Date->setText("typed");
            QTest::mouseClick(dialogs[0]->cmdCancel, Qt::LeftButton);
            QVERIFY(!dialogs[0]->isVisible());
        }
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
        dialog.txtStart_Date->setText("01/03/2026");
        dialog.txtFinish_Date->setText("15/03/2026");
        m_app->dialogs.answerText(m_app->path("march"));
        QTest::mouseClick(dialog.cmdExport, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_app->dialogs.shown().last().file.filter, QStringLiteral("CSV Files (*.csv)|*.csv"));
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

        // A refused range asks nothing more; a file that cannot be written leaves nothing.
        dialog.show();
        dialog.txtStart_Date->setText("someday");
        QTest::mouseClick(dialog.cmdExport, Qt::LeftButton);
        QCOMPARE(m_app->dialogs.messages().last(), QStringLiteral("Invalid Date Format"));
        dialog.txtStart_Date->setText("");
        QVERIFY(QDir(m_app->folder()).mkdir("taken.csv"));
        const QStringList before = QDir(m_app->folder()).entryList();
        m_app->dialogs.answerText(m_app->path("taken.csv"));
        QTest::mouseClick(dialog.cmdExport, Qt::LeftButton);
        QCOMPARE(m_app->dialogs.messages().last(), warning(ErrorCode::ExportingResponses));
        QCOMPARE(QDir(m_app->folder()).entryList(), before);
        QVERIFY(dialog.isVisible());
    }

    void okShowsThePreviewThatSavesPdfOrSaysWhy()
    {
        frmReporting dialog(m_app->dialogs, m_app->state->errors(), m_app->folder()); // the real viewer
        dialog.show();
        clickOk(dialog, "", "31/04/2026");
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_app->dialogs.messages(), QStringList{"Invalid Date Format"});
        clickOk(dialog, "01/03/2026", "15/03/2026");
        auto* preview = dialog.findChild<frmReportPreview*>();
        QVERIFY(preview && preview->isVisible() && !dialog.isVisible());
        const QString text = preview->txtReport->toPlainText();
        QVERIFY2(text.contains("Date Range: All replies between Sunday, 1 March 2026 and Sunday, 15 March 2026"), qPrintable(text));
        for (const char* subject : {"first of March", "middle", "last in range"})
            QVERIFY2(text.contains(subject), subject);
        QVERIFY(!text.contains("first after") && !text.contains("last of February"));
        m_app->dialogs.answerText(m_app->path("report.pdf"));
        QTest::mouseClick(preview->cmdSavePdf, Qt::LeftButton);
        QVERIFY(m_app->readFile("report.pdf").startsWith("%PDF"));
        preview->close();
        dialog.show();
        QVERIFY(QFile::remove(m_app->path("FORM.RPT")));
        clickOk(dialog, "01/03/2026", "15/03/2026");
        QCOMPARE(m_app->dialogs.messages().last(), warning(ErrorCode::DatabaseReport));
        QVERIFY(dialog.isVisible());
        // What the user typed or stored cannot make markup of its own.
        const ReportData data{"Form Responses", "Date Range", "a & b", {"Subject"}, {{"<b>bold</b>\r\nline two"}}};
        const QString html = ReportDocument::html(data, uk);
        for (const char* part : {"a &amp; b", "&lt;b&gt;bold&lt;/b&gt;<br>line two", "1 reply"})
            QVERIFY2(html.contains(QLatin1String(part)), part);
        QVERIFY(!ReportDocument(data, uk).savePdf(m_app->path("no/such/folder/report.pdf")));
    }

    // A printed page breaks between rows; only a row longer than a page is split, and it starts
    // a page of its own. Each part of the table is one page here, so the PDF counts them.
    void pagesBreakBetweenRows()
    {
        ReportData data{"Form Responses", "Date Range", "x", {"Recorded", "Reply"}, {}};
        const auto lines = [](int n) { return QStringList(n, QStringLiteral("A line of the reply")).join("\r\n"); };
        for (int i = 0; i < 12; ++i)
            data.rows << QStringList{QStringLiteral("row %1").arg(i), lines(i == 7 ? 200 : 25)};
        ReportDocument document(data, uk);
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        QList<qsizetype> breaks;
        {
            QPdfWriter writer(&pdf);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            breaks = document.pageBreaks(writer);
            QVERIFY(breaks.size() >= 5);
            QVERIFY(breaks.contains(7) && breaks.contains(8)); // the long row alone
            for (qsizetype k = 1; k < breaks.size(); ++k)
                QVERIFY(breaks[k] > breaks[k - 1]);
            document.print(writer);
        }
        const auto pages = QRegularExpression("/Count (\\d+)").match(QString::fromLatin1(pdf.data()));
        // The long row takes more than one page; every other part exactly one.
        QVERIFY(pages.captured(1).toInt() > breaks.size() + 1);
        QVERIFY(pages.captured(1).toInt() <= breaks.size() + 1 + 6);
        QVERIFY(ReportDocument::html(data, uk, breaks).count("page-break-before: always") == breaks.size());
    }
};

QTEST_MAIN(TestReportEngine)
#include "test_report_engine.moc"
