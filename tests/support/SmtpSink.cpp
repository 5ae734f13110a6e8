#include "SmtpSink.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

// Binds port 0 so the system picks a free port, tells it on stdout, and serves until its
// standard input closes.
const char* const SinkScript = R"PY(
import asyncio, sys
from aiosmtpd.smtp import SMTP
from aiosmtpd.handlers import Mailbox, Sink

async def main():
    handler = Mailbox(sys.argv[1]) if len(sys.argv) > 1 else Sink()
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(handler, hostname="sink.test"),
                                      "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await loop.run_in_executor(None, sys.stdin.buffer.read)

asyncio.run(main())
)PY";

const char* const DecodeScript = R"PY(
import email, email.header, json, sys
msg = email.message_from_bytes(sys.stdin.buffer.read())
headers = {k: str(email.header.make_header(email.header.decode_header(v))) for k, v in msg.items()}
payload = msg.get_payload(decode=True) or b""
body = payload.decode(msg.get_content_charset() or "ascii")
json.dump({"headers": headers, "body": body, "content_type": msg.get_content_type()}, sys.stdout)
)PY";

} // namespace

SmtpSink::SmtpSink(Store store)
{
    QStringList args{QStringLiteral("-c"), QString::fromLatin1(SinkScript)};
    if (store == Store::Maildir)
        args << m_dir.filePath(QStringLiteral("Maildir"));
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(Python, args);
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

SmtpSink::~SmtpSink()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QList<QByteArray> SmtpSink::messages() const
{
    // Python's Maildir numbers its deliveries with "Q" and a counter in the file name.
    const QDir inbox(m_dir.filePath(QStringLiteral("Maildir/new")));
    QStringList names = inbox.entryList(QDir::Files);
    static const QRegularExpression counter(QStringLiteral("Q(\\d+)"));
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return counter.match(a).captured(1).toInt() < counter.match(b).captured(1).toInt();
    });
    QList<QByteArray> out;
    for (const QString& name : names) {
        QFile f(inbox.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            out << f.readAll();
    }
    return out;
}

QJsonObject SmtpSink::decoded(const QByteArray& message)
{
    QProcess p;
    p.start(Python, {QStringLiteral("-c"), QString::fromLatin1(DecodeScript)});
    p.write(message);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
