#include "platform/SelectionFormula.h"

#include <QtTest>

using Comparison = SelectionFormula::Comparison;
Q_DECLARE_METATYPE(SelectionFormula::Comparison)

class TestSelectionFormula : public QObject
{
    Q_OBJECT
private slots:
    void readsGoodFormulas_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Comparison>("comparison");
        QTest::addColumn<QString>("field"); // table.field
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        const QString dated = QStringLiteral("Form_Response.Form_Reponse_Source_Date");
        const QDate march1(2026, 3, 1), march15(2026, 3, 15);
        // clang-format off
        QTest::newRow("up to, as the dialog writes it") << "{" + dated + "} <= Date (2026,3,15)"
            << Comparison::LessOrEqual << dated << march15 << march15;
        QTest::newRow("from, as the dialog writes it") << "{" + dated + "} >= Date (2026,3,1)"
            << Comparison::GreaterOrEqual << dated << march1 << march1;
        QTest::newRow("range, as the dialog writes it")
            << "{" + dated + "} in Date (2026,3,1) to Date (2026,3,15)"
            << Comparison::InRange << dated << march1 << march15;
        QTest::newRow("free blanks and case")
            << "  { " + dated + " }IN date(2025,12,31)TO DATE ( 2026 , 1 , 2 ) "
            << Comparison::InRange << dated << QDate(2025, 12, 31) << QDate(2026, 1, 2);
        QTest::newRow("empty selects all") << "   " << Comparison::All << "." << QDate() << QDate();
        // clang-format on
    }
    void readsGoodFormulas()
    {
        QFETCH(QString, text);
        QString error;
        const std::optional<SelectionFormula> f = SelectionFormula::parse(text, &error);
        QVERIFY2(f.has_value(), qPrintable(error));
        QTEST(f->comparison(), "comparison");
        QTEST(f->table() + QLatin1Char('.') + f->field(), "field");
        QTEST(f->first(), "first");
        QTEST(f->last(), "last");
    }

    void refusesBadFormulas_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("field alone") << "{Form_Response.Form_Reponse_Source_Date}";
        QTest::newRow("field without table") << "{Form_Reponse_Source_Date} <= Date (2026,3,1)";
        QTest::newRow("unclosed field") << "{A.B <= Date (2026,3,1)";
        QTest::newRow("no such day") << "{A.B} <= Date (2026,2,29)";
        QTest::newRow("number, not a date") << "{A.B} <= 20260301";
        QTest::newRow("two numbers") << "{A.B} <= Date (2026,3)";
        QTest::newRow("range cut short") << "{A.B} in Date (2026,3,1) to";
        QTest::newRow("arrow") << "{A.B} => Date (2026,3,1)";
        QTest::newRow("trailing words") << "{A.B} <= Date (2026,3,1) and {A.B} >= Date (2026,1,1)";
        QTest::newRow("huge number") << "{A.B} <= Date (99999999999,3,1)";
    }
    void refusesBadFormulas()
    {
        QFETCH(QString, text);
        QString error;
        QVERIFY(!SelectionFormula::parse(text, &error).has_value());
        QVERIFY(!error.isEmpty());
    }

    void selectsDaysByComparison()
    {
        const auto matches = [](const char* formula, QDate day) {
            return SelectionFormula::parse(QLatin1String(formula))->matches(day);
        };
        const char* range = "{A.B} in Date (2026,3,1) to Date (2026,3,15)";
        QVERIFY(!matches(range, QDate(2026, 2, 28)));
        QVERIFY(matches(range, QDate(2026, 3, 1)) && matches(range, QDate(2026, 3, 15)));
        QVERIFY(!matches(range, QDate(2026, 3, 16)));
        QVERIFY(!matches(range, QDate()));
        QVERIFY(matches("{A.B} <= Date (2026,3,15)", QDate(2026, 3, 15)));
        QVERIFY(!matches("{A.B} <= Date (2026,3,15)", QDate(2026, 3, 16)));
        QVERIFY(matches("{A.B} >= Date (2026,3,1)", QDate(2026, 3, 1)));
        QVERIFY(!matches("{A.B} >= Date (2026,3,1)", QDate(2026, 2, 28)));
        // A range given backwards selects nothing, as the report engine's did.
        QVERIFY(!matches("{A.B} in Date (2026,3,15) to Date (2026,3,1)", QDate(2026, 3, 10)));
        QVERIFY(SelectionFormula::parse(QString())->selectsAll() && matches("", QDate()));
    }
};

QTEST_GUILESS_MAIN(TestSelectionFormula)
#include "test_selection_formula.moc"
