#include "common/ErrorReporter.h"

#include "common/Dialogs.h"

#include <cstdlib>

ErrorReporter::ErrorReporter(Dialogs& dialogs, Terminate terminate)
    : m_dialogs(dialogs), m_terminate(std::move(terminate))
{
    if (!m_terminate)
        m_terminate = [] { std::_Exit(EXIT_FAILURE); };
}

QString ErrorReporter::warningText(const QString& codeText)
{
    return QStringLiteral("An error has occured (Error Code ") + codeText +
           QStringLiteral(").  Please check your settings and try again.");
}

QString ErrorReporter::fatalText(const QString& codeText)
{
    return QStringLiteral("A Fatal Error has occured (Error Code ") + codeText +
           QStringLiteral(").  This application will terminate.");
}

void ErrorReporter::ReportError(const QString& codeText, bool fatal)
{
    if (!fatal) {
        m_dialogs.messageBox(warningText(codeText), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
        return;
    }
    m_dialogs.messageBox(fatalText(codeText), Dialogs::Icon::Critical, Dialogs::Buttons::Ok);
    m_terminate();
}
