#pragma once

#include <QDateTime>
#include <QString>

// One recorded reply: a row of table Form_Response in FORM.MDB.
struct ResponseRecord
{
    QDateTime sourceDate; // Form_Reponse_Source_Date: the moment of recording
    QString sourceAddress; // Form_Response_Source_Address: the reply target after the address check
    QString subject;      // Form_Response_Subject
    QString message;      // Form_Response_Message: the whole merged reply
};
