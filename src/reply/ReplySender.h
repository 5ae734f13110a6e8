#pragma once

#include "platform/system/PrintJob.h"

#include <QString>

class Dialogs;
class EventLog;
class ReplyTemplate;
class ResponseRecorder;
class SmtpSession;
class SystemSettings;
class VariableTable;

// The reply to one decoded submission: merged from the template, sent to the submitter (asking
// for an address when the target has none), printed when so configured, and recorded.
class ReplySender
{
public:
    static inline const QString AddressPrompt = QStringLiteral("Email Reply To:");
    static inline const QString ReplySeparator = QStringLiteral("\r\n---------- Reply:\r\n");

    // printJobs is looked at for every reply: it makes the reply's print job, and while it is
    // empty nothing is printed.
    ReplySender(ReplyTemplate& reply, VariableTable& variables, const SystemSettings& settings,
                Dialogs& dialogs, EventLog& log, SmtpSession& smtp, ResponseRecorder& recorder,
                const PrintJobFactory& printJobs);

    // The target may change: the caller sees the address the user gave, or an empty text when
    // the user gave none. The fingerprint of the submission is recorded with the reply. Returns
    // the status recorded: ResponseRecord::Sent, Failed or NotSent.
    QString SendReply(QString& replyTarget, const QString& fingerprint = {});
    // For mail that a program sent: printed and recorded as any reply, never sent, so that two
    // responders cannot answer each other for ever.
    void WithholdReply(const QString& replyTarget, const QString& fingerprint = {});

    static QString sendLine(const QString& target, bool sent);

private:
    // False when the user gave no address.
    bool askForAddress(QString& replyTarget);
    void print(const QString& preview);
    void printAndRecord(const QString& replyTarget, const QString& body, const QString& status,
                        const QString& fingerprint);

    ReplyTemplate& m_reply;
    VariableTable& m_variables;
    const SystemSettings& m_settings;
    Dialogs& m_dialogs;
    EventLog& m_log;
    SmtpSession& m_smtp;
    ResponseRecorder& m_recorder;
    const PrintJobFactory& m_printJobs;
};
