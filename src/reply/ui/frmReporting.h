#pragma once

#include "platform/report/ReportEngine.h"
#include "reply/ReportDateRange.h"

#include <QDate>
#include <QDialog>
#include <memory>
#include <optional>

class Dialogs;
class ErrorReporter;
class QLabel;
class QLineEdit;
class QPushButton;
class ReportViewer;

// "Response Report": asks for a date range and runs the report of the replies recorded in it.
// Hidden, not destroyed, by Ok and Cancel; the next Report button press fills the dates again.
class frmReporting : public QDialog
{
    Q_OBJECT
public:
    // The report definition is FORM.RPT in the program folder. Reports go to the viewer given,
    // or to preview windows when none is.
    frmReporting(Dialogs& dialogs, ErrorReporter& errors, const QString& programFolder,
                 QWidget* parent = nullptr, ReportViewer* viewer = nullptr);
    ~frmReporting() override;

    // Seven days before today and today, in the short date format with a four-digit year.
    void presetDates(QDate today);
    // What the Report button does: fill the dates with today's range and show the dialog modal.
    void showForToday();

    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdExport_Click();

    QLabel* Label3 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtStart_Date = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtFinish_Date = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdExport = nullptr;
    QLabel* Image1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::optional<ReportDateRange> checkedRange();

    Dialogs& m_dialogs;
    ErrorReporter& m_errors;
    QString m_programFolder;
    std::unique_ptr<ReportViewer> m_ownViewer;
    ReportEngine m_engine;
};
