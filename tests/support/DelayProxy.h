#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A slow network between a test and a server on 127.0.0.1: every answer of the server reaches
// the client delayMs late (tests/support/delay_proxy.py). What clients send is kept, so a test
// can read what went over the wire. It stops with the object or with the process.
class DelayProxy
{
public:
    DelayProxy(quint16 targetPort, int delayMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString errorText() const { return m_error; }
    // Every byte clients have sent so far.
    QByteArray sent() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
