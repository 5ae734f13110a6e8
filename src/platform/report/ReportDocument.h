#pragma once

#include "platform/report/ReportData.h"

#include <QLocale>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QTextDocument;
class QTextTable;

// The printable form of a report: title, caption, a table of the rows and a closing count.
// The preview shows it, the printer and the PDF writer page it.
class ReportDocument
{
public:
    explicit ReportDocument(const ReportData& data, const QLocale& locale = QLocale());
    ~ReportDocument();

    // breaks: rows that start a new page, each under the column headings again.
    static QString html(const ReportData& data, const QLocale& locale = QLocale(),
                        const QList<qsizetype>& breaks = {});
    // The rows before which a page must break so that no row shorter than a page is split.
    QList<qsizetype> pageBreaks(QPagedPaintDevice& device) const;

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
    static QTextTable* firstTable(const QTextDocument& document);
    static void fitColumns(QTextDocument& document, const ReportData& data);

    ReportData m_data;
    QLocale m_locale;
    std::unique_ptr<QTextDocument> m_document;
};
