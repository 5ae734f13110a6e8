#include "design/TemplateFile.h"

#include "common/LegacyText.h"

namespace {
const QString CrLf = QStringLiteral("\r\n");
constexpr QChar Quote = u'"';
constexpr QChar Comma = u',';

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}
} // namespace

QString TemplateFile::field(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += Quote;
    for (QChar c : text) {
        if (c == Quote)
            out += Quote;
        out += c;
    }
    out += Quote;
    return out;
}

QByteArray TemplateFile::encode(const QString& design, const QList<FormVariable>& rows)
{
    QString text = field(design) + CrLf;
    for (const FormVariable& row : rows) {
        text += field(row.formName) + CrLf;
        // An unset friendly name stays unset: an empty line, not an empty pair of quotes.
        if (!row.friendlyName.isNull())
            text += field(row.friendlyName);
        text += CrLf;
    }
    return text.toUtf8();
}

TemplateFile::TemplateFile(const QByteArray& bytes) : m_text(LegacyText::decode(bytes))
{
    // Editors on Windows like to start a UTF-8 file with a byte order mark.
    if (m_text.startsWith(QChar(0xFEFF)))
        m_pos = 1;
}

bool TemplateFile::atLineEnd() const
{
    return m_pos < m_text.size() && isLineBreak(m_text[m_pos]);
}

void TemplateFile::skipLineEnd()
{
    if (m_pos < m_text.size() && m_text[m_pos] == u'\r')
        ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == u'\n')
        ++m_pos;
}

QString TemplateFile::readQuoted()
{
    QString out;
    ++m_pos; // the opening quote
    for (;;) {
        const qsizetype close = m_text.indexOf(Quote, m_pos);
        if (close < 0) { // unterminated: the field runs to the end of the file
            out += QStringView(m_text).mid(m_pos);
            m_pos = m_text.size();
            return out;
        }
        out += QStringView(m_text).mid(m_pos, close - m_pos);
        m_pos = close + 1;
        if (m_pos < m_text.size() && m_text[m_pos] == Quote) {
            out += Quote;
            ++m_pos;
            continue;
        }
        return out;
    }
}

std::optional<QString> TemplateFile::readField()
{
    if (atEnd())
        return std::nullopt;
    while (m_pos < m_text.size() && m_text[m_pos] == u' ')
        ++m_pos;

    QString value;
    if (m_pos < m_text.size() && m_text[m_pos] == Quote) {
        value = readQuoted();
        if (value.isNull())
            value = QStringLiteral(""); // quoted yet empty: set to nothing, not unset
        while (m_pos < m_text.size() && m_text[m_pos] != Comma && !atLineEnd())
            ++m_pos;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != Comma && !atLineEnd())
            ++m_pos;
        if (m_pos > start)
            value = m_text.mid(start, m_pos - start);
    }
    if (m_pos < m_text.size() && m_text[m_pos] == Comma)
        ++m_pos;
    else
        skipLineEnd();
    return value;
}
