#include "PythonServer.h"

bool PythonServer::start(const QStringList& arguments)
{
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return false;
    }
    while (!m_process.canReadLine() && m_process.waitForReadyRead(20000)) {
    }
    bool ok = false;
    const uint port = m_process.readLine().trimmed().toUInt(&ok);
    if (ok && port > 0 && port < 65536)
        m_port = quint16(port);
    else
        m_error = QString::fromLocal8Bit(m_process.readAllStandardError());
    return isRunning();
}

PythonServer::~PythonServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
