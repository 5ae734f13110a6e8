#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The text of one message as it goes over the wire after DATA. A body in plain ASCII with
// lines that any server takes goes out as it is; other text goes as UTF-8, quoted-printable in
// the body and RFC 2047 encoded words in the headers, because the dialogue never negotiates
// 8-bit transport. Every message says it is an automatic reply, so other responders leave it.
class SmtpMessage
{
public:
    // The longest line, without its CR LF, that standard servers take.
    static constexpr qsizetype MaxLineBytes = 998;
    // The longest address servers take in MAIL FROM and RCPT TO (a path of 256 bytes).
    static constexpr qsizetype MaxAddressBytes = 254;

    SmtpMessage(const QDateTime& date, const QString& sender, const QString& recipient,
                const QString& subject, const QString& body);

    // The header lines in order, without the empty line that ends the header.
    QList<QByteArray> headerLines() const;
    // The body with CR LF line breaks and every line that starts with "." given one more.
    QByteArray body() const { return m_body; }

    static bool isAscii(const QString& text);
    static bool holdsLineBreak(const QString& text);
    // The address inside angle brackets when the text has them, else the trimmed text.
    static QString envelopeAddress(const QString& address);
    static bool holdsLongAddress(const QString& address);
    static QByteArray headerValue(const QString& value);
    // An address header: only a display name becomes encoded words, the address stays plain.
    static QByteArray addressValue(const QString& value);
    // "Sun, 06 Dec 2026 21:30:05 +0000", whatever the user's language.
    static QByteArray dateValue(const QDateTime& date);
    // "<" unique "@" the sender's domain ">".
    static QByteArray messageId(const QString& sender);
    static bool holdsLongLine(const QByteArray& crlfText);
    static QByteArray encodedWords(const QString& value);
    static QByteArray withCrlf(const QByteArray& text);
    static QByteArray quotedPrintable(const QByteArray& crlfText);
    static QByteArray dotStuffed(const QByteArray& crlfText);

private:
    QDateTime m_date;
    QString m_sender;
    QString m_recipient;
    QString m_subject;
    QByteArray m_body;
    QByteArray m_messageId;
    bool m_ascii = true;
    bool m_quoted = false;
};
