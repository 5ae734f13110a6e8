#include "formdata/DecodeSubmission.h"

#include "formdata/VariableTable.h"
#include "platform/LegacyText.h"
#include "processing/EventLog.h"

#include <QFile>
#include <array>

namespace {

enum CharClass : unsigned char { Plain, Percent, Equals, Ampersand, Plus, LineBreak };

constexpr std::array<unsigned char, 256> makeClasses()
{
    std::array<unsigned char, 256> t{};
    t['%'] = Percent;
    t['='] = Equals;
    t['&'] = Ampersand;
    t['+'] = Plus;
    t['\r'] = LineBreak;
    t['\n'] = LineBreak;
    return t;
}
constexpr auto kClasses = makeClasses();

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The decoding state of one call; the pending text never outlives it.
class Decoder
{
public:
    explicit Decoder(VariableTable& table) : m_table(table) {}

    void feed(const char* data, qsizetype size)
    {
        qsizetype i = 0;
        while (i < size) {
            if (m_escapeHeld >= 0) {
                feedChar(data[i++]);
                continue;
            }
            // Runs of plain characters are copied in one go.
            qsizetype run = i;
            while (run < size && kClasses[static_cast<unsigned char>(data[run])] == Plain)
                ++run;
            if (run > i) {
                m_pending.append(data + i, run - i);
                i = run;
                continue;
            }
            feedChar(data[i++]);
        }
    }

    // False when the file ended inside an escape sequence.
    bool finish()
    {
        if (m_escapeHeld >= 0)
            return false;
        if (!m_pending.isEmpty())
            m_table.SetLastValue(takePending());
        return true;
    }

private:
    QString takePending()
    {
        QString text = LegacyText::decode(m_pending);
        m_pending.clear();
        return text;
    }

    void feedChar(char c)
    {
        if (m_escapeHeld >= 0) {
            if (c == '\r' || c == '\n')
                return;
            m_escape[m_escapeHeld++] = c;
            if (m_escapeHeld < 2)
                return;
            m_escapeHeld = -1;
            const int hi = hexValue(m_escape[0]);
            const int lo = hexValue(m_escape[1]);
            if (hi >= 0 && lo >= 0) {
                m_pending.append(char(hi * 16 + lo));
                return;
            }
            // Not an escape: a plain "%", and the two characters are read as usual.
            m_pending.append('%');
            feedChar(m_escape[0]);
            feedChar(m_escape[1]);
            return;
        }
        switch (kClasses[static_cast<unsigned char>(c)]) {
        case Percent: m_escapeHeld = 0; break;
        case Equals: m_table.AddName(takePending()); break;
        case Ampersand: m_table.SetLastValue(takePending()); break;
        case Plus: m_pending.append(' '); break;
        case LineBreak: break;
        default: m_pending.append(c); break;
        }
    }

    VariableTable& m_table;
    QByteArray m_pending;
    char m_escape[2] = {};
    int m_escapeHeld = -1; // characters held after a "%", or -1 outside an escape
};

} // namespace

DecodeResult DecodeSubmission(const QString& path, const QString& itemName, int maxLength,
                              VariableTable& table, EventLog& log)
{
    table.Clear();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        log.AppendLine(itemName + QStringLiteral(" could not be read [ERROR]"));
        return DecodeResult::ParseError;
    }
    const qint64 size = file.size();
    if (maxLength > 0 && size > maxLength) {
        log.AppendLine(itemName + QStringLiteral(" (") + QString::number(size) +
                       QStringLiteral(" bytes) exceeds user defined limit"));
        log.AppendLine(itemName + QStringLiteral(" [IGNORED]"));
        return DecodeResult::Ignored;
    }
    if (size == 0 && maxLength >= 0) {
        log.AppendLine(itemName + QStringLiteral(" (0 bytes) [IGNORED]"));
        return DecodeResult::Ignored;
    }

    Decoder decoder(table);
    char buffer[8192];
    for (;;) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0) {
            log.AppendLine(itemName + QStringLiteral(" could not be read [ERROR]"));
            return DecodeResult::ParseError;
        }
        if (got == 0)
            break;
        decoder.feed(buffer, got);
    }
    file.close();

    if (!decoder.finish()) {
        log.AppendLine(itemName + QStringLiteral(" parsing error, file ignored [ERROR]"));
        return DecodeResult::ParseError;
    }
    table.ShowInGrid();
    table.ShowInList();
    table.FinishSubmission();
    return DecodeResult::Decoded;
}
