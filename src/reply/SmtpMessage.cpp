#include "reply/SmtpMessage.h"

namespace {

constexpr qsizetype MaxQuotedLine = 76;
// UTF-8 bytes per encoded word: 48 characters of base64, so "Subject: " and one word fit in
// the 76 characters a line with encoded words may have.
constexpr qsizetype WordBytes = 36;

const QByteArray Crlf("\r\n");

} // namespace

SmtpMessage::SmtpMessage(const QString& date, const QString& sender, const QString& recipient,
                         const QString& subject, const QString& body)
    : m_date(date), m_sender(sender), m_recipient(recipient), m_subject(subject)
{
    // A subject stays one header line whatever the form put into it.
    for (QChar& c : m_subject)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    m_mime = !isAscii(body);
    const QByteArray text = withCrlf(m_mime ? body.toUtf8() : body.toLatin1());
    m_body = dotStuffed(m_mime ? quotedPrintable(text) : text);
}

QList<QByteArray> SmtpMessage::headerLines() const
{
    QList<QByteArray> lines{
        "Date: " + headerValue(m_date),
        "From: " + headerValue(m_sender),
        "To: " + headerValue(m_recipient),
        "Subject: " + headerValue(m_subject),
    };
    if (m_mime) {
        lines << QByteArray("MIME-Version: 1.0")
              << QByteArray("Content-Type: text/plain; charset=UTF-8")
              << QByteArray("Content-Transfer-Encoding: quoted-printable");
    }
    return lines;
}

bool SmtpMessage::isAscii(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0x7f)
            return false;
    return true;
}

bool SmtpMessage::holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

QString SmtpMessage::envelopeAddress(const QString& address)
{
    const qsizetype open = address.indexOf(QLatin1Char('<'));
    const qsizetype close = address.indexOf(QLatin1Char('>'), open + 1);
    if (open >= 0 && close > open)
        return address.mid(open + 1, close - open - 1).trimmed();
    return address.trimmed();
}

QByteArray SmtpMessage::headerValue(const QString& value)
{
    return isAscii(value) ? value.toLatin1() : encodedWords(value);
}

QByteArray SmtpMessage::encodedWords(const QString& value)
{
    // Words end between characters, never inside one, and are folded onto lines of their own.
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < value.size();) {
        const qsizetype width = (value[i].isHighSurrogate() && i + 1 < value.size()) ? 2 : 1;
        const QByteArray bytes = value.mid(i, width).toUtf8();
        if (chunk.size() + bytes.size() > WordBytes) {
            words << chunk;
            chunk.clear();
        }
        chunk += bytes;
        i += width;
    }
    if (!chunk.isEmpty())
        words << chunk;
    QByteArray out;
    for (const QByteArray& w : words) {
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + w.toBase64() + "?=";
    }
    return out;
}

QByteArray SmtpMessage::withCrlf(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += Crlf;
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += Crlf;
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray SmtpMessage::quotedPrintable(const QByteArray& crlfText)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(crlfText.size() * 3 / 2);
    const QList<QByteArray> lines = crlfText.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        if (line.endsWith('\r'))
            line.chop(1);
        qsizetype used = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            const bool last = i + 1 == line.size();
            QByteArray piece;
            if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last))
                piece = QByteArray(1, char(c));
            else
                piece = QByteArray{"=", 1} + hex[c >> 4] + hex[c & 15];
            // A soft break ("=" at the end) keeps every line within 76 characters.
            if (used + piece.size() > MaxQuotedLine - 1) {
                out += "=\r\n";
                used = 0;
            }
            out += piece;
            used += piece.size();
        }
        if (n + 1 < lines.size())
            out += Crlf;
    }
    return out;
}

QByteArray SmtpMessage::dotStuffed(const QByteArray& crlfText)
{
    QByteArray out;
    out.reserve(crlfText.size() + 8);
    bool lineStart = true;
    for (char c : crlfText) {
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = c == '\n';
    }
    return out;
}
