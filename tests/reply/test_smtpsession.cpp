// The SMTP dialogue on the wire, against a server that replies as each case needs, and replies
// delivered to a real SMTP server (aiosmtpd) and read back from its Maildir.
#include "ScriptedSmtpServer.h"
#include "TestSupport.h"
#include "reply/SmtpSession.h"

namespace {

const QString From = QStringLiteral("forms@example.com");
const QString To = QStringLiteral("ann@example.com");

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

    bool send(const QString& body = "Thanks.", const QString& to = To, const QString& from = From,
              const QString& subject = "Receipt Confirmation")
    {
        return smtp->SendMail(to, from, subject, body);
    }
    void useServer(const QString& address)
    {
        app->settings().setText(SystemSettings::SMTP_Server_Address, address);
    }

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        server = std::make_unique<ScriptedSmtpServer>();
        useServer(server->address());
        smtp = std::make_unique<SmtpSession>(app->settings(), app->state->errors());
    }
    void cleanup()
    {
        smtp.reset();
        server.reset();
        app.reset();
    }

    // Multi-line replies, and replies that come in pieces, are read whole.
    void dialogueSendsTheCommandsAndHeaders()
    {
        server->setGreeting("220-scripted.test\r\n220 welcome\r\n");
        server->setReply("HELO", "250-scripted.test\r\n250-SIZE 1000\r\n250 HELP\r\n", 25);
        server->setReply("DATA", "354 go ahead\r\n", 3);
        const QString before = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
        QVERIFY(send("Dear Ann,\r\nthanks."));
        const QString after = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
        QVERIFY(app->dialogs.shown().isEmpty());
        QVERIFY(smtp->findChild<QTcpSocket*>("wskMain")); // the connection, by its name
        // QUIT is not waited for: the server reads it once the event loop runs again.
        QTRY_COMPARE(server->commands().size(), 5);
        QCOMPARE(server->commands(),
                 (QList<QByteArray>{"HELO " + QHostInfo::localHostName().toUtf8(), "MAIL FROM:<forms@example.com>",
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
        QTest::newRow("a lone dot does not end the data") << "a\r\n.\r\nb" << QByteArray("a\r\n..\r\nb\r\n");
        QTest::newRow("leading dots get one more") << ".x\r\n..y" << QByteArray("..x\r\n...y\r\n");
        QTest::newRow("bare LF and CR become CR LF") << "a\nb\rc\r\n\nd" << QByteArray("a\r\nb\r\nc\r\n\r\nd\r\n");
        QTest::newRow("dot after a bare LF") << "a\n.b" << QByteArray("a\r\n..b\r\n");
    }
    void bodyIsSentTransparently()
    {
        QFETCH(QString, body);
        QVERIFY(send(body));
        QTEST(bodyOf(server->data()), "wire");
        QTRY_COMPARE(server->commands().last(), QByteArray("QUIT"));
    }

    void unreachableServerShowsConnectionError()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const QString refused = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        for (const QString& address : {QString("127.0.0.1:"), QString("127.0.0.1:smtp"),
                                       QString("127.0.0.1:65536"), refused, QString("no-such-host.invalid:25")}) {
            app->dialogs.clearShown();
            useServer(address);
            QVERIFY(!send());
            QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpConnection)});
        }
        QCOMPARE(server->connections(), 0);
        QCOMPARE(SmtpSession::serverAddress("mail.example.com")->second, 25); // the standard port
    }

    void refusedStepShowsItsMessage_data()
    {
        QTest::addColumn<QString>("verb");  // empty: the greeting
        QTest::addColumn<QString>("reply"); // empty: the server hangs up
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("notSent"); // what the client must not have sent
        // clang-format off
        QTest::newRow("greeting") << "" << "554 no service\r\n" << ErrorCode::SmtpCommunication << "HELO";
        QTest::newRow("MAIL FROM") << "MAIL" << "550 sender refused\r\n" << ErrorCode::SmtpWrongFrom << "RCPT";
        QTest::newRow("250 inside an error") << "RCPT" << "550-250 Ok was\r\n550 5.1.1 mailbox 250 unknown\r\n"
            << ErrorCode::SmtpWrongTo << "DATA";
        QTest::newRow("DATA") << "DATA" << "554 no data\r\n" << ErrorCode::SmtpSendMailFailed << "Subject:";
        QTest::newRow("end of data") << "." << "552 too big\r\n" << ErrorCode::SmtpSendMailFailed << "";
        QTest::newRow("hang-up at end of data") << "." << "" << ErrorCode::SmtpSendMailFailed << "";
        // A line break in an address would smuggle in a command of its own: nothing is sent.
        QTest::newRow("recipient with a bare LF") << "to:ann@example.com\nDATA" << ""
            << ErrorCode::SmtpWrongTo << "HELO";
        QTest::newRow("sender with a CR") << "from:forms@example.com\rRSET" << ""
            << ErrorCode::SmtpWrongFrom << "HELO";
        // clang-format on
    }
    // Error replies fail at once; with the full 60-second limit in force a wait would show as
    // a hanging test.
    void refusedStepShowsItsMessage()
    {
        QFETCH(QString, verb);
        QFETCH(QString, reply);
        QFETCH(QString, notSent);
        QString to = To, from = From;
        if (verb.startsWith("to:"))
            to = verb.mid(3);
        else if (verb.startsWith("from:"))
            from = verb.mid(5);
        else if (verb.isEmpty())
            server->setGreeting(reply.toLatin1());
        else if (reply.isEmpty())
            server->setHangUp(verb.toLatin1());
        else
            server->setReply(verb.toLatin1(), reply.toLatin1());
        QVERIFY(!send("Thanks.", to, from));
        QFETCH(QString, message);
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        if (!notSent.isEmpty())
            QVERIFY(!server->received().contains(notSent.toLatin1()));
    }

    void headersStayOneLineAndNonAsciiGoesAsSevenBit()
    {
        QVERIFY(send("Caf\u00e9 cr\u00e8me\r\n.done", " ann@example.com ", "Forms Desk <forms@example.com>",
                     "Hello\r\nBcc: eve@example.com\nX"));
        QCOMPARE(server->commands().mid(1, 2),
                 (QList<QByteArray>{"MAIL FROM:<forms@example.com>", "RCPT TO:<ann@example.com>"}));
        const QByteArray data = server->data();
        QVERIFY(data.contains("\r\nFrom: Forms Desk <forms@example.com>\r\n"));
        QVERIFY(data.contains("\r\nSubject: Hello  Bcc: eve@example.com X\r\n"));
        QVERIFY(!data.contains("\r\nBcc:"));
        QVERIFY(data.contains("\r\nContent-Transfer-Encoding: quoted-printable\r\n"));
        for (char c : data)
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        QCOMPARE(bodyOf(data), QByteArray("Caf=C3=A9 cr=C3=A8me\r\n..done\r\n"));
    }

    // A real server stores what reads back as the reply, each line within 78 characters.
    void realServerStoresTheReplyAsSent()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        useServer(sink.address());
        const QString subject = "Re\u00e7u \u2013 merci beaucoup pour votre message, \u00e0 bient\u00f4t \u2713";
        const QString body = "Ch\u00e8re Zo\u00eb,\r\n.\r\n..two dots\r\nx = y \r\n" + QString(120, QChar(0x00e9)) +
                             "\r\n" + QString(90, 'a') + " end\t\r\n\U0001F600 fin";
        QVERIFY(send(body, To, From, subject));
        QVERIFY(app->dialogs.shown().isEmpty());
        const QByteArray m = sink.messages().last();
        QVERIFY(m.contains("X-MailFrom: forms@example.com\n") && m.contains("X-RcptTo: ann@example.com\n"));
        for (const QByteArray& line : m.split('\n'))
            QVERIFY2(line.size() <= 78 || line.startsWith("X-"), line.constData());
        const QJsonObject decoded = SmtpSink::decoded(m);
        const QJsonObject headers = decoded.value("headers").toObject();
        QCOMPARE(QStringList({decoded.value("content_type").toString(), headers.value("Subject").toString(),
                              headers.value("To").toString()}),
                 QStringList({"text/plain", subject, To}));
        QCOMPARE(decoded.value("body").toString(), QString(body).replace("\r\n", "\n") + '\n');
    }
};

QTEST_MAIN(TestSmtpSession)
#include "test_smtpsession.moc"
