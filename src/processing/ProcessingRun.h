#pragma once

#include "common/EventLoopWait.h"
#include "platform/mail/MailInbox.h"
#include "processing/FormSource.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <memory>

class ErrorReporter;
class EventLog;
class ReplySender;
class ResponseRecorder;
class ReplyTemplate;
class RunProgress;
class StatusLine;
class SystemSettings;
class VariableTable;
struct RunFlags;

// One pass over the inbox or the submission folder: every item is decoded, answered and
// accounted for in the event log, and the run ends with a summary of counts.
class ProcessingRun
{
public:
    static inline const QString FolderReplyTarget = QStringLiteral("Prompt For Email Address");

    // inboxes is looked at for every run over the inbox.
    ProcessingRun(SystemSettings& settings, VariableTable& variables, ReplyTemplate& reply,
                  ReplySender& replies, const ResponseRecorder& recorder, EventLog& log,
                  StatusLine& status, ErrorReporter& errors, const MailInboxFactory& inboxes,
                  RunFlags& flags);

    // Runs to its end; a run never starts inside another (false then, and nothing is done).
    bool ProcessForms(FormSource source, RunProgress* progress = nullptr);

    struct Counts
    {
        int processed = 0;
        int ignored = 0;
        int errors = 0;
        int unsent = 0; // replies whose send failed
    };
    const Counts& lastCounts() const { return m_counts; }

    // Between two items the event loop runs once this much time has passed since it last ran;
    // tests set 0 to have it run between every two items.
    static constexpr int EventPassMs = 50;
    void setEventPassInterval(int milliseconds) { m_passes.setInterval(milliseconds); }

    static QString summaryLine(int number, const char* one, const char* many);
    static QString timestamp(const QDateTime& at = QDateTime::currentDateTime(),
                             const QLocale& locale = QLocale());

private:
    void inboxSteps(MailInbox*& signedOn, std::unique_ptr<MailInbox>& owner);
    void inboxItem(MailInbox& inbox);
    void folderSteps();
    bool halted();
    // With Answer_Once on: true, and the log line written, when the item was answered before.
    bool answeredBefore(const QString& item, const QString& fingerprint);
    void reply(QString& target, const QString& fingerprint);
    void completionSteps(MailInbox* signedOn);

    SystemSettings& m_settings;
    VariableTable& m_variables;
    ReplyTemplate& m_reply;
    ReplySender& m_replies;
    const ResponseRecorder& m_recorder;
    EventLog& m_log;
    StatusLine& m_status;
    ErrorReporter& m_errors;
    const MailInboxFactory& m_inboxes;
    RunFlags& m_flags;
    RunProgress* m_progress = nullptr;
    Counts m_counts;
    int m_reached = 0; // items the run has come to, the one in hand included
    EventLoopPasses m_passes{EventPassMs};
};
