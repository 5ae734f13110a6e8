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

void ResponseRecorder::Record(const QString& address, const QString& subject,
                              const QString& message)
{
    if (!m_flags.recordingEnabled)
        return;
    const auto result = m_database.AppendRecord(
        {QDateTime::currentDateTimeUtc(), address, subject, message});
    if (result == ResponseDatabase::Result::Recorded)
        return;
    // Off before the box shows: the box keeps the event loop running, and a timer run that
    // starts meanwhile must not report the same failure again.
    m_flags.recordingEnabled = false;
    m_errors.ReportError(result == ResponseDatabase::Result::ConnectFailed
                             ? ErrorCode::ConnectingDatabase
                             : ErrorCode::WritingDatabase);
}
