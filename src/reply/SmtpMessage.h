#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The text of one message as it goes over the wire after DATA. A message in plain ASCII goes
// out as it is; other text goes as UTF-8, quoted-printable in the body and RFC 2047 encoded
// words in the headers, because the dialogue never negotiates 8-bit transport.
class SmtpMessage
{
public:
    SmtpMessage(const QString& date, const QString& sender, const QString& recipient,
                const QString& subject, const QString& body);

    // The header lines in order, without the empty line that ends the header.
    QList<QByteArray> headerLines() const;
    // The body with CR LF line breaks and every line that starts with "." given one more.
    QByteArray body() const { return m_body; }

    static bool isAscii(const QString& text);
    static bool holdsLineBreak(const QString& text);
    // The address inside angle brackets when the text has them, else the trimmed text.
    static QString envelopeAddress(const QString& address);
    static QByteArray headerValue(const QString& value);
    static QByteArray encodedWords(const QString& value);
    static QByteArray withCrlf(const QByteArray& text);
    static QByteArray quotedPrintable(const QByteArray& crlfText);
    static QByteArray dotStuffed(const QByteArray& crlfText);

private:
    QString m_date;
    QString m_sender;
    QString m_recipient;
    QString m_subject;
    QByteArray m_body;
    bool m_mime = false;
};
