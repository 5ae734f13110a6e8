#pragma once

#include "platform/report/ReportData.h"

#include <QLocale>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QTextDocument;

// The printable form of a report: title, caption, a table of the rows and a closing count.
// The preview shows it, the printer and the PDF writer page it.
class ReportDocument
{
public:
    explicit ReportDocument(const ReportData& data, const QLocale& locale = QLocale());
    ~ReportDocument();

    static QString html(const ReportData& data, const QLocale& locale = QLocale());

    QTextDocument& document() { return *m_document; }
    const ReportData& data() const { return m_data; }

    void print(QPagedPaintDevice& device);
    // Writes the report as a PDF file, all or nothing; false when it could not be written.
    bool savePdf(const QString& path);

private:
    ReportData m_data;
    std::unique_ptr<QTextDocument> m_document;
};
