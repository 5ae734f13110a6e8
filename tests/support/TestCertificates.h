#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QTemporaryDir>

// Certificates made for a test by the openssl tool: an authority of the test's own, a server
// certificate it signed for 127.0.0.1 and localhost, and a self-signed one for the same names
// that nobody vouches for. PEM files in a folder that goes with the object.
class TestCertificates
{
public:
    TestCertificates();

    bool isValid() const { return m_error.isEmpty(); }
    QString errorText() const { return m_error; }

    QString serverCertificate() const { return m_dir.filePath(QStringLiteral("server.pem")); }
    QString serverKey() const { return m_dir.filePath(QStringLiteral("server.key")); }
    QString strangerCertificate() const { return m_dir.filePath(QStringLiteral("stranger.pem")); }
    QString strangerKey() const { return m_dir.filePath(QStringLiteral("stranger.key")); }
    QList<QSslCertificate> authority() const;
    QString authorityFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }

private:
    bool openssl(const QStringList& arguments);

    QTemporaryDir m_dir;
    QString m_error;
};
