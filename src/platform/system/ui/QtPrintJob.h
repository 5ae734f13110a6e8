#pragma once

#include "platform/system/PrintJob.h"

#include <QPainter>
#include <memory>

class QPrinter;

// A print job on a real printer, one page after another in the application's font.
class QtPrintJob : public PrintJob
{
public:
    // nullptr when the system has no default printer.
    static std::unique_ptr<PrintJob> toDefaultPrinter();
    // The same job written into a PDF file instead.
    static std::unique_ptr<PrintJob> toPdfFile(const QString& path);

    ~QtPrintJob() override;

    bool printLine(const QString& line) override;
    bool end() override;

private:
    explicit QtPrintJob(std::unique_ptr<QPrinter> printer);
    bool begin();

    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    int m_top = 0;
    bool m_failed = false;
    bool m_ended = false;
};
