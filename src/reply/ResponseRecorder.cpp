#include "reply/ResponseRecorder.h"

#include "app/AppState.h"
#include "common/ProgramFolder.h"

ResponseRecorder::ResponseRecorder(AppState& state)
    : m_state(state),
      m_database(ProgramFolder::join(state.programFolder(), ResponseDatabase::FileName))
{
}

void ResponseRecorder::Record(const QString& address, const QString& subject,
                              const QString& message)
{
    if (!m_state.recordingEnabled)
        return;
    const auto result = m_database.AppendRecord(
        {QDateTime::currentDateTimeUtc(), address, subject, message});
    if (result == ResponseDatabase::Result::Recorded)
        return;
    // Off before the box shows: the box keeps the event loop running, and a timer run that
    // starts meanwhile must not report the same failure again.
    m_state.recordingEnabled = false;
    m_state.errors().ReportError(result == ResponseDatabase::Result::ConnectFailed
                                     ? ErrorCode::ConnectingDatabase
                                     : ErrorCode::WritingDatabase);
}
