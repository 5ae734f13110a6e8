#include "TestSupport.h"

#include "platform/mail/MaildirInbox.h"

#include <stdexcept>
#include <unistd.h>

QString warning(const QString& code)
{
    return ErrorReporter::warningText(code);
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
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

TestMaildir::TestMaildir(const QString& folder) : m_folder(folder)
{
    for (const char* sub : {"cur", "new", "tmp"})
        QDir().mkpath(folder + '/' + sub);
}

QString TestMaildir::deliver(const QString& name, const QByteArray& message)
{
    // Written aside in tmp/ and moved in, as a delivery agent does.
    const QString aside = m_folder + "/tmp/" + name.section('/', 1);
    writeBytes(aside, message);
    QDir().rename(aside, m_folder + '/' + name);
    return name.section('/', 1).section(':', 0, 0);
}

QString TestMaildir::deliverNew(const QByteArray& message, qint64 deliveredSeconds)
{
    return deliver(QStringLiteral("new/%1.M%2P%3.test").arg(deliveredSeconds).arg(++m_delivered).arg(getpid()),
                   message);
}

QString TestMaildir::deliverCur(const QByteArray& message, qint64 deliveredSeconds, const QString& flags)
{
    return deliver(QStringLiteral("cur/%1.M%2P%3.test:2,%4").arg(deliveredSeconds).arg(++m_delivered).arg(getpid()).arg(flags),
                   message);
}

QString TestMaildir::pathOf(const QString& unique) const
{
    for (const char* sub : {"/new", "/cur"})
        for (const QFileInfo& file : QDir(m_folder + sub).entryInfoList(QDir::Files))
            if (file.fileName().section(':', 0, 0) == unique)
                return file.filePath();
    return {};
}

QString TestMaildir::stateOf(const QString& unique) const
{
    const QFileInfo file(pathOf(unique));
    return file.dir().dirName() == "new" ? QStringLiteral("new") : file.fileName().section(":2,", 1);
}

namespace {

// The short date, a space, then the long time without its zone name; today or yesterday.
bool isNow(const QString& text)
{
    static const QRegularExpression time("^ \\d{1,2}:\\d{2}:\\d{2}( [AP]M)?$");
    for (const QDate& day : {QDate::currentDate(), QDate::currentDate().addDays(-1)}) {
        const QString date = QLocale().toString(day, QLocale::ShortFormat);
        if (text.startsWith(date) && time.match(text.mid(date.size())).hasMatch())
            return true;
    }
    return false;
}

const QString Started = QStringLiteral("Form Processing Started at ");
const QString Completed = QStringLiteral("Processing Completed at ");

} // namespace

QStringList RunLog::lines(const QString& logText)
{
    QStringList out = logText.split("\r\n");
    for (QString& line : out)
        for (const QString& prefix : {Started, Completed})
            if (line.startsWith(prefix) && isNow(line.mid(prefix.size())))
                line = prefix + "<time>";
    return out;
}

QStringList RunLog::opening()
{
    return {Opening, Started + "<time>", QString()};
}

QStringList RunLog::completion(const QStringList& summary)
{
    return QStringList{QString()} + summary + QStringList{QString(), Completed + "<time>", Closing, QString()};
}

QStringList RunLog::items(const QStringList& lines)
{
    const int first = int(lines.lastIndexOf(Opening) + opening().size());
    return lines.mid(first, lines.size() - first - completion(QStringList(4)).size());
}

TestApp::TestApp(Setup setup)
{
    userSettingsFolder();
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    state = std::make_unique<AppState>(m_dir.path(), dialogs, [] { throw ProgramTerminated{}; });
    if (setup == ReadyForRuns)
        prepareRuns();
}

void TestApp::prepareRuns()
{
    ResponseDatabase::createEmptyDatabase(path(ResponseDatabase::FileName));
    QDir().mkpath(forms());
    m_mail.emplace(path("Maildir"));
    settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
    settings().setText(SystemSettings::SMTP_From_Address, "forms@example.com");
    settings().setLocalFolder(forms());
    state->variables().appendDefinition({"name", QString()});
    state->replyTemplate().setDesignText("Dear <<name>>,\r\nthanks.");
    state->inboxFactory = [maildir = m_mail->folder()] { return std::make_unique<MaildirInbox>(maildir); };
}

void TestApp::addForm(const QString& name, const QByteArray& bytes)
{
    writeBytes(forms() + '/' + name, bytes);
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
    ProcessingRun& run = state->run();
    const bool ran = run.ProcessForms(source, progress);
    counts = run.lastCounts();
    return ran;
}
