#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One finished report, ready to be shown, printed or saved: everything is already text.
struct ReportData
{
    QString title;
    // The caption formula's name and text ("Date Range", "All replies between ...").
    QString captionName;
    QString caption;
    QStringList headings;
    QList<QStringList> rows;
};
