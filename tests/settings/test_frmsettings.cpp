// The settings window offscreen, over the live record and FORM.INI.
#include "TestSupport.h"
#include "settings/ApplyTracker.h"
#include "settings/ui/frmSettings.h"

namespace {

using K = SystemSettings;

// The window over a program folder of its own, as start-up creates it: before any load.
struct Fixture : TestApp
{
    frmSettings w{settings(), state->store(), state->errors(), dialogs};

    bool load(const QByteArray& lines)
    {
        writeFile("FORM.INI", "[System Settings]\n" + lines);
        return state->store().LoadSettings();
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
        // Every part the window builds lies inside it: none is left a window of its own.
        QCOMPARE(QApplication::topLevelWidgets(), QWidgetList{&f.w});
        f.w.radbtnPOP_Click();
        QTest::keyClicks(f.w.txtPOPSMTP, "mail.example.org");
        f.w.chkDoNotReply->click();
        QTest::keyClicks(f.w.txtFriendly_Reply_Suffix, "=");
        QCOMPARE(f.settings().text(K::SMTP_Server_Address) + f.settings().friendlyReplySuffix() +
                     QString::number(f.settings().flag(K::Suppress_Reply_To_Sender)),
                 QStringLiteral("mail.example.org: =1"));
        // A flag missing from the file keeps what it had; a missing text field empties.
        f.writeFile("a.txt", "x");
        QVERIFY(f.load("Auto_Print_Forms=2\nAuto_Timer=5\nMAPI_Password=pw\nLocal_Path=" + f.folder().toUtf8() +
                       "\nFile_Filter=*.txt\n"));
        QVERIFY(f.w.chkDoNotReply->isChecked() && !f.w.txtPOPPassword->displayText().contains("pw"));
        QCOMPARE(QStringList({f.w.txtPOPSMTP->text(), f.w.txtAutoProcessTimeInterval->text(), f.w.txtPOPPassword->text()}),
                 QStringList({"", "5", "pw"}));
        QCOMPARE(f.listed(), QStringList({"a.txt"}));
        // Auto-open enables its four dependants; a disabled one keeps its value.
        for (bool on : {true, false}) {
            f.w.chkAutoOpenLastTemplate->click();
            for (QWidget* d : std::initializer_list<QWidget*>{f.w.chkAutoProcessOnStartup, f.w.lblAutoProcessTimeIntervalLeft,
                                                             f.w.txtAutoProcessTimeInterval,
                                                             f.w.lblAutoProcessTimeIntervalRight})
                QVERIFY2(d->isEnabled() == on, qPrintable(d->objectName()));
            if (on)
                f.w.chkAutoProcessOnStartup->click();
        }
        QCOMPARE(f.settings().flag(K::Auto_Process_On_Start), 1);
    }
    void everyBoxEnablesApplyAndApplySaves()
    {
        Fixture f;
        QVERIFY(f.load("SMTP_Reply_Subject=Stored\n"));
        QVERIFY(f.applyEnabled()); // loading is a change
        f.w.cmdButtonSettingsApply->click();
        // The suffix and the choice of source are not stored: no Apply for them.
        QTest::keyClicks(f.w.txtFriendly_Reply_Suffix, "x");
        f.w.radbtnPOP->click();
        QVERIFY(!f.applyEnabled());
        f.w.chkAutoOpenLastTemplate->click();
        f.w.cmdButtonSettingsApply->click();
        for (QWidget* box : std::initializer_list<QWidget*>{
                 f.w.txtAutoProcessTimeInterval, f.w.txtFileLengthLimiter, f.w.txtPOPAccountName, f.w.txtPOPPassword,
                 f.w.txtPOPReplyTo, f.w.txtPOPSMTP, f.w.txtPOPInbox, f.w.txtReplySubject, f.w.txtReplyAddressField,
                 f.w.txtLocalLocation, f.w.txtSourceFileFilter, f.w.chkAutoProcessOnStartup, f.w.chkAutoPrintForms,
                 f.w.chkAutoPrintReply, f.w.chkDoNotReply, f.w.chkIgnoreReadMessages, f.w.chkAutoOpenLastTemplate,
                 f.w.chkAnswerOnce}) {
            if (!box->isEnabled())
                f.w.radbtnLocal_Click();
            if (auto* check = qobject_cast<QCheckBox*>(box))
                check->click();
            else
                QTest::keyClicks(box, "a");
            QVERIFY2(f.applyEnabled(), qPrintable(box->objectName()));
            f.w.cmdButtonSettingsApply->click();
            QVERIFY(!f.applyEnabled());
        }
        // OK saves but leaves Apply as it is.
        QTest::keyClicks(f.w.txtReplySubject, "B");
        f.w.cmdButtonSettingsOk->click();
        QVERIFY(f.applyEnabled());
        QVERIFY(f.readFile("FORM.INI").contains("SMTP_Reply_Subject=StoredaB"));
    }

    // The drop-downs show captions but stand for the stored texts; the mail frame's controls
    // follow the source option like its text boxes.
    void dropDownsAndTheMailFrame()
    {
        Fixture f;
        f.w.cboSMTPSecurity->setCurrentIndex(2);
        f.w.cboFormSource->setCurrentIndex(f.w.cboFormSource->findText("Folder"));
        QCOMPARE(f.settings().text(K::SMTP_Security) + f.settings().text(K::Form_Source), QStringLiteral("TLSFolder"));
        // The option only chooses the frame: the source of runs stays the drop-down's.
        for (bool mail : {true, false}) {
            mail ? f.w.radbtnPOP->click() : f.w.radbtnLocal->click();
            for (QWidget* c : std::initializer_list<QWidget*>{f.w.cboSMTPSecurity, f.w.txtPOPInbox, f.w.cmdCheckAccount})
                QVERIFY2(c->isEnabled() == mail, qPrintable(c->objectName()));
            QCOMPARE(f.settings().text(K::Form_Source), SystemSettings::SourceFolder);
        }
    }

    void refusedSaveKeepsApplyAndCancelReadsTheFileBack()
    {
        Fixture f;
        QVERIFY(f.load("Auto_Print_Forms=0\nSMTP_Reply_Subject=Stored subject\n"));
        // Cancel reads the file back.
        QVERIFY(f.showActive(frmSettings::TabProcessingSettings));
        QTest::keyClicks(f.w.txtReplySubject, " typed");
        f.w.chkAutoPrintForms->click();
        f.w.cmdButtonSettingsCancel->click();
        QVERIFY(f.w.isHidden());
        QCOMPARE(f.w.txtReplySubject->text() + QString::number(f.settings().flag(K::Auto_Print_Forms)), QStringLiteral("Stored subject0"));
        QVERIFY(QFile::remove(f.path("FORM.INI")) && QDir(f.folder()).mkdir("FORM.INI")); // no save replaces a folder
        QVERIFY(f.showActive());
        f.w.chkAutoPrintForms->click();
        f.w.cmdButtonSettingsApply->click();
        QCOMPARE(f.dialogs.messages(), QStringList({warning(ErrorCode::ChangingSettings)}));
        QVERIFY(f.applyEnabled() && f.w.isVisible());
    }

    void folderAndFilterBoxesCheckOnEnter()
    {
        Fixture f;
        // Hidden files and folders are never listed, whatever their names.
        for (const char* name : {"in/Z.DAT", "in/a.att", "in/m.txt", "in/.hidden.att", "in/sub.att/x"})
            f.writeFile(name, "x");
        const QString in = f.path("in");
        QVERIFY(f.showActive());
        f.typeInto(f.w.txtLocalLocation, in, Qt::Key_Return);
        QCOMPARE(f.settings().localFolder(), in + '/');
        QVERIFY(f.w.txtSourceFileFilter->hasFocus());
        QCOMPARE(f.listed(), QStringList({"a.att", "Z.DAT"}));
        QVERIFY(f.dialogs.messages().isEmpty() && f.w.isVisible()); // Enter pressed no button
        f.typeInto(f.w.txtLocalLocation, f.path("missing"), Qt::Key_Return);
        QCOMPARE(f.dialogs.messages(), QStringList({"Invalid Path"}));
        QCOMPARE(f.w.txtLocalLocation->selectedText(), f.path("missing"));

        f.typeInto(f.w.txtSourceFileFilter, "*.txt", Qt::Key_Enter);
        QCOMPARE(f.listed(), QStringList({"m.txt"}));
        f.typeInto(f.w.txtSourceFileFilter, "*.att;", Qt::Key_Return);
        QCOMPARE(f.dialogs.messages().last(), QStringLiteral("Invalid Filter"));
        // Browse chooses a folder, an empty one too, starting where the setting points.
        QVERIFY(QDir().mkpath(f.path("empty")));
        f.dialogs.answerText(f.path("empty"));
        f.w.Command4->click();
        QCOMPARE(f.dialogs.shown().last().file.directory, in + '/');
        QCOMPARE(f.settings().localFolder() + f.w.txtLocalLocation->selectedText(), f.path("empty/") + f.path("empty/"));
    }
};

QTEST_MAIN(TestFrmSettings)
#include "test_frmsettings.moc"
