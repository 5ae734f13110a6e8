#pragma once

#include "ScriptedDialogs.h"
#include "app/AppState.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// Thrown by the test ending of a fatal error report, so the test sees that the program would
// have ended there and nothing after it ran.
struct ProgramTerminated
{
};

// A program folder of its own, scripted dialogs, and the process-wide state over them.
class TestApp
{
public:
    TestApp();

    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const;
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;

    ScriptedDialogs dialogs;
    std::unique_ptr<AppState> state;

private:
    QTemporaryDir m_dir;
};

// The per-user settings store of this test process: a temporary folder that stands in for the
// user's configuration folder, so tests never touch the real one. Set up by the first TestApp.
QString userSettingsFolder();

// Writes bytes to a file, creating folders as needed.
void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);
