#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

namespace {

const QStringList EcKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
const QString Names = QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1");

} // namespace

TestCertificates::TestCertificates()
{
    const auto path = [this](const char* name) { return m_dir.filePath(QString::fromLatin1(name)); };
    QFile extensions(path("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) ||
        extensions.write((Names + "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n").toLatin1()) < 0) {
        m_error = extensions.errorString();
        return;
    }
    extensions.close();
    const QStringList days{QStringLiteral("-days"), QStringLiteral("2")};
    openssl(QStringList{"req", "-x509"} + EcKey + days +
            QStringList{"-keyout", path("ca.key"), "-out", path("ca.pem"), "-subj", "/CN=Test Authority",
                        "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                        "keyUsage=critical,keyCertSign,cRLSign"}) &&
        openssl(QStringList{"req"} + EcKey +
                QStringList{"-keyout", path("server.key"), "-out", path("server.csr"), "-subj", "/CN=localhost"}) &&
        openssl(QStringList{"x509", "-req", "-in", path("server.csr"), "-CA", path("ca.pem"), "-CAkey",
                            path("ca.key"), "-CAcreateserial", "-out", path("server.pem"), "-extfile",
                            path("server.ext")} +
                days) &&
        openssl(QStringList{"req", "-x509"} + EcKey + days +
                QStringList{"-keyout", path("stranger.key"), "-out", path("stranger.pem"), "-subj", "/CN=localhost",
                            "-addext", Names});
}

QList<QSslCertificate> TestCertificates::authority() const
{
    return QSslCertificate::fromPath(authorityFile());
}

bool TestCertificates::openssl(const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1: %2 %3")
                      .arg(arguments.first(), p.errorString(), QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}
