#include "platform/system/ui/QtPrintJob.h"

#include <QPrinter>
#include <QPrinterInfo>

std::unique_ptr<PrintJob> QtPrintJob::toDefaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::unique_ptr<PrintJob>(
        new QtPrintJob(std::make_unique<QPrinter>(info, QPrinter::HighResolution)));
}

std::unique_ptr<PrintJob> QtPrintJob::toPdfFile(const QString& path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return std::unique_ptr<PrintJob>(new QtPrintJob(std::move(printer)));
}

QtPrintJob::QtPrintJob(std::unique_ptr<QPrinter> printer) : m_printer(std::move(printer))
{
    m_printer->setDocName(QStringLiteral("Brevane"));
}

QtPrintJob::~QtPrintJob()
{
    if (m_painter.isActive()) {
        m_printer->abort();
        m_painter.end();
    }
}

bool QtPrintJob::begin()
{
    if (m_painter.isActive())
        return true;
    if (!m_painter.begin(m_printer.get())) {
        m_failed = true;
        return false;
    }
    m_top = 0;
    return true;
}

bool QtPrintJob::printLine(const QString& line)
{
    if (m_failed || m_ended || !begin())
        return false;
    const QRect page = m_painter.viewport();
    const int flags = Qt::TextWordWrap | Qt::TextExpandTabs;
    const QFontMetrics metrics = m_painter.fontMetrics();
    // A long line wraps within the page width; an empty one still takes a line's height.
    QRect box = metrics.boundingRect(QRect(0, 0, page.width(), page.height()), flags,
                                     line.isEmpty() ? QStringLiteral(" ") : line);
    box.setHeight(qMin(qMax(box.height(), metrics.lineSpacing()), page.height()));
    if (m_top > 0 && m_top + box.height() > page.height()) {
        if (!m_printer->newPage()) {
            m_failed = true;
            return false;
        }
        m_top = 0;
    }
    m_painter.drawText(QRect(0, m_top, page.width(), box.height()), flags, line);
    m_top += box.height();
    return true;
}

bool QtPrintJob::end()
{
    if (m_failed || m_ended)
        return false;
    m_ended = true;
    // A job without a line puts nothing on paper.
    if (!m_painter.isActive())
        return true;
    return m_painter.end();
}
