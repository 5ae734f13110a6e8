// The SMTP dialogue on the wire, against a server that replies as each case needs.
#include "ScriptedSmtpServer.h"
#include "TestSupport.h"
#include "reply/SmtpSession.h"

#include <QDate>
#include <QHostInfo>
#include <QLocale>
#include <QTimer>
#include <QtTest>

namespace {

const QString From = QStringLiteral("forms@example.com");
const QString To = QStringLiteral("ann@example.com");
const QString Subject = QStringLiteral("Receipt Confirmation");

QString warning(const QString& code)
{
    return ErrorReporter::warningText(code);
}

// The body part of the data: what follows the empty line after the headers.
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

    bool send(const QString& body = QStringLiteral("Thanks."), const QString& to = To,
              const QString& from = From, const QString& subject = Subject)
    {
        return smtp->SendMail(to, from, subject, body);
    }

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        server = std::make_unique<ScriptedSmtpServer>();
        app->state->settings().setText(SystemSettings::SMTP_Server_Address, server->address());
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
        const QString before = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
        QVERIFY(send(QStringLiteral("Dear Ann,\r\nthanks.")));
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
        QTest::newRow("lines without a final line end") << "a\r\nb" << QByteArray("a\r\nb\r\n");
        QTest::newRow("final line end not doubled") << "a\r\nb\r\n" << QByteArray("a\r\nb\r\n");
        QTest::newRow("empty body") << "" << QByteArray("\r\n");
        QTest::newRow("a lone dot does not end the data") << "a\r\n.\r\nb"
                                                          << QByteArray("a\r\n..\r\nb\r\n");
        QTest::newRow("leading dots get one more") << ".x\r\n..y" << QByteArray("..x\r\n...y\r\n");
        QTest::newRow("bare LF and CR become CR LF") << "a\nb\rc\r\n\nd"
                                                     << QByteArray("a\r\nb\r\nc\r\n\r\nd\r\n");
        QTest::newRow("dot after a bare LF") << "a\n.b" << QByteArray("a\r\n..b\r\n");
    }

    void bodyIsSentTransparently()
    {
        QFETCH(QString, body);
        QFETCH(QByteArray, wire);
        QVERIFY(send(body));
        QCOMPARE(bodyOf(server->data()), wire);
        QTRY_COMPARE(server->commands().last(), QByteArray("QUIT"));
    }

    void serverAddressNamesHostAndPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("no colon") << "mail.example.com" << true << "mail.example.com" << 25;
        QTest::newRow("port given") << "mail.example.com:2525" << true << "mail.example.com" << 2525;
        QTest::newRow("empty port") << "mail.example.com:" << false << "" << 0;
        QTest::newRow("not a number") << "mail:smtp" << false << "" << 0;
        QTest::newRow("all after the first colon") << "mail:25:26" << false << "" << 0;
        QTest::newRow("out of range") << "mail:65536" << false << "" << 0;
    }

    void serverAddressNamesHostAndPort()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto address = SmtpSession::serverAddress(text);
        QCOMPARE(address.has_value(), valid);
        if (valid) {
            QFETCH(QString, host);
            QFETCH(int, port);
            QCOMPARE(address->first, host);
            QCOMPARE(int(address->second), port);
        }
    }

    void unreachableServerShowsConnectionError_data()
    {
        QTest::addColumn<QString>("address");
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const quint16 freePort = closed.serverPort();
        closed.close();
        QTest::newRow("empty port") << "127.0.0.1:";
        QTest::newRow("refused") << QStringLiteral("127.0.0.1:%1").arg(freePort);
        QTest::newRow("unknown host") << "no-such-host.invalid:25";
    }

    void unreachableServerShowsConnectionError()
    {
        QFETCH(QString, address);
        app->state->settings().setText(SystemSettings::SMTP_Server_Address, address);
        QVERIFY(!send());
        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpConnection)});
        QCOMPARE(server->connections(), 0);
    }

    void refusedStepShowsItsMessage_data()
    {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("notSent");
        QTest::newRow("greeting") << QByteArray() << QByteArray("554 no service\r\n")
                                  << ErrorCode::SmtpCommunication << QByteArray("HELO");
        QTest::newRow("HELO") << QByteArray("HELO") << QByteArray("501 syntax\r\n")
                              << ErrorCode::SmtpCommunication << QByteArray("MAIL");
        QTest::newRow("MAIL FROM") << QByteArray("MAIL") << QByteArray("550 sender refused\r\n")
                                   << ErrorCode::SmtpWrongFrom << QByteArray("RCPT");
        QTest::newRow("250 inside an error") << QByteArray("RCPT")
                                             << QByteArray("550 5.1.1 mailbox 250 unknown\r\n")
                                             << ErrorCode::SmtpWrongTo << QByteArray("DATA");
        QTest::newRow("multi-line error") << QByteArray("RCPT")
                                          << QByteArray("550-250 Ok was\r\n550 not meant\r\n")
                                          << ErrorCode::SmtpWrongTo << QByteArray("DATA");
        QTest::newRow("temporary failure") << QByteArray("RCPT") << QByteArray("451 later\r\n")
                                           << ErrorCode::SmtpWrongTo << QByteArray("DATA");
        QTest::newRow("DATA") << QByteArray("DATA") << QByteArray("554 no data\r\n")
                              << ErrorCode::SmtpSendMailFailed << QByteArray("Subject:");
        QTest::newRow("end of data") << QByteArray(".") << QByteArray("552 too big\r\n")
                                     << ErrorCode::SmtpSendMailFailed << QByteArray();
    }

    // Error replies fail at once; with the full 60-second limit in force a wait would show as
    // a hanging test.
    void refusedStepShowsItsMessage()
    {
        QFETCH(QByteArray, verb);
        QFETCH(QByteArray, reply);
        QFETCH(QString, message);
        QFETCH(QByteArray, notSent);
        if (verb.isEmpty())
            server->setGreeting(reply);
        else
            server->setReply(verb, reply);
        QVERIFY(!send());
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        if (!notSent.isEmpty())
            QVERIFY(!server->received().contains(notSent));
    }

    void failureClosesTheConnection()
    {
        server->setReply("MAIL", "550 no\r\n");
        QVERIFY(!send());
        server->setReply("MAIL", "250 ok\r\n");
        QVERIFY(send());
        QCOMPARE(server->connections(), 2);
        QCOMPARE(app->dialogs.messages().size(), 1);
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

    void hangUpMidDialogue_data()
    {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QString>("message");
        QTest::newRow("at RCPT") << QByteArray("RCPT") << ErrorCode::SmtpWrongTo;
        QTest::newRow("at DATA") << QByteArray("DATA") << ErrorCode::SmtpSendMailFailed;
        QTest::newRow("at end of data") << QByteArray(".") << ErrorCode::SmtpSendMailFailed;
    }

    void hangUpMidDialogue()
    {
        QFETCH(QByteArray, verb);
        QFETCH(QString, message);
        server->setHangUp(verb);
        QVERIFY(!send());
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
    }

    void lineBreaksCannotInjectCommands_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("message");
        QTest::newRow("recipient") << "ann@example.com\r\nRCPT TO:<eve@example.com>" << From
                                   << ErrorCode::SmtpWrongTo;
        QTest::newRow("recipient, bare LF") << "ann@example.com\nDATA" << From
                                            << ErrorCode::SmtpWrongTo;
        QTest::newRow("sender") << To << "forms@example.com\rRSET" << ErrorCode::SmtpWrongFrom;
    }

    void lineBreaksCannotInjectCommands()
    {
        QFETCH(QString, to);
        QFETCH(QString, from);
        QFETCH(QString, message);
        QVERIFY(!send(QStringLiteral("Thanks."), to, from));
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        QCOMPARE(server->connections(), 0);
    }

    void subjectStaysOneHeader()
    {
        QVERIFY(send(QStringLiteral("Thanks."), To, From,
                     QStringLiteral("Hello\r\nBcc: eve@example.com\nX")));
        const QByteArray data = server->data();
        QVERIFY(data.contains("\r\nSubject: Hello  Bcc: eve@example.com X\r\n"));
        QVERIFY(!data.contains("\r\nBcc:"));
    }

    void envelopeTakesTheAddressInBrackets()
    {
        QVERIFY(send(QStringLiteral("Thanks."), QStringLiteral(" ann@example.com "),
                     QStringLiteral("Forms Desk <forms@example.com>")));
        QCOMPARE(server->commands().at(1), QByteArray("MAIL FROM:<forms@example.com>"));
        QCOMPARE(server->commands().at(2), QByteArray("RCPT TO:<ann@example.com>"));
        QVERIFY(server->data().contains("\r\nFrom: Forms Desk <forms@example.com>\r\n"));
    }

    void nonAsciiGoesAsSevenBitMime()
    {
        QVERIFY(send(QStringLiteral("Caf\u00e9 cr\u00e8me\r\n.done"), To, From,
                     QStringLiteral("Re\u00e7u")));
        const QByteArray data = server->data();
        for (char c : data)
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        const QList<QByteArray> lines = data.split('\n');
        QCOMPARE(lines.at(3), QByteArray("Subject: =?UTF-8?B?") +
                                  QStringLiteral("Re\u00e7u").toUtf8().toBase64() + "?=\r");
        QCOMPARE(lines.at(4), QByteArray("MIME-Version: 1.0\r"));
        QCOMPARE(lines.at(5), QByteArray("Content-Type: text/plain; charset=UTF-8\r"));
        QCOMPARE(lines.at(6), QByteArray("Content-Transfer-Encoding: quoted-printable\r"));
        QCOMPARE(bodyOf(data), QByteArray("Caf=C3=A9 cr=C3=A8me\r\n..done\r\n"));
    }
};

QTEST_MAIN(TestSmtpSession)
#include "test_smtpsession.moc"
