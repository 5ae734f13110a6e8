// The ".rtm" template file: a template written and read again is the same template, and any
// file that loads writes out as a file that loads back to what it gave.
#include "FuzzSupport.h"

#include "design/ReplyTemplate.h"
#include "design/TemplateFile.h"
#include "formdata/VariableTable.h"
#include "settings/SystemSettings.h"

namespace {

struct Template
{
    bool loaded = false;
    QString design;
    QList<VariableDefinition> names;
};

Template load(const QByteArray& content)
{
    VariableTable variables;
    SystemSettings settings;
    ReplyTemplate reply(variables, settings);
    Template t;
    const QString path = fuzz::scratchFile(content);
    t.loaded = reply.LoadTemplate(path);
    t.design = reply.designText();
    t.names = variables.definitions();
    if (t.loaded) {
        // The variables follow the definitions after a load.
        FUZZ_CHECK(variables.count() == t.names.size());
        FUZZ_CHECK(reply.path() == path);
    }
    return t;
}

QByteArray written(const Template& t)
{
    QList<FormVariable> rows;
    for (const VariableDefinition& d : t.names)
        rows.append({d.formName, d.friendlyName, QString()});
    return TemplateFile::encode(t.design, rows);
}

// An unset friendly name and one set to nothing are different lines of the file.
void checkSame(const Template& read, const Template& expected)
{
    FUZZ_CHECK(read.loaded);
    FUZZ_CHECK(read.design == expected.design);
    FUZZ_CHECK(read.names.size() == expected.names.size());
    for (qsizetype i = 0; i < read.names.size(); ++i) {
        FUZZ_CHECK(read.names[i].formName == expected.names[i].formName);
        FUZZ_CHECK(read.names[i].friendlyName == expected.names[i].friendlyName);
        FUZZ_CHECK(read.names[i].friendlyName.isNull() == expected.names[i].friendlyName.isNull());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    if (size > 0 && data[0] == 'T') {
        // A template made from the input's texts: the design, then form name and friendly
        // name by turns; a friendly name of one 0xFE byte is unset.
        const QList<QByteArray> parts = input.mid(1).split('\xff');
        Template made;
        made.loaded = true;
        made.design = QString::fromUtf8(parts[0]);
        for (qsizetype i = 1; i < parts.size(); i += 2) {
            const QByteArray friendly = i + 1 < parts.size() ? parts[i + 1] : QByteArray();
            made.names.append({QString::fromUtf8(parts[i]),
                               friendly == "\xfe" ? QString() : QString::fromUtf8(friendly)});
        }
        checkSame(load(written(made)), made);
        return 0;
    }
    // Any file: what loads must write out and load back the same, hand-made quirks and all.
    const Template first = load(input);
    if (!first.loaded)
        return 0;
    checkSame(load(written(first)), first);
    return 0;
}
