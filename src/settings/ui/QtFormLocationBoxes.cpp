#include "settings/ui/QtFormLocationBoxes.h"

#include "common/Dialogs.h"
#include "common/ProgramFolder.h"
#include "settings/FormLocations.h"
#include "settings/SystemSettings.h"
#include "settings/ui/frmSettings.h"

#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

QtFormLocationBoxes::QtFormLocationBoxes(FormLocations& locations, SystemSettings& settings,
                                         Dialogs& dialogs, const Controls& controls,
                                         QObject* parent)
    : QObject(parent), m_locations(locations), m_settings(settings), m_dialogs(dialogs),
      m_controls(controls)
{
    for (QLineEdit* box : {m_controls.folder, m_controls.filter})
        box->installEventFilter(this);
    connect(m_controls.folder, &QLineEdit::returnPressed, this,
            &QtFormLocationBoxes::txtLocalLocation_Enter);
    connect(m_controls.filter, &QLineEdit::returnPressed, this,
            &QtFormLocationBoxes::txtSourceFileFilter_Enter);
    connect(m_controls.browse, &QPushButton::clicked, this, &QtFormLocationBoxes::Command4_Click);
    connect(&m_locations, &FormLocations::listingChanged, this,
            &QtFormLocationBoxes::refreshFileList);
    refreshFileList();
}

void QtFormLocationBoxes::showInvalid(const QString& text)
{
    m_dialogs.messageBox(text, Dialogs::Icon::Critical, Dialogs::Buttons::Ok);
}

void QtFormLocationBoxes::txtLocalLocation_Enter()
{
    if (m_locations.acceptFolder(m_controls.folder->text())) {
        m_controls.filter->setFocus(Qt::OtherFocusReason);
        return;
    }
    showInvalid(frmSettings::InvalidPath);
    m_controls.folder->selectAll();
}

void QtFormLocationBoxes::txtLocalLocation_LostFocus()
{
    if (m_locations.acceptFolder(m_controls.folder->text()))
        return;
    showInvalid(frmSettings::InvalidPath);
    m_controls.folder->setText(m_settings.localFolder());
}

void QtFormLocationBoxes::Command4_Click()
{
    Dialogs::FileRequest request;
    request.directory = m_settings.localFolder();
    const auto chosen = m_dialogs.folderName(request);
    if (!chosen || chosen->isEmpty())
        return;
    QString folder = QDir::toNativeSeparators(*chosen);
    if (!folder.endsWith(ProgramFolder::separator()))
        folder += ProgramFolder::separator();
    m_controls.folder->setText(folder);
    if (!m_locations.acceptFolder(folder))
        showInvalid(frmSettings::InvalidPath);
    m_controls.folder->selectAll();
}

void QtFormLocationBoxes::txtSourceFileFilter_Enter()
{
    if (m_locations.acceptFilter(m_controls.filter->text())) {
        m_controls.files->setFocus(Qt::OtherFocusReason);
        return;
    }
    showInvalid(frmSettings::InvalidFilter);
    m_controls.filter->selectAll();
}

void QtFormLocationBoxes::txtSourceFileFilter_LostFocus()
{
    if (m_locations.acceptFilter(m_controls.filter->text()))
        return;
    showInvalid(frmSettings::InvalidFilter);
    m_controls.filter->setText(m_settings.fileFilter());
    m_locations.restoreListPattern();
}

bool QtFormLocationBoxes::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || (box != m_controls.folder && box != m_controls.filter))
        return false;
    if (event->type() == QEvent::FocusIn) {
        // A click places the cursor after the focus arrives: select once it is done.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
        else
            box->selectAll();
    } else if (event->type() == QEvent::FocusOut) {
        // Focus that leaves with the whole window (a message box, hiding) is not the user moving
        // on, and a check's own message box must not start a second check.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (m_checking || !box->window()->isVisible() || reason == Qt::ActiveWindowFocusReason ||
            reason == Qt::PopupFocusReason)
            return false;
        m_checking = true;
        if (box == m_controls.folder)
            txtLocalLocation_LostFocus();
        else
            txtSourceFileFilter_LostFocus();
        m_checking = false;
    }
    return false;
}

void QtFormLocationBoxes::refreshFileList()
{
    m_controls.files->clear();
    m_controls.files->addItems(m_locations.files());
}
