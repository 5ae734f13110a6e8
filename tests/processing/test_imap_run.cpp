// Inbox runs against a real IMAP server (Debian's dovecot on 127.0.0.1), through the user's
// mail profile as the program reads it.
#include "DovecotServer.h"
#include "HookedDialogs.h"
#include "MailSamples.h"
#include "RunLog.h"
#include "SmtpSink.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/ImapInbox.h"
#include "platform/MailProfile.h"
#include "platform/ScriptedMailLogon.h"
#include "processing/ProcessingRun.h"
#include "reply/ResponseDatabase.h"

#include <QProcess>
#include <QtTest>

using namespace MailSamples;

namespace {

// Waits until the server has taken in as many messages as given, so that their sequence
// numbers follow the order of delivery.
bool serverHolds(const DovecotServer& server, int messages)
{
    ImapInbox inbox(server.imapUrl(), DovecotServer::User, DovecotServer::Password);
    if (!inbox.signOn())
        return false;
    inbox.fetch(false);
    return inbox.count() == messages && inbox.signOff();
}

// A TCP relay between the client and the server, run by Python in a process of its own (the
// IMAP client blocks the test's thread), that a test kills to drop every connection at once.
class Relay
{
public:
    explicit Relay(quint16 target)
    {
        static const char* script = R"(
import socket, sys, threading
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen()
print(listener.getsockname()[1], flush=True)
def pump(source, sink):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            sink.sendall(data)
    except OSError:
        pass
    for s in (source, sink):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
while True:
    client, _ = listener.accept()
    server = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
    for a, b in ((client, server), (server, client)):
        threading.Thread(target=pump, args=(a, b), daemon=True).start()
)";
        m_process.start(
            QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"), QString::fromLatin1(script), QString::number(target)});
        if (m_process.waitForReadyRead(10000))
            m_port = quint16(m_process.readLine().trimmed().toUInt());
    }
    ~Relay() { cut(); }

    quint16 port() const { return m_port; }
    void cut()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

struct Rig
{
    HookedDialogs dialogs;
    TestApp app;
    ScriptedMailLogon logon;

    explicit Rig(const MailProfile& profile)
    {
        app.state =
            std::make_unique<AppState>(app.folder(), dialogs, [] { throw ProgramTerminated{}; });
        ResponseDatabase::createEmptyDatabase(app.path(ResponseDatabase::FileName));
        state().settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        state().replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,\r\nthanks."));
        profile.save();
        state().inboxFactory = [this] { return MailInbox::fromProfile(logon); };
    }

    AppState& state() { return *app.state; }
    ProcessingRun::Counts process()
    {
        ProcessingRun run(state());
        run.ProcessForms(FormSource::Inbox);
        return run.lastCounts();
    }
    QStringList log() { return RunLog::lines(state().eventLog().text()); }
    QStringList items()
    {
        const QStringList all = log();
        const int first = int(all.lastIndexOf(RunLog::Opening)) + 3;
        return all.mid(first, all.size() - first - 9);
    }
};

} // namespace

class ImapRunTest : public QObject
{
    Q_OBJECT

    DovecotServer m_server;
    QString m_ann, m_bo, m_cy;

    MailProfile profile(const QString& password = DovecotServer::Password) const
    {
        return {m_server.imapUrl(), DovecotServer::User, password};
    }

private slots:
    void initTestCase()
    {
        if (!m_server.start())
            QSKIP(
                qPrintable(QStringLiteral("IMAP runs need a local dovecot: ") + m_server.whyNot()));
        TestMaildir mail(m_server.maildir());
        m_ann = mail.deliverNew(formSubmission(QStringLiteral("Ann Lee <ann@example.com>")), 100);
        QVERIFY(serverHolds(m_server, 1));
        m_bo = mail.deliverCur(formSubmission(QStringLiteral("Bo <bo@example.se>")), 101,
                               QStringLiteral("S"));
        QVERIFY(serverHolds(m_server, 2));
        m_cy = mail.deliverNew(
            ordinaryMail(QStringLiteral("Cy <cy@example.net>"), QStringLiteral("Hi")), 102);
        QVERIFY(serverHolds(m_server, 3));
    }

    void runAnswersUnreadFormsAndMarksThemSeen()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig(profile());
        SystemSettings& s = rig.state().settings();
        s.setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        s.setText(SystemSettings::SMTP_Server_Address, sink.address());
        s.setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms@example.com"));
        s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 1);

        const auto counts = rig.process();
        QCOMPARE(rig.items(),
                 QStringList({QStringLiteral("ann@example.com processed [OK]"),
                              QStringLiteral("   SMTP Send to ann@example.com [OK]"),
                              QStringLiteral("cy@example.net not a mailto form [IGNORED]")}));
        QCOMPARE(counts.processed, 2);
        QVERIFY2(rig.dialogs.shown().isEmpty(), qPrintable(rig.dialogs.messages().join('\n')));
        QVERIFY(rig.logon.requests().isEmpty());
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(sink.messages()[0].contains("Dear name: Ann Lee,\nthanks."));

        TestMaildir mail(m_server.maildir());
        QVERIFY(mail.isRead(m_ann));
        QVERIFY(!mail.isRead(m_cy));
        QVERIFY(mail.isRead(m_bo));

        // Only the ordinary mail is still unread; read mail comes back with the setting off.
        s.setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        QCOMPARE(rig.process().processed, 1);
        QCOMPARE(rig.items(),
                 QStringList{QStringLiteral("cy@example.net not a mailto form [IGNORED]")});
        s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        const auto all = rig.process();
        QCOMPARE(all.processed, 3);
        QCOMPARE(all.ignored, 1);
        QCOMPARE(ResponseDatabase::readRecords(rig.app.path(ResponseDatabase::FileName)).size(), 3);
    }

    void refusedLoginIsBv2001WhenTheUserGivesUp()
    {
        Rig rig(profile(QStringLiteral("wrong")));
        rig.logon.cancel();
        const auto counts = rig.process();
        QCOMPARE(rig.logon.requests().size(), 1);
        QCOMPARE(rig.dialogs.messages(),
                 QStringList{QStringLiteral("An error has occured (Error Code BV_2001 - MAPI Logon "
                                            "Failure: Login refused by 127.0.0.1).  Please check "
                                            "your settings and try again.")});
        QCOMPARE(counts.processed, 0);
        QVERIFY(rig.items().isEmpty());
        QVERIFY(!TestMaildir(m_server.maildir()).isRead(m_cy));
    }

    void droppedConnectionEndsTheRunWithAnErrorLine()
    {
        TestMaildir mail(m_server.maildir());
        mail.deliverNew(formSubmission(QStringLiteral("Dee <dee@example.com>")), 103);
        QVERIFY(serverHolds(m_server, 4));
        Relay relay(m_server.port());
        QVERIFY(relay.port() != 0);

        Rig rig({QStringLiteral("imap://127.0.0.1:%1").arg(relay.port()), DovecotServer::User,
                 DovecotServer::Password});
        rig.state().settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        connect(&rig.state().eventLog(), &EventLog::lineAppended, this, [&](const QString& line) {
            if (line == QStringLiteral("ann@example.com processed [OK]"))
                relay.cut();
        });
        const auto counts = rig.process();
        const QStringList items = rig.items();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0], QStringLiteral("ann@example.com processed [OK]"));
        const QString failed =
            QStringLiteral("Processing error: Mail server 127.0.0.1:%1 failed: ").arg(relay.port());
        QVERIFY2(items[1].startsWith(failed) && items[1].endsWith(QStringLiteral(" [ERROR]")),
                 qPrintable(items[1]));
        QCOMPARE(counts.errors, 1);
        QCOMPARE(rig.log().count(RunLog::Closing), 1);
        QVERIFY(!rig.state().runInProgress);
    }
};

QTEST_GUILESS_MAIN(ImapRunTest)
#include "test_imap_run.moc"
