#include "ScriptedMailLogon.h"

std::optional<MailProfile> ScriptedMailLogon::logon(const MailProfile& profile,
                                                    const QString& reason)
{
    m_requests.append({profile, reason});
    if (m_answers.empty())
        return std::nullopt;
    std::optional<MailProfile> answer;
    answer.swap(m_answers.front());
    m_answers.pop_front();
    return answer;
}
