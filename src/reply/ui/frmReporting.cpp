#include "reply/ui/frmReporting.h"

#include "common/Dialogs.h"
#include "common/ErrorReporter.h"
#include "common/ProgramFolder.h"
#include "platform/report/ReportDefinition.h"
#include "platform/report/ui/QtReportViewer.h"
#include "reply/ReportDateRange.h"
#include "reply/ResponseDatabase.h"
#include "reply/ResponseExport.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

ReportViewer& chooseViewer(ReportViewer* given, std::unique_ptr<ReportViewer>& own,
                           Dialogs& dialogs, QWidget* parent)
{
    if (given)
        return *given;
    // Previews belong to the main window, so they stay when this dialog hides.
    own = std::make_unique<QtReportViewer>(dialogs, parent);
    return *own;
}

} // namespace

frmReporting::frmReporting(Dialogs& dialogs, ErrorReporter& errors, const QString& programFolder,
                           QWidget* parent, ReportViewer* viewer)
    : QDialog(parent), m_dialogs(dialogs), m_errors(errors), m_programFolder(programFolder),
      m_engine(chooseViewer(viewer, m_ownViewer, dialogs, parent ? parent : this))
{
    setObjectName(QStringLiteral("frmReporting"));
    setWindowTitle(QStringLiteral("Response Report"));
    setModal(true);

    Label3 = named(new QLabel(QStringLiteral("Enter report date range ...")), "Label3");
    Label1 = named(new QLabel(QStringLiteral("Between")), "Label1");
    Label2 = named(new QLabel(QStringLiteral("and")), "Label2");
    txtStart_Date = named(new QLineEdit, "txtStart_Date");
    txtFinish_Date = named(new QLineEdit, "txtFinish_Date");
    for (QLineEdit* box : {txtStart_Date, txtFinish_Date})
        box->setToolTip(QStringLiteral("Leave blank to include all replies"));
    cmdOk = named(new QPushButton(QStringLiteral("&Ok")), "cmdOk");
    cmdOk->setDefault(true);
    cmdCancel = named(new QPushButton(QStringLiteral("&Cancel")), "cmdCancel");
    cmdExport = named(new QPushButton(QStringLiteral("&Export...")), "cmdExport");
    cmdExport->setToolTip(QStringLiteral("Save the submissions of these dates as a spreadsheet file"));
    Image1 = named(new QLabel, "Image1");
    Image1->setPixmap(QIcon(QStringLiteral(":/icons/daterange.svg")).pixmap(64, 64));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* dates = new QGridLayout;
    dates->addWidget(Label3, 0, 0, 1, 2);
    dates->addWidget(Label1, 1, 0);
    dates->addWidget(txtStart_Date, 1, 1);
    dates->addWidget(Label2, 2, 0);
    dates->addWidget(txtFinish_Date, 2, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdExport);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Image1);
    layout->addLayout(dates, 1);
    layout->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, &frmReporting::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmReporting::cmdCancel_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmReporting::cmdExport_Click);
}

frmReporting::~frmReporting() = default;

void frmReporting::presetDates(QDate today)
{
    const auto [start, finish] = ReportDateRange::presetTexts(today);
    txtStart_Date->setText(start);
    txtFinish_Date->setText(finish);
}

void frmReporting::showForToday()
{
    presetDates(QDate::currentDate());
    show();
    raise();
    activateWindow();
}

void frmReporting::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Typing replaces the start date at once.
    txtStart_Date->setFocus();
    txtStart_Date->selectAll();
}

std::optional<ReportDateRange> frmReporting::checkedRange()
{
    std::optional<ReportDateRange> range =
        ReportDateRange::fromTexts(txtStart_Date->text(), txtFinish_Date->text());
    if (!range)
        m_dialogs.messageBox(QStringLiteral("Invalid Date Format"), Dialogs::Icon::None,
                             Dialogs::Buttons::Ok);
    return range;
}

void frmReporting::cmdOk_Click()
{
    const std::optional<ReportDateRange> range = checkedRange();
    if (!range)
        return;
    m_engine.setReportFileName(ProgramFolder::join(m_programFolder, ReportDefinition::FileName));
    m_engine.setSelectionFormula(range->selectionFormula());
    m_engine.setFormula(0, range->caption());
    if (!m_engine.setAction(ReportEngine::RunReport)) {
        m_errors.ReportError(ErrorCode::DatabaseReport);
        return;
    }
    hide();
}

void frmReporting::cmdExport_Click()
{
    const std::optional<ReportDateRange> range = checkedRange();
    if (!range)
        return;
    const auto file = m_dialogs.saveFileName({QStringLiteral("Export Responses"),
                                              QStringLiteral("CSV Files (*.csv)|*.csv"),
                                              QStringLiteral(".csv"), QString()});
    if (!file)
        return;
    if (!ResponseExport::write(ProgramFolder::join(m_programFolder, ResponseDatabase::FileName),
                               *range, *file)) {
        m_errors.ReportError(ErrorCode::ExportingResponses);
        return;
    }
    hide();
}

void frmReporting::cmdCancel_Click()
{
    hide();
}
