#include "platform/system/PrintJob.h"

#include <QRegularExpression>

QStringList PrintJob::lines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

bool PrintJob::print(const QString& text)
{
    for (const QString& line : lines(text))
        if (!printLine(line))
            return false;
    return true;
}
