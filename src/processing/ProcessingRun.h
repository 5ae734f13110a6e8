#pragma once

#include "processing/FormSource.h"

#include "reply/ReplySender.h"

#include <QString>
#include <memory>

class AppState;
class MailInbox;
class RunProgress;

// One pass over the inbox or the submission folder: every item is decoded, answered and
// accounted for in the event log, and the run ends with a summary of counts.
class ProcessingRun
{
public:
    static inline const QString FolderReplyTarget = QStringLiteral("Prompt For Email Address");

    explicit ProcessingRun(AppState& state);

    // Runs to its end; a run never starts inside another (false then, and nothing is done).
    bool ProcessForms(FormSource source, RunProgress* progress = nullptr);

    struct Counts
    {
        int processed = 0;
        int ignored = 0;
        int errors = 0;
    };
    const Counts& lastCounts() const { return m_counts; }

    static QString summaryLine(int number, const char* one, const char* many);
    static QString timestamp();

    ReplySender& replies() { return m_replies; }

private:
    void inboxSteps(MailInbox*& signedOn, std::unique_ptr<MailInbox>& owner);
    void inboxItem(MailInbox& inbox);
    void folderSteps();
    bool halted();
    void completionSteps(MailInbox* signedOn);

    AppState& m_state;
    ReplySender m_replies;
    RunProgress* m_progress = nullptr;
    Counts m_counts;
};
