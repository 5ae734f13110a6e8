#include "RunLog.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

namespace {

const QString Started = QStringLiteral("Form Processing Started at ");
const QString Completed = QStringLiteral("Processing Completed at ");

// The general date format: the short date, a space, then the long time.
bool isNow(const QString& text)
{
    const QLocale locale;
    const QDate today = QDate::currentDate();
    for (const QDate& day : {today, today.addDays(-1)}) {
        const QString date = locale.toString(day, QLocale::ShortFormat) + QLatin1Char(' ');
        if (!text.startsWith(date))
            continue;
        static const QRegularExpression time(QStringLiteral("^\\d{1,2}:\\d{2}:\\d{2}"));
        return time.match(text.mid(date.size())).hasMatch();
    }
    return false;
}

} // namespace

QStringList RunLog::lines(const QString& logText)
{
    QStringList out = logText.split(QStringLiteral("\r\n"));
    for (QString& line : out) {
        for (const QString& prefix : {Started, Completed}) {
            if (line.startsWith(prefix) && isNow(line.mid(prefix.size())))
                line = prefix + QStringLiteral("<time>");
        }
    }
    return out;
}

QStringList RunLog::opening()
{
    return {Opening, Started + QStringLiteral("<time>"), QString()};
}

QStringList RunLog::completion(const QStringList& summary)
{
    return QStringList{QString()} + summary +
           QStringList{QString(), Completed + QStringLiteral("<time>"), Closing, QString()};
}

QStringList RunLog::summary(const char* processed, const char* ok, const char* ignored,
                            const char* errors)
{
    return {QLatin1String(processed), QLatin1String(ok), QLatin1String(ignored),
            QLatin1String(errors)};
}

QStringList RunLog::items(const QStringList& lines)
{
    const int first = int(lines.lastIndexOf(Opening) + opening().size());
    const int tail = int(completion(QStringList(4, QString())).size());
    return lines.mid(first, lines.size() - first - tail);
}

QStringList RunLog::summaryOf(const QStringList& lines)
{
    return lines.mid(lines.size() - 8, 4);
}
