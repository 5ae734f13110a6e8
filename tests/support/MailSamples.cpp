#include "MailSamples.h"

#include <QStringList>
#include <QUrl>

QByteArray MailSamples::lines(const QStringList& text)
{
    return text.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

QByteArray MailSamples::header(const QString& sender, const QString& contentType)
{
    return lines(
        {QStringLiteral("Return-Path: <%1>").arg(sender.section('<', 1).section('>', 0, 0)),
         QStringLiteral("From: %1").arg(sender), QStringLiteral("To: forms@example.org"),
         QStringLiteral("Subject: Form posted from Mozilla"),
         QStringLiteral("Date: Tue, 3 Mar 1998 10:15:00 +0100"),
         QStringLiteral("MIME-Version: 1.0"), QStringLiteral("Content-Type: %1").arg(contentType)});
}

namespace {
using namespace MailSamples;

const QString Boundary = QStringLiteral("----=_Part_0001");

QByteArray mixed(const QString& sender, const QList<QByteArray>& parts)
{
    QByteArray message =
        header(sender, QStringLiteral("multipart/mixed; boundary=\"%1\"").arg(Boundary)) + "\r\n" +
        "This is a multi-part message in MIME format.\r\n";
    for (const QByteArray& part : parts)
        message += "--" + Boundary.toUtf8() + "\r\n" + part;
    return message + "--" + Boundary.toUtf8() + "--\r\n";
}

QByteArray note(const QString& text = QStringLiteral("Form posted from Mozilla"))
{
    return lines({QStringLiteral("Content-Type: text/plain; charset=us-ascii"),
                  QStringLiteral("Content-Transfer-Encoding: 7bit"), QString(), text});
}

QByteArray dataPart(const QByteArray& data, bool disposition)
{
    QStringList text{QStringLiteral("Content-Type: application/x-www-form-urlencoded; "
                                    "name=\"POSTDATA.ATT\"")};
    text << QStringLiteral("Content-Transfer-Encoding: base64");
    if (disposition)
        text << QStringLiteral("Content-Disposition: attachment; filename=\"POSTDATA.ATT\"");
    text << QString() << QString::fromLatin1(data.toBase64());
    return lines(text);
}

} // namespace

QByteArray MailSamples::formData(const QString& name)
{
    return "name=" + QUrl::toPercentEncoding(name).replace("%20", "+") +
           "&email=ann%40example.com&comments=Please+call+me%21";
}

QByteArray MailSamples::formSubmission(const QString& sender, const QByteArray& data)
{
    return mixed(sender, {note(), dataPart(data, true)});
}

QByteArray MailSamples::formSubmissionNameOnly(const QString& sender, const QByteArray& data)
{
    return mixed(sender, {note(), dataPart(data, false)});
}

QByteArray MailSamples::twoAttachments(const QString& sender)
{
    const QByteArray second =
        lines({QStringLiteral("Content-Type: text/plain; name=\"readme.txt\""),
               QStringLiteral("Content-Disposition: attachment; filename=\"readme.txt\""),
               QString(), QStringLiteral("A second attachment.")});
    return mixed(sender, {note(), dataPart(formData(), true), second});
}

QByteArray MailSamples::attachedMessage(const QString& sender)
{
    const QByteArray inner = header(QStringLiteral("Bob <bob@example.net>"),
                                    QStringLiteral("text/plain; charset=us-ascii")) +
                             "\r\nThe forwarded message.\r\n";
    const QByteArray part = lines({QStringLiteral("Content-Type: message/rfc822"),
                                   QStringLiteral("Content-Disposition: attachment"), QString()}) +
                            inner;
    return mixed(sender, {note(), part});
}

QByteArray MailSamples::lowerCaseMarker(const QString& sender)
{
    return mixed(sender,
                 {note(QStringLiteral("form posted from Mozilla")), dataPart(formData(), true)});
}

QByteArray MailSamples::ordinaryMail(const QString& sender, const QString& text)
{
    QByteArray latin1 = text.toLatin1();
    QByteArray quoted;
    for (const char c : latin1) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 128 || c == '=')
            quoted += '=' + QByteArray::number(u, 16).toUpper();
        else
            quoted += c;
    }
    return header(sender, QStringLiteral("text/plain; charset=iso-8859-1")) +
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + quoted + "\r\n";
}
