#include "reply/ResponseRecorder.h"

#include "common/ErrorReporter.h"
#include "common/ProgramFolder.h"
#include "common/RunFlags.h"

ResponseRecorder::ResponseRecorder(const QString& programFolder, RunFlags& flags,
                                   ErrorReporter& errors)
    : m_flags(flags), m_errors(errors),
      m_database(ProgramFolder::join(programFolder, ResponseDatabase::FileName))
{
}

bool ResponseRecorder::answeredBefore(const QString& fingerprint) const
{
    return m_database.holdsFingerprint(fingerprint);
}

void ResponseRecorder::Record(ResponseRecord record)
{
    if (!m_flags.recordingEnabled)
        return;
    record.sourceDate = QDateTime::currentDateTimeUtc();
    const auto result = m_database.AppendRecord(record);
    if (result == ResponseDatabase::Result::Recorded)
        return;
    // Off before the box shows: the box keeps the event loop running, and a timer run that
    // starts meanwhile must not report the same failure again.
    m_flags.recordingEnabled = false;
    m_errors.ReportError(result == ResponseDatabase::Result::ConnectFailed
                             ? ErrorCode::ConnectingDatabase
                             : ErrorCode::WritingDatabase);
}
