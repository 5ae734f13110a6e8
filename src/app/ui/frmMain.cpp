#include "app/ui/frmMain.h"

#include "app/AppState.h"
#include "app/ui/EnterKeyFilter.h"
#include "app/ui/PickFilter.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmHelp.h"
#include "common/Dialogs.h"
#include "processing/ui/QtRunLauncher.h"
#include "reply/ui/frmReporting.h"
#include "settings/ui/frmSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QAbstractItemView>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

// Twips at 96 dots per inch: 15 twips to a pixel.
constexpr int twips(int t) { return t / 15; }

} // namespace

frmMain::frmMain(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Brevane"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/brevane.svg")));

    createMenus();
    createToolbar();
    createWorkArea();

    StaMain = named(new QLabel, "StaMain");
    statusBar()->addWidget(StaMain, 1);
    connect(&m_state.status(), &StatusLine::changed, StaMain, &QLabel::setText);

    tmrMain = named(new QTimer(this), "tmrMain");
    tmrMain->setInterval(60000);
    tmrMain->start();

    // The client area of the original window, a little larger to suit today's fonts.
    resize(twips(6525) + 160, twips(4830) + 200);
    sstMain_Click(TabFormData);
    connectTemplateDesigner();
    connectSettingsWindow();
    connectReportAndAbout();
    connectProcessing();
}

void frmMain::createMenus()
{
    mnuFile = named(menuBar()->addMenu(tr("&File")), "mnuFile");
    mnuFileNew = named(mnuFile->addAction(tr("&New")), "mnuFileNew");
    mnuFileOpen = named(mnuFile->addAction(tr("&Open")), "mnuFileOpen");
    mnuFileSave = named(mnuFile->addAction(tr("&Save")), "mnuFileSave");
    mnuFileSaveAs = named(mnuFile->addAction(tr("Save &As")), "mnuFileSaveAs");
    mnuFileSeperator_1 = named(mnuFile->addSeparator(), "mnuFileSeperator_1");
    for (int i = 0; i < int(mnuFileHistory.size()); ++i) {
        mnuFileHistory[i] = mnuFile->addAction(QStringLiteral("<empty>"));
        mnuFileHistory[i]->setObjectName(QStringLiteral("mnuFileHistory_%1").arg(i));
    }
    mnuFileSeperator_2 = named(mnuFile->addSeparator(), "mnuFileSeperator_2");
    mnuFileExit = named(mnuFile->addAction(tr("E&xit")), "mnuFileExit");
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    mnuFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFileSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    mnuOptions = named(menuBar()->addMenu(tr("&Options")), "mnuOptions");
    mnuOptionsSettings = named(mnuOptions->addAction(tr("&Settings")), "mnuOptionsSettings");

    // The toolbar's two actions, so that the keyboard reaches them.
    mnuRun = named(menuBar()->addMenu(tr("&Run")), "mnuRun");
    mnuRunProcess = named(mnuRun->addAction(tr("&Process Forms...")), "mnuRunProcess");
    mnuRunProcess->setShortcut(QKeySequence(Qt::Key_F5));
    mnuRunReport = named(mnuRun->addAction(tr("&Response Report...")), "mnuRunReport");

    mnuHelp = named(menuBar()->addMenu(tr("&Help")), "mnuHelp");
    mnuHelpContents = named(mnuHelp->addAction(tr("&Contents")), "mnuHelpContents");
    mnuHelpContents->setShortcut(QKeySequence(Qt::Key_F1));
    mnuHelp->addSeparator();
    mnuHelpAbout = named(mnuHelp->addAction(tr("&About")), "mnuHelpAbout");
}

void frmMain::createToolbar()
{
    tlbMain = named(addToolBar(QStringLiteral("Main")), "tlbMain");
    tlbMain->setMovable(false);
    tlbMain->setFloatable(false);
    tlbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tlbMain->setIconSize(QSize(24, 24));
    tlbMain->setStyleSheet(QStringLiteral("QToolBar { border: 0px; }"));
    struct Button { const char* key; const char* caption; const char* tip; const char* icon; };
    const Button buttons[] = {
        {"btnProcess", "Process", "Start Processing Submitted Forms", ":/icons/process.svg"},
        {"btnDatabase", "Report", "Form Records and Reporting", ":/icons/report.svg"},
        {"btnSettings", "Settings", "Program Settings", ":/icons/settings.svg"},
    };
    for (const Button& b : buttons) {
        QAction* a = tlbMain->addAction(QIcon(QLatin1String(b.icon)), QLatin1String(b.caption));
        a->setObjectName(QLatin1String(b.key));
        a->setData(QLatin1String(b.key));
        a->setToolTip(QLatin1String(b.tip));
    }
}

QAction* frmMain::toolbarButton(const QString& key) const
{
    for (QAction* a : tlbMain->actions())
        if (a->data().toString() == key)
            return a;
    return nullptr;
}

void frmMain::createWorkArea()
{
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->setSpacing(4);

    sstMain = named(new QTabBar, "sstMain");
    sstMain->setExpanding(false);
    sstMain->setDocumentMode(true);
    for (const char* caption :
         {"View Form Data", "Design Your Response", "Preview Your Response", "Event Log"})
        sstMain->addTab(QLatin1String(caption));
    layout->addWidget(sstMain);

    cboVariableNames = named(new QComboBox, "cboVariableNames");
    cboVariableNames->setModel(m_state.variables().listModel());
    cboVariableNames->setPlaceholderText(QStringLiteral("(Empty)"));
    cboVariableNames->setCurrentIndex(-1);
    cboVariableNames->setToolTip(QStringLiteral("Variable Names"));
    layout->addWidget(cboVariableNames);

    grdVariableNameDefinitionsAndSource = named(new QTableView, "grdVariableNameDefinitionsAndSource");
    auto* grid = grdVariableNameDefinitionsAndSource;
    grid->setModel(m_state.variables().gridModel());
    grid->setToolTip(QStringLiteral("Variable Naming Settings"));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setAlternatingRowColors(true);
    layout->addWidget(grid, 1);

    rtfReplyFormDesign = named(new QPlainTextEdit, "rtfReplyFormDesign");
    rtfReplyFormPreview = named(new QPlainTextEdit, "rtfReplyFormPreview");
    rtfReplyFormPreview->setReadOnly(true);
    rtfEventLog = named(new QPlainTextEdit, "rtfEventLog");
    rtfEventLog->setReadOnly(true);
    rtfEventLog->setUndoRedoEnabled(false);
    rtfEventLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (QPlainTextEdit* pane : {rtfReplyFormDesign, rtfReplyFormPreview, rtfEventLog})
        layout->addWidget(pane, 1);
    connect(&m_state.eventLog(), &EventLog::lineAppended, this, &frmMain::appendLogLine);
    bindTemplatePanes();

    setCentralWidget(central);
    connect(sstMain, &QTabBar::currentChanged, this, [this] { sstMain_Click(sstMain->currentIndex()); });
}

namespace {
QString toPane(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
QString fromPane(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}
} // namespace

void frmMain::bindTemplatePanes()
{
    ReplyTemplate& reply = m_state.replyTemplate();
    // Only what the user types (or inserts from the list) is an edit; the text the program puts
    // into the pane is not.
    connect(rtfReplyFormDesign, &QPlainTextEdit::textChanged, this, [this, &reply] {
        if (!m_fillingDesign)
            reply.editDesignText(fromPane(rtfReplyFormDesign->toPlainText()));
    });
    connect(&reply, &ReplyTemplate::designTextChanged, this, [this](const QString& text) {
        if (fromPane(rtfReplyFormDesign->toPlainText()) != text) {
            const QScopedValueRollback<bool> filling(m_fillingDesign, true);
            rtfReplyFormDesign->setPlainText(toPane(text));
        }
    });
    // A hidden preview is filled when its tab shows it: a run merges every submission, and
    // laying out text that nobody sees cost more than all the rest of the window's work.
    connect(&reply, &ReplyTemplate::previewTextChanged, this, [this](const QString& text) {
        m_previewStale = rtfReplyFormPreview->isHidden();
        if (!m_previewStale)
            rtfReplyFormPreview->setPlainText(toPane(text));
    });
    connect(this, &frmMain::previewRequested, &reply, &ReplyTemplate::MergeReplyPreview);
}

void frmMain::sstMain_Click(int /*previousTab*/)
{
    const int tab = sstMain->currentIndex();
    grdVariableNameDefinitionsAndSource->setVisible(tab == TabFormData);
    rtfReplyFormDesign->setVisible(tab == TabDesign);
    if (tab == TabEventLog)
        showLogLines();
    rtfEventLog->setVisible(tab == TabEventLog);
    cboVariableNames->setVisible(tab == TabDesign || tab == TabPreview);
    if (tab != TabPreview) {
        rtfReplyFormPreview->hide();
        return;
    }
    rtfReplyFormPreview->hide();
    emit previewRequested();
    if (m_previewStale) {
        rtfReplyFormPreview->setPlainText(toPane(m_state.replyTemplate().previewText()));
        m_previewStale = false;
    }
    rtfReplyFormPreview->show();
}

void frmMain::appendLogLine(const QString& line)
{
    // While a run goes on behind another tab, its lines go into the pane together: when the
    // event loop next runs, when the tab shows, or when the run ends. Laid out one by one as
    // they came, they cost more than all the rest of the window's work on a submission.
    m_pendingLogLines << line;
    if (m_state.flags.runInProgress && rtfEventLog->isHidden()) {
        if (m_pendingLogLines.size() == 1)
            QTimer::singleShot(0, this, &frmMain::showLogLines);
        return;
    }
    showLogLines();
}

void frmMain::showLogLines()
{
    if (m_pendingLogLines.isEmpty())
        return;
    // The log's separator stands before every line, so the pane's first line is empty too.
    QScrollBar* bar = rtfEventLog->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(rtfEventLog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const QString& line : std::as_const(m_pendingLogLines)) {
        cursor.insertBlock();
        cursor.insertText(line);
    }
    cursor.endEditBlock();
    m_pendingLogLines.clear();
    if (atEnd)
        bar->setValue(bar->maximum());
}

void frmMain::fitGridColumns()
{
    auto* grid = grdVariableNameDefinitionsAndSource;
    const int width = grid->viewport()->width();
    int total = 0;
    for (int t : VariableGridModel::ColumnTwips)
        total += t;
    grid->setColumnWidth(0, width * VariableGridModel::ColumnTwips[0] / total);
    grid->setColumnWidth(1, width * VariableGridModel::ColumnTwips[1] / total);
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitGridColumns();
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    fitGridColumns();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // A run in hand finishes its item, records it and writes its closing lines first.
    if (m_state.flags.runInProgress) {
        m_state.flags.cancelRequested = true;
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    if (!m_ended) {
        m_ended = true;
        m_state.designer().PromptSaveTemplate();
        m_state.shutDown();
        emit programEnded();
    }
    event->accept();
}

namespace {
QString menuCaption(QString path)
{
    return path.replace(QLatin1Char('&'), QLatin1String("&&"));
}
} // namespace

void frmMain::connectTemplateDesigner()
{
    TemplateDesigner& designer = m_state.designer();
    connect(&designer, &TemplateDesigner::tabLayoutRequested, this, &frmMain::sstMain_Click);
    connect(mnuFileNew, &QAction::triggered, &designer, &TemplateDesigner::FileNew);
    connect(mnuFileOpen, &QAction::triggered, &designer, &TemplateDesigner::FileOpen);
    connect(mnuFileSave, &QAction::triggered, &designer, &TemplateDesigner::FileSave);
    connect(mnuFileSaveAs, &QAction::triggered, &designer, [&designer] { designer.FileSaveAs(); });
    RecentFiles& recent = m_state.recentFiles();
    for (int i = 0; i < int(mnuFileHistory.size()); ++i)
        connect(mnuFileHistory[i], &QAction::triggered, &designer,
                [&designer, i] { designer.FileHistory(i); });
    auto showRecent = [this, &recent] {
        for (int i = 0; i < int(mnuFileHistory.size()); ++i)
            mnuFileHistory[i]->setText(menuCaption(recent.caption(i)));
    };
    connect(&recent, &RecentFiles::captionsRefreshed, this, showRecent);
    showRecent();

    auto* picks = new PickFilter(cboVariableNames);
    connect(cboVariableNames, &QComboBox::activated, this, [this, &designer, picks](int item) {
        if (!picks->takePick())
            return;
        const QString marker = designer.InsertVariableMarker(sstMain->currentIndex(), item);
        if (marker.isEmpty())
            return;
        rtfReplyFormDesign->insertPlainText(marker);
        // The user goes on typing after the marker.
        rtfReplyFormDesign->setFocus(Qt::OtherFocusReason);
    });

    auto* grid = grdVariableNameDefinitionsAndSource;
    connect(grid, &QAbstractItemView::doubleClicked, this, [grid, &designer] {
        designer.EditFriendlyName(grid->currentIndex().row(), grid->currentIndex().column());
    });
    grid->installEventFilter(new EnterKeyFilter(grid, [grid, &designer] {
        const QModelIndex current = grid->currentIndex();
        if (current.column() != VariableGridModel::FriendlyNameColumn)
            return false;
        designer.EditFriendlyName(current.row(), current.column());
        return true;
    }));
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [grid, &designer](const QModelIndex& current) {
                grid->setToolTip(designer.ShowCellHint(current.row(), current.column()));
            });
}

void frmMain::connectSettingsWindow()
{
    m_settingsWindow = new frmSettings(m_state.settings(), m_state.store(), m_state.errors(),
                                       m_state.dialogs(), this);
    connect(mnuOptionsSettings, &QAction::triggered, m_settingsWindow, &frmSettings::showSettings);
    connect(toolbarButton(QStringLiteral("btnSettings")), &QAction::triggered, m_settingsWindow,
            &frmSettings::showSettings);
    connect(m_settingsWindow, &frmSettings::checkAccountRequested, this, [this] {
        if (const auto result = m_state.checkAccount())
            m_state.dialogs().messageBox(*result, Dialogs::Icon::Information, Dialogs::Buttons::Ok);
    });
}

void frmMain::connectReportAndAbout()
{
    // The report dialog is kept, hidden, between runs; the About window is built afresh after
    // it has been closed, and shown again while it is still open.
    connect(toolbarButton(QStringLiteral("btnDatabase")), &QAction::triggered, this, [this] {
        auto* dialog = findChild<frmReporting*>(QString(), Qt::FindDirectChildrenOnly);
        if (!dialog)
            dialog = new frmReporting(m_state.dialogs(), m_state.errors(),
                                      m_state.programFolder(), this);
        dialog->showForToday();
    });
    connect(mnuRunReport, &QAction::triggered, toolbarButton(QStringLiteral("btnDatabase")),
            &QAction::trigger);
    connect(mnuHelpContents, &QAction::triggered, this, [this] {
        auto* help = findChild<frmHelp*>(QString(), Qt::FindDirectChildrenOnly);
        if (!help)
            help = new frmHelp(this);
        help->show();
        help->raise();
        help->activateWindow();
    });
    connect(mnuHelpAbout, &QAction::triggered, this, [this] {
        frmAbout* about = nullptr;
        for (frmAbout* open : findChildren<frmAbout*>(QString(), Qt::FindDirectChildrenOnly))
            if (open->isVisible())
                about = open;
        if (!about)
            about = new frmAbout(m_state.dialogs(), this);
        about->show();
        about->raise();
        about->activateWindow();
    });
}

void frmMain::connectProcessing()
{
    auto showSettingsModally = [this] {
        if (m_settingsWindow)
            m_settingsWindow->showModalOnFormLocations();
    };
    m_launcher = new QtRunLauncher(m_state.run(), m_state.flags, m_state.settings(),
                                   m_state.dialogs(), this, showSettingsModally);
    connect(toolbarButton(QStringLiteral("btnProcess")), &QAction::triggered, m_launcher,
            &QtRunLauncher::processClicked);
    connect(mnuRunProcess, &QAction::triggered, toolbarButton(QStringLiteral("btnProcess")),
            &QAction::trigger);
    connect(tmrMain, &QTimer::timeout, m_launcher, &QtRunLauncher::tick);
    // While a run yields, nothing may start another one or replace the template under it.
    auto setIdle = [this](bool idle) {
        toolbarButton(QStringLiteral("btnProcess"))->setEnabled(idle);
        for (QAction* a : {mnuFileNew, mnuFileOpen, mnuRunProcess})
            a->setEnabled(idle);
        for (QAction* a : mnuFileHistory)
            a->setEnabled(idle);
        // Every item of a run is merged with the design it started with.
        rtfReplyFormDesign->setReadOnly(!idle);
        cboVariableNames->setEnabled(idle);
    };
    connect(m_launcher, &QtRunLauncher::runStarted, this, [setIdle] { setIdle(false); });
    connect(m_launcher, &QtRunLauncher::runFinished, this, [this, setIdle] {
        showLogLines();
        setIdle(true);
        if (m_closeAfterRun)
            close();
    });
}
