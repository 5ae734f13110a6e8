#include "TestSupport.h"
#include "processing/ProcessingTimer.h"

#include <QtTest>

class ProcessingTimerTest : public QObject
{
    Q_OBJECT

    struct Rig
    {
        TestApp app;
        QList<int> runTicks;
        int ticks = 0;
        ProcessingTimer timer{app.state->settings(), app.state->flags,
                              [this] { runTicks << ticks; }};

        Rig(const QString& minutes, int autoOpen)
        {
            app.state->settings().setText(SystemSettings::Auto_Timer, minutes);
            app.state->settings().setFlag(SystemSettings::Auto_Open_Template, autoOpen);
        }
        void tick(int n = 1)
        {
            for (int i = 0; i < n; ++i) {
                ++ticks;
                timer.tick();
            }
        }
    };

private slots:
    void runsEveryNthTickAndAShorterIntervalAppliesAtOnce()
    {
        Rig rig(QStringLiteral("3"), 1);
        rig.tick(9);
        QCOMPARE(rig.runTicks, (QList<int>{3, 6, 9}));
        QCOMPARE(rig.app.state->flags.minutesElapsed, 0);
        rig.app.state->settings().setText(SystemSettings::Auto_Timer, QStringLiteral("10"));
        rig.tick(5);
        rig.app.state->settings().setText(SystemSettings::Auto_Timer, QStringLiteral("2"));
        rig.tick();
        QCOMPARE(rig.runTicks, (QList<int>{3, 6, 9, 15}));
    }

    void nothingWithoutAutoOpenOrWithoutANumber()
    {
        const std::pair<const char*, int> cases[]{{"1", 0}, {"0", 1}, {"soon", 1}, {"", 1}, {"-2", 1}};
        for (const auto& [text, autoOpen] : cases) {
            Rig rig(QLatin1String(text), autoOpen);
            rig.tick(5);
            QVERIFY2(rig.runTicks.isEmpty(), text);
            QCOMPARE(rig.app.state->flags.minutesElapsed, 0);
        }
    }
};

QTEST_GUILESS_MAIN(ProcessingTimerTest)
#include "test_processing_timer.moc"
