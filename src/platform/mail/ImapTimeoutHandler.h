#pragma once

#include <QElapsedTimer>
#include <vmime/net/timeoutHandler.hpp>

// Gives up an IMAP operation when the server has sent nothing for a while, so that a silent
// server ends the run with an error instead of holding the program forever.
class ImapTimeoutHandler : public vmime::net::timeoutHandler
{
public:
    static constexpr qint64 LimitMs = 30000;

    class Factory : public vmime::net::timeoutHandlerFactory
    {
    public:
        vmime::shared_ptr<vmime::net::timeoutHandler> create() override;
    };

    ImapTimeoutHandler() { m_quiet.start(); }

    bool isTimeOut() override { return m_quiet.hasExpired(LimitMs); }
    void resetTimeOut() override { m_quiet.restart(); }
    bool handleTimeOut() override { return false; }

private:
    QElapsedTimer m_quiet;
};
