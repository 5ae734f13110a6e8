#include "TestSupport.h"

#include "app/Startup.h"
#include "app/frmMain.h"
#include "settings/frmSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestSettingsWindow : public QObject
{
    Q_OBJECT
private slots:
    void createdWithMainWindowAndFilledByStartup();
    void menuAndToolbarOpenItWithoutBlocking();
    void unappliedEditsInOpenWindowAreSavedAtExit();
};

void TestSettingsWindow::createdWithMainWindowAndFilledByStartup()
{
    TestApp app;
    app.writeFile("FORM.INI", "[System Settings]\nIgnore_Read_MAPI_Messages=0\n"
                              "Auto_Open_Template=1\nSMTP_Reply_Subject=From the file\n");
    frmMain main(*app.state);
    frmSettings* settings = main.settingsWindow();
    QVERIFY(settings);
    QVERIFY(settings->isWindow());
    QCOMPARE(settings->parentWidget(), &main);
    QVERIFY(settings->chkIgnoreReadMessages->isChecked());

    QVERIFY(runStartup(*app.state, main, 0));
    QVERIFY(settings->isHidden());
    QVERIFY(!settings->chkIgnoreReadMessages->isChecked());
    QVERIFY(settings->txtAutoProcessTimeInterval->isEnabled());
    QCOMPARE(settings->txtReplySubject->text(), QString("From the file"));
    // Loading is a change; clearing the read-mail box by loading warns nobody (the one box is
    // for the last template, which this file does not name).
    QVERIFY(settings->cmdButtonSettingsApply->isEnabled());
    QCOMPARE(app.dialogs.messages(),
             QStringList{ErrorReporter::warningText(ErrorCode::StartupTemplate)});
}

void TestSettingsWindow::menuAndToolbarOpenItWithoutBlocking()
{
    TestApp app;
    frmMain main(*app.state);
    QVERIFY(runStartup(*app.state, main, 0));
    frmSettings* settings = main.settingsWindow();

    main.mnuOptionsSettings->trigger();
    QVERIFY(settings->isVisible());
    QVERIFY(!settings->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    settings->cmdButtonSettingsCancel->click();
    QVERIFY(settings->isHidden());
    QCOMPARE(main.settingsWindow(), settings);

    main.toolbarButton("btnSettings")->trigger();
    QVERIFY(settings->isVisible());
    QVERIFY(!settings->isModal());
    // Opening twice keeps the one window.
    main.mnuOptionsSettings->trigger();
    QCOMPARE(main.findChildren<frmSettings*>().size(), 1);
}

void TestSettingsWindow::unappliedEditsInOpenWindowAreSavedAtExit()
{
    TestApp app;
    frmMain main(*app.state);
    QVERIFY(runStartup(*app.state, main, 0));
    main.mnuOptionsSettings->trigger();
    frmSettings* settings = main.settingsWindow();
    settings->radbtnPOP_Click();
    QTest::keyClicks(settings->txtPOPSMTP, "smtp.example.org");
    QVERIFY(main.close());
    QVERIFY(app.readFile("FORM.INI").contains("SMTP_Server_Address=smtp.example.org"));
}

QTEST_MAIN(TestSettingsWindow)
#include "test_settingswindow.moc"
