#pragma once

#include <QByteArray>
#include <QString>

// Real MIME messages as mail programs deliver them, for inbox tests. Every message has a From,
// a Subject and a Date; the sender is given as "Name <address>".
namespace MailSamples {

// Form fields as a browser posts them.
QByteArray formData(const QString& name = QStringLiteral("Ann Lee"));
// A mailto form submission: a "Form posted from" note and the form data attached with a
// Content-Disposition (the usual shape).
QByteArray formSubmission(const QString& sender, const QByteArray& data = formData());
// The form data attached with only a name in its Content-Type, as older mail programs send it.
QByteArray formSubmissionNameOnly(const QString& sender, const QByteArray& data = formData());
// The note with the form data and a second attachment.
QByteArray twoAttachments(const QString& sender);
// The note with a whole message attached (message/rfc822) instead of form data.
QByteArray attachedMessage(const QString& sender);
// The form data attached, but the note says "form posted from" in lower case only.
QByteArray lowerCaseMarker(const QString& sender);
// An ordinary mail: quoted-printable ISO-8859-1 text, no attachment.
QByteArray ordinaryMail(const QString& sender, const QString& text);

} // namespace MailSamples
