#pragma once

#include "platform/report/ReportData.h"
#include "platform/report/ReportDefinition.h"
#include "platform/report/SelectionFormula.h"

#include <QLocale>
#include <optional>

// Reads the rows of a report definition's table from an SQLite database and keeps those the
// selection formula selects. Stored times are ISO 8601 UTC; the formula compares their day in
// local time, so a reply sent late in the evening belongs to the day the user saw it.
class ReportQuery
{
public:
    // Headings and rows of the selected records, in the definition's sort order; nullopt when
    // the database is missing or unreadable, or the table or a field does not exist. The
    // database is opened read-only, so a missing file is never created.
    static std::optional<ReportData> run(const ReportDefinition& definition,
                                         const QString& databasePath,
                                         const SelectionFormula& formula,
                                         const QLocale& locale = QLocale(),
                                         QString* error = nullptr);

    // The local day of a stored time; invalid when the text is no ISO 8601 time.
    static QDate localDay(const QString& storedTime);
    // A stored time as the locale writes a short local date and time; the text itself when it
    // is no time.
    static QString localTimeText(const QString& storedTime, const QLocale& locale);
};
