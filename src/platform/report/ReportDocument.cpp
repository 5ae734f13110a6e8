#include "platform/report/ReportDocument.h"

#include "common/SafeSave.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <algorithm>

namespace {

QString cell(const QString& text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    escaped.replace(QLatin1Char('\r'), QLatin1String("<br>"));
    return escaped;
}

// The width of a column's widest line; the table's cell padding and borders come on top.
qreal contentWidth(const QFontMetricsF& metrics, const ReportData& data, qsizetype column)
{
    qreal widest = metrics.horizontalAdvance(data.headings.value(column));
    for (const QStringList& row : data.rows)
        for (const QString& line : row.value(column).split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
            widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

} // namespace

ReportDocument::ReportDocument(const ReportData& data, const QLocale& locale)
    : m_data(data), m_document(std::make_unique<QTextDocument>())
{
    m_document->setHtml(html(data, locale));
    fitColumns();
}

// Every column but the last is as wide as its widest line, up to a limit, so the last one (the
// reply) gets all the width that is left instead of an equal share.
void ReportDocument::fitColumns()
{
    QTextTable* table = nullptr;
    for (QTextFrame* frame : m_document->rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable*>(frame)))
            break;
    if (!table || table->columns() < 2)
        return;
    const QFontMetricsF metrics(m_document->defaultFont());
    const QTextTableFormat format = table->format();
    const qreal extra = 2 * (format.cellPadding() + format.border()) + 3 * metrics.averageCharWidth();
    // Shares of the width of a printed page, so that the preview and every printer agree.
    QList<qreal> shares;
    qreal used = 0;
    for (int c = 0; c + 1 < table->columns(); ++c) {
        shares << 100 * std::min(contentWidth(metrics, m_data, c) + extra, MaxColumnWidth) / PageWidth;
        used += shares.last();
    }
    const qreal scale = std::min(qreal(1), (100 - LastColumnShare) / used);
    QList<QTextLength> widths;
    for (qreal share : shares)
        widths << QTextLength(QTextLength::PercentageLength, share * scale);
    widths << QTextLength(QTextLength::PercentageLength, 100 - used * scale);
    QTextTableFormat fitted = format;
    fitted.setColumnWidthConstraints(widths);
    table->setFormat(fitted);
}

ReportDocument::~ReportDocument() = default;

QString ReportDocument::html(const ReportData& data, const QLocale& locale)
{
    QString h = QStringLiteral("<html><body>");
    h += QStringLiteral("<h2>") + cell(data.title) + QStringLiteral("</h2>");
    if (!data.caption.isEmpty() || !data.captionName.isEmpty())
        h += QStringLiteral("<p><b>") + cell(data.captionName) + QStringLiteral(":</b> ") +
             cell(data.caption) + QStringLiteral("</p>");
    h += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">");
    h += QStringLiteral("<thead><tr>");
    for (const QString& heading : data.headings)
        h += QStringLiteral("<th align=\"left\">") + cell(heading) + QStringLiteral("</th>");
    h += QStringLiteral("</tr></thead>");
    for (const QStringList& row : data.rows) {
        h += QStringLiteral("<tr>");
        for (const QString& value : row)
            h += QStringLiteral("<td valign=\"top\">") + cell(value) + QStringLiteral("</td>");
        h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("</table>");
    h += QStringLiteral("<p>") +
         (data.rows.size() == 1
              ? QStringLiteral("1 reply")
              : QStringLiteral("%1 replies").arg(locale.toString(data.rows.size()))) +
         QStringLiteral("</p></body></html>");
    return h;
}

void ReportDocument::print(QPagedPaintDevice& device)
{
    m_document->print(&device);
}

bool ReportDocument::savePdf(const QString& path)
{
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(m_data.title);
        writer.setCreator(QStringLiteral("Brevane"));
        // Printing a document adds margins of 2 cm itself.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        print(writer);
    }
    return SafeSave::write(path, pdf.data());
}
