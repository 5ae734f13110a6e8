#include "design/TemplateDesigner.h"

#include "common/Dialogs.h"
#include "common/ErrorReporter.h"
#include "design/RecentFiles.h"
#include "design/ReplyTemplate.h"
#include "formdata/DecodeSubmission.h"
#include "formdata/VariableTable.h"
#include "settings/SettingsStore.h"
#include "settings/SystemSettings.h"

#include <QFileInfo>

TemplateDesigner::TemplateDesigner(ReplyTemplate& reply, VariableTable& variables,
                                   const SystemSettings& settings, SettingsStore& store,
                                   RecentFiles& recentFiles, EventLog& log, ErrorReporter& errors,
                                   Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_reply(reply), m_variables(variables), m_settings(settings),
      m_store(store), m_recentFiles(recentFiles), m_log(log), m_errors(errors), m_dialogs(dialogs)
{
}

void TemplateDesigner::FileNew()
{
    PromptSaveTemplate();
    emit tabLayoutRequested(TabFormData);
    const std::optional<QString> file = m_dialogs.openFileName(
        {QStringLiteral("Brevane : Open Source for Reply Template"), MailtoFilter, {}, {}});
    if (!file)
        return;
    m_reply.setPath(QString());
    if (file->isEmpty()) {
        m_errors.ReportError(ErrorCode::OpeningMailtoFile);
        return;
    }
    m_dialogs.processEvents();
    m_variables.clearDefinitions();
    const DecodeResult result =
        DecodeSubmission(*file, QFileInfo(*file).fileName(), m_settings.maxLengthLimit(),
                         m_variables, m_log);
    // A refused sample has emptied the table too: the grid and the list must not go on showing
    // rows that no longer exist, or renaming one of them would end the program.
    m_variables.ShowInGrid();
    m_variables.ShowInList();
    if (result != DecodeResult::Decoded) {
        m_errors.ReportError(ErrorCode::InvalidMailtoForm);
        return;
    }
    // The program's own merge: only what the user did makes the template worth a question.
    const bool changed = m_reply.isChanged();
    m_reply.MergeReplyPreview();
    m_reply.setChanged(changed);
}

bool TemplateDesigner::loadAndRemember(const QString& path)
{
    if (!m_reply.LoadTemplate(path))
        return false;
    // What was asked about before the load is gone; the file's own text is no edit.
    m_reply.setChanged(false);
    m_store.setLastTemplate(path);
    return true;
}

void TemplateDesigner::FileOpen()
{
    PromptSaveTemplate();
    emit tabLayoutRequested(TabDesign);
    const std::optional<QString> file = m_dialogs.openFileName(
        {QStringLiteral("Brevane : Open Reply Template"), TemplateFilter, {}, {}});
    if (!file)
        return;
    if (!file->isEmpty()) {
        m_dialogs.processEvents();
        if (loadAndRemember(*file)) {
            m_recentFiles.AddRecentFile(*file);
            return;
        }
    }
    m_reply.setPath(QString());
    m_errors.ReportError(ErrorCode::OpeningTemplate);
}

void TemplateDesigner::FileHistory(int index)
{
    if (index < 0 || index >= RecentFiles::Count)
        return;
    const QString path = m_recentFiles.caption(index);
    if (path == RecentFiles::EmptyCaption)
        return;
    PromptSaveTemplate();
    if (!loadAndRemember(path)) {
        m_errors.ReportError(ErrorCode::OpeningRecentTemplate);
        return;
    }
    m_recentFiles.PromoteRecentFile(path);
}

void TemplateDesigner::FileSave()
{
    // An untitled template cannot be written either, and so goes to Save As too.
    if (!m_reply.SaveTemplate(m_reply.path()))
        FileSaveAs();
}

TemplateDesigner::SaveResult TemplateDesigner::FileSaveAs()
{
    const std::optional<QString> file = m_dialogs.saveFileName(
        {QStringLiteral("Brevane : Save Reply Template"), TemplateFilter, TemplateExtension, {}});
    if (!file)
        return SaveResult::Cancelled;
    m_dialogs.processEvents();
    if (file->isEmpty() || m_reply.designText().isEmpty() || !m_reply.SaveTemplate(*file)) {
        m_errors.ReportError(ErrorCode::SavingTemplate);
        return SaveResult::Failed;
    }
    m_reply.setPath(*file);
    m_store.setLastTemplate(*file);
    return SaveResult::Saved;
}

void TemplateDesigner::PromptSaveTemplate()
{
    if (!m_reply.isChanged())
        return;
    const Dialogs::Answer answer =
        m_dialogs.messageBox(SaveQuestion, Dialogs::Icon::None, Dialogs::Buttons::YesNo);
    if (answer != Dialogs::Answer::Yes)
        return;
    if (!m_reply.SaveTemplate(m_reply.path())) {
        // The user asked to keep the template: ask where, until it is kept or they give up.
        while (FileSaveAs() == SaveResult::Failed) {
        }
    }
    m_reply.setChanged(false);
}

QString TemplateDesigner::InsertVariableMarker(int currentTab, int item) const
{
    if (currentTab != TabDesign || item < 0)
        return {};
    const QModelIndex index = m_variables.listModel()->index(item);
    if (!index.isValid() || index.data().toString().isEmpty() || item >= m_variables.count())
        return {};
    return ReplyTemplate::marker(m_variables.at(item + 1).formName);
}

QString TemplateDesigner::friendlyNamePrompt(const QString& formName)
{
    return QStringLiteral("Enter new friendly name for form variable [") + formName +
           QStringLiteral("]\nEnter a '.' for no friendly name");
}

void TemplateDesigner::EditFriendlyName(int row, int column)
{
    if (column != VariableGridModel::FriendlyNameColumn)
        return;
    const VariableGridModel* grid = m_variables.gridModel();
    const QString formName = grid->cell(row, VariableGridModel::FormNameColumn);
    if (formName.isEmpty())
        return;
    const QString current = grid->cell(row, VariableGridModel::FriendlyNameColumn);
    const std::optional<QString> answer =
        m_dialogs.inputBox(friendlyNamePrompt(formName), Dialogs::Title, current);
    if (!answer || answer->isEmpty())
        return;
    // "." is the only way to ask for no friendly name, since an empty answer means "no change".
    const QString newName = *answer == QLatin1String(".") ? QStringLiteral("") : *answer;
    if (!m_variables.SetFriendlyName(formName, newName)) {
        m_errors.ReportError(ErrorCode::ChangingVariableName);
        return;
    }
    m_variables.ShowInList();
    if (!m_variables.SetGridFriendlyName(formName, newName)) {
        m_errors.ReportError(ErrorCode::UpdatingSourceGrid, true);
        return;
    }
    m_reply.MergeReplyPreview();
}

QString TemplateDesigner::ShowCellHint(int row, int column) const
{
    if (column == VariableGridModel::FriendlyNameColumn)
        return FriendlyNameHint;
    return m_variables.gridModel()->cell(row, column);
}
