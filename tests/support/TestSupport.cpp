#include "TestSupport.h"

#include "RunLog.h"
#include "platform/MaildirInbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <stdexcept>

QString warning(const QString& code)
{
    return ErrorReporter::warningText(code);
}

QString userSettingsFolder()
{
    static QTemporaryDir dir;
    static const bool redirected = [] {
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, dir.path());
        return true;
    }();
    Q_UNUSED(redirected);
    return dir.path();
}

TestApp::TestApp()
{
    userSettingsFolder();
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    state = std::make_unique<AppState>(m_dir.path(), dialogs, [] { throw ProgramTerminated{}; });
}

QString TestApp::path(const QString& name) const
{
    return m_dir.filePath(name);
}

void TestApp::writeFile(const QString& name, const QByteArray& bytes) const
{
    writeBytes(path(name), bytes);
}

QByteArray TestApp::readFile(const QString& name) const
{
    return readBytes(path(name));
}

void TestApp::prepareRuns()
{
    ResponseDatabase::createEmptyDatabase(path(ResponseDatabase::FileName));
    QDir().mkpath(forms());
    m_mail.emplace(path(QStringLiteral("Maildir")));
    SystemSettings& s = settings();
    s.setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
    s.setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms@example.com"));
    s.setLocalFolder(forms());
    s.setFileFilter(QStringLiteral("*.att;*.dat"));
    state->variables().appendDefinition({QStringLiteral("name"), QString()});
    state->replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,\r\nthanks."));
    const QString maildir = m_mail->folder();
    state->inboxFactory = [maildir] { return std::make_unique<MaildirInbox>(maildir); };
}

void TestApp::addForm(const QString& name, const QByteArray& bytes)
{
    writeBytes(QDir(forms()).filePath(name), bytes);
}

QString TestApp::deliver(const QString& sender, const QByteArray& data)
{
    return m_mail->deliverNew(MailSamples::formSubmission(sender, data), 100);
}

void TestApp::sendRepliesThrough(const QString& server)
{
    settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
    settings().setText(SystemSettings::SMTP_Server_Address, server);
}

bool TestApp::process(FormSource source, RunProgress* progress)
{
    ProcessingRun run(*state);
    const bool ran = run.ProcessForms(source, progress);
    counts = run.lastCounts();
    return ran;
}

QStringList TestApp::log() const
{
    return RunLog::lines(state->eventLog().text());
}

QStringList TestApp::items() const
{
    return RunLog::items(log());
}

QStringList TestApp::summary() const
{
    return RunLog::summaryOf(log());
}

QList<ResponseRecord> TestApp::rows() const
{
    return ResponseDatabase::readRecords(path(ResponseDatabase::FileName));
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
