// The settings window offscreen, over the live record and FORM.INI.
#include "TestSupport.h"
#include "settings/ApplyTracker.h"
#include "settings/frmSettings.h"

namespace {

using K = SystemSettings;

// The window over a program folder of its own, as start-up creates it: before any load.
struct Fixture
{
    TestApp app;
    SystemSettings& settings = app.settings();
    frmSettings w{app.settings(), app.state->store(), app.state->errors(), app.dialogs};

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
    void controlsAndRecordFollowEachOther()
    {
        Fixture f;
        f.w.radbtnPOP_Click();
        QTest::keyClicks(f.w.txtPOPSMTP, "mail.example.org");
        QCOMPARE(f.settings.text(K::SMTP_Server_Address), QStringLiteral("mail.example.org"));
        f.w.chkDoNotReply->click();
        QCOMPARE(f.settings.flag(K::Suppress_Reply_To_Sender), 1);
        QTest::keyClicks(f.w.txtFriendly_Reply_Suffix, "=");
        QCOMPARE(f.settings.friendlyReplySuffix(), QStringLiteral(": ="));

        f.app.writeFile("a.txt", "x");
        QVERIFY(f.load("Auto_Open_Template=1\nAuto_Print_Forms=2\nAuto_Timer=5\nMAPI_Password=pw\n"
                       "Local_Path=" + f.app.folder().toUtf8() + "\nFile_Filter=*.txt\n"));
        // A flag missing from the file keeps what it had; a missing text field empties.
        QVERIFY(f.w.chkAutoOpenLastTemplate->isChecked() && f.w.chkDoNotReply->isChecked());
        QVERIFY(f.w.txtAutoProcessTimeInterval->isEnabled());
        QCOMPARE(QStringList({f.w.txtPOPSMTP->text(), f.w.txtAutoProcessTimeInterval->text(),
                              f.w.txtPOPPassword->text(), f.w.txtLocalLocation->text()}),
                 QStringList({"", "5", "pw", f.app.folder()}));
        QVERIFY(!f.w.txtPOPPassword->displayText().contains("pw"));
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

    void autoOpenBoxEnablesItsFourDependants()
    {
        Fixture f;
        const QList<QWidget*> dependants = {f.w.chkAutoProcessOnStartup, f.w.lblAutoProcessTimeIntervalLeft,
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
        QCOMPARE(f.app.dialogs.messages(), QStringList({"WARNING: Turning this off could risk duplicated "
                                                        "processing of one or more messages"}));
        f.w.chkIgnoreReadMessages->click();
        QCOMPARE(f.app.dialogs.messages().size(), 1);
        // Processing switches it on by itself: shown and counted for Apply, never warned about.
        f.settings.setFlag(K::Ignore_Read_MAPI_Messages, 0);
        QVERIFY(f.w.applyTracker().apply());
        f.settings.setFlag(K::Ignore_Read_MAPI_Messages, 1);
        QVERIFY(f.w.chkIgnoreReadMessages->isChecked() && f.applyEnabled());
        QVERIFY(f.load("Ignore_Read_MAPI_Messages=0\n"));
        QVERIFY(!f.w.chkIgnoreReadMessages->isChecked());
        QCOMPARE(f.app.dialogs.messages().size(), 1);
    }

    void everyBoxEnablesApplyAndApplySaves()
    {
        Fixture f;
        QVERIFY(f.load("SMTP_Reply_Subject=Stored\n"));
        QVERIFY(f.applyEnabled());
        QTest::keyClicks(f.w.txtReplySubject, "!");
        f.w.cmdButtonSettingsApply->click();
        QVERIFY(!f.applyEnabled());
        QVERIFY(f.app.readFile("FORM.INI").contains("SMTP_Reply_Subject=Stored!"));
        // The suffix and the choice of source are not stored: no Apply for them.
        QTest::keyClicks(f.w.txtFriendly_Reply_Suffix, "x");
        f.w.radbtnPOP->click();
        QVERIFY(!f.applyEnabled());
        f.w.chkAutoOpenLastTemplate->click();
        f.w.cmdButtonSettingsApply->click();
        for (QLineEdit* box : {f.w.txtAutoProcessTimeInterval, f.w.txtFileLengthLimiter, f.w.txtPOPAccountName,
                               f.w.txtPOPPassword, f.w.txtPOPReplyTo, f.w.txtPOPSMTP, f.w.txtReplySubject,
                               f.w.txtLocalLocation, f.w.txtSourceFileFilter}) {
            if (!box->isEnabled())
                f.w.radbtnLocal_Click();
            QTest::keyClicks(box, "a");
            QVERIFY2(f.applyEnabled(), qPrintable(box->objectName()));
            f.w.cmdButtonSettingsApply->click();
        }
        for (QCheckBox* box : {f.w.chkAutoProcessOnStartup, f.w.chkAutoPrintForms, f.w.chkAutoPrintReply,
                               f.w.chkDoNotReply, f.w.chkIgnoreReadMessages, f.w.chkAutoOpenLastTemplate}) {
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

    void refusedSaveKeepsApplyAndCancelReadsTheFileBack()
    {
        Fixture f;
        QVERIFY(f.load("Auto_Print_Forms=0\nSMTP_Reply_Subject=Stored subject\n"));
        QVERIFY(f.showActive(frmSettings::TabProcessingSettings));
        // Cancel, Esc and closing the window all read the file back.
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
            QCOMPARE(f.w.txtReplySubject->text(), QStringLiteral("Stored subject"));
            QCOMPARE(f.settings.flag(K::Auto_Print_Forms), 0);
        }
        QCOMPARE(f.settings.friendlyReplySuffix(), QStringLiteral(": ---")); // not stored: as typed

        QVERIFY(QFile::remove(f.app.path("FORM.INI")));
        QVERIFY(QDir(f.app.folder()).mkdir("FORM.INI")); // no save can replace a folder
        QVERIFY(f.showActive());
        f.w.chkAutoPrintForms->click();
        f.w.cmdButtonSettingsApply->click();
        QCOMPARE(f.app.dialogs.messages(), QStringList({warning(ErrorCode::ChangingSettings)}));
        QVERIFY(f.applyEnabled() && f.w.isVisible());
        f.w.cmdButtonSettingsOk->click();
        QCOMPARE(f.app.dialogs.messages().size(), 2);
        QVERIFY(f.w.isHidden());
    }

    void folderAndFilterBoxesCheckOnEnterAndOnLeaving()
    {
        Fixture f;
        for (const char* name : {"in/Z.DAT", "in/a.att", "in/m.txt"})
            f.app.writeFile(name, "x");
        const QString in = f.app.path("in");
        QVERIFY(f.showActive());
        f.typeInto(f.w.txtLocalLocation, in, Qt::Key_Return);
        QCOMPARE(f.settings.localFolder(), in + '/');
        QVERIFY(f.w.txtSourceFileFilter->hasFocus());
        QCOMPARE(f.w.txtSourceFileFilter->selectedText(), QStringLiteral("*.att;*.dat"));
        QCOMPARE(f.listed(), QStringList({"a.att", "Z.DAT"}));
        QVERIFY(f.app.dialogs.messages().isEmpty() && f.w.isVisible()); // Enter pressed no button

        const QString missing = f.app.path("missing");
        f.typeInto(f.w.txtLocalLocation, missing, Qt::Key_Return);
        QCOMPARE(f.app.dialogs.messages(), QStringList({"Invalid Path"}));
        QCOMPARE(f.w.txtLocalLocation->selectedText(), missing);
        QTest::keyClick(f.w.txtLocalLocation, Qt::Key_Tab);
        QCOMPARE(f.app.dialogs.messages().size(), 2);
        QCOMPARE(f.w.txtLocalLocation->text(), in + '/');
        QCOMPARE(f.settings.text(K::Local_Path), in + '/');

        f.typeInto(f.w.txtSourceFileFilter, "*.txt", Qt::Key_Enter);
        QCOMPARE(f.settings.fileFilter(), QStringLiteral("*.txt"));
        QCOMPARE(f.listed(), QStringList({"m.txt"}));
        QVERIFY(f.w.filHiddenFileTypeArray->hasFocus());
        f.typeInto(f.w.txtSourceFileFilter, "*.att;", Qt::Key_Return);
        QCOMPARE(f.app.dialogs.messages().last(), QStringLiteral("Invalid Filter"));
        QCOMPARE(f.w.txtSourceFileFilter->selectedText(), QStringLiteral("*.att;"));
        QTest::keyClick(f.w.txtSourceFileFilter, Qt::Key_Tab);
        QCOMPARE(f.app.dialogs.messages().size(), 4);
        QCOMPARE(f.w.txtSourceFileFilter->text(), QStringLiteral("*.txt"));
        QCOMPARE(f.settings.fileFilter(), QStringLiteral("*.txt"));
    }

    void browseTakesTheChosenFilesFolder()
    {
        Fixture f;
        f.app.dialogs.answerText(std::nullopt);
        f.w.Command4->click();
        QVERIFY(!f.applyEnabled());
        f.app.writeFile("drop/one.att", "x");
        f.app.writeFile("drop/two.ATT", "x");
        const QString drop = f.app.path("drop") + '/';
        f.app.dialogs.answerText(drop + "one.att");
        f.w.Command4->click();
        QCOMPARE(f.w.txtLocalLocation->selectedText(), drop);
        QCOMPARE(f.settings.localFolder(), drop);
        QCOMPARE(f.listed(), QStringList({"one.att", "two.ATT"}));
        QVERIFY(f.applyEnabled());
        // The folder vanished between choosing and checking: the box keeps it, processing not.
        const QString gone = f.app.path("gone") + '/';
        f.app.dialogs.answerText(gone + "x.att");
        f.w.Command4->click();
        QCOMPARE(f.app.dialogs.messages(), QStringList({"Invalid Path"}));
        QCOMPARE(f.w.txtLocalLocation->text(), gone);
        QCOMPARE(f.settings.localFolder(), drop);
    }

    void sourceChoiceShowsItsBoxesAndSurvivesHiding()
    {
        Fixture f;
        f.w.showSettings();
        f.w.radbtnPOP->click();
        QVERIFY(f.w.fraFormLocationLocal->isHidden() && !f.w.txtLocalLocation->isEnabled());
        f.w.cmdButtonSettingsOk->click();
        f.w.showSettings();
        QVERIFY(f.w.radbtnPOP->isChecked() && f.w.txtPOPReplyTo->isEnabled());
        f.w.radbtnLocal_Click();
        QVERIFY(f.w.radbtnLocal->isChecked() && f.w.fraFormLocationPOP->isHidden());
        QVERIFY(!f.w.txtPOPReplyTo->isEnabled() && f.w.txtSourceFileFilter->isEnabled());
    }

    // The one window the main window owns: filled by start-up, opened by menu and toolbar.
    void mainWindowsOwnWindowFilledByStartup()
    {
        TestApp app;
        app.writeFile("FORM.INI", "[System Settings]\nSMTP_Reply_Subject=From the file\n");
        frmMain main(*app.state);
        frmSettings* settings = main.settingsWindow();
        QVERIFY(runStartup(*app.state, main, 0));
        QVERIFY(settings->isHidden());
        QCOMPARE(settings->txtReplySubject->text(), QStringLiteral("From the file"));
        QVERIFY(settings->cmdButtonSettingsApply->isEnabled()); // loading is a change
        main.mnuOptionsSettings->trigger();
        QVERIFY(settings->isVisible() && !settings->isModal());
        settings->cmdButtonSettingsCancel->click();
        QVERIFY(settings->isHidden());
        main.toolbarButton("btnSettings")->trigger();
        QVERIFY(settings->isVisible());
        QCOMPARE(main.findChildren<frmSettings*>(), QList<frmSettings*>{settings});
    }
};

QTEST_MAIN(TestFrmSettings)
#include "test_frmsettings.moc"
