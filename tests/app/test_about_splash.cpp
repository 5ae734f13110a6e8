#include "TestSupport.h"
#include "app/Startup.h"
#include "app/core/ProductInfo.h"
#include "app/core/SystemInformation.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "platform/ProgramLauncher.h"
#include "platform/Registry.h"
#include "platform/WebLink.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

struct EmptyRegistry : Registry
{
    std::optional<QString> GetKeyValue(Root, const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

struct NoPrograms : ProgramLauncher
{
    bool start(const QString&) override { return false; }
    QString findOnPath(const QString&) override { return {}; }
};

QList<frmSplash*> visibleSplashes()
{
    QList<frmSplash*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<frmSplash*>(w); s && s->isVisible())
            out << s;
    return out;
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
    void writesTheVersionText();
    void aboutShowsWhoTheProgramIs();
    void aboutClosesOnOkEnterAndEsc_data();
    void aboutClosesOnOkEnterAndEsc();
    void aboutOpensTheWebPageAndSystemInfo();
    void helpAboutOpensOneWindowAtATime();
    void splashShowsTheVersionAndClosesOnAKey();
    void startupShowsTheSplashWhileInitialising();
};

void TestAboutSplash::writesTheVersionText()
{
    QCOMPARE(versionText(2, 10, 3), QStringLiteral("Version 2.10.3"));
    QCOMPARE(versionText(1, 0, 0), QStringLiteral("Version 1.0.0"));
    QCOMPARE(versionText(0, 7, 12), QStringLiteral("Version 0.7.12"));
    QCOMPARE(versionText(),
             versionText(BREVANE_VERSION_MAJOR, BREVANE_VERSION_MINOR, BREVANE_VERSION_PATCH));
}

void TestAboutSplash::aboutShowsWhoTheProgramIs()
{
    TestApp app;
    frmAbout about(app.dialogs);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Brevane"));
    QCOMPARE(about.lblTitle->text(), QStringLiteral("Brevane"));
    QCOMPARE(about.lblVersion->text(), versionText());
    QVERIFY(about.lblDescription->text().startsWith(QStringLiteral(" Brevane for ")));
    QVERIFY(!about.Label1->text().isEmpty());
    QCOMPARE(about.lblURL->text(), ProductInfo::webAddress());
    QVERIFY(!about.picIcon->pixmap().isNull());
    QCOMPARE(about.cmdOK->text(), QStringLiteral("OK"));
    QVERIFY(about.cmdOK->isDefault());
    QCOMPARE(about.cmdSysInfo->text(), QStringLiteral("&System Info..."));
    QVERIFY(!about.isModal());
    QVERIFY(about.findChild<WebLink*>(QStringLiteral("WebLink1")));
}

void TestAboutSplash::aboutClosesOnOkEnterAndEsc_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void TestAboutSplash::aboutClosesOnOkEnterAndEsc()
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

void TestAboutSplash::aboutOpensTheWebPageAndSystemInfo()
{
    TestApp app;
    frmAbout about(app.dialogs);
    QStringList opened;
    about.WebLink1->setOpener([&opened](const QString& address) {
        opened << address;
        return true;
    });
    QTest::mouseClick(about.lblURL, Qt::LeftButton);
    QCOMPARE(opened, QStringList{ProductInfo::webAddress()});

    EmptyRegistry registry;
    NoPrograms launcher;
    SystemInformation info(registry, launcher, app.dialogs);
    about.useSystemInformation(&info);
    QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
    QCOMPARE(app.dialogs.messages(),
             QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
}

void TestAboutSplash::helpAboutOpensOneWindowAtATime()
{
    TestApp app;
    frmMain window(*app.state);
    window.mnuHelpAbout->trigger();
    QList<frmAbout*> open = window.findChildren<frmAbout*>();
    QCOMPARE(open.size(), 1);
    QPointer<frmAbout> first = open[0];
    QVERIFY(first->isVisible());
    QVERIFY(!first->isModal());
    QVERIFY(window.isEnabled());

    window.mnuHelpAbout->trigger();
    QCOMPARE(window.findChildren<frmAbout*>().size(), 1);
    QVERIFY(first->isVisible());

    first->cmdOK->click();
    flushDeletes();
    QVERIFY(first.isNull());
    window.mnuHelpAbout->trigger();
    open = window.findChildren<frmAbout*>();
    QCOMPARE(open.size(), 1);
    QVERIFY(open[0]->isVisible());
}

void TestAboutSplash::splashShowsTheVersionAndClosesOnAKey()
{
    frmSplash splash;
    QVERIFY(splash.windowTitle().isEmpty());
    QCOMPARE(splash.lblVersion->text(), versionText());
    QCOMPARE(splash.lblPlatform->text(), ProductInfo::platformName());
    QVERIFY(!splash.Label1->text().isEmpty());
    QVERIFY(!splash.imgLogo->pixmap().isNull());
    splash.show();
    QVERIFY(splash.isVisible());
    QTest::keyClick(&splash, Qt::Key_A);
    QVERIFY(!splash.isVisible());
}

void TestAboutSplash::startupShowsTheSplashWhileInitialising()
{
    TestApp app;
    frmMain window(*app.state);
    int splashesDuringInitialisation = -1;
    int eventLoopRunsBefore = -1;
    connect(app.state.get(), &AppState::settingsLoaded, this, [&] {
        splashesDuringInitialisation = int(visibleSplashes().size());
        eventLoopRunsBefore = app.dialogs.eventLoopRuns();
    });
    QVERIFY(runStartup(*app.state, window, 0));
    QCOMPARE(splashesDuringInitialisation, 1);
    QCOMPARE(eventLoopRunsBefore, 1); // it had the chance to paint
    QVERIFY(visibleSplashes().isEmpty());
    QVERIFY(window.isVisible());
}

QTEST_MAIN(TestAboutSplash)
#include "test_about_splash.moc"
