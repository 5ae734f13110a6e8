#pragma once

// What the tests share: the program rig, Maildir folders, the run log as tests read it, the
// real servers and mail samples, and Qt's test, widget, network and SQL modules.
#include "MailSamples.h"
#include "ScriptedDialogs.h"
#include "SmtpSink.h"
#include "app/AppState.h"
#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"
#include "processing/ProcessingRun.h"
#include "reply/ResponseDatabase.h"

#include <QtNetwork>
#include <QtSql>
#include <QtTest>
#include <QtWidgets>
#include <memory>
#include <optional>

// Thrown by the test ending of a fatal error report, so the test sees that the program would
// have ended there and nothing after it ran.
struct ProgramTerminated
{
};

QString warning(const QString& code); // the text of a warning box with this code
void writeBytes(const QString& path, const QByteArray& bytes); // making folders as needed
QByteArray readBytes(const QString& path);
// The per-user settings store of this test process: a temporary folder that stands in for the
// user's configuration folder, so tests never touch the real one. Set up by the first TestApp.
QString userSettingsFolder();

// A Maildir that a test fills as a delivery agent would: each message under a unique name that
// begins with its delivery time, into new/ (unseen by any mail program) or into cur/ with flags.
class TestMaildir
{
public:
    explicit TestMaildir(const QString& folder); // makes cur/, new/ and tmp/
    const QString& folder() const { return m_folder; }
    // Return the message's unique name (its file name up to the flags).
    QString deliverNew(const QByteArray& message, qint64 deliveredSeconds);
    QString deliverCur(const QByteArray& message, qint64 deliveredSeconds, const QString& flags);
    // Where the message lies now, and its state there: "new" for new/, otherwise the flags.
    QString pathOf(const QString& unique) const;
    QString stateOf(const QString& unique) const;
    bool isRead(const QString& unique) const { return stateOf(unique).contains('S'); }

private:
    QString deliver(const QString& name, const QByteArray& message);
    QString m_folder;
    int m_delivered = 0;
};

// The event log of processing runs as a test compares it: one entry per line, and the two
// dated lines with their date and time checked and replaced by "<time>".
namespace RunLog {
inline const QString Opening = QString(37, '-');
inline const QString Closing = QString(37, '=');
QStringList lines(const QString& logText);
// The lines a run writes before its first item, and after its last one, given the summary.
QStringList opening();
QStringList completion(const QStringList& summary);
// Of the last run in the lines: what stands between its opening and its completion.
QStringList items(const QStringList& lines);
} // namespace RunLog

// A program folder of its own, scripted dialogs, and the process-wide state over them.
// ReadyForRuns, or prepareRuns(), makes it ready to process: an empty response database, a folder
// of saved submissions (forms()), a Maildir as the inbox (mail()), replies suppressed, a design.
class TestApp
{
public:
    enum Setup { Bare, ReadyForRuns };
    explicit TestApp(Setup setup = Bare);
    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void writeFile(const QString& name, const QByteArray& bytes) const { writeBytes(path(name), bytes); }
    QByteArray readFile(const QString& name) const { return readBytes(path(name)); }
    SystemSettings& settings() { return state->settings(); }

    ScriptedDialogs dialogs;
    std::unique_ptr<AppState> state;

    void prepareRuns();
    QString forms() const { return path("forms"); }
    TestMaildir& mail() { return *m_mail; }
    void addForm(const QString& name, const QByteArray& bytes = "name=Ann&email=ann@example.com");
    QString deliver(const QString& sender, const QByteArray& data = MailSamples::formData());
    void sendRepliesThrough(const QString& server);

    bool process(FormSource source, RunProgress* progress = nullptr);
    ProcessingRun::Counts counts;
    // The event log as RunLog reads it; the account lines and the summary of the last run.
    QStringList log() const { return RunLog::lines(state->eventLog().text()); }
    QStringList items() const { return RunLog::items(log()); }
    QStringList summary() const { return log().mid(log().size() - 8, 4); }
    QList<ResponseRecord> rows() const { return ResponseDatabase::readRecords(path(ResponseDatabase::FileName)); }

private:
    QTemporaryDir m_dir;
    std::optional<TestMaildir> m_mail;
};
