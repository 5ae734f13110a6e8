// A Folder run over 10,000 submission files through the real main window, offscreen, with
// replies suppressed and every reply recorded in FORM.MDB with its fields (one connection and
// one commit per reply), beside bench/peer_folder_run.py, the script a user would write instead, over the same
// files into its own database. Both are bound by the disk's commits, and a shared disk's speed
// drifts, so the script runs before and after every run of the program and the rates are taken
// over all runs: a disk that grows slower or faster favours neither side. Prints the rates, their
// ratio, the processor time of each side, and the cost of the last 1,000 files of a run against
// its first 1,000. Later rounds run the same window again, over a grown log and database.
// Every round also runs once with no event-loop passes between items, the peer of the passes'
// cost, and reports the longest time the event loop waited during a run with them.
//
//   bench_folder_run [--files=N] [--rounds=N]     (other arguments are ignored)
#include "BenchArguments.h"
#include "ScriptedDialogs.h"
#include "SubmissionGenerator.h"
#include "app/AppState.h"
#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"
#include "design/TemplateFile.h"
#include "processing/ui/QtRunLauncher.h"
#include "processing/ui/frmLocation_Prompt.h"
#include "reply/ResponseDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <limits>
#include <vector>

namespace {

constexpr unsigned Seed = 19980303;
constexpr int Window = 1000;
const QString Filter = QStringLiteral("*.att;*.dat");

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The moment each item starts, taken from the status line the run sets before every item, and
// the moment the run says it is complete.
struct ItemClock
{
    QElapsedTimer clock;
    std::vector<qint64> starts;
    qint64 end = 0;

    void seen(const QString& status)
    {
        if (status.startsWith(QLatin1String("Processing ")))
            starts.push_back(clock.nsecsElapsed());
        else
            end = clock.nsecsElapsed();
    }
    // Seconds spent on items [from, to).
    double seconds(size_t from, size_t to) const
    {
        const qint64 stop = to < starts.size() ? starts[to] : end;
        return double(stop - starts[from]) / 1e9;
    }
};

struct Peer
{
    int files = 0;
    double seconds = 0;
    double cpuSeconds = 0;
    QString error;
};

Peer runPeer(const QString& folder, const QString& designFile, const QString& database)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(BREVANE_SOURCE_DIR "/bench/peer_folder_run.py"), folder, Filter,
                  designFile, database});
    Peer peer;
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        peer.error = QString::fromLocal8Bit(python.readAllStandardError());
        return peer;
    }
    const QJsonObject out = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    peer.files = out.value(QStringLiteral("files")).toInt();
    peer.seconds = out.value(QStringLiteral("seconds")).toDouble();
    peer.cpuSeconds = out.value(QStringLiteral("cpu_seconds")).toDouble();
    return peer;
}

struct ProgramRun
{
    double seconds = 0;
    double cpuSeconds = 0;
    ItemClock items;
    // The longest time between two turns of the event loop, from the run's start to its end.
    double longestGapMs = 0;
};

// The user's way in: Process, "Locally saved forms", OK. Timed from the run's start to its end.
ProgramRun runProgram(frmMain& window, AppState& state, int files, bool passes)
{
    state.run().setEventPassInterval(passes ? ProcessingRun::EventPassMs
                                            : std::numeric_limits<int>::max());
    ProgramRun run;
    run.items.starts.reserve(size_t(files));
    QObject context;
    QObject::connect(&state.status(), &StatusLine::changed, &context,
                     [&run](const QString& text) { run.items.seen(text); });
    qint64 started = 0;
    qint64 finished = 0;
    // A zero timer fires at every turn of the event loop.
    QTimer turns;
    qint64 lastTurn = 0;
    qint64 longestGap = 0;
    const auto turn = [&] {
        const qint64 now = run.items.clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTurn);
        lastTurn = now;
    };
    QObject::connect(&turns, &QTimer::timeout, &context, turn);
    QObject::connect(window.launcher(), &QtRunLauncher::runStarted, &context, [&] {
        started = lastTurn = run.items.clock.nsecsElapsed();
        turns.start(0);
    });
    QObject::connect(window.launcher(), &QtRunLauncher::runFinished, &context, [&] {
        finished = run.items.clock.nsecsElapsed();
        turn();
        turns.stop();
    });
    QTimer::singleShot(0, &context, [&window] {
        auto* prompt = window.findChild<frmLocation_Prompt*>();
        prompt->optProcess_Local->setChecked(true);
        prompt->btnLocation_Prompt_Ok->click();
    });
    const std::clock_t cpuStarted = std::clock();
    run.items.clock.start();
    window.toolbarButton(QStringLiteral("btnProcess"))->trigger();
    run.cpuSeconds = double(std::clock() - cpuStarted) / CLOCKS_PER_SEC;
    run.seconds = double(finished - started) / 1e9;
    run.longestGapMs = double(longestGap) / 1e6;
    return run;
}

int fail(const QString& why)
{
    std::fprintf(stderr, "bench_folder_run: %s\n", qPrintable(why));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argument(argc, argv, "files", 10000, 2);
    const int rounds = argument(argc, argv, "rounds", 1, 1);

    // Beside the program in the build tree, on the ordinary disk (a temporary folder may be in
    // memory), so every commit of either side reaches the disk.
    QTemporaryDir work(QDir(QCoreApplication::applicationDirPath())
                           .filePath(QStringLiteral("bench_folder_run-XXXXXX")));
    const QString programFolder = work.filePath(QStringLiteral("program"));
    const QString forms = work.filePath(QStringLiteral("forms"));
    const QString peerFolder = work.filePath(QStringLiteral("peer"));
    for (const QString& f : {programFolder, peerFolder})
        QDir().mkpath(f);

    SubmissionGenerator generator(Seed);
    if (!work.isValid() || !generator.writeFolder(forms, files))
        return fail(QStringLiteral("cannot write the submission files"));
    qint64 bytes = 0;
    qint64 smallest = SubmissionGenerator::MaximumSize;
    qint64 largest = 0;
    for (const QFileInfo& f : QDir(forms).entryInfoList(QDir::Files)) {
        bytes += f.size();
        smallest = std::min(smallest, f.size());
        largest = std::max(largest, f.size());
    }
    if (smallest < SubmissionGenerator::MinimumSize || largest > SubmissionGenerator::MaximumSize)
        return fail(QStringLiteral("the submission files are %1 to %2 bytes").arg(smallest).arg(largest));

    const QString design = SubmissionGenerator::replyDesign();
    QList<FormVariable> definitions;
    for (const QString& name : SubmissionGenerator::fieldNames())
        definitions.append({name, QString(), QString()});
    const QString templatePath = QDir(programFolder).filePath(QStringLiteral("order.rtm"));
    const QString designFile = work.filePath(QStringLiteral("design.txt"));
    const QString database = QDir(programFolder).filePath(ResponseDatabase::FileName);
    const QString peerDatabase = QDir(peerFolder).filePath(ResponseDatabase::FileName);
    const QByteArray ini =
        QStringLiteral("[System Settings]\r\nAuto_Open_Template=1\r\nAuto_Process_On_Start=0\r\n"
                       "Suppress_Reply_To_Sender=1\r\nAuto_Print_Forms=0\r\nAuto_Print_Reply=0\r\n"
                       "Auto_Timer=0\r\nMax_Length=20000\r\nLocal_Path=%1\r\nFile_Filter=%2\r\n"
                       "Last_Template_Open=%3\r\n")
            .arg(forms, Filter, templatePath)
            .toUtf8();
    if (!writeFile(templatePath, TemplateFile::encode(design, definitions)) ||
        !writeFile(designFile, design.toUtf8()) ||
        !writeFile(QDir(programFolder).filePath(QStringLiteral("FORM.INI")), ini) ||
        ResponseDatabase::createEmptyDatabase(database) != ResponseDatabase::Creation::Created ||
        ResponseDatabase::createEmptyDatabase(peerDatabase) != ResponseDatabase::Creation::Created)
        return fail(QStringLiteral("cannot set up the program folder"));

    ScriptedDialogs dialogs;
    AppState state(programFolder, dialogs);
    frmMain window(state);
    if (!runStartup(state, window, 0))
        return fail(QStringLiteral("start-up failed"));

    QList<Peer> peers;
    QList<ProgramRun> runs;
    QList<ProgramRun> passless;
    for (int round = 0; round <= rounds; ++round) {
        peers.append(runPeer(forms, designFile, peerDatabase));
        if (peers.last().files != files)
            return fail(QStringLiteral("the script did not run: ") + peers.last().error);
        if (round == rounds)
            break;
        // Which goes first changes every round, so a drifting disk favours neither.
        if (round % 2)
            passless.append(runProgram(window, state, files, false));
        runs.append(runProgram(window, state, files, true));
        if (round % 2 == 0)
            passless.append(runProgram(window, state, files, false));
    }

    // The figures count only when the runs did all the work, and did it as the script did.
    if (!dialogs.shown().isEmpty())
        return fail(QStringLiteral("a run showed a message: ") + dialogs.shown().first().text);
    const QList<ResponseRecord> rows = ResponseDatabase::readRecords(database);
    const QList<ResponseRecord> peerRows = ResponseDatabase::readRecords(peerDatabase);
    const QString allOk = QStringLiteral("\r\n%1 files were ok\r\n").arg(files);
    if (rows.size() != 2 * files * rounds || peerRows.size() != files * (rounds + 1) ||
        state.eventLog().text().count(allOk) != 2 * rounds)
        return fail(QStringLiteral("the runs did not record every file: %1 rows, %2 rows of the script, %3 summaries")
                        .arg(rows.size()).arg(peerRows.size()).arg(state.eventLog().text().count(allOk)));
    for (const ProgramRun& run : runs + passless)
        if (int(run.items.starts.size()) != files)
            return fail(QStringLiteral("a run did not go through every file"));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const ResponseRecord& peerRow = peerRows[i % files];
        if (rows[i].fields.size() != peerRow.fields.size() ||
            (!rows[i].fields.isEmpty() && rows[i].fields.last().value != peerRow.fields.last().value))
            return fail(QStringLiteral("the fields of file %1 differ").arg(i % files + 1));
        if (rows[i].message == peerRow.message)
            continue;
        const QStringList ours = rows[i].message.split(QStringLiteral("\r\n"));
        const QStringList theirs = peerRow.message.split(QStringLiteral("\r\n"));
        qsizetype line = 0;
        while (line < ours.size() && line < theirs.size() && ours[line] == theirs[line])
            ++line;
        return fail(QStringLiteral("the replies to file %1 differ in line %2:\n  %3\n  %4")
                        .arg(i % files + 1)
                        .arg(line + 1)
                        .arg(ours.value(line), theirs.value(line)));
    }

    std::printf("Folder run over %d submission files (%lld to %lld bytes, %.1f MB), replies "
                "suppressed, every reply recorded; %d round%s\n",
                files, static_cast<long long>(smallest), static_cast<long long>(largest),
                double(bytes) / 1e6, rounds, rounds == 1 ? "" : "s");
    double peerSeconds = 0;
    double seconds = 0;
    double worstGrowth = 0;
    const size_t span = size_t(std::min(Window, files / 2));
    for (int round = 0; round <= rounds; ++round) {
        const Peer& peer = peers[round];
        peerSeconds += peer.seconds;
        std::printf("  peer_folder_run.py                %8.2f s  %8.1f files/s  processor %6.2f s\n",
                    peer.seconds, files / peer.seconds, peer.cpuSeconds);
        if (round == rounds)
            break;
        const ProgramRun& run = runs[round];
        seconds += run.seconds;
        const double first = run.items.seconds(0, span);
        const double last = run.items.seconds(size_t(files) - span, size_t(files));
        worstGrowth = std::max(worstGrowth, last / first);
        std::printf("  Brevane (main window, offscreen)  %8.2f s  %8.1f files/s  processor %6.2f s"
                    "  first %zu %.3f s, last %zu %.3f s\n",
                    run.seconds, files / run.seconds, run.cpuSeconds, span, first, span, last);
    }
    double passlessSeconds = 0;
    double longestGapMs = 0;
    for (int round = 0; round < rounds; ++round) {
        passlessSeconds += passless[round].seconds;
        longestGapMs = std::max(longestGapMs, runs[round].longestGapMs);
        std::printf("  Brevane without event-loop passes %8.2f s  %8.1f files/s  longest wait of "
                    "the event loop %.0f ms (with passes %.1f ms)\n",
                    passless[round].seconds, files / passless[round].seconds,
                    passless[round].longestGapMs, runs[round].longestGapMs);
    }
    const double rate = files * rounds / seconds;
    const double peerRate = files * (rounds + 1) / peerSeconds;
    std::printf("  Brevane %.1f files/s, script %.1f files/s: ratio %.3f (target at least 0.9)\n",
                rate, peerRate, rate / peerRate);
    std::printf("  last %zu files against the first %zu of a run: at most %.3f times "
                "(target at most 1.5)\n",
                span, span, worstGrowth);
    const double passlessRate = files * rounds / passlessSeconds;
    std::printf("  event-loop passes: longest wait %.1f ms (target at most 100), cost %.1f %% of "
                "the rate without them (target under 5 %%)\n",
                longestGapMs, 100.0 * (passlessRate - rate) / passlessRate);
    return 0;
}
