#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A server written in Python for a test, on 127.0.0.1: it prints the port it listens on and
// serves until its standard input closes, so it also stops when the test process dies.
class PythonServer
{
public:
    PythonServer() = default;
    ~PythonServer();
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    // Runs /usr/bin/python3 with the arguments and waits for the port; false, with errorText().
    bool start(const QStringList& arguments);
    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString errorText() const { return m_error; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
