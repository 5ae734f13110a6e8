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

    // In pixels at 96 dots per inch: the text width of a printed A4 page within the 2 cm margins
    // that printing adds, and the most a column other than the last takes of it (a longer text
    // wraps).
    static constexpr qreal PageWidth = 170 / 25.4 * 96;
    static constexpr qreal MaxColumnWidth = PageWidth / 3;
    // The least share of the width that the last column keeps, in percent.
    static constexpr qreal LastColumnShare = 25;

private:
    void fitColumns();

    ReportData m_data;
    std::unique_ptr<QTextDocument> m_document;
};
