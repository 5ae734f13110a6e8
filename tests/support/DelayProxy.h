#pragma once

#include "PythonServer.h"

#include <QByteArray>
#include <QTemporaryDir>

// A slow network between a test and a server on 127.0.0.1: every answer of the server reaches
// the client delayMs late (tests/support/delay_proxy.py). What clients send is kept, so a test
// can read what went over the wire.
class DelayProxy
{
public:
    DelayProxy(quint16 targetPort, int delayMs);

    bool isRunning() const { return m_server.isRunning(); }
    quint16 port() const { return m_server.port(); }
    QString errorText() const { return m_server.errorText(); }
    // Every byte clients have sent so far.
    QByteArray sent() const;

private:
    QTemporaryDir m_dir;
    PythonServer m_server;
};
