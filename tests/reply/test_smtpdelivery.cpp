// Replies delivered to a real SMTP server (aiosmtpd) and read back from its Maildir.
#include "SmtpSink.h"
#include "TestSupport.h"
#include "reply/SmtpSession.h"

#include <QJsonObject>
#include <QtTest>

namespace {

const QString From = QStringLiteral("forms@example.com");
const QString To = QStringLiteral("ann@example.com");

// Header value and body of a stored message (LF line ends, as the Maildir holds them).
QByteArray headerOf(const QByteArray& message, const QByteArray& name)
{
    for (const QByteArray& line : message.left(message.indexOf("\n\n")).split('\n'))
        if (line.startsWith(name + ": "))
            return line.mid(name.size() + 2);
    return {};
}

QByteArray bodyOf(const QByteArray& message)
{
    return message.mid(message.indexOf("\n\n") + 2);
}

} // namespace

class TestSmtpDelivery : public QObject
{
    Q_OBJECT

    std::unique_ptr<SmtpSink> sink;
    std::unique_ptr<TestApp> app;
    std::unique_ptr<SmtpSession> smtp;

private slots:
    void initTestCase()
    {
        sink = std::make_unique<SmtpSink>();
        QVERIFY2(sink->isRunning(), qPrintable(sink->errorText()));
    }

    void init()
    {
        app = std::make_unique<TestApp>();
        app->state->settings().setText(SystemSettings::SMTP_Server_Address, sink->address());
        smtp = std::make_unique<SmtpSession>(app->state->settings(), app->state->errors());
    }

    void cleanup()
    {
        smtp.reset();
        app.reset();
    }

    void cleanupTestCase() { sink.reset(); }

    void plainReplyArrivesWithEnvelopeHeadersAndBody()
    {
        const int before = int(sink->messages().size());
        const QString body = QStringLiteral("Dear Ann,\r\n.\r\n..two dots\r\n. spaced\r\nBye.");
        QVERIFY(smtp->SendMail(To, From, QStringLiteral("Receipt Confirmation"), body));
        QVERIFY(app->dialogs.shown().isEmpty());

        const QList<QByteArray> stored = sink->messages();
        QCOMPARE(stored.size(), before + 1);
        const QByteArray m = stored.last();
        QCOMPARE(headerOf(m, "X-MailFrom"), QByteArray("forms@example.com"));
        QCOMPARE(headerOf(m, "X-RcptTo"), QByteArray("ann@example.com"));
        QCOMPARE(headerOf(m, "From"), QByteArray("forms@example.com"));
        QCOMPARE(headerOf(m, "To"), QByteArray("ann@example.com"));
        QCOMPARE(headerOf(m, "Subject"), QByteArray("Receipt Confirmation"));
        QVERIFY(!headerOf(m, "Date").isEmpty());
        QVERIFY(!m.contains("MIME-Version"));
        // The server took the extra dots off again: the lines are those of the reply.
        QCOMPARE(bodyOf(m), QByteArray("Dear Ann,\n.\n..two dots\n. spaced\nBye.\n"));
    }

    void nonAsciiReplyDecodesToTheSameText()
    {
        const QString subject = QStringLiteral(
            "Re\u00e7u \u2013 merci beaucoup pour votre message, \u00e0 bient\u00f4t \u2713");
        QString body = QStringLiteral("Ch\u00e8re Zo\u00eb,\r\n.\r\nx = y \r\n");
        body += QString(120, QChar(0x00e9)) + QStringLiteral("\r\n");
        body += QString(90, QLatin1Char('a')) + QStringLiteral(" end\t\r\n\U0001F600 fin");
        QVERIFY(smtp->SendMail(To, From, subject, body));
        QVERIFY(app->dialogs.shown().isEmpty());

        const QByteArray m = sink->messages().last();
        for (const QByteArray& line : m.split('\n'))
            QVERIFY2(line.size() <= 78 || line.startsWith("X-"), line.constData());
        const QJsonObject decoded = SmtpSink::decoded(m);
        QCOMPARE(decoded.value(QStringLiteral("content_type")).toString(),
                 QStringLiteral("text/plain"));
        const QJsonObject headers = decoded.value(QStringLiteral("headers")).toObject();
        QCOMPARE(headers.value(QStringLiteral("Subject")).toString(), subject);
        QString expected = body;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(decoded.value(QStringLiteral("body")).toString(), expected + QLatin1Char('\n'));
    }
};

QTEST_MAIN(TestSmtpDelivery)
#include "test_smtpdelivery.moc"
