#pragma once

#include "platform/report/ReportViewer.h"

class Dialogs;
class QWidget;

// Shows every report in a preview window of its own, owned by the given parent window.
class QtReportViewer : public ReportViewer
{
public:
    QtReportViewer(Dialogs& dialogs, QWidget* parent) : m_dialogs(dialogs), m_parent(parent) {}

    bool showReport(const ReportData& report) override;

private:
    Dialogs& m_dialogs;
    QWidget* m_parent;
};
