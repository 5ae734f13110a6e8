#pragma once

#include "reply/ResponseRecord.h"

#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>

struct sqlite3;

// FORM.MDB: an SQLite file in the program folder holding tables Form_Response (one row per
// reply) and Form_Field (the submitted fields of each). The program only ever adds rows to an
// existing file; the build puts an empty one beside the executable. A file of an earlier version
// gets the newer columns and tables with its next row; SQLite's user_version keeps the version.
// Each operation opens and closes its own connection.
class ResponseDatabase
{
public:
    enum class Result { Recorded, ConnectFailed, WriteFailed };
    enum class Creation { Created, AlreadyThere, Failed };

    static inline const QString FileName = QStringLiteral("FORM.MDB");
    static inline const QString Table = QStringLiteral("Form_Response");
    static inline const QString FieldTable = QStringLiteral("Form_Field");
    static constexpr int SchemaVersion = 1;
    static constexpr int BusyLimitMs = 5000;
    static constexpr int BusyStepMs = 25;

    // The statements that make an empty database of this version. The date column is spelt as
    // the report's formula has it.
    static QStringList schema();

    explicit ResponseDatabase(const QString& path);

    const QString& path() const { return m_path; }

    // Adds one row and its fields in one transaction. A missing file, one that is no database or has no table is ConnectFailed;
    // a database that another process keeps busy is retried, with the event loop running, for
    // up to the busy limit before it counts as failed.
    Result AppendRecord(const ResponseRecord& record);
    void setBusyLimit(int milliseconds) { m_busyLimitMs = milliseconds; }

    // Creates an empty database with the table, unless a file is already there; an existing
    // file is never replaced.
    static Creation createEmptyDatabase(const QString& path);
    // All rows, oldest first, dates in local time, with their fields; empty when the file cannot
    // be read. What an older file lacks reads as empty.
    static QList<ResponseRecord> readRecords(const QString& path);
    // True when a reply to a submission with this fingerprint was recorded; false also when the
    // file cannot be read.
    bool holdsFingerprint(const QString& fingerprint) const;

    // ISO 8601 in UTC, e.g. 2026-03-01T09:30:00Z.
    static QString storedDate(const QDateTime& moment);
    static QDateTime shownDate(const QString& stored);

private:
    Result append(sqlite3* db, const ResponseRecord& record, const QDeadlineTimer& busy);
    // These return SQLite's result code, SQLITE_OK when all went in.
    static int write(sqlite3* db, const ResponseRecord& record);
    static int insert(sqlite3* db, const ResponseRecord& record);
    static int upgrade(sqlite3* db);

    QString m_path;
    int m_busyLimitMs = BusyLimitMs;
};
