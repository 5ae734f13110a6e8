#include "TestSupport.h"

#include "settings/ApplyTracker.h"
#include "settings/FormLocations.h"

#include <QDir>
#include <QtTest>

class TestSettingsLogic : public QObject
{
    Q_OBJECT
private slots:
    void applyCountsStoredChangesAndLoadsOnly()
    {
        TestApp app;
        SystemSettings& s = app.state->settings();
        ApplyTracker apply(s, app.state->store(), app.state->errors());
        s.setFriendlyReplySuffix(" - ");
        s.setLocalFolder(QDir::tempPath());
        s.setText(SystemSettings::Auto_Timer, "10"); // the value it already holds
        QVERIFY(!apply.isEnabled());

        s.setText(SystemSettings::MAPI_ID, "me");
        QVERIFY(apply.isEnabled());
        QVERIFY(apply.apply());
        QVERIFY(!apply.isEnabled());
        // A load counts even when it brings back exactly what the record holds.
        QVERIFY(app.state->store().LoadSettings());
        QVERIFY(apply.isEnabled());

        // Cancel without FORM.INI has nothing to go back to: the edit stays.
        QVERIFY(QFile::remove(app.path("FORM.INI")));
        s.setText(SystemSettings::MAPI_ID, "edited");
        apply.cancel();
        QCOMPARE(s.text(SystemSettings::MAPI_ID), QString("edited"));
    }

    void loadSetsWorkingValuesButListShowsOnlyUsableOnes()
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
        QCOMPARE(locations.files(), QStringList({"a.att"}));

        app.writeFile("FORM.INI", "[System Settings]\nLocal_Path=" + app.folder().toUtf8() +
                                      "\nFile_Filter=*.ini\n");
        QVERIFY(app.state->store().LoadSettings());
        QCOMPARE(locations.files(), QStringList({"FORM.INI"}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLogic)
#include "test_settingslogic.moc"
