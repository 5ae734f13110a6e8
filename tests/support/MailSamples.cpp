#include "MailSamples.h"

#include <QStringList>
#include <QUrl>

namespace {

const QByteArray Boundary = "----=_Part_0001";

QByteArray lines(const QStringList& text)
{
    return text.join("\r\n").toUtf8() + "\r\n";
}

QByteArray header(const QString& sender, const QString& contentType)
{
    return lines({"Return-Path: <" + sender.section('<', 1).section('>', 0, 0) + ">", "From: " + sender,
                  "To: forms@example.org", "Subject: Form posted from Mozilla",
                  "Date: Tue, 3 Mar 1998 10:15:00 +0100", "MIME-Version: 1.0", "Content-Type: " + contentType});
}

QByteArray mixed(const QString& sender, const QList<QByteArray>& parts)
{
    QByteArray message = header(sender, "multipart/mixed; boundary=\"" + Boundary + "\"") +
                         "\r\nThis is a multi-part message in MIME format.\r\n";
    for (const QByteArray& part : parts)
        message += "--" + Boundary + "\r\n" + part;
    return message + "--" + Boundary + "--\r\n";
}

QByteArray note(const QString& text = "Form posted from Mozilla")
{
    return lines({"Content-Type: text/plain; charset=us-ascii", "Content-Transfer-Encoding: 7bit", "", text});
}

QByteArray dataPart(const QByteArray& data, bool disposition)
{
    QStringList text{"Content-Type: application/x-www-form-urlencoded; name=\"POSTDATA.ATT\"",
                     "Content-Transfer-Encoding: base64"};
    if (disposition)
        text << "Content-Disposition: attachment; filename=\"POSTDATA.ATT\"";
    return lines(text << "" << QString::fromLatin1(data.toBase64()));
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
    return mixed(sender, {note(), dataPart(formData(), true),
                          lines({"Content-Type: text/plain; name=\"readme.txt\"",
                                 "Content-Disposition: attachment; filename=\"readme.txt\"", "",
                                 "A second attachment."})});
}

QByteArray MailSamples::attachedMessage(const QString& sender)
{
    return mixed(sender, {note(), lines({"Content-Type: message/rfc822", "Content-Disposition: attachment", ""}) +
                          header("Bob <bob@example.net>", "text/plain; charset=us-ascii") +
                          "\r\nThe forwarded message.\r\n"});
}

QByteArray MailSamples::lowerCaseMarker(const QString& sender)
{
    return mixed(sender, {note("form posted from Mozilla"), dataPart(formData(), true)});
}

QByteArray MailSamples::ordinaryMail(const QString& sender, const QString& text)
{
    QByteArray quoted;
    for (const char c : text.toLatin1()) {
        const auto u = static_cast<unsigned char>(c);
        quoted += u >= 128 || c == '=' ? '=' + QByteArray::number(u, 16).toUpper() : QByteArray(1, c);
    }
    return header(sender, "text/plain; charset=iso-8859-1") +
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + quoted + "\r\n";
}
