// The SMTP dialogue on the wire, against a server that replies as each case needs, and replies
// delivered to a real SMTP server (aiosmtpd) and read back from its Maildir.
#include "ScriptedSmtpServer.h"
#include "SmtpSink.h"
#include "TestSupport.h"
#include "reply/SmtpSession.h"

#include <QDate>
#include <QHostInfo>
#include <QJsonObject>
#include <QLocale>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString From = u"forms@example.com"_s;
const QString To = u"ann@example.com"_s;

QString warning(const QString& code)
{
    return ErrorReporter::warningText(code);
}

// What follows the empty line after the headers.
QByteArray bodyOf(const QByteArray& data)
{
    return data.mid(data.indexOf("\r\n\r\n") + 4);
}

} // namespace

class TestSmtpSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> app;
    std::unique_ptr<ScriptedSmtpServer> server;
    std::unique_ptr<SmtpSession> smtp;

    bool send(const QString& body = u"Thanks."_s, const QString& to = To,
              const QString& from = From, const QString& subject = u"Receipt Confirmation"_s)
    {
        return smtp->SendMail(to, from, subject, body);
    }
    void useServer(const QString& address)
    {
        app->state->settings().setText(SystemSettings::SMTP_Server_Address, address);
    }

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        server = std::make_unique<ScriptedSmtpServer>();
        useServer(server->address());
        smtp = std::make_unique<SmtpSession>(app->state->settings(), app->state->errors());
    }

    void cleanup()
    {
        smtp.reset();
        server.reset();
        app.reset();
    }

    void dialogueSendsTheCommandsAndHeaders()
    {
        const QString before =
            QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
        QVERIFY(send(u"Dear Ann,\r\nthanks."_s));
        const QString after = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);

        QVERIFY(app->dialogs.shown().isEmpty());
        // QUIT is not waited for: the server reads it once the event loop runs again.
        QTRY_COMPARE(server->commands().size(), 5);
        const QByteArray helo = "HELO " + QHostInfo::localHostName().toUtf8();
        QCOMPARE(server->commands(),
                 (QList<QByteArray>{helo, "MAIL FROM:<forms@example.com>",
                                    "RCPT TO:<ann@example.com>", "DATA", "QUIT"}));
        const QByteArray rest = "From: forms@example.com\r\nTo: ann@example.com\r\n"
                                "Subject: Receipt Confirmation\r\n\r\nDear Ann,\r\nthanks.\r\n";
        const QByteArray data = server->data();
        QVERIFY2(data == "Date: " + before.toLatin1() + "\r\n" + rest ||
                     data == "Date: " + after.toLatin1() + "\r\n" + rest,
                 data.constData());
    }

    void bodyIsSentTransparently_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("one line gets its line end") << "hello" << QByteArray("hello\r\n");
        QTest::newRow("final line end not doubled") << "a\r\nb\r\n" << QByteArray("a\r\nb\r\n");
        QTest::newRow("empty body") << "" << QByteArray("\r\n");
        QTest::newRow("a lone dot does not end the data")
            << "a\r\n.\r\nb" << QByteArray("a\r\n..\r\nb\r\n");
        QTest::newRow("leading dots get one more") << ".x\r\n..y" << QByteArray("..x\r\n...y\r\n");
        QTest::newRow("bare LF and CR become CR LF")
            << "a\nb\rc\r\n\nd" << QByteArray("a\r\nb\r\nc\r\n\r\nd\r\n");
        QTest::newRow("dot after a bare LF") << "a\n.b" << QByteArray("a\r\n..b\r\n");
    }
    void bodyIsSentTransparently()
    {
        QFETCH(QString, body);
        QVERIFY(send(body));
        QTEST(bodyOf(server->data()), "wire");
        QTRY_COMPARE(server->commands().last(), QByteArray("QUIT"));
    }

    void unreachableServerShowsConnectionError_data()
    {
        QTest::addColumn<QString>("address");
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const quint16 freePort = closed.serverPort();
        closed.close();
        QTest::newRow("empty port") << "127.0.0.1:";
        QTest::newRow("port not a number") << "127.0.0.1:smtp";
        QTest::newRow("port out of range") << "127.0.0.1:65536";
        QTest::newRow("refused") << u"127.0.0.1:%1"_s.arg(freePort);
        QTest::newRow("unknown host") << "no-such-host.invalid:25";
    }
    void unreachableServerShowsConnectionError()
    {
        QFETCH(QString, address);
        useServer(address);
        QVERIFY(!send());
        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpConnection)});
        QCOMPARE(server->connections(), 0);
        // Without a port the standard one is meant.
        QCOMPARE(SmtpSession::serverAddress(u"mail.example.com"_s)->second, 25);
    }

    void refusedStepShowsItsMessage_data()
    {
        QTest::addColumn<QString>("verb");  // empty: the greeting
        QTest::addColumn<QString>("reply"); // empty: the server hangs up
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("notSent"); // what the client must not have sent
        // clang-format off
        QTest::newRow("greeting") << "" << "554 no service\r\n" << ErrorCode::SmtpCommunication
            << "HELO";
        QTest::newRow("MAIL FROM") << "MAIL" << "550 sender refused\r\n"
            << ErrorCode::SmtpWrongFrom << "RCPT";
        QTest::newRow("250 inside an error") << "RCPT" << "550 5.1.1 mailbox 250 unknown\r\n"
            << ErrorCode::SmtpWrongTo << "DATA";
        QTest::newRow("multi-line error") << "RCPT" << "550-250 Ok was\r\n550 not meant\r\n"
            << ErrorCode::SmtpWrongTo << "DATA";
        QTest::newRow("DATA") << "DATA" << "554 no data\r\n" << ErrorCode::SmtpSendMailFailed
            << "Subject:";
        QTest::newRow("end of data") << "." << "552 too big\r\n" << ErrorCode::SmtpSendMailFailed
            << "";
        QTest::newRow("hang-up at end of data") << "." << "" << ErrorCode::SmtpSendMailFailed << "";
        // clang-format on
    }
    // Error replies fail at once; with the full 60-second limit in force a wait would show as
    // a hanging test.
    void refusedStepShowsItsMessage()
    {
        QFETCH(QString, verb);
        QFETCH(QString, reply);
        QFETCH(QString, message);
        QFETCH(QString, notSent);
        if (verb.isEmpty())
            server->setGreeting(reply.toLatin1());
        else if (reply.isEmpty())
            server->setHangUp(verb.toLatin1());
        else
            server->setReply(verb.toLatin1(), reply.toLatin1());
        QVERIFY(!send());
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        if (!notSent.isEmpty())
            QVERIFY(!server->received().contains(notSent.toLatin1()));
    }

    void multiLineRepliesInPieces()
    {
        server->setGreeting("220-scripted.test\r\n220 welcome\r\n");
        server->setReply("HELO", "250-scripted.test\r\n250-SIZE 1000\r\n250 HELP\r\n", 25);
        server->setReply("DATA", "354 go ahead\r\n", 3);
        QVERIFY(send());
        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(bodyOf(server->data()), QByteArray("Thanks.\r\n"));
    }

    void silenceWaitsForTheLimit()
    {
        server->setSilent("MAIL");
        smtp->setReplyLimit(300);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);
        QVERIFY(!send());
        // The wait ran the event loop: the window's timers went on.
        QVERIFY(ticks > 0);
        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpWrongFrom)});
    }

    void lineBreaksCannotInjectCommands_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("message");
        QTest::newRow("recipient, bare LF")
            << "ann@example.com\nDATA" << From << ErrorCode::SmtpWrongTo;
        QTest::newRow("sender") << To << "forms@example.com\rRSET" << ErrorCode::SmtpWrongFrom;
    }
    void lineBreaksCannotInjectCommands()
    {
        QFETCH(QString, to);
        QFETCH(QString, from);
        QFETCH(QString, message);
        QVERIFY(!send(u"Thanks."_s, to, from));
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        QCOMPARE(server->connections(), 0);
    }

    void subjectStaysOneHeaderAndEnvelopeTakesTheAddressInBrackets()
    {
        QVERIFY(send(u"Thanks."_s, u" ann@example.com "_s, u"Forms Desk <forms@example.com>"_s,
                     u"Hello\r\nBcc: eve@example.com\nX"_s));
        QCOMPARE(server->commands().at(1), QByteArray("MAIL FROM:<forms@example.com>"));
        QCOMPARE(server->commands().at(2), QByteArray("RCPT TO:<ann@example.com>"));
        const QByteArray data = server->data();
        QVERIFY(data.contains("\r\nFrom: Forms Desk <forms@example.com>\r\n"));
        QVERIFY(data.contains("\r\nSubject: Hello  Bcc: eve@example.com X\r\n"));
        QVERIFY(!data.contains("\r\nBcc:"));
    }

    void nonAsciiGoesAsSevenBitMime()
    {
        QVERIFY(send(u"Caf\u00e9 cr\u00e8me\r\n.done"_s, To, From, u"Re\u00e7u"_s));
        const QByteArray data = server->data();
        for (char c : data)
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        QVERIFY(data.contains("\r\nContent-Transfer-Encoding: quoted-printable\r\n"));
        QCOMPARE(bodyOf(data), QByteArray("Caf=C3=A9 cr=C3=A8me\r\n..done\r\n"));
    }

    // What a real server stores reads back as the reply: envelope, dots, long and non-ASCII
    // lines, each line of the message within 78 characters.
    void realServerStoresTheReplyAsSent()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        useServer(sink.address());
        const QString subject =
            u"Re\u00e7u \u2013 merci beaucoup pour votre message, \u00e0 bient\u00f4t \u2713"_s;
        const QString body = u"Ch\u00e8re Zo\u00eb,\r\n.\r\n..two dots\r\nx = y \r\n"_s +
                             QString(120, QChar(0x00e9)) + u"\r\n"_s + QString(90, u'a') +
                             u" end\t\r\n\U0001F600 fin"_s;
        QVERIFY(send(body, To, From, subject));
        QVERIFY(app->dialogs.shown().isEmpty());

        const QByteArray m = sink.messages().last();
        QVERIFY(m.contains("X-MailFrom: forms@example.com\n"));
        QVERIFY(m.contains("X-RcptTo: ann@example.com\n"));
        for (const QByteArray& line : m.split('\n'))
            QVERIFY2(line.size() <= 78 || line.startsWith("X-"), line.constData());
        const QJsonObject decoded = SmtpSink::decoded(m);
        QCOMPARE(decoded.value(u"content_type"_s).toString(), u"text/plain"_s);
        const QJsonObject headers = decoded.value(u"headers"_s).toObject();
        QCOMPARE(headers.value(u"Subject"_s).toString(), subject);
        QCOMPARE(headers.value(u"To"_s).toString(), To);
        QCOMPARE(decoded.value(u"body"_s).toString(),
                 QString(body).replace(u"\r\n"_s, u"\n"_s) + u'\n');
    }
};

QTEST_MAIN(TestSmtpSession)
#include "test_smtpsession.moc"
