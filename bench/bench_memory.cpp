// Memory over long runs, as in unattended use: an inbox run over a Maildir of 20,000 mailto
// messages, a tenth of them with a From header in a charset that no converter knows, and a
// Folder run over 100,000 submission files; replies suppressed, every reply recorded in
// FORM.MDB. Each run is a process of its own (this program started again with --part), so the
// peak of one cannot hide the other's. Reported after the first tenth of the items and after
// the last: the peak resident size (VmHWM, counted from the first item on, so that the listing's
// own peak stays apart), the heap in use (mallinfo2) and the size of the event log, which keeps
// every line by design. The peak at the end should be at most 1.2 times the peak after the
// first tenth. The items and FORM.MDB go into the temporary folder (TMPDIR): one in memory makes
// the 120,000 commits cheap and, as it is no memory of the process, leaves the figures as they
// are.
//
//   bench_memory [--messages=N] [--files=N]     (other arguments are ignored)
#include "MailSamples.h"
#include "BenchArguments.h"
#include "ScriptedDialogs.h"
#include "SubmissionGenerator.h"
#include "app/AppState.h"
#include "platform/mail/MaildirInbox.h"
#include "reply/ResponseDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>

namespace {

constexpr unsigned Seed = 19980303;
const QByteArray UnknownCharsetSender = "=?UTG-8?B?w6k=?=-";

struct Sample
{
    qint64 peakKb = 0;
    qint64 heapBytes = 0;
    qint64 logChars = 0;
};

qint64 peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// From here on the peak is the items' own: listing the folder may have set a peak of its own
// that would hide how the items grow.
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

Sample sample(AppState& state)
{
    const struct mallinfo2 heap = mallinfo2();
    return {peakResidentKb(), qint64(heap.uordblks + heap.hblkhd),
            qint64(state.eventLog().text().size())};
}

int fail(const QString& why)
{
    std::fprintf(stderr, "bench_memory: %s\n", qPrintable(why));
    return 1;
}

// Writes count messages into the Maildir's new/ as a delivery agent leaves them.
bool writeMaildir(const QString& folder, int count, SubmissionGenerator& generator)
{
    for (const char* sub : {"cur", "new", "tmp"})
        if (!QDir().mkpath(QDir(folder).filePath(QLatin1String(sub))))
            return false;
    for (int i = 0; i < count; ++i) {
        const QString sender = i % 10 == 9
                                   ? QString::fromLatin1(UnknownCharsetSender)
                                   : QStringLiteral("Customer %1 <customer%1@example.com>").arg(i);
        const QByteArray message = MailSamples::formSubmission(sender, generator.next());
        QFile f(QDir(folder).filePath(QStringLiteral("new/%1.M%2P1.bench").arg(100000 + i).arg(i)));
        if (!f.open(QIODevice::WriteOnly) || f.write(message) != message.size())
            return false;
    }
    return true;
}

// One run in this process over the items in source: prints its line and returns the exit code.
int runPart(const QString& part, const QString& source, int items)
{
    const bool inbox = part == QLatin1String("inbox");
    QTemporaryDir programFolder;
    const QString database = programFolder.filePath(ResponseDatabase::FileName);
    if (!programFolder.isValid() ||
        ResponseDatabase::createEmptyDatabase(database) != ResponseDatabase::Creation::Created)
        return fail(QStringLiteral("cannot set up the program folder"));

    ScriptedDialogs dialogs;
    AppState state(programFolder.path(), dialogs);
    SystemSettings& settings = state.settings();
    settings.setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
    settings.setText(SystemSettings::Max_Length, QStringLiteral("20000"));
    settings.setFileFilter(QStringLiteral("*.att;*.dat"));
    settings.setLocalFolder(source);
    for (const QString& name : SubmissionGenerator::fieldNames())
        state.variables().appendDefinition({name, QString()});
    state.replyTemplate().setDesignText(SubmissionGenerator::replyDesign());
    state.inboxFactory = [source] { return std::make_unique<MaildirInbox>(source); };

    const int tenth = items / 10;
    int started = 0;
    Sample first;
    Sample early;
    QObject::connect(&state.status(), &StatusLine::changed, &state, [&](const QString& text) {
        if (!text.startsWith(QLatin1String("Processing ")))
            return;
        if (started == 0) {
            first = sample(state);
            resetPeak();
        }
        if (started++ == tenth)
            early = sample(state);
    });
    state.run().ProcessForms(inbox ? FormSource::Inbox : FormSource::Folder);
    const Sample late = sample(state);

    const auto rows = ResponseDatabase::readRecords(database).size();
    if (!dialogs.shown().isEmpty())
        return fail(QStringLiteral("the run showed a message: ") + dialogs.shown().first().text);
    if (started != items || rows != items ||
        !state.eventLog().text().contains(QStringLiteral("\r\n%1 files were ok\r\n").arg(items)))
        return fail(QStringLiteral("the run did not record every item: %1 started, %2 rows").arg(started).arg(rows));
    const auto show = [](const char* when, int done, const Sample& at) {
        std::printf("    %-16s %6d: peak %7.1f MB, heap in use %6.1f MB, event log %5.1f MB\n", when,
                    done, at.peakKb / 1024.0, at.heapBytes / 1048576.0, at.logChars * 2 / 1048576.0);
    };
    std::printf("  %s run over %d items\n", qPrintable(part), items);
    show("before item", 1, first);
    std::printf("    from here on the peak since item 1\n");
    show("after item", tenth, early);
    show("after item", items, late);
    std::printf("    peak after %d against after %d: %.3f (target at most 1.2)\n", items, tenth,
                double(late.peakKb) / double(early.peakKb));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argument(argc, argv, "messages", 20000, 10);
    const int files = argument(argc, argv, "files", 100000, 10);
    const QString part = argumentText(argc, argv, "part");
    if (!part.isEmpty())
        return runPart(part, argumentText(argc, argv, "source"), argument(argc, argv, "items", 0, 0));

    // The items are written here, so the runs' peaks are their own.
    QTemporaryDir work;
    const QString maildir = work.filePath(QStringLiteral("Maildir"));
    const QString forms = work.filePath(QStringLiteral("forms"));
    SubmissionGenerator generator(Seed);
    if (!work.isValid() || !writeMaildir(maildir, messages, generator) || !generator.writeFolder(forms, files))
        return fail(QStringLiteral("cannot write the items to process"));

    std::printf("Peak memory of long runs, replies suppressed, every reply recorded; a tenth of "
                "the messages from \"%s\"\n",
                UnknownCharsetSender.constData());
    std::fflush(stdout);
    const std::tuple<const char*, QString, int> parts[]{{"inbox", maildir, messages}, {"folder", forms, files}};
    for (const auto& [which, source, items] : parts) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--part=") + QLatin1String(which), QStringLiteral("--source=") + source,
                     QStringLiteral("--items=%1").arg(items)});
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            return fail(QStringLiteral("the %1 run failed").arg(QLatin1String(which)));
    }
    return 0;
}
