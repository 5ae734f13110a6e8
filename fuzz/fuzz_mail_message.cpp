// The inbox's MIME reading. Any bytes: reading never throws, the sender it finds is plain text
// that a reply can go to, and reading the same bytes twice gives the same message. A message
// made from the input's texts (a sender with an encoded display name, a base64 body in UTF-8,
// one attachment) gives back exactly that sender, body and attachment.
#include "FuzzSupport.h"

#include "platform/mail/MailInbox.h"
#include "platform/mail/MailMessage.h"

namespace {

// Letters, digits and a few marks, so the address is one that any parser keeps as written.
QByteArray addressPart(const QByteArray& raw, const char* fallback)
{
    static const char allowed[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray out;
    for (const char c : raw.left(40))
        out += allowed[static_cast<unsigned char>(c) % (sizeof allowed - 1)];
    return out.isEmpty() ? QByteArray(fallback) : out;
}

QByteArray wrapped(const QByteArray& base64)
{
    QByteArray out;
    for (qsizetype i = 0; i < base64.size(); i += 76)
        out += base64.mid(i, 76) + "\r\n";
    return out;
}

// No line breaks, no NUL, no other control character: text for the log and an address for
// the reply's commands.
bool plainText(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

void checkMade(const QByteArray& input)
{
    const QList<QByteArray> p = input.split('\xff');
    const auto part = [&](int i) { return i < p.size() ? p[i] : QByteArray(); };
    const QByteArray local = addressPart(part(0), "anna");
    const QByteArray domain = addressPart(part(1), "example") + ".org";
    const QString name = QString::fromUtf8(part(2));
    const QString body = QString::fromUtf8(part(3));
    const QByteArray attachment = part(4);
    const bool automatic = !part(5).isEmpty();

    const QByteArray address = local + '@' + domain;
    QByteArray raw = "From: =?UTF-8?B?" + name.toUtf8().toBase64() + "?= <" + address + ">\r\n" +
                     "To: forms@example.net\r\nSubject: form\r\nMIME-Version: 1.0\r\n";
    if (automatic)
        raw += "Auto-Submitted: auto-replied\r\n";
    raw += "Content-Type: multipart/mixed; boundary=\"=_b\"\r\n\r\n"
           "--=_b\r\nContent-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           wrapped(body.toUtf8().toBase64()) +
           "--=_b\r\nContent-Type: application/octet-stream; name=\"form.att\"\r\n"
           "Content-Disposition: attachment; filename=\"form.att\"\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           wrapped(attachment.toBase64()) + "--=_b--\r\n";

    const MailMessage m(raw);
    if (m.originator() != QString::fromLatin1(address))
        std::fprintf(stderr, "sender read as %s\n", qPrintable(m.originator()));
    FUZZ_CHECK(m.originator() == QString::fromLatin1(address));
    FUZZ_CHECK(m.bodyText() == body);
    FUZZ_CHECK(m.attachments().size() == 1);
    FUZZ_CHECK(m.attachments()[0].type == MailInbox::DataFile);
    FUZZ_CHECK(m.attachments()[0].data == attachment);
    if (automatic)
        FUZZ_CHECK(m.isAutomatic());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    if (input.startsWith("MADE"))
        checkMade(input.mid(4));

    const MailMessage m(input);
    FUZZ_CHECK(plainText(m.originator()));
    const MailMessage again(input);
    FUZZ_CHECK(again.originator() == m.originator());
    FUZZ_CHECK(again.bodyText() == m.bodyText());
    FUZZ_CHECK(again.isAutomatic() == m.isAutomatic());
    FUZZ_CHECK(again.attachments().size() == m.attachments().size());
    for (qsizetype i = 0; i < m.attachments().size(); ++i) {
        FUZZ_CHECK(again.attachments()[i].type == m.attachments()[i].type);
        FUZZ_CHECK(again.attachments()[i].data == m.attachments()[i].data);
    }
    return 0;
}
