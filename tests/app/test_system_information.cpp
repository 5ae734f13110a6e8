#include "TestSupport.h"
#include "app/SystemInformation.h"
#include "common/ProgramFolder.h"
#include "platform/system/ProgramLauncher.h"
#include "platform/system/Registry.h"

#include <QMap>
#include <QtTest>

namespace {

struct FakeRegistry : Registry
{
    std::optional<QString> GetKeyValue(Root root, const QString& keyName,
                                       const QString& valueName) override
    {
        // Both lookups are under HKEY_LOCAL_MACHINE; any other root shows up as a wrong read.
        const QString key = keyName + QLatin1Char('|') + valueName;
        reads << (root == Root::LocalMachine ? key : QStringLiteral("other root:") + key);
        return values.contains(key) ? std::optional(values[key]) : std::nullopt;
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
        return onPath.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    }
    QStringList started, failing, searched, onPath;
};

const QString First = SystemInformation::InfoKey + QStringLiteral("|PATH");
const QString Second = SystemInformation::LocationKey + QStringLiteral("|MSINFO");

} // namespace

// Where "System Info..." finds its tool: the registry's path, then the registry's folder, then
// the tools on the PATH; the message when none of them starts.
class TestSystemInformation : public QObject
{
    Q_OBJECT
private slots:
    void findsAndStartsTheTool_data()
    {
        QTest::addColumn<QString>("first"); // value under the first key
        QTest::addColumn<QString>("second"); // "": none; "bare": a folder; "tool": with the tool
        QTest::addColumn<QStringList>("onPath");
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QStringList>("searched");
        QTest::addColumn<QString>("started"); // "@tool": the tool in the second key's folder
        QTest::addColumn<bool>("message");
        const QStringList none, both{First, Second}, hardinfo{"hardinfo"};
        const QString tool = QStringLiteral("C:\\Tools\\msinfo32.exe");
        // clang-format off
        QTest::newRow("first value wins whatever the second holds") << tool << "tool" << hardinfo
            << none << QStringList{First} << none << tool << false;
        QTest::newRow("second key's folder without the tool: no look on the PATH") << "" << "bare"
            << hardinfo << none << both << none << "" << true;
        QTest::newRow("second key's folder with the tool") << "" << "tool" << hardinfo << none
            << both << none << "@tool" << false;
        QTest::newRow("first value fails to start") << "/no/such/tool" << "" << hardinfo
            << QStringList{"/no/such/tool"} << QStringList{First} << none << "/no/such/tool" << true;
        QTest::newRow("first tool found on the PATH starts") << "" << ""
            << QStringList{"kinfocenter", "gnome-system-monitor"} << none << both
            << QStringList{"hardinfo", "gnome-system-monitor"} << "/usr/bin/gnome-system-monitor"
            << false;
        QTest::newRow("tool on the PATH fails to start") << "" << "" << hardinfo
            << QStringList{"/usr/bin/hardinfo"} << both << hardinfo << "/usr/bin/hardinfo" << true;
        QTest::newRow("nothing found") << "" << "" << none << none << both
            << QStringList{"hardinfo", "gnome-system-monitor", "kinfocenter"} << "" << true;
        // clang-format on
    }
    void findsAndStartsTheTool()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, started);
        QFETCH(bool, message);
        TestApp app;
        FakeRegistry registry;
        FakeLauncher launcher;
        if (!first.isEmpty())
            registry.values[First] = first;
        if (!second.isEmpty())
            registry.values[Second] = app.folder();
        if (second == QStringLiteral("tool"))
            app.writeFile(QStringLiteral("MSINFO32.EXE"), "tool");
        QFETCH(QStringList, onPath);
        QFETCH(QStringList, failing);
        launcher.onPath = onPath;
        launcher.failing = failing;

        SystemInformation(registry, launcher, app.dialogs,
                          {QStringLiteral("hardinfo"), QStringLiteral("gnome-system-monitor"),
                           QStringLiteral("kinfocenter")})
            .StartSysInfo();
        QTEST(registry.reads, "reads");
        QTEST(launcher.searched, "searched");
        if (started == QStringLiteral("@tool"))
            started = ProgramFolder::join(app.folder(), QStringLiteral("MSINFO32.EXE"));
        QCOMPARE(launcher.started, started.isEmpty() ? QStringList() : QStringList{started});
        if (!message) {
            QVERIFY(app.dialogs.shown().isEmpty());
            return;
        }
        QCOMPARE(app.dialogs.messages(),
                 QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
        QCOMPARE(app.dialogs.shown().at(0).icon, Dialogs::Icon::None);
    }
};

QTEST_MAIN(TestSystemInformation)
#include "test_system_information.moc"
