#include "SmtpSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <algorithm>

namespace {

// Binds port 0 so the system picks a free port, tells it on stdout, and serves until its
// standard input closes. Its one argument is a JSON object: "maildir", "counter" (a file that
// gets one byte per connection), "tls" ("none", "starttls", "implicit"), "cert", "key", "user",
// "password", "exclude", "held" (a file that gets the data of a message whose end is never
// answered; the server stalls instead of storing).
const char* const SinkScript = R"PY(
import asyncio, json, ssl, sys
from aiosmtpd.smtp import SMTP, AuthResult
from aiosmtpd.handlers import Mailbox, Sink

opt = json.loads(sys.argv[1])
tls = opt.get("tls", "none")

def context():
    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(opt["cert"], opt["key"])
    return ctx

def authenticator(server, session, envelope, mechanism, data):
    ok = data.login == opt["user"].encode() and data.password == opt["password"].encode()
    return AuthResult(success=ok, handled=False)

class Stalling:
    async def handle_DATA(self, server, session, envelope):
        with open(opt["held"], "ab") as f:
            f.write(envelope.original_content)
        await asyncio.Event().wait()

class CountingSMTP(SMTP):
    def connection_made(self, transport):
        if self.transport is None:
            with open(opt["counter"], "ab") as f:
                f.write(b"c")
        super().connection_made(transport)

async def main():
    if opt.get("held"):
        handler = Stalling()
    else:
        handler = Mailbox(opt["maildir"]) if opt.get("maildir") else Sink()
    kwargs = {"hostname": "sink.test"}
    if tls == "starttls":
        kwargs["tls_context"] = context()
    if opt.get("user"):
        kwargs.update(authenticator=authenticator, auth_required=True,
                      auth_require_tls=(tls == "starttls"),
                      auth_exclude_mechanism=opt.get("exclude", []))
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: CountingSMTP(handler, **kwargs), "127.0.0.1", 0,
                                      ssl=context() if tls == "implicit" else None)
    print(server.sockets[0].getsockname()[1], flush=True)
    await loop.run_in_executor(None, sys.stdin.buffer.read)

asyncio.run(main())
)PY";

const char* const DecodeScript = R"PY(
import email, email.header, email.utils, json, sys
msg = email.message_from_bytes(sys.stdin.buffer.read())
headers = {k: str(email.header.make_header(email.header.decode_header(v))) for k, v in msg.items()}
payload = msg.get_payload(decode=True) or b""
body = payload.decode(msg.get_content_charset() or "ascii")
try:
    date = email.utils.parsedate_to_datetime(msg["Date"]).isoformat()
except Exception:
    date = ""
out = {"headers": headers, "body": body, "content_type": msg.get_content_type(), "date": date,
       "defects": len(msg.defects)}
for field in ("From", "To"):
    name, address = email.utils.parseaddr(msg.get(field, ""))
    out[field.lower()] = [str(email.header.make_header(email.header.decode_header(name))), address]
json.dump(out, sys.stdout)
)PY";

} // namespace

SmtpSink::SmtpSink(Store store)
{
    start({}, store);
}

SmtpSink::SmtpSink(const SmtpSinkOptions& options, Store store)
{
    start(options, store);
}

void SmtpSink::start(const SmtpSinkOptions& options, Store store)
{
    static const char* const TlsNames[] = {"none", "starttls", "implicit"};
    QJsonObject config{{"counter", m_dir.filePath(QStringLiteral("connections"))},
                       {"tls", TlsNames[int(options.tls)]},
                       {"cert", options.certificateFile},
                       {"key", options.keyFile},
                       {"user", options.user},
                       {"password", options.password},
                       {"exclude", QJsonArray::fromStringList(options.excludedMechanisms)}};
    if (store == Store::Maildir)
        config.insert("maildir", m_dir.filePath(QStringLiteral("Maildir")));
    if (options.stallAtEndOfData)
        config.insert("held", m_dir.filePath(QStringLiteral("held")));
    m_server.start({QStringLiteral("-c"), QString::fromLatin1(SinkScript),
                    QString::fromUtf8(QJsonDocument(config).toJson(QJsonDocument::Compact))});
}

int SmtpSink::connections() const
{
    return int(QFileInfo(m_dir.filePath(QStringLiteral("connections"))).size());
}

QByteArray SmtpSink::heldData() const
{
    QFile f(m_dir.filePath(QStringLiteral("held")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(DecodeScript)});
    p.write(message);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
