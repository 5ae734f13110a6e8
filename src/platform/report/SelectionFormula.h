#pragma once

#include <QDate>
#include <QString>
#include <optional>

// A record selection formula of the report engine's formula language, as far as the response
// report needs it: one date field compared with a date literal, or tested against a range.
//
//   {Table.Field} <= Date (2026,3,15)
//   {Table.Field} in Date (2026,3,1) to Date (2026,3,15)
//
// Keywords are case-insensitive, blanks between tokens are free, and an empty formula selects
// every record. Anything else is refused as a whole.
class SelectionFormula
{
public:
    enum class Comparison
    {
        All,
        Less,
        LessOrEqual,
        Equal,
        GreaterOrEqual,
        Greater,
        InRange
    };

    // nullopt when the text is not a formula of the forms above; error then says why.
    static std::optional<SelectionFormula> parse(const QString& text, QString* error = nullptr);

    Comparison comparison() const { return m_comparison; }
    bool selectsAll() const { return m_comparison == Comparison::All; }
    const QString& table() const { return m_table; }
    const QString& field() const { return m_field; }
    // The compared date; for a range its first day.
    QDate first() const { return m_first; }
    // The last day of a range; the compared date otherwise.
    QDate last() const { return m_last; }

    // Whether a record whose field holds this day is selected. An invalid day (a value that is
    // no date) is never selected, unless the formula selects everything.
    bool matches(QDate day) const;

private:
    friend class SelectionFormulaParser;

    Comparison m_comparison = Comparison::All;
    QString m_table;
    QString m_field;
    QDate m_first;
    QDate m_last;
};
