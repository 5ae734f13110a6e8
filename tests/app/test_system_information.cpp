#include "TestSupport.h"
#include "app/core/SystemInformation.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramLauncher.h"
#include "platform/Registry.h"
#include "platform/SystemRegistry.h"

#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct FakeRegistry : Registry
{
    std::optional<QString> GetKeyValue(Root root, const QString& keyName,
                                       const QString& valueName) override
    {
        // Both lookups are under HKEY_LOCAL_MACHINE; any other root shows up as a wrong read.
        reads << (root == Root::LocalMachine ? QString() : QStringLiteral("other root:")) +
                     keyName + QLatin1Char('|') + valueName;
        const auto it = values.constFind(keyName + QLatin1Char('|') + valueName);
        if (it == values.constEnd())
            return std::nullopt;
        return *it;
    }
    QMap<QString, QString> values;
    QStringList reads;
};

struct FakeLauncher : ProgramLauncher
{
    bool start(const QString& program) override
    {
        started << program;
        return !failing.contains(program);
    }
    QString findOnPath(const QString& name) override
    {
        searched << name;
        return onPath.value(name);
    }
    QStringList started;
    QStringList failing;
    QStringList searched;
    QMap<QString, QString> onPath;
};

const QString First = SystemInformation::InfoKey + QStringLiteral("|PATH");
const QString Second = SystemInformation::LocationKey + QStringLiteral("|MSINFO");

} // namespace

class TestSystemInformation : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstValueWinsWhateverTheSecondHolds();
    void secondKeyNeedsTheToolInItsFolder();
    void failedLaunchShowsTheMessage();
    void withoutRegistryTheFirstToolOnThePathStarts();
    void withNothingFoundTheMessageShows();
    void theRegistryHereHoldsNothing();

private:
    std::unique_ptr<TestApp> m_app;
    FakeRegistry m_registry;
    FakeLauncher m_launcher;
    const QStringList m_tools{QStringLiteral("hardinfo"), QStringLiteral("gnome-system-monitor"),
                              QStringLiteral("kinfocenter")};
};

void TestSystemInformation::init()
{
    m_app = std::make_unique<TestApp>();
    m_registry = FakeRegistry();
    m_launcher = FakeLauncher();
}

void TestSystemInformation::firstValueWinsWhateverTheSecondHolds()
{
    m_app->writeFile(QStringLiteral("MSINFO32.EXE"), "tool");
    m_registry.values[First] = QStringLiteral("C:\\Tools\\msinfo32.exe");
    m_registry.values[Second] = m_app->folder();
    SystemInformation(m_registry, m_launcher, m_app->dialogs, m_tools).StartSysInfo();
    QCOMPARE(m_launcher.started, QStringList{QStringLiteral("C:\\Tools\\msinfo32.exe")});
    QCOMPARE(m_registry.reads, QStringList{First});
    QVERIFY(m_launcher.searched.isEmpty());
    QVERIFY(m_app->dialogs.shown().isEmpty());
}

void TestSystemInformation::secondKeyNeedsTheToolInItsFolder()
{
    m_registry.values[Second] = m_app->folder();
    m_launcher.onPath[QStringLiteral("hardinfo")] = QStringLiteral("/usr/bin/hardinfo");
    SystemInformation info(m_registry, m_launcher, m_app->dialogs, m_tools);

    // The key names a folder without the tool: the message, and no look on the PATH.
    info.StartSysInfo();
    QCOMPARE(m_registry.reads, (QStringList{First, Second}));
    QVERIFY(m_launcher.started.isEmpty());
    QVERIFY(m_launcher.searched.isEmpty());
    QCOMPARE(m_app->dialogs.messages(), QStringList{SystemInformation::Unavailable});

    m_app->dialogs.clearShown();
    m_app->writeFile(QStringLiteral("MSINFO32.EXE"), "tool");
    info.StartSysInfo();
    QCOMPARE(m_launcher.started,
             QStringList{ProgramFolder::join(m_app->folder(), QStringLiteral("MSINFO32.EXE"))});
    QVERIFY(m_app->dialogs.shown().isEmpty());
}

void TestSystemInformation::failedLaunchShowsTheMessage()
{
    m_registry.values[First] = QStringLiteral("/no/such/tool");
    m_launcher.failing << QStringLiteral("/no/such/tool");
    m_launcher.onPath[QStringLiteral("hardinfo")] = QStringLiteral("/usr/bin/hardinfo");
    SystemInformation(m_registry, m_launcher, m_app->dialogs, m_tools).StartSysInfo();
    QCOMPARE(m_registry.reads, QStringList{First});
    QCOMPARE(m_launcher.started, QStringList{QStringLiteral("/no/such/tool")});
    QCOMPARE(m_app->dialogs.messages(), QStringList{SystemInformation::Unavailable});

    // A tool on the PATH that will not start gives the message too.
    m_registry.values.clear();
    m_launcher = FakeLauncher();
    m_launcher.onPath[QStringLiteral("hardinfo")] = QStringLiteral("/usr/bin/hardinfo");
    m_launcher.failing << QStringLiteral("/usr/bin/hardinfo");
    m_app->dialogs.clearShown();
    SystemInformation(m_registry, m_launcher, m_app->dialogs, m_tools).StartSysInfo();
    QCOMPARE(m_app->dialogs.messages(), QStringList{SystemInformation::Unavailable});
}

void TestSystemInformation::withoutRegistryTheFirstToolOnThePathStarts()
{
    m_launcher.onPath[QStringLiteral("kinfocenter")] = QStringLiteral("/usr/bin/kinfocenter");
    m_launcher.onPath[QStringLiteral("gnome-system-monitor")] =
        QStringLiteral("/usr/bin/gnome-system-monitor");
    SystemInformation(m_registry, m_launcher, m_app->dialogs, m_tools).StartSysInfo();
    QCOMPARE(m_registry.reads, (QStringList{First, Second}));
    QCOMPARE(m_launcher.searched,
             (QStringList{QStringLiteral("hardinfo"), QStringLiteral("gnome-system-monitor")}));
    QCOMPARE(m_launcher.started, QStringList{QStringLiteral("/usr/bin/gnome-system-monitor")});
    QVERIFY(m_app->dialogs.shown().isEmpty());
}

void TestSystemInformation::withNothingFoundTheMessageShows()
{
    SystemInformation(m_registry, m_launcher, m_app->dialogs, m_tools).StartSysInfo();
    QCOMPARE(m_launcher.searched, m_tools);
    QVERIFY(m_launcher.started.isEmpty());
    QCOMPARE(m_app->dialogs.shown().size(), 1);
    const ScriptedDialogs::Shown& box = m_app->dialogs.shown().at(0);
    QCOMPARE(box.text, QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(box.icon, Dialogs::Icon::None);
    QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(box.title, QStringLiteral("Brevane"));
}

void TestSystemInformation::theRegistryHereHoldsNothing()
{
#ifdef Q_OS_WIN
    QSKIP("the Windows registry holds real values");
#else
    SystemRegistry registry;
    QVERIFY(!registry.GetKeyValue(Registry::Root::LocalMachine, SystemInformation::InfoKey,
                                  SystemInformation::InfoValue));
    QVERIFY(SystemInformation::defaultTools().contains(QStringLiteral("hardinfo")));
#endif
}

QTEST_MAIN(TestSystemInformation)
#include "test_system_information.moc"
