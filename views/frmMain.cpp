#include "frmMain.h"

#include "DbmsClock.h"
#include "clsArchiveSession.h"
#include "clsBarcodeReader.h"
#include "clsOSTNA.h"
#include "clsSettings.h"
#include "frmOptions.h"
#include "modImages.h"
#include "modMainMenus.h"
#include "modTag.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

frmMain::frmMain(clsArchiveSession& session, clsSettings& settings, Hooks hooks)
    : m_session(session), m_settings(settings) {
    setObjectName("frmMain");
    setWindowTitle("Tessarin");
    setWindowIcon(SectionImage("Archive"));

    tmFunc = new QTimer(this);
    tmFunc->setObjectName("tmFunc");
    tmFunc->setInterval(50);
    connect(tmFunc, &QTimer::timeout, this, &frmMain::tmFunc_Timer);
    MSComm = new clsBarcodeReader(this);
    MSComm->setObjectName("MSComm");
    connect(MSComm, &clsBarcodeReader::Received, this, [this] { m_barcode->OnComm(); });
    // The reader's button and menu follow the stored switch, whoever saved it.
    auto readerShown = [this](bool enabled) {
        ToolButton("BarcodeReader")->setChecked(enabled);
        Menu("mnuBarcodeReader")->setChecked(enabled);
    };
    m_barcode = std::make_unique<clsMainBarcode>(
        *this, *MSComm, m_settings, [this](const QString& text) { SetStatusMsg(text); },
        readerShown);
    connect(&m_settings, &clsSettings::Changed, this,
            [this, readerShown] { readerShown(m_settings.BarcodeReaderEnabled); });

    m_menus = std::make_unique<clsMenuSet>();
    BuildMainMenus(*this, *m_menus, hooks);
    BuildMainToolBar(*this, *m_menus);
    m_dates = std::make_unique<clsDateSelector>(*this, m_session, m_settings);
    m_panes = std::make_unique<clsMainLayout>(*this);
    m_panes->Build();
    connect(cmdDateSel, &QPushButton::clicked, this, [this] { m_dates->Popup(); });
    m_view =
        std::make_unique<clsMainView>(*this, m_session, m_settings, *m_menus, *m_panes, *m_dates);
    m_commands = std::make_unique<clsViewCommands>(*this, *m_view, m_settings);
    m_filters = std::make_unique<clsFilterCommands>(*this, *m_view, *m_menus);
    m_grid = std::make_unique<clsGridCommands>(*this, *m_view);
    m_maintenance = std::make_unique<clsMaintenanceCommands>(*this, m_session, m_settings, *m_view);
    m_reports = std::make_unique<clsReportCommands>(*this, *m_view);
    m_reports->SetRunner(&m_reportRunner);
    m_view->OnRefreshed = [this] { m_filters->Refreshed(); };
    m_archive = std::make_unique<clsMainArchive>(*this, m_session, m_settings, *m_menus, *m_view,
                                                 std::move(hooks.InitDatabase));

    m_panes->BuildStatusBar();
    // The grids see their keys after the window (Insert, Delete, Enter, search letters).
    qApp->installEventFilter(this);

    m_panes->LoadPlacement(m_settings);
    // The icon in the notification area brings the window back after its close box.
    txtTNAInterface = new QLineEdit(this);
    txtTNAInterface->setObjectName("txtTNAInterface");
    m_TNA = new clsOSTNA(this);
    m_TNA->SetMenu(PopupMenu("mnuPopUp"));
    // The right button's menu (mnuPopUp) is shown by the desktop itself.
    connect(m_TNA, &clsOSTNA::MouseMessage, this, [this](int message) {
        if (clsOSTNA::IsDoubleClick(message)) Menu("mnuActivate")->trigger();
    });
    m_TNA->IconStart(txtTNAInterface, windowIcon(), windowTitle());
    m_session.SetSelectedDate(DbmsClock::Today());
    m_dates->Refresh(nullptr);
    SetTag(lblTitle[1], lblTitle[1]->text());
    ApplyViewRules(*m_menus, false);
}

frmMain::~frmMain() {
    qApp->removeEventFilter(this);
}

void frmMain::SetStatusMsg(const QString& text) {
    m_statusPanel->setText(text);
}

QString frmMain::StatusMsg() const {
    return m_statusPanel->text();
}

// --- the tree ---

void frmMain::SetTreeViewNodes() {
    const int selected = SelectedNodeIndex();
    const QSignalBlocker quiet(tvTreeView); // the caller shows the view
    FillSectionTree(tvTreeView, m_session.Database().get());
    SelectNode(selected > 0 ? selected : 1);
}

bool frmMain::SelectNode(int index) {
    QTreeWidgetItem* item = NodeAt(index);
    if (item) SetCurrentNode(tvTreeView, item);
    return item;
}

bool frmMain::SelectNode(const QString& key) {
    return SelectNode(NodeIndex(FindNode(tvTreeView, key)));
}

// --- the window's own commands ---

void frmMain::mnuViewToolbar_Click() {
    tbToolBar->setVisible(Menu("mnuViewToolbar")->isChecked());
    m_panes->Relayout();
}

void frmMain::mnuViewStatusBar_Click() {
    sbStatusBar->setVisible(Menu("mnuViewStatusBar")->isChecked());
    m_panes->Relayout();
}

void frmMain::mnuHideSection_Click() {
    // The menu's check mark follows the pane, which the layout routine keeps.
    m_panes->Resize(m_panes->TreeVisible() ? 0 : -1);
}

void frmMain::mnuToolsOptions_Click() {
    auto* options = new frmOptions(this, this, m_settings);
    options->setAttribute(Qt::WA_DeleteOnClose);
    options->ShowModeless();
}

// --- events ---

bool frmMain::event(QEvent* event) {
    if (m_archive) m_archive->WindowEvent(*event); // none while the window is being built
    return QMainWindow::event(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgSplitter) {
        m_panes->SplitterMouse(event);
        return false;
    }
    // A press on the tree comes before the node change it causes.
    if (event->type() == QEvent::MouseButtonPress && watched == tvTreeView->viewport())
        m_view->TreePressed();
    if (m_grid && m_grid->GridMouse(watched, event)) return true;
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Only keys meant for this window, before its controls see them.
        if (widget && widget->window() == this && widget != this &&
            MainKeyPress(*this, watched, static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The close box only hides the window while the tray icon can bring it back; without a
    // notification area there would be no way back, so the window closes then.
    if (event->spontaneous() && m_TNA->IsShown()) {
        event->ignore();
        hide();
        return;
    }
    m_panes->SavePlacement(m_settings);
    m_TNA->IconStop();
    UnloadOtherWindows();
    ReleaseDatabase();
    event->accept();
}

void frmMain::UnloadOtherWindows() {
    // The most recently opened first, until only the main window is left.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        QWidget* window = *it;
        if (window == this || !window->isVisible()) continue;
        window->close();
    }
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_panes->Relayout();
}
