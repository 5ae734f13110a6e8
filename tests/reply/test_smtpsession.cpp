// The SMTP dialogue on the wire, against a server that replies as each case needs, and replies
// delivered to a real SMTP server (aiosmtpd) and read back from its Maildir.
#include "ScriptedSmtpServer.h"
#include "TestSupport.h"
#include "reply/SmtpMessage.h"
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

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        server = std::make_unique<ScriptedSmtpServer>();
        app->settings().setText(SystemSettings::SMTP_Server_Address, server->address());
        smtp = std::make_unique<SmtpSession>(app->settings(), app->state->errors());
    }
    void cleanup()
    {
        smtp.reset();
        server.reset();
        app.reset();
    }

    // Multi-line replies, and replies that come in pieces, are read whole. The envelope takes
    // the bare addresses, and a subject the form filled cannot smuggle in a header.
    void dialogueSendsTheCommandsAndHeaders()
    {
        server->setGreeting("220-scripted.test\r\n220 welcome\r\n");
        server->setReply("HELO", "250-scripted.test\r\n250-SIZE 1000\r\n250 HELP\r\n", 25);
        server->setReply("DATA", "354 go ahead\r\n", 3);
        QVERIFY(send("Dear Ann,\r\nthanks.", " ann@example.com ", "Forms Desk <forms@example.com>",
                     "Hello\r\nBcc: eve@example.com\nX"));
        // QUIT is not waited for: the server reads it once the event loop runs again.
        QTRY_COMPARE(server->commands().size(), 5);
        QCOMPARE(server->commands(),
                 (QList<QByteArray>{"HELO " + QHostInfo::localHostName().toUtf8(), "MAIL FROM:<forms@example.com>",
                                    "RCPT TO:<ann@example.com>", "DATA", "QUIT"}));
        QVERIFY(server->data().contains("\r\nSubject: Hello  Bcc: eve@example.com X\r\n"));
        QVERIFY(!server->data().contains("\r\nBcc:"));
        QCOMPARE(bodyOf(server->data()), QByteArray("Dear Ann,\r\nthanks.\r\n"));
    }

    // Whatever the user's language, and whatever the sender looks like.
    void headersFollowTheMailStandard()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QByteArray date =
            SmtpMessage::dateValue(QDateTime(QDate(2026, 3, 1), QTime(7, 5, 9), QTimeZone(-(3 * 3600 + 1800))));
        QLocale::setDefault(QLocale::system());
        QCOMPARE(date, QByteArray("Sun, 01 Mar 2026 07:05:09 -0330"));
        // A plain name stays as written; any other is encoded, without its quotes.
        QCOMPARE(SmtpMessage::addressValue("Forms Desk <forms@desk.example.org>"),
                 QByteArray("Forms Desk <forms@desk.example.org>"));
        QCOMPARE(SmtpMessage::addressValue("\"Zo\u00eb Adams\" <zoe@example.org>"), QByteArray("=?UTF-8?B?Wm/DqyBBZGFtcw==?= <zoe@example.org>"));
        QCOMPARE(SmtpMessage::addressValue("Zo\u00eb \"Z\" <zoe@example.org>"), QByteArray("=?UTF-8?B?Wm/DqyAiWiI=?= <zoe@example.org>"));
        const QString international = QStringLiteral("desk@b\u00fccher.example");
        QCOMPARE(SmtpMessage::addressValue(international), QByteArray("=?UTF-8?B?ZGVza0Biw7xjaGVyLmV4YW1wbGU=?="));
        const QByteArray id = SmtpMessage::messageId(international);
        QVERIFY2(id.startsWith('<') && id.endsWith("@xn--bcher-kva.example>"), id.constData());
        QVERIFY(id != SmtpMessage::messageId(international)); // unique per message
    }

    // The encoding fits every server; the data reads back as the body, whatever its line ends.
    // Dots and non-ASCII text are read back by the real server below.
    void bodyIsSentTransparently_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("type"); // charset and transfer encoding
        QTest::addColumn<QByteArray>("wire"); // empty: not compared
        const QByteArray ascii = "us-ascii\r\nContent-Transfer-Encoding: 7bit";
        const QByteArray quoted = "us-ascii\r\nContent-Transfer-Encoding: quoted-printable";
        QTest::newRow("line of 998 bytes") << QString(998, 'a') << ascii << QByteArray(998, 'a') + "\r\n";
        QTest::newRow("line of 999 bytes") << "x\r\n" + QString(999, 'a') << quoted << QByteArray();
        QTest::newRow("final line end not doubled") << "a\r\nb\r\n" << ascii << QByteArray("a\r\nb\r\n");
        QTest::newRow("empty body") << "" << ascii << QByteArray("\r\n");
        QTest::newRow("bare LF and CR become CR LF") << "a\nb\rc\r\n\nd" << ascii << QByteArray("a\r\nb\r\nc\r\n\r\nd\r\n");
    }
    void bodyIsSentTransparently()
    {
        QFETCH(QString, body);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, wire);
        QVERIFY(send(body));
        const QByteArray data = server->data();
        QVERIFY(data.contains("\r\nContent-Type: text/plain; charset=" + type + "\r\n\r\n"));
        QCOMPARE(wire.isEmpty() ? wire : bodyOf(data), wire);
        for (const QByteArray& line : bodyOf(data).split('\n'))
            QVERIFY(line.size() <= 999);
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
        // Longer than any server takes in RCPT TO, and than a header line could hold.
        QTest::newRow("recipient over 254 bytes") << "to:" + QString(243, 'a') + "@example.com" << ""
            << ErrorCode::SmtpWrongTo << "HELO";
        QTest::newRow("sender over 254 bytes") << "from:Desk <" + QString(243, 'f') + "@example.com>" << ""
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

    // A real server stores what reads back as the reply, each line within 78 characters, and
    // a mail program reads its date, its addresses and display names.
    void realServerStoresTheReplyAsSent()
    {
        const QString subject = "Re\u00e7u \u2013 merci beaucoup pour votre message, \u00e0 bient\u00f4t \u2713";
        const QString body = "Ch\u00e8re Zo\u00eb,\r\n.\r\n..two dots\r\nx = y \r\n" + QString(120, QChar(0x00e9)) +
                             "\r\n" + QString(90, 'a') + " end\t\r\n\U0001F600 fin";
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        app->settings().setText(SystemSettings::SMTP_Server_Address, sink.address());
        const QString from = "Formul\u00e4r Desk <forms@example.com>";
        const QString to = "\"Adams, Zo\u00eb\" <zoe@example.org>";
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QVERIFY(send(body, to, from, subject));
        const QByteArray m = sink.messages().last();
        for (const QByteArray& line : m.split('\n'))
            QVERIFY2(line.size() <= 78 || line.startsWith("X-"), line.constData());
        const QJsonObject decoded = SmtpSink::decoded(m);
        const QJsonObject headers = decoded.value("headers").toObject();
        const auto text = [&decoded](const char* key) { return decoded.value(key).toVariant().toStringList().join('|'); };
        QCOMPARE(QStringList({text("content_type"), headers.value("Subject").toString(), headers.value("Auto-Submitted").toString(),
                              text("from"), text("to"), QString::number(decoded.value("defects").toInt())}),
                 QStringList({"text/plain", subject, "auto-replied", "Formul\u00e4r Desk|forms@example.com",
                              "Adams, Zo\u00eb|zoe@example.org", "0"}));
        const QDateTime date = QDateTime::fromString(decoded.value("date").toString(), Qt::ISODate);
        QVERIFY2(date >= before && date <= QDateTime::currentDateTime(), qPrintable(decoded.value("date").toString()));
        QVERIFY(headers.value("Message-ID").toString().endsWith("@example.com>"));
        QCOMPARE(decoded.value("body").toString(), QString(body).replace("\r\n", "\n") + '\n');
    }
};

QTEST_MAIN(TestSmtpSession)
#include "test_smtpsession.moc"
