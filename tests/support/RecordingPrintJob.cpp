#include "RecordingPrintJob.h"

#include "RecordingPrinter.h"

RecordingPrintJob::RecordingPrintJob(RecordingPrinter& printer, int index)
    : m_printer(printer), m_index(index)
{
}

bool RecordingPrintJob::printLine(const QString& line)
{
    auto& job = m_printer.job(m_index);
    if (job.failed || job.ended)
        return false;
    if (m_printer.failingLine() == job.lines.size() + 1) {
        job.failed = true;
        return false;
    }
    job.lines << line;
    return true;
}

bool RecordingPrintJob::end()
{
    auto& job = m_printer.job(m_index);
    if (job.failed || job.ended)
        return false;
    job.ended = true;
    return true;
}
