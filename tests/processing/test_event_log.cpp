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

    void warningBoxWordsTheCodeAndReturns()
    {
        ScriptedDialogs dialogs;
        bool ended = false;
        ErrorReporter reporter(dialogs, [&] { ended = true; });
        reporter.ReportError(ErrorCode::MapiLogon + QStringLiteral("Mail folder /x not found"));
        QVERIFY(!ended);
        QCOMPARE(dialogs.shown().size(), 1);
        const auto& box = dialogs.shown().constFirst();
        QCOMPARE(box.text, QStringLiteral("An error has occured (Error Code BV_2001 - MAPI Logon "
                                          "Failure: Mail folder /x not found).  Please check your "
                                          "settings and try again."));
        QCOMPARE(box.title, QStringLiteral("Brevane"));
        QCOMPARE(box.icon, Dialogs::Icon::Warning);
        QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
    }

    void fatalBoxEndsTheProgram()
    {
        ScriptedDialogs dialogs;
        ErrorReporter reporter(dialogs, [] { throw ProgramTerminated{}; });
        bool after = false;
        try {
            reporter.ReportError(ErrorCode::UpdatingSourceGrid, true);
            after = true;
        } catch (const ProgramTerminated&) {
        }
        QVERIFY(!after);
        QCOMPARE(dialogs.shown().constFirst().text,
                 QStringLiteral("A Fatal Error has occured (Error Code BV_4002 : Error updating "
                                "source grid).  This application will terminate."));
        QCOMPARE(dialogs.shown().constFirst().icon, Dialogs::Icon::Critical);
    }
};

QTEST_GUILESS_MAIN(EventLogTest)
#include "test_event_log.moc"
