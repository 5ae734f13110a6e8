#pragma once

#include "platform/report/ReportDocument.h"

#include <QWidget>

class Dialogs;
class QPushButton;
class QTextBrowser;

// The report on screen, from which the user prints it or saves it as a PDF file.
class frmReportPreview : public QWidget
{
    Q_OBJECT
public:
    frmReportPreview(const ReportData& report, Dialogs& dialogs, QWidget* parent = nullptr);

    ReportDocument& report() { return m_report; }

    // Asks for a file name and writes the PDF there; false when cancelled or not written.
    bool saveAsPdf();
    void print();

    QTextBrowser* txtReport = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdSavePdf = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    ReportDocument m_report;
    Dialogs& m_dialogs;
};
