#include "design/TemplateDesigner.h"

#include "app/AppState.h"
#include "common/Dialogs.h"
#include "formdata/DecodeSubmission.h"

#include <QFileInfo>

TemplateDesigner::TemplateDesigner(AppState& state, QObject* parent)
    : QObject(parent), m_state(state)
{
}

void TemplateDesigner::FileNew()
{
    emit tabLayoutRequested(TabFormData);
    Dialogs& dialogs = m_state.dialogs();
    const std::optional<QString> file = dialogs.openFileName(
        {QStringLiteral("Brevane : Open Source for Reply Template"), MailtoFilter, {}, {}});
    if (!file)
        return;
    ReplyTemplate& reply = m_state.replyTemplate();
    reply.setPath(QString());
    if (file->isEmpty()) {
        m_state.errors().ReportError(ErrorCode::OpeningMailtoFile);
        return;
    }
    dialogs.processEvents();
    VariableTable& variables = m_state.variables();
    variables.clearDefinitions();
    const DecodeResult result =
        DecodeSubmission(*file, QFileInfo(*file).fileName(), m_state.settings().maxLengthLimit(),
                         variables, m_state.eventLog());
    // A refused sample has emptied the table too: the grid and the list must not go on showing
    // rows that no longer exist, or renaming one of them would end the program.
    variables.ShowInGrid();
    variables.ShowInList();
    if (result != DecodeResult::Decoded) {
        m_state.errors().ReportError(ErrorCode::InvalidMailtoForm);
        return;
    }
    reply.MergeReplyPreview();
}

bool TemplateDesigner::loadAndRemember(const QString& path)
{
    if (!m_state.replyTemplate().LoadTemplate(path))
        return false;
    m_state.store().setLastTemplate(path);
    return true;
}

void TemplateDesigner::FileOpen()
{
    emit tabLayoutRequested(TabDesign);
    Dialogs& dialogs = m_state.dialogs();
    const std::optional<QString> file = dialogs.openFileName(
        {QStringLiteral("Brevane : Open Reply Template"), TemplateFilter, {}, {}});
    if (!file)
        return;
    if (!file->isEmpty()) {
        dialogs.processEvents();
        if (loadAndRemember(*file)) {
            m_state.recentFiles().AddRecentFile(*file);
            return;
        }
    }
    m_state.replyTemplate().setPath(QString());
    m_state.errors().ReportError(ErrorCode::OpeningTemplate);
}

void TemplateDesigner::FileHistory(int index)
{
    if (index < 0 || index >= RecentFiles::Count)
        return;
    const QString path = m_state.recentFiles().caption(index);
    if (path == RecentFiles::EmptyCaption)
        return;
    if (!loadAndRemember(path)) {
        m_state.errors().ReportError(ErrorCode::OpeningRecentTemplate);
        return;
    }
    m_state.recentFiles().PromoteRecentFile(path);
}

void TemplateDesigner::FileSave()
{
    ReplyTemplate& reply = m_state.replyTemplate();
    // An untitled template cannot be written either, and so goes to Save As too.
    if (!reply.SaveTemplate(reply.path()))
        FileSaveAs();
}

TemplateDesigner::SaveResult TemplateDesigner::FileSaveAs()
{
    Dialogs& dialogs = m_state.dialogs();
    const std::optional<QString> file = dialogs.saveFileName(
        {QStringLiteral("Brevane : Save Reply Template"), TemplateFilter, TemplateExtension, {}});
    if (!file)
        return SaveResult::Cancelled;
    dialogs.processEvents();
    ReplyTemplate& reply = m_state.replyTemplate();
    if (file->isEmpty() || reply.designText().isEmpty() || !reply.SaveTemplate(*file)) {
        m_state.errors().ReportError(ErrorCode::SavingTemplate);
        return SaveResult::Failed;
    }
    reply.setPath(*file);
    m_state.store().setLastTemplate(*file);
    return SaveResult::Saved;
}

void TemplateDesigner::PromptSaveTemplate()
{
    ReplyTemplate& reply = m_state.replyTemplate();
    if (!reply.isChanged())
        return;
    const Dialogs::Answer answer =
        m_state.dialogs().messageBox(SaveQuestion, Dialogs::Icon::None, Dialogs::Buttons::YesNo);
    if (answer != Dialogs::Answer::Yes)
        return;
    if (!reply.SaveTemplate(reply.path())) {
        // The user asked to keep the template: ask where, until it is kept or they give up.
        while (FileSaveAs() == SaveResult::Failed) {
        }
    }
    reply.setChanged(false);
}

QString TemplateDesigner::InsertVariableMarker(int currentTab, int item) const
{
    if (currentTab != TabDesign || item < 0)
        return {};
    VariableTable& variables = m_state.variables();
    const QModelIndex index = variables.listModel()->index(item);
    if (!index.isValid() || index.data().toString().isEmpty() || item >= variables.count())
        return {};
    return ReplyTemplate::marker(variables.at(item + 1).formName);
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
    VariableTable& variables = m_state.variables();
    const QString formName = variables.gridModel()->cell(row, VariableGridModel::FormNameColumn);
    if (formName.isEmpty())
        return;
    const QString current = variables.gridModel()->cell(row, VariableGridModel::FriendlyNameColumn);
    const std::optional<QString> answer =
        m_state.dialogs().inputBox(friendlyNamePrompt(formName), Dialogs::Title, current);
    if (!answer || answer->isEmpty())
        return;
    // "." is the only way to ask for no friendly name, since an empty answer means "no change".
    const QString newName = *answer == QLatin1String(".") ? QStringLiteral("") : *answer;
    if (!variables.SetFriendlyName(formName, newName)) {
        m_state.errors().ReportError(ErrorCode::ChangingVariableName);
        return;
    }
    variables.ShowInList();
    if (!variables.SetGridFriendlyName(formName, newName)) {
        m_state.errors().ReportError(ErrorCode::UpdatingSourceGrid, true);
        return;
    }
    m_state.replyTemplate().MergeReplyPreview();
}

QString TemplateDesigner::ShowCellHint(int row, int column) const
{
    if (column == VariableGridModel::FriendlyNameColumn)
        return FriendlyNameHint;
    return m_state.variables().gridModel()->cell(row, column);
}
