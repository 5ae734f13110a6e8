#include "settings/ui/frmSettings.h"

#include "common/Dialogs.h"
#include "settings/ApplyTracker.h"
#include "settings/FormLocations.h"
#include "settings/ui/QtFormLocationBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedLayout>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* label(const char* name, const QString& text)
{
    return named(new QLabel(text), name);
}

QLineEdit* textBox(const char* name, const QString& tip = {})
{
    auto* box = named(new QLineEdit, name);
    box->setToolTip(tip);
    return box;
}

// A drop-down whose entries show a caption and stand for the stored text.
QComboBox* choice(const char* name, std::initializer_list<std::pair<QString, QString>> entries)
{
    auto* box = named(new QComboBox, name);
    for (const auto& [caption, stored] : entries)
        box->addItem(caption, stored);
    return box;
}

QLabel* picture(const char* name)
{
    auto* p = named(new QLabel, name);
    p->setPixmap(QIcon(QStringLiteral(":/icons/settings.svg")).pixmap(48, 48));
    p->setAlignment(Qt::AlignTop | Qt::AlignRight);
    return p;
}

} // namespace

frmSettings::frmSettings(SystemSettings& settings, SettingsStore& store, ErrorReporter& errors,
                         Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_settings(settings), m_dialogs(dialogs),
      m_apply(new ApplyTracker(settings, store, errors, this)),
      m_locations(new FormLocations(settings, store, this))
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Brevane [Settings]"));

    tabLeftHandGroup = named(new QTabWidget, "tabLeftHandGroup");
    tabLeftHandGroup->addTab(createProcessingTab(), QStringLiteral("&Processing Settings"));
    tabLeftHandGroup->addTab(createLocationsTab(), QStringLiteral("Form Locations"));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(tabLeftHandGroup);
    layout->addLayout(createButtons());

    // Enter belongs to the folder and filter boxes: no button may take it as the default.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(txtLocalLocation, Command4);
    setTabOrder(Command4, txtSourceFileFilter);
    setTabOrder(txtSourceFileFilter, filHiddenFileTypeArray);

    bindRecord();
    radbtnLocal_Click();
}

QWidget* frmSettings::createProcessingTab()
{
    auto* page = new QWidget;
    auto* options = new QVBoxLayout;

    chkAutoOpenLastTemplate =
        named(new QCheckBox(QStringLiteral("Automatically open last form design on startup")),
              "chkAutoOpenLastTemplate");
    chkAutoProcessOnStartup =
        named(new QCheckBox(QStringLiteral("Automatically begin processing files on startup")),
              "chkAutoProcessOnStartup");
    lblAutoProcessTimeIntervalLeft =
        label("lblAutoProcessTimeIntervalLeft", QStringLiteral("Check for new mail every"));
    txtAutoProcessTimeInterval = textBox("txtAutoProcessTimeInterval");
    txtAutoProcessTimeInterval->setMaximumWidth(60);
    lblAutoProcessTimeIntervalRight =
        label("lblAutoProcessTimeIntervalRight", QStringLiteral("minutes"));
    chkAutoPrintForms =
        named(new QCheckBox(QStringLiteral("Automatically print all forms processed")),
              "chkAutoPrintForms");
    chkAutoPrintReply =
        named(new QCheckBox(QStringLiteral("Automatically print a copy of every reply generated")),
              "chkAutoPrintReply");
    chkDoNotReply = named(
        new QCheckBox(QStringLiteral("Do not reply to forms by e-mail, parse and store only")),
        "chkDoNotReply");
    Label2 = label("Label2", QStringLiteral("Supress processing of all files over"));
    txtFileLengthLimiter =
        textBox("txtFileLengthLimiter", QStringLiteral("Enter 0 to turn off supression"));
    txtFileLengthLimiter->setMaximumWidth(80);
    Label8 = label("Label8", QStringLiteral("bytes in size"));
    Label1 = label("Label1", QStringLiteral("Subject Line of Reply:"));
    txtReplySubject = textBox("txtReplySubject", QStringLiteral("Your Reply Heading"));
    Label10 = label("Label10", QStringLiteral("Friendly Name reply suffix:"));
    txtFriendly_Reply_Suffix = textBox("txtFriendly_Reply_Suffix");
    lblFormSource = label("lblFormSource", QStringLiteral("Automatic runs read:"));
    cboFormSource = choice("cboFormSource", {{SystemSettings::SourceInbox, SystemSettings::SourceInbox},
                                             {SystemSettings::SourceFolder, SystemSettings::SourceFolder}});
    lblReplyAddressField = label("lblReplyAddressField", QStringLiteral("Reply address field:"));
    txtReplyAddressField = textBox("txtReplyAddressField",
                                   QStringLiteral("The form field that holds the submitter's e-mail address"));
    chkAnswerOnce = named(new QCheckBox(QStringLiteral("Answer each submission only once")),
                          "chkAnswerOnce");
    chkAnswerOnce->setToolTip(QStringLiteral("Skip submissions that were answered before"));
    Picture1 = picture("Picture1");

    auto* interval = new QHBoxLayout;
    interval->setContentsMargins(20, 0, 0, 0);
    interval->addWidget(lblAutoProcessTimeIntervalLeft);
    interval->addWidget(txtAutoProcessTimeInterval);
    interval->addWidget(lblAutoProcessTimeIntervalRight);
    interval->addStretch();
    auto* length = new QHBoxLayout;
    length->addWidget(Label2);
    length->addWidget(txtFileLengthLimiter);
    length->addWidget(Label8);
    length->addStretch();
    auto* texts = new QGridLayout;
    texts->addWidget(Label1, 0, 0);
    texts->addWidget(txtReplySubject, 0, 1);
    texts->addWidget(Label10, 1, 0);
    texts->addWidget(txtFriendly_Reply_Suffix, 1, 1);
    texts->addWidget(lblReplyAddressField, 2, 0);
    texts->addWidget(txtReplyAddressField, 2, 1);
    texts->addWidget(lblFormSource, 3, 0);
    texts->addWidget(cboFormSource, 3, 1, Qt::AlignLeft);

    auto* startup = new QHBoxLayout;
    startup->setContentsMargins(20, 0, 0, 0);
    startup->addWidget(chkAutoProcessOnStartup);
    options->addWidget(chkAutoOpenLastTemplate);
    options->addLayout(startup);
    options->addLayout(interval);
    options->addWidget(chkAutoPrintForms);
    options->addWidget(chkAutoPrintReply);
    options->addWidget(chkDoNotReply);
    options->addWidget(chkAnswerOnce);
    options->addLayout(length);
    options->addLayout(texts);
    options->addStretch();

    auto* row = new QHBoxLayout(page);
    row->addLayout(options, 1);
    row->addWidget(Picture1);
    return page;
}

QWidget* frmSettings::createLocationsTab()
{
    auto* page = new QWidget;
    Label7 = label("Label7", QStringLiteral("Source:"));
    radbtnLocal = named(new QRadioButton(QStringLiteral("Local")), "radbtnLocal");
    radbtnPOP = named(new QRadioButton(QStringLiteral("MAPI")), "radbtnPOP");
    Picture2 = picture("Picture2");
    connect(radbtnLocal, &QRadioButton::clicked, this, &frmSettings::radbtnLocal_Click);
    connect(radbtnPOP, &QRadioButton::clicked, this, &frmSettings::radbtnPOP_Click);

    auto* source = new QHBoxLayout;
    source->addWidget(Label7);
    source->addWidget(radbtnLocal);
    source->addWidget(radbtnPOP);
    source->addStretch();
    source->addWidget(Picture2);

    // The two frames share one place; the larger decides its size, so the window keeps its size.
    m_frames = new QStackedLayout;
    m_frames->addWidget(createLocalFrame());
    m_frames->addWidget(createMailFrame());

    auto* column = new QVBoxLayout(page);
    column->addLayout(source);
    column->addLayout(m_frames, 1);
    return page;
}

QGroupBox* frmSettings::createLocalFrame()
{
    fraFormLocationLocal =
        named(new QGroupBox(QStringLiteral("Local Locations")), "fraFormLocationLocal");
    Command4 = named(new QPushButton(QStringLiteral("Browse ...")), "Command4");
    txtLocalLocation = textBox("txtLocalLocation", QStringLiteral("Local or LAN Directory Path"));
    txtLocalLocation->setMinimumWidth(260);
    Label6 = label("Label6", QStringLiteral("File Types:"));
    txtSourceFileFilter = textBox("txtSourceFileFilter", QStringLiteral("Files to be processed"));
    filHiddenFileTypeArray = named(new QListWidget, "filHiddenFileTypeArray");
    filHiddenFileTypeArray->setToolTip(QStringLiteral("Matching Files"));
    filHiddenFileTypeArray->setSelectionMode(QAbstractItemView::SingleSelection);
    filHiddenFileTypeArray->setMinimumHeight(110);

    auto* grid = new QGridLayout(fraFormLocationLocal);
    grid->addWidget(txtLocalLocation, 0, 0, 1, 2);
    grid->addWidget(Command4, 0, 2);
    grid->addWidget(Label6, 1, 0);
    grid->addWidget(txtSourceFileFilter, 1, 1, 1, 2);
    grid->addWidget(filHiddenFileTypeArray, 2, 0, 1, 3);

    m_boxes = new QtFormLocationBoxes(
        *m_locations, m_settings, m_dialogs,
        {txtLocalLocation, Command4, txtSourceFileFilter, filHiddenFileTypeArray}, this);
    return fraFormLocationLocal;
}

QGroupBox* frmSettings::createMailFrame()
{
    fraFormLocationPOP =
        named(new QGroupBox(QStringLiteral("MAPI / SMTP Settings")), "fraFormLocationPOP");
    Label3 = label("Label3", QStringLiteral("Outgoing (SMTP):"));
    txtPOPSMTP = textBox("txtPOPSMTP", QStringLiteral("Your Outgoing Mail Server"));
    Label12 = label("Label12", QStringLiteral("Reply To:"));
    txtPOPReplyTo = textBox("txtPOPReplyTo", QStringLiteral("Your preferred Reply-To address"));
    Label9 = label("Label9", QStringLiteral("MAPI Settings (if applicable):"));
    QFont heading = Label9->font();
    heading.setBold(true);
    Label9->setFont(heading);
    Label4 = label("Label4", QStringLiteral("Account Name:"));
    txtPOPAccountName = textBox("txtPOPAccountName", QStringLiteral("Your Mail Account UserID"));
    Label5 = label("Label5", QStringLiteral("Password:"));
    txtPOPPassword = textBox("txtPOPPassword", QStringLiteral("Your Mail Account Password"));
    txtPOPPassword->setEchoMode(QLineEdit::Password);
    txtPOPPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    lblSMTPSecurity = label("lblSMTPSecurity", QStringLiteral("Security:"));
    cboSMTPSecurity = choice("cboSMTPSecurity",
                             {{QStringLiteral("None (port 25)"), SystemSettings::SecurityNone},
                              {QStringLiteral("STARTTLS (port 587)"), SystemSettings::SecurityStartTls},
                              {QStringLiteral("SSL/TLS (port 465)"), SystemSettings::SecurityTls}});
    lblPOPInbox = label("lblPOPInbox", QStringLiteral("Incoming (Inbox):"));
    txtPOPInbox = textBox("txtPOPInbox",
                          QStringLiteral("A mail folder (Maildir) or imap:// / imaps:// address"));
    chkIgnoreReadMessages =
        named(new QCheckBox(QStringLiteral("Ignore read mail messages")), "chkIgnoreReadMessages");
    cmdCheckAccount = named(new QPushButton(QStringLiteral("Check Account")), "cmdCheckAccount");
    connect(cmdCheckAccount, &QPushButton::clicked, this, &frmSettings::checkAccountRequested);
    m_mailControls = {txtPOPSMTP, cboSMTPSecurity, txtPOPReplyTo, txtPOPInbox,
                      txtPOPAccountName, txtPOPPassword, cmdCheckAccount};
    connect(chkIgnoreReadMessages, &QCheckBox::clicked, this,
            &frmSettings::chkIgnoreReadMessages_Click);

    auto* grid = new QGridLayout(fraFormLocationPOP);
    grid->addWidget(Label3, 0, 0);
    grid->addWidget(txtPOPSMTP, 0, 1);
    grid->addWidget(lblSMTPSecurity, 1, 0);
    grid->addWidget(cboSMTPSecurity, 1, 1, Qt::AlignLeft);
    grid->addWidget(Label12, 2, 0);
    grid->addWidget(txtPOPReplyTo, 2, 1);
    grid->addWidget(Label9, 3, 0, 1, 2);
    grid->addWidget(lblPOPInbox, 4, 0);
    grid->addWidget(txtPOPInbox, 4, 1);
    grid->addWidget(Label4, 5, 0);
    grid->addWidget(txtPOPAccountName, 5, 1);
    grid->addWidget(Label5, 6, 0);
    grid->addWidget(txtPOPPassword, 6, 1);
    grid->addWidget(chkIgnoreReadMessages, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    grid->addWidget(cmdCheckAccount, 9, 1, Qt::AlignRight);
    return fraFormLocationPOP;
}

QLayout* frmSettings::createButtons()
{
    cmdButtonSettingsOk = named(new QPushButton(QStringLiteral("&Ok")), "cmdButtonSettingsOk");
    cmdButtonSettingsApply =
        named(new QPushButton(QStringLiteral("&Apply")), "cmdButtonSettingsApply");
    cmdButtonSettingsCancel =
        named(new QPushButton(QStringLiteral("&Cancel")), "cmdButtonSettingsCancel");
    cmdButtonSettingsApply->setEnabled(m_apply->isEnabled());
    connect(m_apply, &ApplyTracker::enabledChanged, cmdButtonSettingsApply,
            &QPushButton::setEnabled);
    connect(cmdButtonSettingsOk, &QPushButton::clicked, this,
            &frmSettings::cmdButtonSettingsOk_Click);
    connect(cmdButtonSettingsApply, &QPushButton::clicked, this,
            &frmSettings::cmdButtonSettingsApply_Click);
    connect(cmdButtonSettingsCancel, &QPushButton::clicked, this, &frmSettings::reject);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cmdButtonSettingsOk);
    row->addWidget(cmdButtonSettingsApply);
    row->addWidget(cmdButtonSettingsCancel);
    return row;
}

void frmSettings::bindRecord()
{
    using K = SystemSettings;
    m_checkBoxes[K::Auto_Open_Template] = chkAutoOpenLastTemplate;
    m_checkBoxes[K::Auto_Print_Forms] = chkAutoPrintForms;
    m_checkBoxes[K::Auto_Print_Reply] = chkAutoPrintReply;
    m_checkBoxes[K::Auto_Process_On_Start] = chkAutoProcessOnStartup;
    m_checkBoxes[K::Suppress_Reply_To_Sender] = chkDoNotReply;
    m_checkBoxes[K::Ignore_Read_MAPI_Messages] = chkIgnoreReadMessages;
    m_textBoxes[K::Auto_Timer] = txtAutoProcessTimeInterval;
    m_textBoxes[K::Max_Length] = txtFileLengthLimiter;
    m_textBoxes[K::Local_Path] = txtLocalLocation;
    m_textBoxes[K::MAPI_ID] = txtPOPAccountName;
    m_textBoxes[K::MAPI_Password] = txtPOPPassword;
    m_textBoxes[K::SMTP_From_Address] = txtPOPReplyTo;
    m_textBoxes[K::SMTP_Server_Address] = txtPOPSMTP;
    m_textBoxes[K::SMTP_Reply_Subject] = txtReplySubject;
    m_textBoxes[K::File_Filter] = txtSourceFileFilter;
    m_textBoxes[K::Mail_Inbox] = txtPOPInbox;
    m_comboBoxes[K::SMTP_Security] = cboSMTPSecurity;
    m_comboBoxes[K::Form_Source] = cboFormSource;
    m_textBoxes[K::Reply_Address_Field] = txtReplyAddressField;
    m_checkBoxes[K::Answer_Once] = chkAnswerOnce;

    for (int k = 0; k < K::KeyCount; ++k) {
        const auto key = K::Key(k);
        showField(key);
        if (QCheckBox* box = m_checkBoxes[key]) {
            connect(box, &QCheckBox::stateChanged, this, [this, key](int state) {
                m_settings.setFlag(key, state == Qt::Checked            ? 1
                                        : state == Qt::PartiallyChecked ? 2
                                                                        : 0);
            });
        } else if (QComboBox* box = m_comboBoxes[key]) {
            connect(box, &QComboBox::currentIndexChanged, this, [this, key, box](int index) {
                m_settings.setText(key, box->itemData(index).toString());
            });
        } else {
            connect(m_textBoxes[key], &QLineEdit::textChanged, this,
                    [this, key](const QString& text) { m_settings.setText(key, text); });
        }
    }
    connect(&m_settings, &SystemSettings::changed, this, &frmSettings::showField);

    txtFriendly_Reply_Suffix->setText(m_settings.friendlyReplySuffix());
    connect(txtFriendly_Reply_Suffix, &QLineEdit::textChanged, &m_settings,
            &SystemSettings::setFriendlyReplySuffix);
    connect(&m_settings, &SystemSettings::friendlyReplySuffixChanged, this,
            [this](const QString& suffix) {
                if (txtFriendly_Reply_Suffix->text() != suffix)
                    txtFriendly_Reply_Suffix->setText(suffix);
            });
}

void frmSettings::showField(SystemSettings::Key key)
{
    if (QCheckBox* box = m_checkBoxes[key]) {
        const int value = m_settings.flag(key);
        // The dimmed state shows only what the file holds; a click never leads back to it.
        box->setTristate(value == 2);
        box->setCheckState(value == 2 ? Qt::PartiallyChecked : value ? Qt::Checked : Qt::Unchecked);
        if (key == SystemSettings::Auto_Open_Template)
            followAutoOpen();
    } else if (QComboBox* box = m_comboBoxes[key]) {
        // A text of the record that is not one of the entries shows as the entry it stands for.
        const QString value = key == SystemSettings::SMTP_Security
                                  ? SystemSettings::normalisedSecurity(m_settings.text(key))
                                  : SystemSettings::normalisedSource(m_settings.text(key));
        box->setCurrentIndex(box->findData(value));
    } else if (QLineEdit* box = m_textBoxes[key]) {
        const QString value = m_settings.text(key);
        if (box->text() != value)
            box->setText(value);
    }
}

void frmSettings::followAutoOpen()
{
    const bool on = m_settings.on(SystemSettings::Auto_Open_Template);
    for (QWidget* w : std::initializer_list<QWidget*>{
             chkAutoProcessOnStartup, lblAutoProcessTimeIntervalLeft, txtAutoProcessTimeInterval,
             lblAutoProcessTimeIntervalRight})
        w->setEnabled(on);
}

void frmSettings::showSettings()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void frmSettings::showModalOnFormLocations()
{
    selectTab(TabFormLocations);
    radbtnPOP_Click();
    // Modality is taken on showing: an open window is shown again as a modal one.
    if (isVisible())
        hide();
    exec();
}

void frmSettings::selectTab(int tab)
{
    tabLeftHandGroup->setCurrentIndex(tab);
}

void frmSettings::radbtnLocal_Click()
{
    radbtnLocal->setChecked(true);
    m_frames->setCurrentWidget(fraFormLocationLocal);
    for (QWidget* w : std::initializer_list<QWidget*>{txtLocalLocation, txtSourceFileFilter,
                                                      filHiddenFileTypeArray})
        w->setEnabled(true);
    for (QWidget* w : m_mailControls)
        w->setEnabled(false);
}

void frmSettings::radbtnPOP_Click()
{
    radbtnPOP->setChecked(true);
    m_frames->setCurrentWidget(fraFormLocationPOP);
    for (QWidget* w : std::initializer_list<QWidget*>{txtLocalLocation, txtSourceFileFilter,
                                                      filHiddenFileTypeArray})
        w->setEnabled(false);
    for (QWidget* w : m_mailControls)
        w->setEnabled(true);
}

void frmSettings::cmdButtonSettingsApply_Click()
{
    m_apply->apply();
}

void frmSettings::cmdButtonSettingsOk_Click()
{
    m_apply->ok();
    accept();
}

void frmSettings::reject()
{
    m_apply->cancel();
    QDialog::reject();
}

void frmSettings::chkIgnoreReadMessages_Click(bool ticked)
{
    // Only the user's click lands here; loads and the program's own changes show no warning.
    if (!ticked)
        m_dialogs.messageBox(ReadMailWarning, Dialogs::Icon::None, Dialogs::Buttons::Ok);
}

void frmSettings::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Files may have come and gone while the window was hidden.
    m_boxes->refreshFileList();
}
