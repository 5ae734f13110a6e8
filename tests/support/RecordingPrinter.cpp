#include "RecordingPrinter.h"

// Its lines go into the printer's list of jobs, found by index: the list may grow meanwhile.
class RecordingPrinter::RecordingPrintJob : public PrintJob
{
public:
    RecordingPrintJob(RecordingPrinter& printer, qsizetype index) : m_printer(printer), m_index(index) {}

    bool printLine(const QString& line) override
    {
        Job& job = m_printer.m_jobs[m_index];
        if (job.failed || job.ended)
            return false;
        if (m_printer.m_failAtLine == job.lines.size() + 1) {
            job.failed = true;
            return false;
        }
        job.lines << line;
        return true;
    }
    bool end() override
    {
        Job& job = m_printer.m_jobs[m_index];
        if (job.failed || job.ended)
            return false;
        return job.ended = true;
    }

private:
    RecordingPrinter& m_printer;
    qsizetype m_index;
};

PrintJobFactory RecordingPrinter::factory()
{
    return [this]() -> std::unique_ptr<PrintJob> {
        if (!m_available)
            return nullptr;
        m_jobs.append(Job{});
        return std::make_unique<RecordingPrintJob>(*this, m_jobs.size() - 1);
    };
}
