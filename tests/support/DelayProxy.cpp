#include "DelayProxy.h"

#include <QFile>

DelayProxy::DelayProxy(quint16 targetPort, int delayMs)
{
    m_server.start({QStringLiteral(BREVANE_SOURCE_DIR "/tests/support/delay_proxy.py"), QString::number(targetPort),
                    QString::number(delayMs), m_dir.filePath(QStringLiteral("sent"))});
}

QByteArray DelayProxy::sent() const
{
    QFile file(m_dir.filePath(QStringLiteral("sent")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
