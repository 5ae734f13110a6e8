// The report's record selection formula: a formula that parses means what it says. Written
// out again in its plain form (keywords in any case, other blanks) it parses to the same
// formula, it selects the days its comparison names and never a day that is no date, and a
// refused formula always says why.
#include "FuzzSupport.h"

#include "platform/report/SelectionFormula.h"

namespace {

using C = SelectionFormula::Comparison;

QString dateText(QDate d, bool upper)
{
    return QStringLiteral("%1 ( %2,%3 ,%4)")
        .arg(upper ? QStringLiteral("DATE") : QStringLiteral("date"))
        .arg(d.year())
        .arg(d.month())
        .arg(d.day());
}

QString written(const SelectionFormula& f, bool upper)
{
    if (f.selectsAll())
        return QStringLiteral("  ");
    const QString field = QLatin1Char('{') + f.table() + QLatin1Char('.') + f.field() + QLatin1Char('}');
    if (f.comparison() == C::InRange)
        return field + (upper ? QStringLiteral(" IN ") : QStringLiteral(" in\t")) +
               dateText(f.first(), upper) + (upper ? QStringLiteral(" TO ") : QStringLiteral(" to ")) +
               dateText(f.last(), upper);
    static const QMap<C, QString> operators = {{C::Less, QStringLiteral("<")},
                                               {C::LessOrEqual, QStringLiteral("<=")},
                                               {C::Equal, QStringLiteral("=")},
                                               {C::GreaterOrEqual, QStringLiteral(">=")},
                                               {C::Greater, QStringLiteral(">")}};
    FUZZ_CHECK(operators.contains(f.comparison()));
    return field + operators.value(f.comparison()) + dateText(f.first(), upper);
}

void checkSelects(const SelectionFormula& f)
{
    FUZZ_CHECK(!f.matches(QDate()) || f.selectsAll());
    if (f.selectsAll()) {
        FUZZ_CHECK(f.matches(QDate(2026, 12, 8)) && f.matches(QDate()));
        return;
    }
    FUZZ_CHECK(f.first().isValid() && f.last().isValid());
    const QDate d = f.first();
    const bool before = f.matches(d.addDays(-1)), on = f.matches(d), after = f.matches(d.addDays(1));
    switch (f.comparison()) {
    case C::Less: FUZZ_CHECK(before && !on && !after); break;
    case C::LessOrEqual: FUZZ_CHECK(before && on && !after); break;
    case C::Equal: FUZZ_CHECK(!before && on && !after); break;
    case C::GreaterOrEqual: FUZZ_CHECK(!before && on && after); break;
    case C::Greater: FUZZ_CHECK(!before && !on && after); break;
    case C::InRange:
        FUZZ_CHECK(!before);
        FUZZ_CHECK(on == (f.first() <= f.last()));
        FUZZ_CHECK(f.matches(f.last()) == (f.first() <= f.last()));
        FUZZ_CHECK(!f.matches(f.last().addDays(1)));
        break;
    case C::All: FUZZ_CHECK(false); break;
    }
}

void checkSame(const QString& text, const SelectionFormula& f)
{
    QString error;
    const std::optional<SelectionFormula> again = SelectionFormula::parse(text, &error);
    if (!again)
        std::fprintf(stderr, "%s: %s\n", qPrintable(text), qPrintable(error));
    FUZZ_CHECK(again);
    FUZZ_CHECK(again->comparison() == f.comparison());
    FUZZ_CHECK(again->table() == f.table() && again->field() == f.field());
    FUZZ_CHECK(again->first() == f.first() && again->last() == f.last());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    QString error;
    const std::optional<SelectionFormula> f = SelectionFormula::parse(text, &error);
    if (!f) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    if (!f->selectsAll())
        FUZZ_CHECK(!f->table().isEmpty() && !f->field().isEmpty());
    checkSelects(*f);
    checkSame(written(*f, false), *f);
    checkSame(written(*f, true), *f);
    return 0;
}
