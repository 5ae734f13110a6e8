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

    // Stamps the record with the moment of recording.
    void Record(ResponseRecord record);
    // Whether a submission with this fingerprint was answered before; a database that cannot
    // be read says no, and the run goes on.
    bool answeredBefore(const QString& fingerprint) const;

    ResponseDatabase& database() { return m_database; }

private:
    RunFlags& m_flags;
    ErrorReporter& m_errors;
    ResponseDatabase m_database;
};
