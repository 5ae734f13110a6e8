// Decoding throughput over 20,000-byte submission files, the default size limit.
#include "common/EventLog.h"
#include "formdata/DecodeSubmission.h"
#include "formdata/VariableTable.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A form of the kind people post: short names, values with spaces as "+", some escapes,
// a long free-text message field.
QByteArray makeSubmission(int size, quint32 seed)
{
    QRandomGenerator rng(seed);
    static const char* words[] = {"hello", "form", "reply", "order", "please", "thanks", "caf%C3%A9",
                                  "ann%40example.com", "%0D%0A", "100%25", "a%2Bb", "question"};
    QByteArray out;
    int field = 0;
    while (out.size() < size) {
        if (!out.isEmpty())
            out += '&';
        out += "field" + QByteArray::number(field++) + '=';
        const int n = 1 + int(rng.bounded(40));
        for (int i = 0; i < n; ++i) {
            if (i)
                out += '+';
            out += words[rng.bounded(int(std::size(words)))];
        }
    }
    out.truncate(size);
    while (out.endsWith('%') || (out.size() > 1 && out[out.size() - 2] == '%'))
        out.chop(1);
    return out;
}

void DecodeSubmissionFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.dat"));
    const QByteArray bytes = makeSubmission(20000, 7);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();

    VariableTable table;
    EventLog log;
    for (auto _ : state) {
        const auto result = DecodeSubmission(path, QStringLiteral("form.dat"), 20000, table, log);
        if (result != DecodeResult::Decoded)
            state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(table.count());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(DecodeSubmissionFile)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
