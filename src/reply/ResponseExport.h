#pragma once

#include "reply/ResponseRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

class ReportDateRange;

// The recorded replies of a date range as a spreadsheet file: CSV after RFC 4180 in UTF-8 with
// a byte-order mark and CR LF line ends. Columns "Recorded", "Status", "Address", "Subject",
// one per form field name in the order the names first appear ("name (2)" for a name's second
// occurrence in one submission), then "Reply".
class ResponseExport
{
public:
    static QByteArray csv(const QList<ResponseRecord>& records);
    // The rows of FORM.MDB whose local recording day lies in the range, oldest first.
    static QList<ResponseRecord> inRange(const QList<ResponseRecord>& records,
                                         const ReportDateRange& range);
    // Writes the range's rows of the database to file, whole or not at all; false when the
    // database is missing or the file could not be written.
    static bool write(const QString& databasePath, const ReportDateRange& range,
                      const QString& file);
};
