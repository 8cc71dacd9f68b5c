#include "frmMain.h"

#include "DbmsClock.h"
#include "DbmsEngine.h"
#include "clsArchiveSession.h"
#include "clsBarcodeReader.h"
#include "clsGridRows.h"
#include "clsOSTNA.h"
#include "clsSettings.h"
#include "itfPrompter.h"
#include "modImages.h"
#include "modMainMenus.h"
#include "modTag.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

frmMain::frmMain(clsArchiveSession& session, clsSettings& settings, Hooks hooks)
    : m_session(session), m_settings(settings), m_hooks(std::move(hooks)) {
    setObjectName("frmMain");
    setWindowTitle("Tessarin");
    setWindowIcon(SectionImage("Archive"));

    tmFunc = new QTimer(this);
    tmFunc->setObjectName("tmFunc");
    tmFunc->setInterval(50);
    connect(tmFunc, &QTimer::timeout, this, &frmMain::tmFunc_Timer);
    MSComm = new clsBarcodeReader(this);
    MSComm->setObjectName("MSComm");
    connect(MSComm, &clsBarcodeReader::Received, this, &frmMain::MSComm_OnComm);
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
    BuildMainMenus(*this, *m_menus);
    BuildMainToolBar(*this, *m_menus);
    m_dates = std::make_unique<clsDateSelector>(*this, m_session, m_settings);
    m_panes = std::make_unique<clsMainLayout>(*this);
    m_panes->Build();
    m_rows = std::make_unique<clsGridRows>(*this, dgView, dgReportView);

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
        if (clsOSTNA::IsDoubleClick(message)) mnuActivate_Click();
    });
    m_TNA->IconStart(txtTNAInterface, windowIcon(), windowTitle());
    m_session.SetSelectedDate(DbmsClock::Today());
    RefreshDateSelCaption();
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

void frmMain::ReleaseDatabase() {
    DropView();
    m_selections.Clear();
    m_layout.reset();
    m_session.Release();
}

bool frmMain::event(QEvent* event) {
    // Showing the window counts as its first activation: without a window manager (a bare X
    // server, a kiosk session) no activation would ever come.
    const bool firstShow = event->type() == QEvent::Show && !m_blnActivated;
    if ((event->type() == QEvent::WindowActivate || firstShow) && !m_blnOptionFormVisible) {
        // Activation runs after the window is painted, so the user sees it before the archive
        // work starts.
        QTimer::singleShot(0, this, &frmMain::Activate);
    }
    return QMainWindow::event(event);
}

void frmMain::Activate() {
    // Opening the archive lets events run; an activation arriving meanwhile waits for no one.
    if (m_blnActivating || m_blnOptionFormVisible) return;
    m_blnActivating = true;
    try {
        if (m_session.IsReleased()) {
            QApplication::processEvents();
            if (m_hooks.InitDatabase) m_hooks.InitDatabase(m_blnActivated);
            ShowCurrencyMenu(*m_menus, m_session.Database().get(), m_settings.CurrencyConversion);
            SetTreeViewNodes();
            RefreshDetailView();
            // The sections are where a clerk without a mouse starts; the message shown while
            // the archive opened has taken the keyboard from them.
            if (!focusWidget() || focusWidget() == this) tvTreeView->setFocus();
        }
        m_blnActivated = true;
        SetBarcodeReader(m_settings.BarcodeReaderEnabled);
        const bool backupDir = !m_settings.BackupDir.trimmed().isEmpty();
        Menu("mnuBackup")->setEnabled(m_settings.BackupFuncSaveEnabled && backupDir);
        Menu("mnuRestore")->setEnabled(m_settings.BackupFuncRestoreEnabled && backupDir);
        if (CurrentGrid()) CurrentGrid()->viewport()->update();
    } catch (...) {
        // Activation never bothers the user: every step reports its own failures.
    }
    m_blnActivating = false;
}

void frmMain::OnEvent(int p_lngEventCode, const QString&, const QString& p_strDetail) {
    const QString text = DbmsEngine::EventText(p_lngEventCode);
    SetStatusMsg(p_strDetail.isEmpty() ? text : text + " <" + p_strDetail + ">...");
}

void frmMain::OnInternalMessage(const QString&, const QString& p_strMessage) {
    ShowMessage(this, p_strMessage, PromptIcon::Information);
}

void frmMain::OnReportRequest(std::shared_ptr<DbmsDataSource>, int, const QString&) {
    // The engine asks for reports only from the report commands, which come with printing.
}

void frmMain::OnQueryMessage(const QString&, int p_intKind, const QString& p_strMessage,
                             bool& p_blnCancel) {
    const PromptAnswer answer = ShowMessage(
        this, p_strMessage, p_intKind == 3 ? PromptIcon::Exclamation : PromptIcon::Question,
        PromptButtons::OkCancel, p_blnCancel ? PromptAnswer::Cancel : PromptAnswer::Ok);
    p_blnCancel = answer != PromptAnswer::Ok;
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
