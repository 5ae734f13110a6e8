#pragma once

#include "platform/system/PrintJob.h"

class RecordingPrinter;

// A job of the RecordingPrinter: its lines are kept in the printer's list of jobs.
class RecordingPrintJob : public PrintJob
{
public:
    RecordingPrintJob(RecordingPrinter& printer, int index);

    bool printLine(const QString& line) override;
    bool end() override;

private:
    RecordingPrinter& m_printer;
    int m_index;
};
