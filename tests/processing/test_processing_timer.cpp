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
        ProcessingTimer timer{*app.state, [this] { runTicks << ticks; }};

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
    void runsEveryNthTick()
    {
        Rig rig(QStringLiteral("3"), 1);
        rig.tick(9);
        QCOMPARE(rig.runTicks, (QList<int>{3, 6, 9}));
        QCOMPARE(rig.app.state->minutesElapsed, 0);
    }

    void nothingWithoutAutoOpenOrWithoutANumber()
    {
        Rig off(QStringLiteral("1"), 0);
        off.tick(5);
        QVERIFY(off.runTicks.isEmpty());
        QCOMPARE(off.app.state->minutesElapsed, 0);
        for (const char* text : {"0", "soon", "", "-2"}) {
            Rig rig(QLatin1String(text), 1);
            rig.tick(5);
            QVERIFY2(rig.runTicks.isEmpty(), text);
            QCOMPARE(rig.app.state->minutesElapsed, 0);
        }
    }

    void shorterIntervalAppliesAtTheNextTick()
    {
        Rig rig(QStringLiteral("10"), 1);
        rig.tick(5);
        QVERIFY(rig.runTicks.isEmpty());
        rig.app.state->settings().setText(SystemSettings::Auto_Timer, QStringLiteral("2"));
        rig.tick();
        QCOMPARE(rig.runTicks, QList<int>{6});
    }
};

QTEST_GUILESS_MAIN(ProcessingTimerTest)
#include "test_processing_timer.moc"
