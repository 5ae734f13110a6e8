// The submission decoder: whatever a file holds, the table it gives must survive being written
// out again as a submission, and line breaks anywhere in the file (also inside an escape and
// across the reader's blocks) change nothing.
#include "FuzzSupport.h"

#include "common/EventLog.h"
#include "formdata/DecodeSubmission.h"
#include "formdata/VariableTable.h"

namespace {

struct Decoded
{
    DecodeResult result;
    QList<FormVariable> variables;
};

Decoded decode(const QByteArray& content)
{
    VariableTable table;
    EventLog log;
    const DecodeResult result =
        DecodeSubmission(fuzz::scratchFile(content), QStringLiteral("item"), -1, table, log);
    // A refused file says why in the log.
    FUZZ_CHECK(result == DecodeResult::Decoded || log.lineCount() > 0);
    return {result, table.variables()};
}

// Every byte but letters and digits escaped, so nothing of the text can act as a separator.
QByteArray escaped(const QString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

bool sameTable(const QList<FormVariable>& a, const QList<FormVariable>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].formName != b[i].formName || a[i].value != b[i].value)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    const Decoded first = decode(input);
    // Without a size limit nothing is refused unread.
    FUZZ_CHECK(first.result != DecodeResult::Ignored);

    // Line breaks are no part of a submission: a mail client may wrap the text anywhere. The
    // leading ones move the rest of the file across the reader's block boundary.
    const qsizetype lead = 8192 - 1 - (input.isEmpty() ? 0 : qsizetype(uchar(input[0])) % 4);
    QByteArray wrapped = QByteArray(lead, '\n');
    for (qsizetype i = 0; i < input.size(); ++i) {
        wrapped += input[i];
        if (i % 3 == 1)
            wrapped += (i % 2) ? "\r\n" : "\n";
    }
    const Decoded again = decode(wrapped);
    FUZZ_CHECK(again.result == first.result);
    FUZZ_CHECK(sameTable(again.variables, first.variables));

    if (first.result != DecodeResult::Decoded)
        return 0;
    QByteArray written;
    for (const FormVariable& v : first.variables)
        written += escaped(v.formName) + '=' + escaped(v.value) + '&';
    if (written.isEmpty())
        return 0; // no name at all: nothing to write
    const Decoded reread = decode(written);
    FUZZ_CHECK(reread.result == DecodeResult::Decoded);
    FUZZ_CHECK(sameTable(reread.variables, first.variables));
    return 0;
}
