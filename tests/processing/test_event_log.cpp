#include "TestSupport.h"

#include <QtTest>

class EventLogTest : public QObject
{
    Q_OBJECT

private slots:
    void separatorStandsBeforeEveryLine()
    {
        EventLog log;
        log.AppendLine(QStringLiteral("a"));
        log.AppendLine(QString());
        log.AppendLine(QStringLiteral("b"));
        QCOMPARE(log.text(), QStringLiteral("\r\na\r\n\r\nb"));
        QCOMPARE(log.text().split(QStringLiteral("\r\n")), (QStringList{"", "a", "", "b"}));
        QCOMPARE(log.lineCount(), 3);
    }

    // A warning is a plain box the program goes on after (its wording is pinned by the runs that
    // report BV_2001); a fatal error ends the program once its box is closed.
    void warningReturnsFatalEnds()
    {
        ScriptedDialogs dialogs;
        ErrorReporter warner(dialogs, [] { QFAIL("a warning ended the program"); });
        warner.ReportError(ErrorCode::MapiLogon + QStringLiteral("x"));
        const auto& box = dialogs.shown().constFirst();
        QCOMPARE(box.title, QStringLiteral("Brevane"));
        QCOMPARE(box.icon, Dialogs::Icon::Warning);
        QCOMPARE(box.buttons, Dialogs::Buttons::Ok);

        ErrorReporter reporter(dialogs, [] { throw ProgramTerminated{}; });
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated,
                                 reporter.ReportError(ErrorCode::UpdatingSourceGrid, true));
        QCOMPARE(dialogs.shown().constLast().text,
                 QStringLiteral("A Fatal Error has occured (Error Code BV_4002 : Error updating "
                                "source grid).  This application will terminate."));
        QCOMPARE(dialogs.shown().constLast().icon, Dialogs::Icon::Critical);
    }
};

QTEST_GUILESS_MAIN(EventLogTest)
#include "test_event_log.moc"
