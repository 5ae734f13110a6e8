#include "formdata/DecodeSubmission.h"

#include "common/EventLog.h"
#include "common/LegacyText.h"
#include "formdata/VariableTable.h"

#include <QFile>
#include <array>
#include <string>

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

constexpr std::array<signed char, 256> makeHexValues()
{
    std::array<signed char, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[c] = static_cast<signed char>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[c] = static_cast<signed char>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        t[c] = static_cast<signed char>(c - 'a' + 10);
    return t;
}
constexpr auto kHexValues = makeHexValues();

int hexValue(char c)
{
    return kHexValues[static_cast<unsigned char>(c)];
}

// The decoding state of one call; the pending text never outlives it. Decoding never makes
// text longer than what it read, so the pending buffer is grown once per block read and the
// inner loop writes through a plain pointer.
class Decoder
{
public:
    explicit Decoder(VariableTable& table) : m_table(table) {}

    void feed(const char* p, const char* end)
    {
        m_pending.resize(m_length + size_t(end - p) + 3);
        char* out = m_pending.data() + m_length;
        while (p < end) {
            if (m_escapeHeld >= 0) {
                m_length = size_t(out - m_pending.data());
                feedChar(*p++);
                out = m_pending.data() + m_length;
                continue;
            }
            const auto c = static_cast<unsigned char>(*p);
            switch (kClasses[c]) {
            case Plain: *out++ = char(c); ++p; continue;
            case Plus: *out++ = ' '; ++p; continue;
            case LineBreak: ++p; continue;
            case Percent:
                // The common case, a whole escape inside the block, without the general path.
                if (end - p >= 3) {
                    const int hi = hexValue(p[1]);
                    const int lo = hexValue(p[2]);
                    if (hi >= 0 && lo >= 0) {
                        *out++ = char(hi * 16 + lo);
                        p += 3;
                        continue;
                    }
                }
                break;
            default: break;
            }
            m_length = size_t(out - m_pending.data());
            feedChar(*p++);
            out = m_pending.data() + m_length;
        }
        m_length = size_t(out - m_pending.data());
    }

    // False when the file ended inside an escape sequence.
    bool finish()
    {
        if (m_escapeHeld >= 0)
            return false;
        if (m_length > 0)
            m_table.SetLastValue(takePending());
        return true;
    }

private:
    QString takePending()
    {
        QString text = LegacyText::decode(m_pending.data(), qsizetype(m_length));
        m_length = 0;
        return text;
    }

    void put(char c) { m_pending[m_length++] = c; }

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
                put(char(hi * 16 + lo));
                return;
            }
            // Not an escape: a plain "%", and the two characters are read as usual.
            put('%');
            feedChar(m_escape[0]);
            feedChar(m_escape[1]);
            return;
        }
        switch (kClasses[static_cast<unsigned char>(c)]) {
        case Percent: m_escapeHeld = 0; break;
        case Equals: m_table.AddName(takePending()); break;
        case Ampersand: m_table.SetLastValue(takePending()); break;
        case Plus: put(' '); break;
        case LineBreak: break;
        default: put(c); break;
        }
    }

    VariableTable& m_table;
    std::string m_pending;
    size_t m_length = 0;
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
        decoder.feed(buffer, buffer + got);
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
