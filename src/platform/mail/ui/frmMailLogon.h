#pragma once

#include "platform/mail/MailProfile.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Mail Logon": the inbox (a Maildir folder or an imap:// / imaps:// address), user name and
// password, with the reason it is asked. OK accepts, Cancel rejects.
class frmMailLogon : public QDialog
{
    Q_OBJECT
public:
    explicit frmMailLogon(QWidget* parent = nullptr);

    void setProfile(const MailProfile& profile, const QString& reason);
    MailProfile profile() const;

    // Controls, named as their objectName.
    QLabel* lblReason = nullptr;
    QLineEdit* txtInbox = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
