#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>
#include <utility>

// The date range of the response report as the user typed it: the check of the two texts, the
// record selection formula over Form_Reponse_Source_Date and the "Date Range" caption formula.
class ReportDateRange
{
public:
    static inline const QString Field = QStringLiteral("{Form_Response.Form_Reponse_Source_Date}");

    // nullopt when the pair is refused ("Invalid Date Format"): accepted are an empty start
    // with a date as finish, an empty finish with a date as start, or two dates. Blanks around
    // a text do not count.
    static std::optional<ReportDateRange> fromTexts(const QString& start, const QString& finish,
                                                    const QLocale& locale = QLocale());

    // A text is a date when the locale's short date format (also with a four-digit year), its
    // long date format or ISO 8601 (yyyy-MM-dd) reads it. A two-digit year is one of 2000-2099.
    static std::optional<QDate> readDate(const QString& text, const QLocale& locale = QLocale());

    // The locale's short date format with the year always written in four digits, so that
    // reading the text back never lands in another century.
    static QString shortFormat(const QLocale& locale = QLocale());
    static QString shortDateText(QDate date, const QLocale& locale = QLocale());
    // The texts the dialog opens with: seven days ago, and today.
    static std::pair<QString, QString> presetTexts(QDate today, const QLocale& locale = QLocale());

    // "Date (2026,3,1)": the formula language's date literal.
    static QString formulaDate(QDate date);

    QString selectionFormula() const;
    // Formula 0 of the report: "Date Range= '...'" stating the range in words.
    QString caption() const;

    std::optional<QDate> start() const { return m_start; }
    std::optional<QDate> finish() const { return m_finish; }

private:
    ReportDateRange(std::optional<QDate> start, std::optional<QDate> finish, const QLocale& locale)
        : m_start(start), m_finish(finish), m_locale(locale)
    {
    }

    std::optional<QDate> m_start;
    std::optional<QDate> m_finish;
    QLocale m_locale;
};
