#include "reply/ReportDateRange.h"

#include <QRegularExpression>

namespace {

const QRegularExpression& twoDigitYear()
{
    static const QRegularExpression pattern(QStringLiteral("(?<!y)yy(?!y)"));
    return pattern;
}

} // namespace

QString ReportDateRange::shortFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    format.replace(twoDigitYear(), QStringLiteral("yyyy"));
    return format;
}

QString ReportDateRange::shortDateText(QDate date, const QLocale& locale)
{
    return locale.toString(date, shortFormat(locale));
}

std::pair<QString, QString> ReportDateRange::presetTexts(QDate today, const QLocale& locale)
{
    return {shortDateText(today.addDays(-7), locale), shortDateText(today, locale)};
}

std::optional<QDate> ReportDateRange::readDate(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QString localeShort = locale.dateFormat(QLocale::ShortFormat);
    if (twoDigitYear().match(localeShort).hasMatch()) {
        // Qt reads two-digit years as 19xx; nobody reports on replies of the last century.
        const QDate d = locale.toDate(t, localeShort);
        if (d.isValid())
            return d.addYears(100);
    }
    for (const QString& format : {shortFormat(locale), locale.dateFormat(QLocale::LongFormat),
                                  QStringLiteral("yyyy-MM-dd")}) {
        const QDate d = locale.toDate(t, format);
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

std::optional<ReportDateRange>
ReportDateRange::fromTexts(const QString& start, const QString& finish, const QLocale& locale)
{
    const bool startEmpty = start.trimmed().isEmpty();
    const bool finishEmpty = finish.trimmed().isEmpty();
    const std::optional<QDate> s = readDate(start, locale);
    const std::optional<QDate> f = readDate(finish, locale);
    if (finishEmpty && s)
        return ReportDateRange(s, std::nullopt, locale);
    if (startEmpty && f)
        return ReportDateRange(std::nullopt, f, locale);
    if (s && f)
        return ReportDateRange(s, f, locale);
    return std::nullopt;
}

QString ReportDateRange::formulaDate(QDate date)
{
    return QStringLiteral("Date (%1,%2,%3)").arg(date.year()).arg(date.month()).arg(date.day());
}

QString ReportDateRange::selectionFormula() const
{
    if (!m_start)
        return Field + QStringLiteral(" <= ") + formulaDate(*m_finish);
    if (!m_finish)
        return Field + QStringLiteral(" >= ") + formulaDate(*m_start);
    const bool reversed = *m_start > *m_finish;
    const QDate a = reversed ? *m_finish : *m_start;
    const QDate b = reversed ? *m_start : *m_finish;
    return Field + QStringLiteral(" in ") + formulaDate(a) + QStringLiteral(" to ") +
           formulaDate(b);
}

QString ReportDateRange::caption() const
{
    const auto longText = [this](QDate d) { return m_locale.toString(d, QLocale::LongFormat); };
    QString words;
    if (!m_start)
        words = QStringLiteral("All replies, up to and including ") + longText(*m_finish);
    else if (!m_finish)
        words = QStringLiteral("All replies, beginning ") + longText(*m_start);
    else
        words = QStringLiteral("All replies between ") + longText(*m_start) +
                QStringLiteral(" and ") + longText(*m_finish);
    return QStringLiteral("Date Range= '") + words + QLatin1Char('\'');
}
