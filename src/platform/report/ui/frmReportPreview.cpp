#include "platform/report/ui/frmReportPreview.h"

#include "common/Dialogs.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

frmReportPreview::frmReportPreview(const ReportData& report, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_report(report), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmReportPreview"));
    setWindowTitle(report.title.isEmpty() ? QStringLiteral("Report")
                                          : report.title + QStringLiteral(" - Brevane"));
    setAttribute(Qt::WA_DeleteOnClose);

    txtReport = new QTextBrowser;
    txtReport->setObjectName(QStringLiteral("txtReport"));
    txtReport->setHtml(ReportDocument::html(report));

    cmdPrint = new QPushButton(tr("&Print..."));
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdSavePdf = new QPushButton(tr("Save as P&DF..."));
    cmdSavePdf->setObjectName(QStringLiteral("cmdSavePdf"));
    cmdClose = new QPushButton(tr("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdPrint, &QPushButton::clicked, this, &frmReportPreview::print);
    connect(cmdSavePdf, &QPushButton::clicked, this, &frmReportPreview::saveAsPdf);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdSavePdf);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtReport, 1);
    resize(760, 560);
}

void frmReportPreview::print()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        m_report.print(printer);
}

bool frmReportPreview::saveAsPdf()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("Save Report As PDF");
    request.filter = QStringLiteral("PDF Document (*.pdf)|*.pdf|All Files (*.*)|*.*");
    request.defaultExtension = QStringLiteral(".pdf");
    request.directory = QDir::homePath();
    const std::optional<QString> path = m_dialogs.saveFileName(request);
    if (!path)
        return false;
    if (m_report.savePdf(*path))
        return true;
    m_dialogs.messageBox(QStringLiteral("The report could not be saved as ") + *path,
                         Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return false;
}
