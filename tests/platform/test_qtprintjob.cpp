// Print jobs: the line splitting every job shares, and the Qt job written into a PDF file.
#include "RecordingPrinter.h"
#include "TestSupport.h"
#include "platform/system/ui/QtPrintJob.h"

#include <QtTest>

class TestQtPrintJob : public QObject
{
    Q_OBJECT

private slots:
    void textIsPrintedAsLines()
    {
        RecordingPrinter printer;
        auto job = printer.factory()();
        QVERIFY(job->print(QStringLiteral("\r\n---------- Reply:\r\n")));
        QVERIFY(job->print(QStringLiteral("a\nb\rc")));
        QVERIFY(job->end());
        QCOMPARE(printer.jobs()[0].lines,
                 (QStringList{QString(), QStringLiteral("---------- Reply:"), QString(),
                              QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        // Ended once: nothing more goes into it.
        QVERIFY(!job->print(QStringLiteral("late")));
        QVERIFY(!job->end());
    }

    void jobRunsOverSeveralPages()
    {
        TestApp app;
        const QString path = app.path(QStringLiteral("job.pdf"));
        auto job = QtPrintJob::toPdfFile(path);
        for (int i = 0; i < 300; ++i)
            QVERIFY(job->printLine(QStringLiteral("Line %1 ").arg(i).repeated(i % 7 == 0 ? 40 : 1)));
        QVERIFY(job->end());
        const QByteArray pdf = app.readFile(QStringLiteral("job.pdf"));
        QVERIFY(pdf.startsWith("%PDF"));
        const auto pages = QRegularExpression(QStringLiteral("/Count (\\d+)"))
                               .match(QString::fromLatin1(pdf));
        QVERIFY(pages.hasMatch());
        QVERIFY2(pages.captured(1).toInt() > 1, qPrintable(pages.captured(0)));
    }

    void jobWithoutLinesPutsNothingOnPaper()
    {
        TestApp app;
        const QString path = app.path(QStringLiteral("empty.pdf"));
        auto job = QtPrintJob::toPdfFile(path);
        QVERIFY(job->end());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestQtPrintJob)
#include "test_qtprintjob.moc"
