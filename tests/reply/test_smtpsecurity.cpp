// Sending through real servers that protect and guard themselves as mail providers do: aiosmtpd
// with STARTTLS or TLS from the first byte, certificates of the test's own authority, and logins.
#include "SmtpSink.h"
#include "TestCertificates.h"
#include "TestSupport.h"
#include "reply/SmtpSession.h"

namespace {

const QString From = QStringLiteral("forms@example.com");
const QString To = QStringLiteral("ann@example.com");
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

    SmtpSinkOptions serverOptions(Tls tls, bool stranger = false) const
    {
        SmtpSinkOptions o;
        o.tls = tls;
        o.certificateFile = stranger ? certificates->strangerCertificate() : certificates->serverCertificate();
        o.keyFile = stranger ? certificates->strangerKey() : certificates->serverKey();
        o.user = User;
        o.password = Password;
        return o;
    }
    void useAccount(const SmtpSink& sink, const QString& security, const QString& user, const QString& password)
    {
        SystemSettings& s = app->settings();
        s.setText(SystemSettings::SMTP_Server_Address, sink.address());
        s.setText(SystemSettings::SMTP_Security, security);
        s.setText(SystemSettings::MAPI_ID, user);
        s.setText(SystemSettings::MAPI_Password, password);
    }

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

    void loginDelivers_data()
    {
        QTest::addColumn<int>("tls");
        QTest::addColumn<QString>("security");
        QTest::addColumn<QStringList>("excluded");
        QTest::newRow("STARTTLS, AUTH PLAIN") << int(Tls::StartTls) << "STARTTLS" << QStringList{};
        QTest::newRow("STARTTLS, AUTH LOGIN only") << int(Tls::StartTls) << "starttls" << QStringList{"PLAIN"};
        QTest::newRow("TLS from the first byte") << int(Tls::Implicit) << "SSL/TLS" << QStringList{};
        QTest::newRow("local bridge in clear") << int(Tls::None) << "None" << QStringList{};
    }
    // The server refuses any message without the login, and STARTTLS servers any login before
    // TLS: a delivered message proves the whole order.
    void loginDelivers()
    {
        QFETCH(int, tls);
        QFETCH(QString, security);
        QFETCH(QStringList, excluded);
        SmtpSinkOptions options = serverOptions(Tls(tls));
        options.excludedMechanisms = excluded;
        SmtpSink sink(options);
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        useAccount(sink, security, User, Password);

        QCOMPARE(smtp->CheckAccount(), QString());
        QVERIFY(smtp->SendMail(To, From, "Receipt", "Thanks."));
        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(sink.messages().first().contains("X-RcptTo: ann@example.com\n"));
        QCOMPARE(sink.connections(), 2);
    }

    void refusalShowsItsMessage_data()
    {
        QTest::addColumn<int>("tls");
        QTest::addColumn<bool>("stranger");    // the server's certificate is self-signed
        QTest::addColumn<QString>("security");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("loopbackTrusted");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("serverSaid"); // how the last words start
        // clang-format off
        QTest::newRow("wrong password") << int(Tls::StartTls) << false << "STARTTLS" << User << "guess" << true
            << ErrorCode::SmtpLoginRefused << "   Server said: 535";
        QTest::newRow("wrong user over TLS") << int(Tls::Implicit) << false << "TLS" << "eve" << Password << true
            << ErrorCode::SmtpLoginRefused << "   Server said: 535";
        QTest::newRow("no user name where a login is required") << int(Tls::None) << false << "None" << "" << ""
            << true << ErrorCode::SmtpLoginRefused << "   Server said: 530";
        QTest::newRow("no password in clear to a remote server") << int(Tls::None) << false << "None" << User
            << Password << false << ErrorCode::SmtpLoginRefused << "   Server said: 530";
        QTest::newRow("STARTTLS, untrusted certificate") << int(Tls::StartTls) << true << "STARTTLS" << User
            << Password << true << ErrorCode::SmtpUntrusted << "";
        QTest::newRow("TLS, untrusted certificate") << int(Tls::Implicit) << true << "TLS" << User << Password
            << true << ErrorCode::SmtpUntrusted << "";
        QTest::newRow("STARTTLS not offered") << int(Tls::None) << false << "STARTTLS" << User << Password << true
            << ErrorCode::SmtpNotSecure << "   Server said: 250";
        QTest::newRow("TLS to a server in clear") << int(Tls::None) << false << "TLS" << User << Password << true
            << ErrorCode::SmtpNotSecure << "";
        QTest::newRow("line break in the password") << int(Tls::StartTls) << false << "STARTTLS" << User
            << "pw\r\nRSET" << true << ErrorCode::SmtpLoginRefused << "";
        QTest::newRow("line break in the user name") << int(Tls::StartTls) << false << "STARTTLS" << "desk\n"
            << Password << true << ErrorCode::SmtpLoginRefused << "";
        // clang-format on
    }
    // A check gives the message's text and shows nothing; a send shows it in its box. Neither
    // lets the password out, and nothing reaches the mailbox.
    void refusalShowsItsMessage()
    {
        QFETCH(int, tls);
        QFETCH(bool, stranger);
        QFETCH(QString, security);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, loopbackTrusted);
        QFETCH(QString, message);
        QFETCH(QString, serverSaid);
        SmtpSink sink(serverOptions(Tls(tls), stranger));
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        useAccount(sink, security, user, password);
        smtp->setLoopbackTrusted(loopbackTrusted);

        QCOMPARE(smtp->CheckAccount(), message);
        QVERIFY(app->dialogs.shown().isEmpty());
        QVERIFY(!smtp->SendMail(To, From, "Receipt", "Thanks."));
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        QVERIFY2(serverSaid.isEmpty() ? !smtp->serverWords().contains("250")
                                      : smtp->serverWords().startsWith(serverSaid),
                 qPrintable(smtp->serverWords()));
        QVERIFY(!smtp->serverWords().contains(Password));
        QVERIFY(sink.messages().isEmpty());
        if (password.contains('\n') || user.contains('\n'))
            QCOMPARE(sink.connections(), 0);
    }
};

QTEST_MAIN(TestSmtpSecurity)
#include "test_smtpsecurity.moc"
