// Replies per second to a local aiosmtpd sink, beside Python's smtplib sending the same
// messages to the same sink in the same run: in clear, and through STARTTLS with a login as
// mail providers want it. Both open one connection per message; the sink drops what it
// receives, so the clients and the server's dialogue are what is measured.
#include "ScriptedDialogs.h"
#include "SmtpSink.h"
#include "TestCertificates.h"
#include "app/AppState.h"
#include "reply/ReplySender.h"
#include "reply/ResponseDatabase.h"
#include "reply/SmtpMessage.h"
#include "reply/SmtpSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QString From = QStringLiteral("forms@example.com");
const QString To = QStringLiteral("ann@example.com");
const QString Subject = QStringLiteral("Receipt Confirmation");

// A reply of the usual kind: a greeting, the submitted fields, a few paragraphs.
QString replyBody()
{
    QString body = QStringLiteral("Dear Your name: Ann Example,\r\n\r\n"
                                  "Thank you for your order. We received these details:\r\n\r\n");
    for (int i = 1; i <= 12; ++i)
        body += QStringLiteral("Field %1: value of field number %1\r\n").arg(i);
    body += QStringLiteral("\r\n");
    for (int i = 0; i < 6; ++i)
        body += QStringLiteral("We will be in touch within two working days. If anything in the "
                               "details above is wrong, simply reply to this message.\r\n");
    return body + QStringLiteral("\r\nKind regards,\r\nThe Forms Desk");
}

const QString User = QStringLiteral("desk@example.com");
const QString Password = QStringLiteral("app-password");

SmtpSink& sink()
{
    static SmtpSink s(SmtpSink::Store::Discard);
    return s;
}

const TestCertificates& certificates()
{
    static const TestCertificates c;
    return c;
}

SmtpSink& secureSink()
{
    static SmtpSink s(
        [] {
            SmtpSinkOptions o;
            o.tls = SmtpSinkOptions::Tls::StartTls;
            o.certificateFile = certificates().serverCertificate();
            o.keyFile = certificates().serverKey();
            o.user = User;
            o.password = Password;
            return o;
        }(),
        SmtpSink::Store::Discard);
    return s;
}

void sendMail(benchmark::State& state, SmtpSink& server, bool secure)
{
    if (!server.isRunning()) {
        state.SkipWithError("aiosmtpd did not start");
        return;
    }
    ScriptedDialogs dialogs;
    SystemSettings settings;
    settings.setText(SystemSettings::SMTP_Server_Address, server.address());
    if (secure) {
        settings.setText(SystemSettings::SMTP_Security, SystemSettings::SecurityStartTls);
        settings.setText(SystemSettings::MAPI_ID, User);
        settings.setText(SystemSettings::MAPI_Password, Password);
    }
    ErrorReporter errors(dialogs);
    SmtpSession smtp(settings, errors);
    smtp.trustAuthorities(certificates().authority());
    const QString body = replyBody();
    for (auto _ : state) {
        if (!smtp.SendMail(To, From, Subject, body)) {
            state.SkipWithError("send failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("replies");
}

void SendMailToSink(benchmark::State& state)
{
    sendMail(state, sink(), false);
}
BENCHMARK(SendMailToSink)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void SendMailStartTlsLogin(benchmark::State& state)
{
    sendMail(state, secureSink(), true);
}
BENCHMARK(SendMailStartTlsLogin)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The whole reply step: merge, send, log and record a row in FORM.MDB.
void SendReplyToSinkAndRecord(benchmark::State& state)
{
    if (!sink().isRunning()) {
        state.SkipWithError("aiosmtpd did not start");
        return;
    }
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    AppState app(dir.path(), dialogs);
    ResponseDatabase::createEmptyDatabase(dir.filePath(ResponseDatabase::FileName));
    app.settings().setText(SystemSettings::SMTP_Server_Address, sink().address());
    app.settings().setText(SystemSettings::SMTP_From_Address, From);
    app.settings().setText(SystemSettings::SMTP_Reply_Subject, Subject);
    app.replyTemplate().setDesignText(replyBody());
    ReplySender& sender = app.replies();
    for (auto _ : state) {
        QString target = To;
        sender.SendReply(target);
    }
    if (!dialogs.shown().isEmpty() || !app.flags.recordingEnabled)
        state.SkipWithError("a reply failed");
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("replies");
}
BENCHMARK(SendReplyToSinkAndRecord)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

const char* const SmtplibScript = R"PY(
import smtplib, ssl, sys, time
host, port, count, path, sender, rcpt = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5], sys.argv[6]
secure = len(sys.argv) > 7
if secure:
    ca, user, password = sys.argv[7], sys.argv[8], sys.argv[9]
    context = ssl.create_default_context(cafile=ca)
msg = open(path, "rb").read()
start = time.perf_counter()
for _ in range(count):
    s = smtplib.SMTP(host, port)
    if secure:
        s.starttls(context=context)
        s.login(user, password)
    s.sendmail(sender, [rcpt], msg)
    s.quit()
print(time.perf_counter() - start)
)PY";

// Python's own timing of the sends, without its start-up.
void smtplib(benchmark::State& state, SmtpSink& server, const QStringList& login)
{
    if (!server.isRunning()) {
        state.SkipWithError("aiosmtpd did not start");
        return;
    }
    constexpr int PerRun = 300;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("message.eml"));
    {
        const SmtpMessage message(QDateTime::currentDateTime(), From, To, Subject, replyBody());
        QByteArray bytes;
        for (const QByteArray& line : message.headerLines())
            bytes += line + "\r\n";
        bytes += "\r\n" + message.body();
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            state.SkipWithError("cannot write the message");
            return;
        }
    }
    for (auto _ : state) {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     QStringList{QStringLiteral("-c"), QString::fromLatin1(SmtplibScript),
                                 QStringLiteral("127.0.0.1"), QString::number(server.port()),
                                 QString::number(PerRun), path, From, To} +
                         login);
        if (!python.waitForFinished(120000) || python.exitCode() != 0) {
            state.SkipWithError("smtplib run failed");
            return;
        }
        state.SetIterationTime(python.readAllStandardOutput().trimmed().toDouble());
    }
    state.SetItemsProcessed(state.iterations() * PerRun);
    state.SetLabel("replies");
}

void SmtplibToSink(benchmark::State& state)
{
    smtplib(state, sink(), {});
}
BENCHMARK(SmtplibToSink)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void SmtplibStartTlsLogin(benchmark::State& state)
{
    smtplib(state, secureSink(), {certificates().authorityFile(), User, Password});
}
BENCHMARK(SmtplibStartTlsLogin)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
