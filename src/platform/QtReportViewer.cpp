#include "platform/QtReportViewer.h"

#include "platform/frmReportPreview.h"

bool QtReportViewer::showReport(const ReportData& report)
{
    auto* preview = new frmReportPreview(report, m_dialogs, m_parent);
    preview->show();
    preview->raise();
    preview->activateWindow();
    return true;
}
