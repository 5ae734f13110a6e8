#include "reply/ReportDateRange.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
const QLocale us(QLocale::English, QLocale::UnitedStates);
const QString field = u"{Form_Response.Form_Reponse_Source_Date}"_s;
} // namespace

class TestReportRange : public QObject
{
    Q_OBJECT
private slots:
    void buildsTheThreeSelections_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("caption");
        const QString all = u"Date Range= 'All replies"_s;
        // clang-format off
        QTest::newRow("start empty") << "" << "15/03/2026" << field + " <= Date (2026,3,15)"
            << all + ", up to and including Sunday, 15 March 2026'";
        QTest::newRow("finish empty") << "01/03/2026" << "" << field + " >= Date (2026,3,1)"
            << all + ", beginning Sunday, 1 March 2026'";
        QTest::newRow("both") << "01/03/2026" << "15/03/2026"
            << field + " in Date (2026,3,1) to Date (2026,3,15)"
            << all + " between Sunday, 1 March 2026 and Sunday, 15 March 2026'";
        // The range runs from the earlier date; the caption keeps the order the user typed.
        QTest::newRow("start later than finish") << "15/03/2026" << "01/03/2026"
            << field + " in Date (2026,3,1) to Date (2026,3,15)"
            << all + " between Sunday, 15 March 2026 and Sunday, 1 March 2026'";
        QTest::newRow("single-digit months and days") << "05/01/2026" << "09/02/2026"
            << field + " in Date (2026,1,5) to Date (2026,2,9)"
            << all + " between Monday, 5 January 2026 and Monday, 9 February 2026'";
        QTest::newRow("blanks around a date") << "  01/03/2026 " << "   "
            << field + " >= Date (2026,3,1)" << all + ", beginning Sunday, 1 March 2026'";
        // clang-format on
    }
    void buildsTheThreeSelections()
    {
        QFETCH(QString, start);
        QFETCH(QString, finish);
        const std::optional<ReportDateRange> range = ReportDateRange::fromTexts(start, finish, uk);
        QVERIFY(range);
        QTEST(range->selectionFormula(), "selection");
        QTEST(range->caption(), "caption");
    }

    void refusesWhatIsNoDate_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("finish");
        // clang-format off
        QTest::newRow("both empty") << "" << "";
        QTest::newRow("start empty, finish no date") << "" << "next week";
        QTest::newRow("finish empty, start no date") << "someday" << "";
        QTest::newRow("no such day") << "30/02/2026" << "01/03/2026";
        QTest::newRow("American order in a British locale") << "03/31/2026" << "";
        // clang-format on
    }
    void refusesWhatIsNoDate()
    {
        QFETCH(QString, start);
        QFETCH(QString, finish);
        QVERIFY(!ReportDateRange::fromTexts(start, finish, uk).has_value());
    }

    void readsShortLongAndIsoDates()
    {
        const QDate march1(2026, 3, 1);
        QCOMPARE(ReportDateRange::readDate(u"01/03/2026"_s, uk), march1);
        QCOMPARE(ReportDateRange::readDate(u"Sunday, 1 March 2026"_s, uk), march1);
        QCOMPARE(ReportDateRange::readDate(u"2026-03-01"_s, uk), march1);
        // The locale's own two-digit year belongs to this century.
        QCOMPARE(ReportDateRange::readDate(u"3/1/26"_s, us), march1);
        QVERIFY(!ReportDateRange::readDate(u"2026-02-30"_s, uk));
    }

    void presetsTheLastSevenDays()
    {
        // 1 March of a year that is not a leap year: seven days back is 22 February.
        QCOMPARE(ReportDateRange::presetTexts(QDate(2026, 3, 1), uk),
                 std::make_pair(u"22/02/2026"_s, u"01/03/2026"_s));
        QCOMPARE(ReportDateRange::presetTexts(QDate(2028, 3, 1), uk).first, u"23/02/2028"_s);

        // A locale whose short format has a two-digit year still gets all four digits, and the
        // texts read back as the same days.
        QCOMPARE(ReportDateRange::presetTexts(QDate(2026, 3, 1), us),
                 std::make_pair(u"2/22/2026"_s, u"3/1/2026"_s));
        QCOMPARE(ReportDateRange::readDate(u"2/22/2026"_s, us), QDate(2026, 2, 22));
    }
};

QTEST_GUILESS_MAIN(TestReportRange)
#include "test_report_range.moc"
