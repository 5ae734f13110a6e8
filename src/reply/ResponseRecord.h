#pragma once

#include "formdata/FormVariable.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One recorded reply: a row of table Form_Response in FORM.MDB, with the submitted fields that
// it answered (rows of table Form_Field).
struct ResponseRecord
{
    static inline const QString Sent = QStringLiteral("Sent");
    static inline const QString Failed = QStringLiteral("Failed");
    static inline const QString NotSent = QStringLiteral("Not sent");

    QDateTime sourceDate; // Form_Reponse_Source_Date: the moment of recording
    QString sourceAddress; // Form_Response_Source_Address: the reply target after the address check
    QString subject;      // Form_Response_Subject
    QString message;      // Form_Response_Message: the whole merged reply
    QString status;       // Form_Response_Status: Sent, Failed or Not sent; empty in older rows
    QString fingerprint;  // Form_Response_Fingerprint: hex SHA-256 of the submission
    QList<FormVariable> fields; // in the order submitted
};
