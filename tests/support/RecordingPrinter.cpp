#include "RecordingPrinter.h"

#include "RecordingPrintJob.h"

PrintJobFactory RecordingPrinter::factory()
{
    return [this]() -> std::unique_ptr<PrintJob> {
        if (!m_available)
            return nullptr;
        m_jobs.append(Job{});
        return std::make_unique<RecordingPrintJob>(*this, int(m_jobs.size()) - 1);
    };
}
