#pragma once

// What the tests share: the rig below, the real servers and samples, the program's windows
// and state, and Qt's test, widget and SQL modules.
#include "HookedDialogs.h"
#include "MailSamples.h"
#include "RunLog.h"
#include "SmtpSink.h"
#include "TestMaildir.h"
#include "app/Startup.h"
#include "app/core/AppState.h"
#include "app/frmMain.h"
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

// The text of a warning box with the given code.
QString warning(const QString& code);

// A program folder of its own, scripted dialogs, and the process-wide state over them.
// prepareRuns() makes it ready to process: an empty response database, a folder of saved
// submissions (forms()), a Maildir as the inbox (mail()), replies suppressed, a reply design.
class TestApp
{
public:
    TestApp();

    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const;
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    SystemSettings& settings() { return state->settings(); }

    HookedDialogs dialogs;
    std::unique_ptr<AppState> state;

    void prepareRuns();
    QString forms() const { return path(QStringLiteral("forms")); }
    TestMaildir& mail() { return *m_mail; }
    void addForm(const QString& name, const QByteArray& bytes = "name=Ann&email=ann@example.com");
    QString deliver(const QString& sender, const QByteArray& data = MailSamples::formData());
    void sendRepliesThrough(const QString& server);

    bool process(FormSource source, RunProgress* progress = nullptr);
    ProcessingRun::Counts counts;
    // The event log as RunLog reads it; the account lines and the summary of the last run.
    QStringList log() const;
    QStringList items() const;
    QStringList summary() const;
    QList<ResponseRecord> rows() const;

private:
    QTemporaryDir m_dir;
    std::optional<TestMaildir> m_mail;
};

// The per-user settings store of this test process: a temporary folder that stands in for the
// user's configuration folder, so tests never touch the real one. Set up by the first TestApp.
QString userSettingsFolder();

// Writes bytes to a file, creating folders as needed.
void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);
