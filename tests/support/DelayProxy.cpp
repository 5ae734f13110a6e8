#include "DelayProxy.h"

#include <QFile>

DelayProxy::DelayProxy(quint16 targetPort, int delayMs)
{
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(BREVANE_SOURCE_DIR "/tests/support/delay_proxy.py"),
                     QString::number(targetPort), QString::number(delayMs),
                     m_dir.filePath(QStringLiteral("sent"))});
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return;
    }
    while (!m_process.canReadLine() && m_process.waitForReadyRead(20000)) {
    }
    bool ok = false;
    const uint port = m_process.readLine().trimmed().toUInt(&ok);
    if (ok && port > 0 && port < 65536)
        m_port = quint16(port);
    else
        m_error = QString::fromLocal8Bit(m_process.readAllStandardError());
}

DelayProxy::~DelayProxy()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QByteArray DelayProxy::sent() const
{
    QFile file(m_dir.filePath(QStringLiteral("sent")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
