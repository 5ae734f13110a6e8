#pragma once

#include <QObject>
#include <QString>

class Dialogs;
class ErrorReporter;
class EventLog;
class RecentFiles;
class ReplyTemplate;
class SettingsStore;
class SystemSettings;
class VariableTable;

// The commands of the template designer on the main window: the File menu (New, Open, Save,
// Save As, the recent-file entries), the exit's save question, renaming variables in the grid and
// inserting markers into the design. The window passes in what its controls show and carries out
// what comes back, so that all of this runs without a screen.
class TemplateDesigner : public QObject
{
    Q_OBJECT
public:
    // Tab numbers of the main window's tab control.
    enum Tab { TabFormData, TabDesign, TabPreview, TabEventLog };
    enum class SaveResult { Saved, Cancelled, Failed };

    static inline const QString MailtoFilter =
        QStringLiteral("Mailto Form (*.dat, *.att)|*.dat;*.att|All Files (*.*)|*.*");
    static inline const QString TemplateFilter =
        QStringLiteral("Reply Template (*.rtm)|*.rtm|All Files (*.*)|*.*");
    static inline const QString TemplateExtension = QStringLiteral(".rtm");
    static inline const QString SaveQuestion =
        QStringLiteral("Do you wish to save your reply template before continuing ?");
    static inline const QString FriendlyNameHint =
        QStringLiteral("Double Click a friendly name to change it");

    TemplateDesigner(ReplyTemplate& reply, VariableTable& variables, const SystemSettings& settings,
                     SettingsStore& store, RecentFiles& recentFiles, EventLog& log,
                     ErrorReporter& errors, Dialogs& dialogs, QObject* parent = nullptr);

    // File menu. New, Open and a recent-file entry ask first whether to save a changed template.
    void FileNew();
    void FileOpen();
    void FileSave();
    SaveResult FileSaveAs();
    void FileHistory(int index);

    // Asks whether to save a template with unsaved changes. Yes saves it; an untitled template,
    // or one whose file cannot be written, goes to Save As until it is saved or the user cancels.
    void PromptSaveTemplate();

    // The marker to put in place of the design pane's selection for list item `item` (from 0);
    // empty when nothing is to be inserted (only the Design tab inserts).
    QString InsertVariableMarker(int currentTab, int item) const;
    // Renames the variable of grid row `row` (from 0) when `column` is the friendly-name column.
    void EditFriendlyName(int row, int column);
    // The grid's tooltip for its current cell.
    QString ShowCellHint(int row, int column) const;

    static QString friendlyNamePrompt(const QString& formName);

signals:
    // The window lays its tabs out again, as a click on the tab control would; the current tab
    // decides, the previous one is passed along unused.
    void tabLayoutRequested(int previousTab);

private:
    bool loadAndRemember(const QString& path);

    ReplyTemplate& m_reply;
    VariableTable& m_variables;
    const SystemSettings& m_settings;
    SettingsStore& m_store;
    RecentFiles& m_recentFiles;
    EventLog& m_log;
    ErrorReporter& m_errors;
    Dialogs& m_dialogs;
};
