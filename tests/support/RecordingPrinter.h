#pragma once

#include "platform/system/PrintJob.h"

#include <QList>
#include <QStringList>

// A printer that keeps what it was given instead of putting it on paper. It can be made absent
// or made to fail at a given line, like a printer that runs out of paper.
class RecordingPrinter
{
public:
    struct Job
    {
        QStringList lines;
        bool ended = false;
        bool failed = false;
    };

    // Jobs made by this factory record into this printer, which must outlive them.
    PrintJobFactory factory();

    const QList<Job>& jobs() const { return m_jobs; }
    void clear() { m_jobs.clear(); }

    void setAvailable(bool available) { m_available = available; }
    // The printer fails on this line of a job (counted from 1); 0 never fails.
    void failAtLine(int line) { m_failAtLine = line; }

private:
    class RecordingPrintJob;

    QList<Job> m_jobs;
    bool m_available = true;
    int m_failAtLine = 0;
};
