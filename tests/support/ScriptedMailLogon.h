#pragma once

#include "platform/mail/MailLogon.h"

#include <QList>
#include <deque>

// A logon for tests: answers come from a queue given in advance (an empty queue cancels), and
// every request is recorded.
class ScriptedMailLogon : public MailLogon
{
public:
    struct Request
    {
        MailProfile profile;
        QString reason;
    };

    void answer(const MailProfile& profile) { m_answers.push_back(profile); }
    void cancel() { m_answers.push_back(std::nullopt); }

    std::optional<MailProfile> logon(const MailProfile& profile, const QString& reason) override
    {
        m_requests.append({profile, reason});
        if (m_answers.empty())
            return std::nullopt;
        const std::optional<MailProfile> answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    const QList<Request>& requests() const { return m_requests; }

private:
    std::deque<std::optional<MailProfile>> m_answers;
    QList<Request> m_requests;
};
