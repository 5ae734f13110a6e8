#include "platform/report/ReportDocument.h"

#include "common/SafeSave.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
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
    : m_data(data), m_locale(locale), m_document(std::make_unique<QTextDocument>())
{
    m_document->setHtml(html(data, locale));
    fitColumns(*m_document, m_data);
}

QTextTable* ReportDocument::firstTable(const QTextDocument& document)
{
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame))
            return table;
    return nullptr;
}

// Every column but the last is as wide as its widest line, up to a limit, so the last one (the
// reply) gets all the width that is left instead of an equal share. The same widths for every
// table of the document, so that its pages line up.
void ReportDocument::fitColumns(QTextDocument& document, const ReportData& data)
{
    const QTextTable* first = firstTable(document);
    if (!first || first->columns() < 2)
        return;
    const QFontMetricsF metrics(document.defaultFont());
    const QTextTableFormat format = first->format();
    const qreal extra = 2 * (format.cellPadding() + format.border()) + 3 * metrics.averageCharWidth();
    // Shares of the width of a printed page, so that the preview and every printer agree.
    QList<qreal> shares;
    qreal used = 0;
    for (int c = 0; c + 1 < first->columns(); ++c) {
        shares << 100 * std::min(contentWidth(metrics, data, c) + extra, MaxColumnWidth) / PageWidth;
        used += shares.last();
    }
    const qreal scale = std::min(qreal(1), (100 - LastColumnShare) / used);
    QList<QTextLength> widths;
    for (qreal share : shares)
        widths << QTextLength(QTextLength::PercentageLength, share * scale);
    widths << QTextLength(QTextLength::PercentageLength, 100 - used * scale);
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            QTextTableFormat fitted = table->format();
            fitted.setColumnWidthConstraints(widths);
            table->setFormat(fitted);
        }
}

ReportDocument::~ReportDocument() = default;

QString ReportDocument::html(const ReportData& data, const QLocale& locale,
                             const QList<qsizetype>& breaks)
{
    QString h = QStringLiteral("<html><body>");
    if (!data.title.isEmpty())
        h += QStringLiteral("<h2>") + cell(data.title) + QStringLiteral("</h2>");
    if (!data.caption.isEmpty() || !data.captionName.isEmpty())
        h += QStringLiteral("<p><b>") + cell(data.captionName) + QStringLiteral(":</b> ") +
             cell(data.caption) + QStringLiteral("</p>");
    const auto opening = [](bool newPage) {
        return QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" "
                              "width=\"100%\"%1><thead><tr>")
            .arg(newPage ? QStringLiteral(" style=\"page-break-before: always\"") : QString());
    };
    QString head;
    for (const QString& heading : data.headings)
        head += QStringLiteral("<th align=\"left\">") + cell(heading) + QStringLiteral("</th>");
    h += opening(false) + head + QStringLiteral("</tr></thead>");
    for (qsizetype r = 0; r < data.rows.size(); ++r) {
        // A row that would cross the foot of a page starts a table of its own on the next.
        if (breaks.contains(r))
            h += QStringLiteral("</table>") + opening(true) + head + QStringLiteral("</tr></thead>");
        h += QStringLiteral("<tr>");
        for (const QString& value : data.rows[r])
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

// Lays the rows out as printing lays them out on this device (its page size, and the 2 cm
// margins that printing a document adds) and finds each row that would be split although it
// fits on a page. A page never holds more than Window rows, so each page is laid out alone.
QList<qsizetype> ReportDocument::pageBreaks(QPagedPaintDevice& device) const
{
    constexpr qsizetype Window = 100;
    const int margin = int(2 / 2.54 * 96);
    QList<qsizetype> breaks;
    for (qsizetype start = 0; start < m_data.rows.size();) {
        ReportData page = m_data;
        if (start > 0)
            page.title.clear(), page.caption.clear(), page.captionName.clear();
        page.rows = m_data.rows.mid(start, Window);
        QTextDocument measure;
        measure.setDefaultFont(m_document->defaultFont());
        measure.setHtml(html(page, m_locale));
        fitColumns(measure, m_data);
        measure.documentLayout()->setPaintDevice(&device);
        QTextFrameFormat frame = measure.rootFrame()->frameFormat();
        frame.setLeftMargin(margin);
        frame.setRightMargin(margin);
        frame.setTopMargin(margin);
        frame.setBottomMargin(margin);
        measure.rootFrame()->setFrameFormat(frame);
        measure.setPageSize(QSizeF(device.width(), device.height()));
        const QTextTable* table = firstTable(measure);
        if (!table)
            break;
        QAbstractTextDocumentLayout* layout = measure.documentLayout();
        const qreal pageHeight = measure.pageSize().height();
        qsizetype fits = page.rows.size();
        for (int r = 1; r < table->rows(); ++r) {
            qreal bottom = 0;
            for (int c = 0; c < table->columns(); ++c)
                bottom = std::max(bottom, layout->blockBoundingRect(
                                                   table->cellAt(r, c).lastCursorPosition().block())
                                              .bottom());
            if (bottom > pageHeight) {
                fits = r - 1;
                break;
            }
        }
        // A row longer than a page has a page of its own and is split there.
        start += std::max<qsizetype>(fits, 1);
        if (start < m_data.rows.size())
            breaks << start;
    }
    return breaks;
}

void ReportDocument::print(QPagedPaintDevice& device)
{
    QTextDocument paged;
    paged.setDefaultFont(m_document->defaultFont());
    paged.setHtml(html(m_data, m_locale, pageBreaks(device)));
    fitColumns(paged, m_data);
    paged.print(&device);
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
