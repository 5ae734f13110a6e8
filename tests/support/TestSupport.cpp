#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <stdexcept>

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
