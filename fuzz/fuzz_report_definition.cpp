// The report definition FORM.RPT: a definition that reads holds only what a report can use
// (identifiers for the table and fields, a database, at least one column), and written out
// again in its plain form it reads as the same definition. A refused one says why.
#include "FuzzSupport.h"

#include "common/LegacyText.h"
#include "platform/report/ReportDefinition.h"

namespace {

QString written(const ReportDefinition& d, bool odd)
{
    // The odd form: other letter case, blanks around the parts, comments, other line ends.
    const QString eol = odd ? QStringLiteral("\r") : QStringLiteral("\n");
    QString out = odd ? QStringLiteral("# written again") + eol : QString();
    out += (odd ? QStringLiteral("TITLE = ") : QStringLiteral("Title=")) + d.title() + eol;
    out += (odd ? QStringLiteral(" database=") : QStringLiteral("Database=")) + d.database() + eol;
    out += (odd ? QStringLiteral("table =  ") : QStringLiteral("Table=")) + d.table() + eol;
    for (const ReportDefinition::Column& c : d.columns()) {
        out += QStringLiteral("Column=") + c.field + (odd ? QStringLiteral(" | ") : QStringLiteral("|")) +
               c.heading;
        if (c.isDate)
            out += odd ? QStringLiteral("| DATE ") : QStringLiteral("|date");
        out += eol + (odd ? QStringLiteral("\r\n  \n") : QString());
    }
    for (const ReportDefinition::SortKey& s : d.sortKeys())
        out += QStringLiteral("Sort=") + s.field +
               (s.descending ? QStringLiteral(" descending") : (odd ? QString() : QStringLiteral(" ascending"))) +
               eol;
    return out;
}

void checkSame(const QString& text, const ReportDefinition& d)
{
    QString error;
    const std::optional<ReportDefinition> again = ReportDefinition::parse(text, &error);
    if (!again)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    FUZZ_CHECK(again);
    FUZZ_CHECK(again->title() == d.title());
    FUZZ_CHECK(again->database() == d.database());
    FUZZ_CHECK(again->table() == d.table());
    FUZZ_CHECK(again->columns().size() == d.columns().size());
    for (qsizetype i = 0; i < d.columns().size(); ++i) {
        FUZZ_CHECK(again->columns()[i].field == d.columns()[i].field);
        FUZZ_CHECK(again->columns()[i].heading == d.columns()[i].heading);
        FUZZ_CHECK(again->columns()[i].isDate == d.columns()[i].isDate);
    }
    FUZZ_CHECK(again->sortKeys().size() == d.sortKeys().size());
    for (qsizetype i = 0; i < d.sortKeys().size(); ++i) {
        FUZZ_CHECK(again->sortKeys()[i].field == d.sortKeys()[i].field);
        FUZZ_CHECK(again->sortKeys()[i].descending == d.sortKeys()[i].descending);
    }
}

bool oneLine(const QString& s)
{
    return !s.contains(QLatin1Char('\r')) && !s.contains(QLatin1Char('\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Read as the program reads the file.
    const QString text = LegacyText::decode(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<ReportDefinition> d = ReportDefinition::parse(text, &error);
    if (!d) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(ReportDefinition::isIdentifier(d->table()));
    FUZZ_CHECK(!d->database().isEmpty());
    FUZZ_CHECK(!d->columns().isEmpty());
    FUZZ_CHECK(oneLine(d->title()) && oneLine(d->database()));
    for (const ReportDefinition::Column& c : d->columns())
        FUZZ_CHECK(ReportDefinition::isIdentifier(c.field) && oneLine(c.heading) &&
                   !c.heading.contains(QLatin1Char('|')));
    for (const ReportDefinition::SortKey& s : d->sortKeys())
        FUZZ_CHECK(ReportDefinition::isIdentifier(s.field));
    checkSame(written(*d, false), *d);
    checkSame(written(*d, true), *d);
    return 0;
}
