#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// One print job of plain-text lines, ended once. A job destroyed before end() is abandoned and
// nothing of it comes out of the printer.
class PrintJob
{
public:
    virtual ~PrintJob() = default;

    // Prints the text followed by a line break; CR LF, CR or LF inside it start new lines, so
    // a text that ends with a line break leaves an empty line. False once the printer fails.
    bool print(const QString& text);

    virtual bool printLine(const QString& line) = 0;
    // Hands the job to the printer; false when the printer failed.
    virtual bool end() = 0;

    static QStringList lines(const QString& text);
};

// Makes the job for one submission; nullptr (or an empty factory) when there is no printer.
using PrintJobFactory = std::function<std::unique_ptr<PrintJob>()>;
