#pragma once

#include "settings/SystemSettings.h"

#include <QDialog>
#include <array>

class ApplyTracker;
class Dialogs;
class ErrorReporter;
class FormLocations;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedLayout;
class QTabWidget;
class QtFormLocationBoxes;
class SettingsStore;

// The settings window: a view bound both ways to the live settings record, so that whatever the
// user types or ticks is the record's value at once, and every change of the record (a load, the
// program's own changes) shows in the controls. Created once; OK and Cancel only hide it.
class frmSettings : public QDialog
{
    Q_OBJECT
public:
    enum Tab
    {
        TabProcessingSettings,
        TabFormLocations
    };

    static inline const QString ReadMailWarning = QStringLiteral(
        "WARNING: Turning this off could risk duplicated processing of one or more messages");
    static inline const QString InvalidPath = QStringLiteral("Invalid Path");
    static inline const QString InvalidFilter = QStringLiteral("Invalid Filter");

    frmSettings(SystemSettings& settings, SettingsStore& store, ErrorReporter& errors,
                Dialogs& dialogs, QWidget* parent = nullptr);

    // Without blocking; the window keeps its tab, source option and contents.
    void showSettings();
    // Blocking, on "Form Locations" with the mail source chosen: for a reply address missing.
    void showModalOnFormLocations();
    void selectTab(int tab);

    void radbtnLocal_Click();
    void radbtnPOP_Click();

    ApplyTracker& applyTracker() { return *m_apply; }

    // Controls, named as their objectName.
    QTabWidget* tabLeftHandGroup = nullptr;
    QPushButton* cmdButtonSettingsOk = nullptr;
    QPushButton* cmdButtonSettingsApply = nullptr;
    QPushButton* cmdButtonSettingsCancel = nullptr;

    QCheckBox* chkAutoOpenLastTemplate = nullptr;
    QCheckBox* chkAutoProcessOnStartup = nullptr;
    QLabel* lblAutoProcessTimeIntervalLeft = nullptr;
    QLineEdit* txtAutoProcessTimeInterval = nullptr;
    QLabel* lblAutoProcessTimeIntervalRight = nullptr;
    QCheckBox* chkAutoPrintForms = nullptr;
    QCheckBox* chkAutoPrintReply = nullptr;
    QCheckBox* chkDoNotReply = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtFileLengthLimiter = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtReplySubject = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* txtFriendly_Reply_Suffix = nullptr;
    QLabel* lblFormSource = nullptr;
    QComboBox* cboFormSource = nullptr;
    QLabel* lblReplyAddressField = nullptr;
    QLineEdit* txtReplyAddressField = nullptr;
    QCheckBox* chkAnswerOnce = nullptr;
    QLabel* Picture1 = nullptr;

    QLabel* Label7 = nullptr;
    QRadioButton* radbtnLocal = nullptr;
    QRadioButton* radbtnPOP = nullptr;
    QGroupBox* fraFormLocationLocal = nullptr;
    QPushButton* Command4 = nullptr;
    QLineEdit* txtLocalLocation = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtSourceFileFilter = nullptr;
    QListWidget* filHiddenFileTypeArray = nullptr;
    QGroupBox* fraFormLocationPOP = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPOPSMTP = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* txtPOPReplyTo = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtPOPAccountName = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtPOPPassword = nullptr;
    QLabel* lblSMTPSecurity = nullptr;
    QComboBox* cboSMTPSecurity = nullptr;
    QLabel* lblPOPInbox = nullptr;
    QLineEdit* txtPOPInbox = nullptr;
    QCheckBox* chkIgnoreReadMessages = nullptr;
    QPushButton* cmdCheckAccount = nullptr;
    QLabel* Picture2 = nullptr;

signals:
    // The user asks to sign on to the inbox and the SMTP server with the account as it stands.
    void checkAccountRequested();

public slots:
    // Cancel, the Esc key and the title-bar close button alike: edits are read back from the file.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* createProcessingTab();
    QWidget* createLocationsTab();
    QGroupBox* createLocalFrame();
    QGroupBox* createMailFrame();
    QLayout* createButtons();
    void bindRecord();
    void showField(SystemSettings::Key key);
    void followAutoOpen();

    void cmdButtonSettingsApply_Click();
    void cmdButtonSettingsOk_Click();
    void chkIgnoreReadMessages_Click(bool ticked);

    SystemSettings& m_settings;
    Dialogs& m_dialogs;
    ApplyTracker* m_apply = nullptr;
    FormLocations* m_locations = nullptr;
    QtFormLocationBoxes* m_boxes = nullptr;
    QStackedLayout* m_frames = nullptr;
    std::array<QCheckBox*, SystemSettings::KeyCount> m_checkBoxes{};
    std::array<QLineEdit*, SystemSettings::KeyCount> m_textBoxes{};
    std::array<QComboBox*, SystemSettings::KeyCount> m_comboBoxes{};
    QList<QWidget*> m_mailControls;
};
