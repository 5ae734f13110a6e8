#pragma once

#include <QMainWindow>
#include <QStringList>
#include <array>

class AppState;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabBar;
class QtRunLauncher;
class QTableView;
class QTimer;
class QToolBar;
class frmSettings;

// The main window: menus, toolbar, the four-tab work area (grid, design, preview, event log),
// status bar and the one-minute timer. A view over AppState; the work is done elsewhere.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    enum Tab { TabFormData, TabDesign, TabPreview, TabEventLog };

    explicit frmMain(AppState& state, QWidget* parent = nullptr);

    AppState& state() { return m_state; }

    // Shows exactly the controls of the current tab; the previous tab is not used.
    void sstMain_Click(int previousTab);

    QAction* toolbarButton(const QString& key) const;

    // Created with the main window, before the settings are first loaded; lives for the run.
    frmSettings* settingsWindow() const { return m_settingsWindow; }
    QtRunLauncher* launcher() const { return m_launcher; }

    // Controls, named as their objectName.
    QMenu* mnuFile = nullptr;
    QAction* mnuFileNew = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileSave = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFileSeperator_1 = nullptr;
    std::array<QAction*, 4> mnuFileHistory{};
    QAction* mnuFileSeperator_2 = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuOptions = nullptr;
    QAction* mnuOptionsSettings = nullptr;
    QMenu* mnuRun = nullptr;
    QAction* mnuRunProcess = nullptr;
    QAction* mnuRunReport = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpAbout = nullptr;
    QToolBar* tlbMain = nullptr;
    QTabBar* sstMain = nullptr;
    QTableView* grdVariableNameDefinitionsAndSource = nullptr;
    QComboBox* cboVariableNames = nullptr;
    QPlainTextEdit* rtfReplyFormDesign = nullptr;
    QPlainTextEdit* rtfReplyFormPreview = nullptr;
    QPlainTextEdit* rtfEventLog = nullptr;
    QLabel* StaMain = nullptr;
    QTimer* tmrMain = nullptr;

signals:
    // The Preview tab is about to show: the preview is merged before it appears.
    void previewRequested();
    // The closing steps have run; the program ends now.
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createMenus();
    void createToolbar();
    void createWorkArea();
    void bindTemplatePanes();
    void appendLogLine(const QString& line);
    void showLogLines();
    void fitGridColumns();
    void connectTemplateDesigner();

    void connectSettingsWindow();
    void connectReportAndAbout();
    void connectProcessing();

    AppState& m_state;
    bool m_ended = false;
    bool m_closeAfterRun = false;
    bool m_previewStale = false;
    bool m_fillingDesign = false;
    QStringList m_pendingLogLines;
    QtRunLauncher* m_launcher = nullptr;
    frmSettings* m_settingsWindow = nullptr;
};
