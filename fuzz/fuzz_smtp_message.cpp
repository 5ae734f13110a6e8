// The reply as it goes over the wire after DATA, whatever the form and the settings put into
// its sender, recipient, subject and body: every line ends in CR LF, none is longer than a
// server takes, no line is a lone "." before the end of data, and the header holds exactly the
// fields the builder writes, each one field however it is folded, so submitted text cannot add
// a header of its own or end the header early.
//
// Input: sender, recipient, subject and body, separated by 0xFF bytes.
#include "FuzzSupport.h"

#include "reply/SmtpMessage.h"

#include <QTimeZone>

namespace {

const QList<QByteArray> Fields = {"Date",
                                  "From",
                                  "To",
                                  "Subject",
                                  "Message-ID",
                                  "Auto-Submitted",
                                  "MIME-Version",
                                  "Content-Type",
                                  "Content-Transfer-Encoding"};

// The bytes between DATA and the end marker, laid out as the session sends them: each header
// line and the empty line, then the body ended by a line break.
QByteArray wire(const SmtpMessage& m)
{
    QByteArray out;
    for (const QByteArray& header : m.headerLines())
        out += header + "\r\n";
    out += "\r\n";
    out += m.body();
    if (!out.endsWith("\r\n"))
        out += "\r\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QString> t = fuzz::texts(fuzz::bytes(data, size), 4);
    const QString sender = t[0], recipient = t[1], subject = t[2], body = t[3];
    // The session refuses addresses with line breaks or too long before it builds a message.
    if (SmtpMessage::holdsLineBreak(sender) || SmtpMessage::holdsLineBreak(recipient) ||
        SmtpMessage::holdsLongAddress(sender) || SmtpMessage::holdsLongAddress(recipient))
        return 0;
    const int offset = size > 0 ? (int(data[0]) - 128) * 15 * 60 / 8 : 0;
    const QDateTime date(QDate(2026, 12, 8), QTime(1, 2, 3), QTimeZone(offset));
    const SmtpMessage message(date, sender, recipient, subject, body);
    const QByteArray text = wire(message);

    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == '\n');
        if (text[i] == '\n')
            FUZZ_CHECK(i > 0 && text[i - 1] == '\r');
    }
    QList<QByteArray> lines = text.split('\n');
    FUZZ_CHECK(lines.takeLast().isEmpty());
    for (QByteArray& line : lines) {
        line.chop(1); // the CR
        if (line.size() > SmtpMessage::MaxLineBytes)
            std::fprintf(stderr, "line of %lld bytes: %.60s...\n", qlonglong(line.size()), line.constData());
        FUZZ_CHECK(line.size() <= SmtpMessage::MaxLineBytes);
        FUZZ_CHECK(line != ".");
    }

    // The header ends at the first empty line; a line starting with a blank continues a field.
    QList<QByteArray> fields;
    qsizetype n = 0;
    for (; n < lines.size() && !lines[n].isEmpty(); ++n) {
        const QByteArray& line = lines[n];
        if (line.startsWith(' ') || line.startsWith('\t')) {
            FUZZ_CHECK(!fields.isEmpty());
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        FUZZ_CHECK(colon > 0);
        fields << line.left(colon);
    }
    FUZZ_CHECK(n < lines.size());
    if (fields != Fields)
        std::fprintf(stderr, "header fields: %s\n", fields.join(", ").constData());
    FUZZ_CHECK(fields == Fields);
    FUZZ_CHECK(message.headerLines().size() == Fields.size());
    for (const QByteArray& header : message.headerLines())
        FUZZ_CHECK(!header.contains("\r\n\r\n") && !header.endsWith('\n'));
    return 0;
}
