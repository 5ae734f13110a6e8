#pragma once

#include <QList>
#include <QString>
#include <optional>

// The report definition file FORM.RPT: which table of which database the report reads, its
// columns with their headings, and the sort order. A small text format of "Key=Value" lines:
//
//   Version=2
//   Title=Form Responses
//   Database=FORM.MDB
//   Table=Form_Response
//   Column=Form_Reponse_Source_Date|Recorded|date
//   Sort=Form_Reponse_Source_Date ascending
//
// Blank lines and lines starting with "#" are ignored; an unknown key or a malformed line makes
// the whole file unreadable, so that a damaged definition never prints a misleading report.
class ReportDefinition
{
public:
    struct Column
    {
        QString field;
        QString heading;
        // The field holds an ISO 8601 UTC time, shown as local date and time.
        bool isDate = false;
    };
    struct SortKey
    {
        QString field;
        bool descending = false;
    };

    static inline const QString FileName = QStringLiteral("FORM.RPT");
    // The definition this version of the program ships, built into it.
    static inline const QString ShippedFile = QStringLiteral(":/report/FORM.RPT");

    // nullopt when the file cannot be read or is not a valid definition.
    static std::optional<ReportDefinition> read(const QString& path, QString* error = nullptr);
    static std::optional<ReportDefinition> parse(const QString& text, QString* error = nullptr);

    const QString& title() const { return m_title; }
    // The database file as written in the definition.
    const QString& database() const { return m_database; }
    // The database file, resolved against the folder of the definition file.
    QString databasePath(const QString& definitionPath) const;
    const QString& table() const { return m_table; }
    const QList<Column>& columns() const { return m_columns; }
    const QList<SortKey>& sortKeys() const { return m_sort; }

    static bool isIdentifier(const QString& name);

    // Of the shipped definition; 0 for a file without a Version line.
    int version() const { return m_version; }
    // Replaces the definition at path by the shipped one when it carries an older version;
    // an unversioned, newer, unreadable or missing file stays. True when it was replaced.
    static bool refresh(const QString& path);

private:
    int m_version = 0;
    QString m_title;
    QString m_database = QStringLiteral("FORM.MDB");
    QString m_table;
    QList<Column> m_columns;
    QList<SortKey> m_sort;
};
