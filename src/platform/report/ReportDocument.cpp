#include "platform/report/ReportDocument.h"

#include "common/SafeSave.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace {

QString cell(const QString& text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    escaped.replace(QLatin1Char('\r'), QLatin1String("<br>"));
    return escaped;
}

} // namespace

ReportDocument::ReportDocument(const ReportData& data, const QLocale& locale)
    : m_data(data), m_document(std::make_unique<QTextDocument>())
{
    m_document->setHtml(html(data, locale));
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
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        print(writer);
    }
    return SafeSave::write(path, pdf.data());
}
