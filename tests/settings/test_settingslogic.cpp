#include "TestSupport.h"

#include "settings/ApplyTracker.h"
#include "settings/FormLocations.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString Bv9001 = ErrorReporter::warningText(ErrorCode::ChangingSettings);
}

class TestSettingsLogic : public QObject
{
    Q_OBJECT
private slots:
    void applyFollowsEveryStoredChangeAndLoads();
    void applySavesAndOnlyASuccessfulApplyDisables();
    void refusedSaveReportsAndKeepsApply();
    void cancelReadsTheFileBack();
    void acceptedFolderAndFilterBecomeWorkingValues();
    void loadSetsWorkingValuesButListShowsOnlyUsableOnes();
};

void TestSettingsLogic::applyFollowsEveryStoredChangeAndLoads()
{
    TestApp app;
    SystemSettings& s = app.state->settings();
    ApplyTracker apply(s, app.state->store(), app.state->errors());
    QSignalSpy spy(&apply, &ApplyTracker::enabledChanged);
    QVERIFY(!apply.isEnabled());

    s.setFriendlyReplySuffix(" - ");
    s.setLocalFolder(QDir::tempPath());
    s.setText(SystemSettings::Auto_Timer, "10"); // the value it already holds
    QVERIFY(!apply.isEnabled());

    s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
    QVERIFY(apply.isEnabled());
    QCOMPARE(spy.count(), 1);

    QVERIFY(apply.apply());
    QVERIFY(!apply.isEnabled());
    // A load counts even when it brings back exactly what the record holds.
    QVERIFY(app.state->store().LoadSettings());
    QVERIFY(apply.isEnabled());
}

void TestSettingsLogic::applySavesAndOnlyASuccessfulApplyDisables()
{
    TestApp app;
    SystemSettings& s = app.state->settings();
    ApplyTracker apply(s, app.state->store(), app.state->errors());
    s.setText(SystemSettings::SMTP_Reply_Subject, "Thanks");

    QVERIFY(apply.ok());
    QVERIFY(apply.isEnabled());
    QVERIFY(app.readFile("FORM.INI").contains("SMTP_Reply_Subject=Thanks"));

    s.setText(SystemSettings::SMTP_Reply_Subject, "Thank you");
    QVERIFY(apply.apply());
    QVERIFY(!apply.isEnabled());
    QVERIFY(app.readFile("FORM.INI").contains("SMTP_Reply_Subject=Thank you"));
    QVERIFY(app.dialogs.messages().isEmpty());
}

void TestSettingsLogic::refusedSaveReportsAndKeepsApply()
{
    TestApp app;
    // A folder where the file should be: no save can replace it.
    QVERIFY(QDir(app.folder()).mkdir("FORM.INI"));
    SystemSettings& s = app.state->settings();
    ApplyTracker apply(s, app.state->store(), app.state->errors());
    s.setFlag(SystemSettings::Auto_Print_Forms, 1);

    QVERIFY(!apply.apply());
    QVERIFY(apply.isEnabled());
    QVERIFY(!apply.ok());
    QCOMPARE(app.dialogs.messages(), QStringList({Bv9001, Bv9001}));
    QCOMPARE(app.dialogs.shown().first().icon, Dialogs::Icon::Warning);
}

void TestSettingsLogic::cancelReadsTheFileBack()
{
    TestApp app;
    SystemSettings& s = app.state->settings();
    ApplyTracker apply(s, app.state->store(), app.state->errors());

    // Without FORM.INI there is nothing to go back to: the edit stays.
    s.setText(SystemSettings::SMTP_Reply_Subject, "Edited");
    apply.cancel();
    QCOMPARE(s.text(SystemSettings::SMTP_Reply_Subject), QString("Edited"));

    app.writeFile("FORM.INI", "[System Settings]\nSMTP_Reply_Subject=Stored\nFile_Filter=*.txt\n"
                              "Local_Path=" + app.folder().toUtf8() + "\n");
    s.setText(SystemSettings::SMTP_Reply_Subject, "Edited again");
    s.setFileFilter("*.dat");
    s.setFriendlyReplySuffix(" = ");
    apply.cancel();
    QCOMPARE(s.text(SystemSettings::SMTP_Reply_Subject), QString("Stored"));
    QCOMPARE(s.fileFilter(), QString("*.txt"));
    QCOMPARE(s.localFolder(), app.folder() + '/');
    QCOMPARE(s.friendlyReplySuffix(), QString(" = "));
}

void TestSettingsLogic::acceptedFolderAndFilterBecomeWorkingValues()
{
    TestApp app;
    SystemSettings& s = app.state->settings();
    FormLocations locations(s, app.state->store());
    QSignalSpy listing(&locations, &FormLocations::listingChanged);
    app.writeFile("in/b.att", "x");
    app.writeFile("in/A.att", "x");
    app.writeFile("in/c.dat", "x");
    const QString in = app.path("in");

    QVERIFY(locations.acceptFolder(in));
    QCOMPARE(s.localFolder(), in + '/');
    QCOMPARE(locations.listFolder(), in + '/');
    QCOMPARE(locations.files(), QStringList({"A.att", "b.att", "c.dat"}));

    QVERIFY(!locations.acceptFolder(app.path("missing")));
    QVERIFY(!locations.acceptFilter("*.att;"));
    QCOMPARE(s.localFolder(), in + '/');
    QCOMPARE(s.fileFilter(), QString("*.att;*.dat"));

    QVERIFY(locations.acceptFilter("*.DAT"));
    QCOMPARE(s.fileFilter(), QString("*.DAT"));
    QCOMPARE(locations.files(), QStringList({"c.dat"}));
    QCOMPARE(listing.count(), 2);
    // Neither is a stored field: typing and accepting are separate.
    QCOMPARE(s.text(SystemSettings::File_Filter), QString("*.att;*.dat"));
}

void TestSettingsLogic::loadSetsWorkingValuesButListShowsOnlyUsableOnes()
{
    TestApp app;
    SystemSettings& s = app.state->settings();
    FormLocations locations(s, app.state->store());
    app.writeFile("in/a.att", "x");
    QVERIFY(locations.acceptFolder(app.path("in")));

    app.writeFile("FORM.INI", "[System Settings]\nLocal_Path=" + app.path("gone").toUtf8() +
                                  "\nFile_Filter=bad/filter\n");
    QVERIFY(app.state->store().LoadSettings());
    QCOMPARE(s.localFolder(), app.path("gone") + '/');
    QCOMPARE(s.fileFilter(), QString("bad/filter"));
    QCOMPARE(locations.listFolder(), app.path("in") + '/');
    QCOMPARE(locations.listPattern(), QString("*.att;*.dat"));
    QCOMPARE(locations.files(), QStringList({"a.att"}));

    app.writeFile("FORM.INI", "[System Settings]\nLocal_Path=" + app.folder().toUtf8() +
                                  "\nFile_Filter=*.ini\n");
    QVERIFY(app.state->store().LoadSettings());
    QCOMPARE(locations.files(), QStringList({"FORM.INI"}));
}

QTEST_GUILESS_MAIN(TestSettingsLogic)
#include "test_settingslogic.moc"
