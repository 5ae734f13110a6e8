#include "TestSupport.h"
#include "app/ProductInfo.h"
#include "app/SystemInformation.h"
#include "app/ui/Startup.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSplash.h"
#include "platform/system/ProgramLauncher.h"
#include "platform/system/SystemRegistry.h"
#include "platform/system/WebLink.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct NoPrograms : ProgramLauncher
{
    bool start(const QString&) override { return false; }
    QString findOnPath(const QString&) override { return {}; }
};

int visibleSplashes()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += qobject_cast<frmSplash*>(w) && w->isVisible();
    return count;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestAboutSplash : public QObject
{
    Q_OBJECT
private slots:
    void aboutShowsWhoTheProgramIsAndOpensItsLinks()
    {
        TestApp app;
        frmAbout about(app.dialogs);
        QCOMPARE(versionText(2, 10, 3), u"Version 2.10.3"_s);
        QCOMPARE(about.windowTitle(), u"About Brevane"_s);
        QCOMPARE(about.lblVersion->text(), versionText());
        QVERIFY(!about.picIcon->pixmap().isNull());
        QVERIFY(about.cmdOK->isDefault() && !about.isModal());

        QStringList opened;
        about.WebLink1->setOpener([&opened](const QString& address) {
            opened << address;
            return true;
        });
        QTest::mouseClick(about.lblURL, Qt::LeftButton);
        QCOMPARE(opened, QStringList{ProductInfo::webAddress()});
        SystemRegistry registry;
        NoPrograms launcher;
        SystemInformation info(registry, launcher, app.dialogs);
        about.useSystemInformation(&info);
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QCOMPARE(app.dialogs.messages(),
                 QStringList{u"System Information Is Unavailable At This Time"_s});
    }

    void aboutClosesOnOkEnterAndEsc_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("OK") << 0;
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void aboutClosesOnOkEnterAndEsc()
    {
        QFETCH(int, key);
        TestApp app;
        QPointer<frmAbout> about = new frmAbout(app.dialogs);
        about->show();
        if (key == 0)
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        else
            QTest::keyClick(about, Qt::Key(key));
        QVERIFY(!about || !about->isVisible());
        flushDeletes();
        QVERIFY(about.isNull()); // unloaded: the next About builds a fresh window
        QVERIFY(app.dialogs.shown().isEmpty());
    }

    void helpAboutOpensOneWindowAtATime()
    {
        TestApp app;
        frmMain window(*app.state);
        window.mnuHelpAbout->trigger();
        window.mnuHelpAbout->trigger();
        QCOMPARE(window.findChildren<frmAbout*>().size(), 1);
        QPointer<frmAbout> first = window.findChild<frmAbout*>();
        QVERIFY(first->isVisible() && window.isEnabled());

        first->cmdOK->click();
        flushDeletes();
        QVERIFY(first.isNull());
        window.mnuHelpAbout->trigger();
        QCOMPARE(window.findChildren<frmAbout*>().size(), 1);
        QVERIFY(window.findChild<frmAbout*>()->isVisible());
    }

    void splashShowsTheVersionAndClosesOnAKey()
    {
        frmSplash splash;
        QVERIFY(splash.windowTitle().isEmpty());
        QCOMPARE(splash.lblVersion->text(), versionText());
        QCOMPARE(splash.lblPlatform->text(), ProductInfo::platformName());
        splash.show();
        QTest::keyClick(&splash, Qt::Key_A);
        QVERIFY(!splash.isVisible());
    }

    void startupShowsTheSplashWhileInitialising()
    {
        TestApp app;
        frmMain window(*app.state);
        int splashesDuringInitialisation = -1;
        int eventLoopRunsBefore = -1;
        connect(app.state.get(), &AppState::settingsLoaded, this, [&] {
            splashesDuringInitialisation = visibleSplashes();
            eventLoopRunsBefore = app.dialogs.eventLoopRuns();
        });
        QVERIFY(runStartup(*app.state, window, 0));
        QCOMPARE(splashesDuringInitialisation, 1);
        QCOMPARE(eventLoopRunsBefore, 1); // it had the chance to paint
        QCOMPARE(visibleSplashes(), 0);
        QVERIFY(window.isVisible());
    }
};

QTEST_MAIN(TestAboutSplash)
#include "test_about_splash.moc"
