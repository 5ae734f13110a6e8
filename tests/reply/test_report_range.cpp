#include "reply/ReportDateRange.h"

#include <QtTest>

namespace {
const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
const QLocale us(QLocale::English, QLocale::UnitedStates);
const QString field = QStringLiteral("{Form_Response.Form_Reponse_Source_Date}");
} // namespace

class TestReportRange : public QObject
{
    Q_OBJECT
private slots:
    void buildsTheThreeSelections_data();
    void buildsTheThreeSelections();
    void refusesWhatIsNoDate_data();
    void refusesWhatIsNoDate();
    void readsShortLongAndIsoDates();
    void presetsTheLastSevenDays();
    void writesFormulaDatesWithoutLeadingZeros();
};

void TestReportRange::buildsTheThreeSelections_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("finish");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("caption");

    QTest::newRow("start empty")
        << ""
        << "15/03/2026" << field + " <= Date (2026,3,15)"
        << "Date Range= 'All replies, up to and including Sunday, 15 March 2026'";
    QTest::newRow("finish empty") << "01/03/2026"
                                  << "" << field + " >= Date (2026,3,1)"
                                  << "Date Range= 'All replies, beginning Sunday, 1 March 2026'";
    QTest::newRow("both")
        << "01/03/2026"
        << "15/03/2026" << field + " in Date (2026,3,1) to Date (2026,3,15)"
        << "Date Range= 'All replies between Sunday, 1 March 2026 and Sunday, 15 March 2026'";
    // The range runs from the earlier date; the caption keeps the order the user typed.
    QTest::newRow("start later than finish")
        << "15/03/2026"
        << "01/03/2026" << field + " in Date (2026,3,1) to Date (2026,3,15)"
        << "Date Range= 'All replies between Sunday, 15 March 2026 and Sunday, 1 March 2026'";
    QTest::newRow("single-digit months and days")
        << "05/01/2026"
        << "09/02/2026" << field + " in Date (2026,1,5) to Date (2026,2,9)"
        << "Date Range= 'All replies between Monday, 5 January 2026 and Monday, 9 February 2026'";
    QTest::newRow("one day") << "10/10/2026"
                             << "10/10/2026" << field + " in Date (2026,10,10) to Date (2026,10,10)"
                             << "Date Range= 'All replies between Saturday, 10 October 2026 and "
                                "Saturday, 10 October 2026'";
    QTest::newRow("blanks around a date")
        << "  01/03/2026 "
        << "   " << field + " >= Date (2026,3,1)"
        << "Date Range= 'All replies, beginning Sunday, 1 March 2026'";
}

void TestReportRange::buildsTheThreeSelections()
{
    QFETCH(QString, start);
    QFETCH(QString, finish);
    const std::optional<ReportDateRange> range = ReportDateRange::fromTexts(start, finish, uk);
    QVERIFY(range);
    QTEST(range->selectionFormula(), "selection");
    QTEST(range->caption(), "caption");
}

void TestReportRange::refusesWhatIsNoDate_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("finish");
    QTest::newRow("both empty") << ""
                                << "";
    QTest::newRow("both blank") << "  "
                                << " ";
    QTest::newRow("start empty, finish no date") << ""
                                                 << "next week";
    QTest::newRow("finish empty, start no date") << "someday"
                                                 << "";
    QTest::newRow("no such day") << "30/02/2026"
                                 << "01/03/2026";
    QTest::newRow("finish no date") << "01/03/2026"
                                    << "15/13/2026";
    QTest::newRow("American order in a British locale") << "03/31/2026"
                                                        << "";
}

void TestReportRange::refusesWhatIsNoDate()
{
    QFETCH(QString, start);
    QFETCH(QString, finish);
    QVERIFY(!ReportDateRange::fromTexts(start, finish, uk).has_value());
}

void TestReportRange::readsShortLongAndIsoDates()
{
    QCOMPARE(ReportDateRange::readDate(QStringLiteral("01/03/2026"), uk), QDate(2026, 3, 1));
    QCOMPARE(ReportDateRange::readDate(QStringLiteral("Sunday, 1 March 2026"), uk),
             QDate(2026, 3, 1));
    QCOMPARE(ReportDateRange::readDate(QStringLiteral("2026-03-01"), uk), QDate(2026, 3, 1));
    QCOMPARE(ReportDateRange::readDate(QStringLiteral("3/1/2026"), us), QDate(2026, 3, 1));
    QCOMPARE(ReportDateRange::readDate(QStringLiteral("Sunday, March 1, 2026"), us),
             QDate(2026, 3, 1));
    // The locale's own two-digit year belongs to this century.
    QCOMPARE(ReportDateRange::readDate(QStringLiteral("3/1/26"), us), QDate(2026, 3, 1));
    QVERIFY(!ReportDateRange::readDate(QStringLiteral("2026-02-30"), uk));
    QVERIFY(!ReportDateRange::readDate(QString(), uk));
}

void TestReportRange::presetsTheLastSevenDays()
{
    // 1 March of a year that is not a leap year: seven days back is 22 February.
    QCOMPARE(ReportDateRange::presetTexts(QDate(2026, 3, 1), uk),
             std::make_pair(QStringLiteral("22/02/2026"), QStringLiteral("01/03/2026")));
    QCOMPARE(ReportDateRange::presetTexts(QDate(2028, 3, 1), uk).first,
             QStringLiteral("23/02/2028"));
    QCOMPARE(ReportDateRange::presetTexts(QDate(2026, 1, 3), uk).first,
             QStringLiteral("27/12/2025"));

    // A locale whose short format has a two-digit year still gets all four digits, and the
    // texts read back as the same days.
    QCOMPARE(ReportDateRange::shortFormat(us), QStringLiteral("M/d/yyyy"));
    const auto [start, finish] = ReportDateRange::presetTexts(QDate(2026, 3, 1), us);
    QCOMPARE(start, QStringLiteral("2/22/2026"));
    QCOMPARE(finish, QStringLiteral("3/1/2026"));
    QCOMPARE(ReportDateRange::readDate(start, us), QDate(2026, 2, 22));
    const QLocale de(QLocale::German, QLocale::Germany);
    QCOMPARE(ReportDateRange::shortDateText(QDate(2026, 3, 1), de), QStringLiteral("01.03.2026"));
    QCOMPARE(ReportDateRange::readDate(QStringLiteral("01.03.2026"), de), QDate(2026, 3, 1));
}

void TestReportRange::writesFormulaDatesWithoutLeadingZeros()
{
    QCOMPARE(ReportDateRange::formulaDate(QDate(2026, 3, 1)), QStringLiteral("Date (2026,3,1)"));
    QCOMPARE(ReportDateRange::formulaDate(QDate(2026, 12, 31)),
             QStringLiteral("Date (2026,12,31)"));
    QCOMPARE(ReportDateRange::formulaDate(QDate(905, 1, 9)), QStringLiteral("Date (905,1,9)"));
}

QTEST_GUILESS_MAIN(TestReportRange)
#include "test_report_range.moc"
