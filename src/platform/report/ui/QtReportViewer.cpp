#include "platform/report/ui/QtReportViewer.h"

#include "platform/report/ui/frmReportPreview.h"

bool QtReportViewer::showReport(const ReportData& report)
{
    auto* preview = new frmReportPreview(report, m_dialogs, m_parent);
    preview->show();
    preview->raise();
    preview->activateWindow();
    return true;
}
