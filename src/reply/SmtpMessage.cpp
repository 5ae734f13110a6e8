#include "reply/SmtpMessage.h"

#include <QLocale>
#include <QSysInfo>
#include <QUrl>
#include <QUuid>

namespace {

constexpr qsizetype MaxQuotedLine = 76;
// UTF-8 bytes per encoded word: 48 characters of base64, so "Subject: " and one word fit in
// the 76 characters a line with encoded words may have.
constexpr qsizetype WordBytes = 36;
// Plain ASCII beyond this goes as folded encoded words, so "Subject: " and the value stay
// within the line limit.
constexpr qsizetype MaxPlainValue = SmtpMessage::MaxLineBytes - 16;

const QByteArray Crlf("\r\n");

} // namespace

SmtpMessage::SmtpMessage(const QDateTime& date, const QString& sender, const QString& recipient,
                         const QString& subject, const QString& body)
    : m_date(date), m_sender(sender), m_recipient(recipient), m_subject(subject),
      m_messageId(messageId(sender))
{
    // A subject stays one header line whatever the form put into it.
    for (QChar& c : m_subject)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    m_ascii = isAscii(body);
    const QByteArray text = withCrlf(m_ascii ? body.toLatin1() : body.toUtf8());
    // A comment pasted into a form can make a line that a server would refuse whole.
    m_quoted = !m_ascii || holdsLongLine(text);
    m_body = dotStuffed(m_quoted ? quotedPrintable(text) : text);
}

QList<QByteArray> SmtpMessage::headerLines() const
{
    return {
        "Date: " + dateValue(m_date),
        "From: " + addressValue(m_sender),
        "To: " + addressValue(m_recipient),
        "Subject: " + headerValue(m_subject),
        "Message-ID: " + m_messageId,
        "Auto-Submitted: auto-replied",
        "MIME-Version: 1.0",
        m_ascii ? "Content-Type: text/plain; charset=us-ascii" : "Content-Type: text/plain; charset=UTF-8",
        m_quoted ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit",
    };
}

QByteArray SmtpMessage::dateValue(const QDateTime& date)
{
    const int offset = date.offsetFromUtc() / 60;
    const int minutes = offset < 0 ? -offset : offset;
    return QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss")).toLatin1() +
           (offset < 0 ? " -" : " +") + QByteArray::number(minutes / 60).rightJustified(2, '0') +
           QByteArray::number(minutes % 60).rightJustified(2, '0');
}

QByteArray SmtpMessage::messageId(const QString& sender)
{
    const QString address = envelopeAddress(sender);
    QByteArray domain = QUrl::toAce(address.mid(address.lastIndexOf(QLatin1Char('@')) + 1));
    if (!address.contains(QLatin1Char('@')) || domain.isEmpty())
        domain = QUrl::toAce(QSysInfo::machineHostName());
    if (domain.isEmpty())
        domain = "localhost";
    return '<' + QUuid::createUuid().toByteArray(QUuid::Id128) + '@' + domain + '>';
}

QByteArray SmtpMessage::addressValue(const QString& value)
{
    const qsizetype open = value.indexOf(QLatin1Char('<'));
    if ((isAscii(value) && value.size() <= MaxPlainValue) || open < 0 ||
        value.indexOf(QLatin1Char('>'), open) < 0)
        return headerValue(value);
    const QString written = value.left(open).trimmed();
    QString name = written;
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    const QByteArray address = '<' + envelopeAddress(value).toUtf8() + '>';
    if (name.isEmpty())
        return address;
    // A plain name, quotes and all, must leave room for the address on its line.
    const bool plain = isAscii(written) && written.size() + address.size() < MaxPlainValue;
    return (plain ? written.toLatin1() : encodedWords(name)) + ' ' + address;
}

bool SmtpMessage::holdsLongLine(const QByteArray& crlfText)
{
    qsizetype start = 0;
    for (qsizetype end; (end = crlfText.indexOf('\n', start)) >= 0; start = end + 1)
        if (end - start - 1 > MaxLineBytes) // without the CR
            return true;
    return crlfText.size() - start > MaxLineBytes;
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

bool SmtpMessage::holdsLongAddress(const QString& address)
{
    return envelopeAddress(address).toUtf8().size() > MaxAddressBytes;
}

QByteArray SmtpMessage::headerValue(const QString& value)
{
    return isAscii(value) && value.size() <= MaxPlainValue ? value.toLatin1() : encodedWords(value);
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
