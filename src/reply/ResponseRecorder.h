#pragma once

#include "reply/ResponseDatabase.h"

class ErrorReporter;
struct RunFlags;

// Records every reply in FORM.MDB while recording is on. The first failure says so once and
// switches recording off until the program is started again; replies go on regardless.
class ResponseRecorder
{
public:
    // The database is FORM.MDB in the program folder; the flags say whether recording is on.
    ResponseRecorder(const QString& programFolder, RunFlags& flags, ErrorReporter& errors);

    void Record(const QString& address, const QString& subject, const QString& message);

    ResponseDatabase& database() { return m_database; }

private:
    RunFlags& m_flags;
    ErrorReporter& m_errors;
    ResponseDatabase m_database;
};
