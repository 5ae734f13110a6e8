// Sending through real servers that protect and guard themselves as mail providers do: aiosmtpd
// with STARTTLS or TLS from the first byte, certificates of the test's own authority, and logins.
#include "SmtpSink.h"
#include "TestCertificates.h"
#include "TestSupport.h"
#include "reply/SmtpSession.h"

namespace {

const QString User = QStringLiteral("desk@example.com");
const QString Password = QStringLiteral("s3cret p\u00e4ss");
using Tls = SmtpSinkOptions::Tls;

} // namespace

class TestSmtpSecurity : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestCertificates> certificates;
    std::unique_ptr<TestApp> app;
    std::unique_ptr<SmtpSession> smtp;

private slots:
    void initTestCase()
    {
        certificates = std::make_unique<TestCertificates>();
        QVERIFY2(certificates->isValid(), qPrintable(certificates->errorText()));
    }
    void init()
    {
        app = std::make_unique<TestApp>();
        smtp = std::make_unique<SmtpSession>(app->settings(), app->state->errors());
        smtp->trustAuthorities(certificates->authority());
        smtp->setReplyLimit(20000);
    }
    void cleanup()
    {
        smtp.reset();
        app.reset();
    }

    void loginDeliversOrShowsWhyNot_data()
    {
        QTest::addColumn<int>("tls");
        QTest::addColumn<QString>("options"); // "stranger": a self-signed certificate; "remote": loopback not trusted; else a mechanism the server lacks
        QTest::addColumn<QString>("security");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message"); // empty: delivered
        QTest::addColumn<QString>("serverSaid"); // how the last words start
        // clang-format off
        QTest::newRow("STARTTLS, AUTH PLAIN") << int(Tls::StartTls) << "" << "STARTTLS" << User << Password << "" << "";
        QTest::newRow("STARTTLS, AUTH LOGIN only") << int(Tls::StartTls) << "PLAIN" << "starttls" << User << Password << "" << "";
        QTest::newRow("TLS from the first byte") << int(Tls::Implicit) << "" << "SSL/TLS" << User << Password << "" << "";
        QTest::newRow("local bridge in clear") << int(Tls::None) << "" << "None" << User << Password << "" << "";
        QTest::newRow("wrong password") << int(Tls::StartTls) << "" << "STARTTLS" << User << "guess"
            << ErrorCode::SmtpLoginRefused << "   Server said: 535";
        QTest::newRow("no user name where a login is required") << int(Tls::None) << "" << "None" << "" << ""
            << ErrorCode::SmtpLoginRefused << "   Server said: 530";
        QTest::newRow("no password in clear to a remote server") << int(Tls::None) << "remote" << "None" << User
            << Password << ErrorCode::SmtpLoginRefused << "   Server said: 530";
        QTest::newRow("STARTTLS, untrusted certificate") << int(Tls::StartTls) << "stranger" << "STARTTLS" << User
            << Password << ErrorCode::SmtpUntrusted << "";
        QTest::newRow("STARTTLS not offered") << int(Tls::None) << "" << "STARTTLS" << User << Password
            << ErrorCode::SmtpNotSecure << "   Server said: 250";
        QTest::newRow("TLS to a server in clear") << int(Tls::None) << "" << "TLS" << User << Password
            << ErrorCode::SmtpNotSecure << "";
        QTest::newRow("line break in the password") << int(Tls::StartTls) << "" << "STARTTLS" << User
            << "pw\r\nRSET" << ErrorCode::SmtpLoginRefused << "";
        QTest::newRow("line break in the user name") << int(Tls::StartTls) << "" << "STARTTLS" << "desk\n"
            << Password << ErrorCode::SmtpLoginRefused << "";
        // clang-format on
    }
    // The server refuses any message without the login, and STARTTLS servers any login before
    // TLS: a delivered message proves the whole order. A refused check gives the message's text
    // and shows nothing; a send shows it in its box. Neither lets the password out.
    void loginDeliversOrShowsWhyNot()
    {
        QFETCH(int, tls);
        QFETCH(QString, options);
        QFETCH(QString, security);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(QString, serverSaid);
        SmtpSinkOptions o;
        o.tls = Tls(tls);
        const bool stranger = options == "stranger";
        o.certificateFile = stranger ? certificates->strangerCertificate() : certificates->serverCertificate();
        o.keyFile = stranger ? certificates->strangerKey() : certificates->serverKey();
        o.user = User;
        o.password = Password;
        if (options == "PLAIN")
            o.excludedMechanisms = QStringList{options};
        SmtpSink sink(o);
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        SystemSettings& s = app->settings();
        s.setText(SystemSettings::SMTP_Server_Address, sink.address());
        s.setText(SystemSettings::SMTP_Security, security);
        s.setText(SystemSettings::MAPI_ID, user);
        s.setText(SystemSettings::MAPI_Password, password);
        smtp->setLoopbackTrusted(options != "remote");

        QCOMPARE(smtp->CheckAccount(), message);
        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(smtp->SendMail("ann@example.com", "forms@example.com", "Receipt", "Thanks."), message.isEmpty());
        QCOMPARE(app->dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{warning(message)});
        QCOMPARE(sink.messages().size(), message.isEmpty() ? 1 : 0);
        if (message.isEmpty()) {
            QVERIFY(sink.messages().first().contains("X-RcptTo: ann@example.com\n"));
            QCOMPARE(sink.connections(), 2);
            return;
        }
        QVERIFY2(serverSaid.isEmpty() ? !smtp->serverWords().contains("250") : smtp->serverWords().startsWith(serverSaid),
                 qPrintable(smtp->serverWords()));
        QVERIFY(!smtp->serverWords().contains(Password));
        if (password.contains('\n') || user.contains('\n'))
            QCOMPARE(sink.connections(), 0);
    }
};

QTEST_MAIN(TestSmtpSecurity)
#include "test_smtpsecurity.moc"
