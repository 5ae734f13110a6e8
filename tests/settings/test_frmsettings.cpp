#include "TestSupport.h"

#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"
#include "settings/ApplyTracker.h"
#include "settings/ui/frmSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

using K = SystemSettings;

// The window over a program folder of its own, as start-up creates it: before any load.
struct Fixture
{
    TestApp app;
    SystemSettings& settings = app.state->settings();
    frmSettings w{app.state->settings(), app.state->store(), app.state->errors(), app.dialogs};

    bool load(const QByteArray& lines)
    {
        app.writeFile("FORM.INI", "[System Settings]\n" + lines);
        return app.state->store().LoadSettings();
    }
    bool applyEnabled() const { return w.cmdButtonSettingsApply->isEnabled(); }
    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < w.filHiddenFileTypeArray->count(); ++i)
            names << w.filHiddenFileTypeArray->item(i)->text();
        return names;
    }
    // Focus events need a shown, active window.
    bool showActive(int tab = frmSettings::TabFormLocations)
    {
        w.selectTab(tab);
        w.showSettings();
        return QTest::qWaitForWindowActive(&w);
    }
    void typeInto(QLineEdit* box, const QString& text, Qt::Key then)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, then);
    }
};

} // namespace

class TestFrmSettings : public QObject
{
    Q_OBJECT
private slots:
    void startsWithBuiltInValuesBeforeAnyLoad()
    {
        Fixture f;
        QCOMPARE(f.w.windowTitle(), QString("Brevane [Settings]"));
        QVERIFY(
            !(f.w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!f.applyEnabled());
        // Enter belongs to the folder and filter boxes.
        for (QPushButton* b : f.w.findChildren<QPushButton*>())
            QVERIFY2(!b->isDefault() && !b->autoDefault(), qPrintable(b->objectName()));
        QVERIFY(!f.w.chkAutoProcessOnStartup->isEnabled());
        QCOMPARE(f.w.txtReplySubject->text(), f.settings.text(K::SMTP_Reply_Subject));
        QVERIFY(f.w.radbtnLocal->isChecked() && f.w.fraFormLocationPOP->isHidden());
        f.w.txtPOPPassword->setText("secret");
        QVERIFY(!f.w.txtPOPPassword->displayText().contains("secret"));
    }

    void controlsAndRecordFollowEachOther()
    {
        Fixture f;
        f.w.radbtnPOP_Click();
        QTest::keyClicks(f.w.txtPOPSMTP, "mail.example.org");
        QCOMPARE(f.settings.text(K::SMTP_Server_Address), QString("mail.example.org"));
        f.w.chkDoNotReply->click();
        QCOMPARE(f.settings.flag(K::Suppress_Reply_To_Sender), 1);
        QTest::keyClicks(f.w.txtFriendly_Reply_Suffix, "=");
        QCOMPARE(f.settings.friendlyReplySuffix(), QString(": ="));

        f.app.writeFile("a.txt", "x");
        QVERIFY(f.load("Auto_Open_Template=1\nIgnore_Read_MAPI_Messages=0\nAuto_Print_Forms=2\n"
                       "Auto_Timer=5\nMAPI_Password=pw\nLocal_Path=" +
                       f.app.folder().toUtf8() + "\nFile_Filter=*.txt\n"));
        QVERIFY(f.w.chkAutoOpenLastTemplate->isChecked());
        QVERIFY(f.w.txtAutoProcessTimeInterval->isEnabled());
        // A flag missing from the file keeps what it had; a missing text field empties.
        QVERIFY(f.w.chkDoNotReply->isChecked());
        QCOMPARE(f.w.txtPOPSMTP->text(), QString());
        QCOMPARE(f.w.txtAutoProcessTimeInterval->text(), QString("5"));
        QCOMPARE(f.w.txtPOPPassword->text(), QString("pw"));
        QCOMPARE(f.w.txtLocalLocation->text(), f.app.folder());
        QCOMPARE(f.listed(), QStringList({"a.txt"}));
        QVERIFY(f.applyEnabled());

        // The dimmed state shows what the file holds, but clicks never lead back to it.
        QCOMPARE(f.w.chkAutoPrintForms->checkState(), Qt::PartiallyChecked);
        QList<int> values;
        for (int i = 0; i < 3; ++i) {
            f.w.chkAutoPrintForms->click();
            values << f.settings.flag(K::Auto_Print_Forms);
        }
        QCOMPARE(values, QList<int>({1, 0, 1}));
    }

    // The drop-downs show captions but stand for the stored texts; the mail frame's controls
    // follow the source option like its text boxes.
    void dropDownsAndTheAccountCheck()
    {
        Fixture f;
        QCOMPARE(f.w.cboSMTPSecurity->currentText(), QString("None (port 25)"));
        f.w.cboSMTPSecurity->setCurrentIndex(2);
        QCOMPARE(f.settings.text(K::SMTP_Security), QString("TLS"));
        QVERIFY(f.applyEnabled());
        f.w.cboFormSource->setCurrentIndex(f.w.cboFormSource->findText("Folder"));
        QCOMPARE(f.settings.text(K::Form_Source), QString("Folder"));
        QVERIFY(f.load("SMTP_Security=starttls\n"));
        QCOMPARE(f.w.cboSMTPSecurity->currentText(), QString("STARTTLS (port 587)"));
        QCOMPARE(f.w.cboFormSource->currentText(), QString("Inbox"));

        QSignalSpy check(&f.w, &frmSettings::checkAccountRequested);
        for (bool mail : {false, true}) {
            mail ? f.w.radbtnPOP_Click() : f.w.radbtnLocal_Click();
            for (QWidget* c : std::initializer_list<QWidget*>{
                     f.w.cboSMTPSecurity, f.w.txtPOPInbox, f.w.cmdCheckAccount})
                QVERIFY2(c->isEnabled() == mail, qPrintable(c->objectName()));
        }
        f.w.cmdCheckAccount->click();
        QCOMPARE(check.count(), 1);
    }

    void autoOpenBoxEnablesItsFourDependants()
    {
        Fixture f;
        const QList<QWidget*> dependants = {
            f.w.chkAutoProcessOnStartup, f.w.lblAutoProcessTimeIntervalLeft,
            f.w.txtAutoProcessTimeInterval, f.w.lblAutoProcessTimeIntervalRight};
        for (bool on : {true, false}) {
            f.w.chkAutoOpenLastTemplate->click();
            for (QWidget* d : dependants)
                QVERIFY2(d->isEnabled() == on, qPrintable(d->objectName()));
            if (on)
                f.w.chkAutoProcessOnStartup->click();
        }
        // A disabled dependant keeps its value, in the box and in the record that is saved.
        QVERIFY(f.w.chkAutoProcessOnStartup->isChecked());
        QCOMPARE(f.settings.flag(K::Auto_Process_On_Start), 1);
    }

    void readMailWarningOnlyWhenTheUserClears()
    {
        Fixture f;
        f.w.chkIgnoreReadMessages->click();
        QCOMPARE(f.settings.flag(K::Ignore_Read_MAPI_Messages), 0);
        QCOMPARE(f.app.dialogs.messages(),
                 QStringList({"WARNING: Turning this off could risk duplicated processing of one "
                              "or more messages"}));
        QCOMPARE(f.app.dialogs.shown().first().icon, Dialogs::Icon::None);
        QCOMPARE(f.app.dialogs.shown().first().title, QString("Brevane"));
        QVERIFY(!f.w.chkIgnoreReadMessages->isChecked());
        f.w.chkIgnoreReadMessages->click();
        QCOMPARE(f.app.dialogs.messages().size(), 1);

        // Processing switches it on by itself: shown and counted for Apply, never warned about.
        f.settings.setFlag(K::Ignore_Read_MAPI_Messages, 0);
        QVERIFY(f.w.applyTracker().apply());
        f.settings.setFlag(K::Ignore_Read_MAPI_Messages, 1);
        QVERIFY(f.w.chkIgnoreReadMessages->isChecked());
        QVERIFY(f.applyEnabled());
        QVERIFY(f.load("Ignore_Read_MAPI_Messages=0\n"));
        QVERIFY(!f.w.chkIgnoreReadMessages->isChecked());
        QCOMPARE(f.app.dialogs.messages().size(), 1);
    }

    void applyStateAfterApplyKeystrokesAndClicks()
    {
        Fixture f;
        QVERIFY(f.load("SMTP_Reply_Subject=Stored\n"));
        QVERIFY(f.applyEnabled());
        QTest::keyClicks(f.w.txtReplySubject, "!");
        f.w.cmdButtonSettingsApply->click();
        QVERIFY(!f.applyEnabled());
        QVERIFY(f.app.readFile("FORM.INI").contains("SMTP_Reply_Subject=Stored!"));

        QTest::keyClicks(f.w.txtFriendly_Reply_Suffix, "x");
        f.w.radbtnPOP->click();
        QVERIFY(!f.applyEnabled());
        f.w.chkAutoOpenLastTemplate->click();
        f.w.cmdButtonSettingsApply->click();
        for (QLineEdit* box :
             {f.w.txtAutoProcessTimeInterval, f.w.txtFileLengthLimiter, f.w.txtPOPAccountName,
              f.w.txtPOPPassword, f.w.txtPOPReplyTo, f.w.txtPOPSMTP, f.w.txtPOPInbox,
              f.w.txtReplySubject, f.w.txtReplyAddressField,
              f.w.txtLocalLocation, f.w.txtSourceFileFilter}) {
            if (!box->isEnabled())
                f.w.radbtnLocal_Click();
            QTest::keyClicks(box, "a");
            QVERIFY2(f.applyEnabled(), qPrintable(box->objectName()));
            f.w.cmdButtonSettingsApply->click();
        }
        for (QCheckBox* box :
             {f.w.chkAutoProcessOnStartup, f.w.chkAutoPrintForms, f.w.chkAutoPrintReply,
              f.w.chkDoNotReply, f.w.chkIgnoreReadMessages, f.w.chkAutoOpenLastTemplate,
              f.w.chkAnswerOnce}) {
            box->click();
            QVERIFY2(f.applyEnabled(), qPrintable(box->objectName()));
            f.w.cmdButtonSettingsApply->click();
        }
        QVERIFY(!f.applyEnabled());

        // OK saves but leaves Apply as it is.
        QTest::keyClicks(f.w.txtReplySubject, "B");
        f.w.cmdButtonSettingsOk->click();
        QVERIFY(f.applyEnabled());
        QVERIFY(f.app.readFile("FORM.INI").contains("SMTP_Reply_Subject=Stored!aB"));
    }

    void refusedSaveKeepsWindowAndApply()
    {
        Fixture f;
        QVERIFY(QDir(f.app.folder()).mkdir("FORM.INI")); // no save can replace a folder
        QVERIFY(f.showActive());
        f.w.chkAutoPrintForms->click();
        f.w.cmdButtonSettingsApply->click();
        const QString bv9001 = ErrorReporter::warningText(ErrorCode::ChangingSettings);
        QCOMPARE(f.app.dialogs.messages(), QStringList({bv9001}));
        QVERIFY(f.applyEnabled());
        QVERIFY(f.w.isVisible());

        f.w.cmdButtonSettingsOk->click();
        QCOMPARE(f.app.dialogs.messages(), QStringList({bv9001, bv9001}));
        QVERIFY(f.w.isHidden());
    }

    void cancelEscAndCloseReadTheFileBack()
    {
        Fixture f;
        QVERIFY(f.load("Auto_Print_Forms=0\nSMTP_Reply_Subject=Stored subject\n"));
        const QList<std::function<void()>> closers{[&f] { f.w.cmdButtonSettingsCancel->click(); },
                                                   [&f] { QTest::keyClick(&f.w, Qt::Key_Escape); },
                                                   [&f] { QVERIFY(f.w.close()); }};
        for (const auto& close : closers) {
            QVERIFY(f.showActive(frmSettings::TabProcessingSettings));
            QTest::keyClicks(f.w.txtReplySubject, " typed");
            f.w.chkAutoPrintForms->click();
            QTest::keyClicks(f.w.txtFriendly_Reply_Suffix, "-");
            close();
            QVERIFY(f.w.isHidden());
            QCOMPARE(f.settings.text(K::SMTP_Reply_Subject), QString("Stored subject"));
            QCOMPARE(f.w.txtReplySubject->text(), QString("Stored subject"));
            QCOMPARE(f.settings.flag(K::Auto_Print_Forms), 0);
        }
        // The suffix is not stored: it stays as typed.
        QCOMPARE(f.settings.friendlyReplySuffix(), QString(": ---"));
    }

    void folderBoxChecksOnEnterAndOnLeaving()
    {
        Fixture f;
        for (const char* name : {"in/Z.DAT", "in/a.att", "in/m.txt"})
            f.app.writeFile(name, "x");
        const QString in = f.app.path("in");
        QVERIFY(f.showActive());

        f.typeInto(f.w.txtLocalLocation, in, Qt::Key_Return);
        QCOMPARE(f.settings.localFolder(), in + '/');
        QCOMPARE(f.w.txtLocalLocation->text(), in);
        QVERIFY(f.w.txtSourceFileFilter->hasFocus());
        QCOMPARE(f.w.txtSourceFileFilter->selectedText(), QString("*.att;*.dat"));
        QCOMPARE(f.listed(), QStringList({"a.att", "Z.DAT"}));
        QVERIFY(f.app.dialogs.messages().isEmpty());
        QVERIFY(f.w.isVisible()); // Enter pressed no button

        const QString missing = f.app.path("missing");
        f.typeInto(f.w.txtLocalLocation, missing, Qt::Key_Return);
        QCOMPARE(f.app.dialogs.messages(), QStringList({"Invalid Path"}));
        QCOMPARE(f.app.dialogs.shown().first().icon, Dialogs::Icon::Critical);
        QVERIFY(f.w.txtLocalLocation->hasFocus());
        QCOMPARE(f.w.txtLocalLocation->selectedText(), missing);
        QCOMPARE(f.settings.localFolder(), in + '/');

        QTest::keyClick(f.w.txtLocalLocation, Qt::Key_Tab);
        QCOMPARE(f.app.dialogs.messages().size(), 2);
        QCOMPARE(f.w.txtLocalLocation->text(), in + '/');
        QCOMPARE(f.settings.text(K::Local_Path), in + '/');
        QCOMPARE(f.settings.localFolder(), in + '/');
    }

    void browseTakesTheChosenFilesFolder()
    {
        Fixture f;
        f.app.dialogs.answerText(std::nullopt);
        f.w.Command4->click();
        QCOMPARE(f.w.txtLocalLocation->text(), QString("/"));
        QVERIFY(!f.applyEnabled());

        f.app.writeFile("drop/one.att", "x");
        f.app.writeFile("drop/two.ATT", "x");
        const QString drop = f.app.path("drop") + '/';
        f.app.dialogs.answerText(drop + "one.att");
        f.w.Command4->click();
        QCOMPARE(f.app.dialogs.shown().last().kind, ScriptedDialogs::Kind::Open);
        QCOMPARE(f.w.txtLocalLocation->selectedText(), drop);
        QCOMPARE(f.settings.localFolder(), drop);
        QCOMPARE(f.listed(), QStringList({"one.att", "two.ATT"}));
        QVERIFY(f.applyEnabled());

        // The folder vanished between choosing and checking: the box keeps it, processing does
        // not.
        const QString gone = f.app.path("gone") + '/';
        f.app.dialogs.answerText(gone + "x.att");
        f.w.Command4->click();
        QCOMPARE(f.app.dialogs.messages(), QStringList({"Invalid Path"}));
        QCOMPARE(f.w.txtLocalLocation->text(), gone);
        QCOMPARE(f.settings.localFolder(), drop);
        QCOMPARE(f.listed(), QStringList({"one.att", "two.ATT"}));
    }

    void filterEnterListsMatchesAndInvalidFilterIsRestored()
    {
        Fixture f;
        for (const char* name : {"in/a.att", "in/b.TXT", "in/c.txt"})
            f.app.writeFile(name, "x");
        f.app.dialogs.answerText(f.app.path("in/a.att"));
        f.w.Command4->click();
        QVERIFY(f.showActive());

        f.typeInto(f.w.txtSourceFileFilter, "*.txt", Qt::Key_Enter);
        QCOMPARE(f.settings.fileFilter(), QString("*.txt"));
        QCOMPARE(f.listed(), QStringList({"b.TXT", "c.txt"}));
        QVERIFY(f.w.filHiddenFileTypeArray->hasFocus());

        f.typeInto(f.w.txtSourceFileFilter, "*.att;", Qt::Key_Return);
        QCOMPARE(f.app.dialogs.messages(), QStringList({"Invalid Filter"}));
        QCOMPARE(f.w.txtSourceFileFilter->selectedText(), QString("*.att;"));
        QCOMPARE(f.settings.fileFilter(), QString("*.txt"));

        QTest::keyClick(f.w.txtSourceFileFilter, Qt::Key_Tab);
        QCOMPARE(f.app.dialogs.messages().size(), 2);
        QCOMPARE(f.w.txtSourceFileFilter->text(), QString("*.txt"));
        QCOMPARE(f.listed(), QStringList({"b.TXT", "c.txt"}));
    }

    void sourceOptionsAndTabSurviveHiding()
    {
        Fixture f;
        f.w.showSettings();
        f.w.selectTab(frmSettings::TabFormLocations);
        f.w.radbtnPOP->click();
        QVERIFY(f.w.fraFormLocationLocal->isHidden());
        QVERIFY(!f.w.txtLocalLocation->isEnabled() && !f.w.filHiddenFileTypeArray->isEnabled());
        f.w.cmdButtonSettingsOk->click();
        QVERIFY(f.w.isHidden());

        f.w.showSettings();
        QVERIFY(!f.w.isModal());
        QCOMPARE(f.w.tabLeftHandGroup->currentIndex(), int(frmSettings::TabFormLocations));
        QVERIFY(f.w.radbtnPOP->isChecked());
        QVERIFY(f.w.txtPOPReplyTo->isEnabled());

        f.w.radbtnLocal->click();
        QVERIFY(f.w.fraFormLocationPOP->isHidden() && !f.w.txtPOPReplyTo->isEnabled());
        QVERIFY(f.w.txtSourceFileFilter->isEnabled());
    }

    void modalOpeningOnFormLocationsWithMailChosen()
    {
        Fixture f;
        f.w.showSettings(); // already open without blocking
        bool checked = false;
        QTimer::singleShot(0, &f.w, [&] {
            QCOMPARE(QApplication::activeModalWidget(), &f.w);
            QCOMPARE(f.w.tabLeftHandGroup->currentIndex(), int(frmSettings::TabFormLocations));
            QVERIFY(f.w.radbtnPOP->isChecked());
            for (QLineEdit* box :
                 {f.w.txtPOPSMTP, f.w.txtPOPReplyTo, f.w.txtPOPAccountName, f.w.txtPOPPassword})
                QVERIFY(box->isEnabled());
            QTest::keyClicks(f.w.txtPOPReplyTo, "me@example.org");
            checked = true;
            f.w.cmdButtonSettingsOk->click();
        });
        f.w.showModalOnFormLocations();
        QVERIFY(checked);
        QVERIFY(f.w.isHidden());
        QVERIFY(f.app.readFile("FORM.INI").contains("SMTP_From_Address=me@example.org"));
        f.w.showSettings();
        QVERIFY(!f.w.isModal());
    }

    // The one window the main window owns: filled by start-up, opened by menu and toolbar.
    void mainWindowsOwnWindowFilledByStartup()
    {
        TestApp app;
        app.writeFile("FORM.INI", "[System Settings]\nIgnore_Read_MAPI_Messages=0\n"
                                  "SMTP_Reply_Subject=From the file\n");
        frmMain main(*app.state);
        frmSettings* settings = main.settingsWindow();
        QVERIFY(settings && settings->isWindow());
        QCOMPARE(settings->parentWidget(), &main);
        QVERIFY(runStartup(*app.state, main, 0));
        QVERIFY(settings->isHidden());
        QVERIFY(!settings->chkIgnoreReadMessages->isChecked());
        QCOMPARE(settings->txtReplySubject->text(), QString("From the file"));
        QVERIFY(settings->cmdButtonSettingsApply->isEnabled()); // loading is a change
        QVERIFY(app.dialogs.messages().isEmpty());

        main.mnuOptionsSettings->trigger();
        QVERIFY(settings->isVisible() && !settings->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        settings->cmdButtonSettingsCancel->click();
        QVERIFY(settings->isHidden());
        main.toolbarButton("btnSettings")->trigger();
        QVERIFY(settings->isVisible() && !settings->isModal());
        main.mnuOptionsSettings->trigger();
        QCOMPARE(main.findChildren<frmSettings*>().size(), 1);
    }
};

QTEST_MAIN(TestFrmSettings)
#include "test_frmsettings.moc"
