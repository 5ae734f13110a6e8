#pragma once

#include <QString>
#include <functional>

class Dialogs;

// The numbered error box. A warning returns when the user presses OK; a fatal report ends the
// program at once, without the save prompt and without writing the settings.
class ErrorReporter
{
public:
    using Terminate = std::function<void()>;

    // The default ending leaves the process immediately; tests give their own.
    explicit ErrorReporter(Dialogs& dialogs, Terminate terminate = {});

    void ReportError(const QString& codeText, bool fatal = false);

    static QString warningText(const QString& codeText);
    static QString fatalText(const QString& codeText);

private:
    Dialogs& m_dialogs;
    Terminate m_terminate;
};

// The code texts of the program's error boxes.
namespace ErrorCode {
inline const QString InitialisationFailure = QStringLiteral("BV_1001 - Initialisation Failure");
inline const QString ReadingSettings =
    QStringLiteral("BV_1002 - Error Reading Initialisation Settings");
inline const QString StartupTemplate = QStringLiteral("BV_1003 - Error Opening Template File");
inline const QString MapiLogon = QStringLiteral("BV_2001 - MAPI Logon Failure: ");
inline const QString ParseError = QStringLiteral("BV_2005 - Parse Error");
inline const QString OpeningMailtoFile = QStringLiteral("BV_3001 - Error Opening Mailto File");
inline const QString InvalidMailtoForm = QStringLiteral(
    "BV_3002 - Invalid Mailto Form or File Length Exceeds User Defined Maximum");
inline const QString OpeningTemplate = QStringLiteral("BV_3010 - Error Opening Template File");
inline const QString SavingTemplate = QStringLiteral("BV_3020 - Error Saving Template File");
inline const QString ChangingVariableName = QStringLiteral("BV_4001 : Error changing variable name");
inline const QString UpdatingSourceGrid = QStringLiteral("BV_4002 : Error updating source grid");
inline const QString OpeningRecentTemplate = QStringLiteral("BV_4010 - Error Opening Template File");
inline const QString DatabaseReport = QStringLiteral(
    "BV_6052 - Error Generating Database Report, the database could not be found");
inline const QString ExportingResponses = QStringLiteral("BV_6060 - Error Exporting Responses");
inline const QString ChangingSettings =
    QStringLiteral("BV_9001 - Error Making Changes to Settings, Please Try Again");
inline const QString ConnectingDatabase = QStringLiteral(
    "BV_9010 - Error connecting to Database, replies are being generated correctly, but will not "
    "be recorded.");
inline const QString WritingDatabase = QStringLiteral(
    "BV_9020 - Error writing to Database, replies are being generated correctly, but will not be "
    "recorded.");
inline const QString SmtpConnection =
    QStringLiteral("BV_0101 - Error establishing connection with SMTP Server");
inline const QString SmtpCommunication = QStringLiteral("0102 - Error communicating with SMTP Server");
inline const QString SmtpWrongFrom = QStringLiteral("0103 - Wrong FROM adress");
inline const QString SmtpWrongTo = QStringLiteral("0104 - Wrong TO adress");
inline const QString SmtpSendMailFailed = QStringLiteral("0105 - SendMail failed");
inline const QString SmtpNotSecure =
    QStringLiteral("0106 - SMTP Server does not offer a secure connection");
inline const QString SmtpUntrusted = QStringLiteral("0107 - Certificate of SMTP Server is not trusted");
inline const QString SmtpLoginRefused = QStringLiteral("0108 - SMTP Server refused the login");
} // namespace ErrorCode
