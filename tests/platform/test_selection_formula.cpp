#include "platform/SelectionFormula.h"

#include <QtTest>

using Comparison = SelectionFormula::Comparison;
Q_DECLARE_METATYPE(SelectionFormula::Comparison)

class TestSelectionFormula : public QObject
{
    Q_OBJECT
private slots:
    void readsGoodFormulas_data();
    void readsGoodFormulas();
    void refusesBadFormulas_data();
    void refusesBadFormulas();
    void selectsDaysByComparison();
};

void TestSelectionFormula::readsGoodFormulas_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Comparison>("comparison");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");

    const QString t = QStringLiteral("Form_Response");
    const QString f = QStringLiteral("Form_Reponse_Source_Date");
    QTest::newRow("up to, as the dialog writes it")
        << "{Form_Response.Form_Reponse_Source_Date} <= Date (2026,3,15)" << Comparison::LessOrEqual
        << t << f << QDate(2026, 3, 15) << QDate(2026, 3, 15);
    QTest::newRow("from, as the dialog writes it")
        << "{Form_Response.Form_Reponse_Source_Date} >= Date (2026,3,1)"
        << Comparison::GreaterOrEqual << t << f << QDate(2026, 3, 1) << QDate(2026, 3, 1);
    QTest::newRow("range, as the dialog writes it")
        << "{Form_Response.Form_Reponse_Source_Date} in Date (2026,3,1) to Date (2026,3,15)"
        << Comparison::InRange << t << f << QDate(2026, 3, 1) << QDate(2026, 3, 15);
    QTest::newRow("free blanks and case")
        << "  { Form_Response.Form_Reponse_Source_Date }IN date(2025,12,31)TO DATE ( 2026 , 1 , 2 "
           ") "
        << Comparison::InRange << t << f << QDate(2025, 12, 31) << QDate(2026, 1, 2);
    QTest::newRow("strictly before") << "{A.B}<Date(2024,2,29)" << Comparison::Less << "A"
                                     << "B" << QDate(2024, 2, 29) << QDate(2024, 2, 29);
    QTest::newRow("on the day") << "{A.B} = Date (2026,3,1)" << Comparison::Equal << "A"
                                << "B" << QDate(2026, 3, 1) << QDate(2026, 3, 1);
    QTest::newRow("strictly after") << "{A.B} > Date (2026,03,01)" << Comparison::Greater << "A"
                                    << "B" << QDate(2026, 3, 1) << QDate(2026, 3, 1);
    QTest::newRow("empty selects all") << "   " << Comparison::All << ""
                                       << "" << QDate() << QDate();
}

void TestSelectionFormula::readsGoodFormulas()
{
    QFETCH(QString, text);
    QString error;
    const std::optional<SelectionFormula> f = SelectionFormula::parse(text, &error);
    QVERIFY2(f.has_value(), qPrintable(error));
    QTEST(f->comparison(), "comparison");
    QTEST(f->table(), "table");
    QTEST(f->field(), "field");
    QTEST(f->first(), "first");
    QTEST(f->last(), "last");
}

void TestSelectionFormula::refusesBadFormulas_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("field alone") << "{Form_Response.Form_Reponse_Source_Date}";
    QTest::newRow("field without table") << "{Form_Reponse_Source_Date} <= Date (2026,3,1)";
    QTest::newRow("three-part field") << "{A.B.C} <= Date (2026,3,1)";
    QTest::newRow("unclosed field") << "{A.B <= Date (2026,3,1)";
    QTest::newRow("no such day") << "{A.B} <= Date (2026,2,29)";
    QTest::newRow("month 13") << "{A.B} >= Date (2026,13,1)";
    QTest::newRow("number, not a date") << "{A.B} <= 20260301";
    QTest::newRow("date text") << "{A.B} <= '2026-03-01'";
    QTest::newRow("two numbers") << "{A.B} <= Date (2026,3)";
    QTest::newRow("semicolons") << "{A.B} <= Date (2026;3;1)";
    QTest::newRow("negative year") << "{A.B} <= Date (-1,3,1)";
    QTest::newRow("range without to") << "{A.B} in Date (2026,3,1) Date (2026,3,2)";
    QTest::newRow("range cut short") << "{A.B} in Date (2026,3,1) to";
    QTest::newRow("reversed") << "Date (2026,3,1) <= {A.B}";
    QTest::newRow("arrow") << "{A.B} => Date (2026,3,1)";
    QTest::newRow("trailing words") << "{A.B} <= Date (2026,3,1) and {A.B} >= Date (2026,1,1)";
    QTest::newRow("extra parenthesis") << "{A.B} <= Date (2026,3,1))";
    QTest::newRow("not a keyword") << "{A.B} between Date (2026,3,1) to Date (2026,3,2)";
    QTest::newRow("huge number") << "{A.B} <= Date (99999999999,3,1)";
}

void TestSelectionFormula::refusesBadFormulas()
{
    QFETCH(QString, text);
    QString error;
    QVERIFY(!SelectionFormula::parse(text, &error).has_value());
    QVERIFY(!error.isEmpty());
}

void TestSelectionFormula::selectsDaysByComparison()
{
    const auto range =
        SelectionFormula::parse(QStringLiteral("{A.B} in Date (2026,3,1) to Date (2026,3,15)"));
    QVERIFY(range);
    QVERIFY(!range->matches(QDate(2026, 2, 28)));
    QVERIFY(range->matches(QDate(2026, 3, 1)));
    QVERIFY(range->matches(QDate(2026, 3, 15)));
    QVERIFY(!range->matches(QDate(2026, 3, 16)));
    QVERIFY(!range->matches(QDate()));

    const auto upTo = SelectionFormula::parse(QStringLiteral("{A.B} <= Date (2026,3,15)"));
    QVERIFY(upTo->matches(QDate(1999, 1, 1)) && upTo->matches(QDate(2026, 3, 15)));
    QVERIFY(!upTo->matches(QDate(2026, 3, 16)));
    const auto from = SelectionFormula::parse(QStringLiteral("{A.B} >= Date (2026,3,1)"));
    QVERIFY(from->matches(QDate(2026, 3, 1)) && !from->matches(QDate(2026, 2, 28)));
    const auto before = SelectionFormula::parse(QStringLiteral("{A.B} < Date (2026,3,1)"));
    QVERIFY(!before->matches(QDate(2026, 3, 1)) && before->matches(QDate(2026, 2, 28)));

    // A range given backwards selects nothing, as the report engine's did.
    const auto backwards =
        SelectionFormula::parse(QStringLiteral("{A.B} in Date (2026,3,15) to Date (2026,3,1)"));
    QVERIFY(!backwards->matches(QDate(2026, 3, 10)));

    const auto all = SelectionFormula::parse(QString());
    QVERIFY(all->selectsAll() && all->matches(QDate()));
}

QTEST_GUILESS_MAIN(TestSelectionFormula)
#include "test_selection_formula.moc"
