#include "frmMain.h"

#include "DbmsClock.h"
#include "DbmsEngine.h"
#include "clsArchiveSession.h"
#include "clsBarcodeReader.h"
#include "clsOSTNA.h"
#include "clsSettings.h"
#include "itfPrompter.h"
#include "modImages.h"
#include "modTag.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace {

constexpr int Twips = frmMain::TwipsPerPixel;

struct ToolDef {
    const char* Caption;
    const char* Key;
    const char* ToolTip;
};

const ToolDef ToolDefs[] = {
    {"Lettore", "BarcodeReader", "Attiva / Disattiva lettore codici barre seriale"},
    {"Corr.", "Related", "Dati associati all'elemento selezionto"},
    {"Salva", "Save", "Salva / Esporta dati"},
    {"Nuovo", "New", "Nuovo"},
    {"Modifica", "Properties", "Modifica"},
    {"Elimina", "Delete", "Elimina"},
    {"Cerca", "Find", "Cerca"},
    {"Filtra", "Filter", "Filtra"},
    {"Stampa", "Print", "Stampa"},
    {"Vendita", "Sale", "Vendita Viaggi / Premiazioni"},
};

double ReadTwips(const clsSettings& settings, const QString& key, double fallback) {
    bool ok = false;
    const double value = settings.ReadSetting("Settings", key).toDouble(&ok);
    return ok ? value : fallback;
}

void WriteTwips(clsSettings& settings, const QString& key, double value) {
    settings.WriteSetting("Settings", key, QString::number(value));
}

} // namespace

frmMain::frmMain(clsArchiveSession& session, clsSettings& settings, Hooks hooks)
    : m_session(session), m_settings(settings), m_hooks(std::move(hooks)) {
    setObjectName("frmMain");
    setWindowTitle("Tessarin");
    setWindowIcon(SectionImage("Archive"));

    tmFunc = new QTimer(this);
    tmFunc->setObjectName("tmFunc");
    tmFunc->setInterval(50);
    connect(tmFunc, &QTimer::timeout, this, &frmMain::tmFunc_Timer);
    tmClock = new QTimer(this);
    tmClock->setInterval(1000);
    connect(tmClock, &QTimer::timeout, this, &frmMain::UpdateClock);
    tmClock->start();
    MSComm = new clsBarcodeReader(this);
    MSComm->setObjectName("MSComm");
    connect(MSComm, &clsBarcodeReader::Received, this, &frmMain::MSComm_OnComm);

    BuildMenus();
    BuildToolBar();
    BuildClientArea();
    // The reader's button and menu follow the stored switch, whoever saved it.
    connect(&m_settings, &clsSettings::Changed, this, [this] {
        ToolButton("BarcodeReader")->setChecked(m_settings.BarcodeReaderEnabled);
        Menu("mnuBarcodeReader")->setChecked(m_settings.BarcodeReaderEnabled);
    });

    sbStatusBar = statusBar();
    sbStatusBar->setObjectName("sbStatusBar");
    m_statusPanel = new QLabel(sbStatusBar);
    m_datePanel = new QLabel(sbStatusBar);
    m_timePanel = new QLabel(sbStatusBar);
    sbStatusBar->addWidget(m_statusPanel, 1);
    sbStatusBar->addPermanentWidget(m_datePanel);
    sbStatusBar->addPermanentWidget(m_timePanel);
    UpdateClock();

    // The grids see their keys after the window (Insert, Delete, Enter, search letters).
    qApp->installEventFilter(this);

    LoadPlacement();
    // The icon in the notification area brings the window back after its close box.
    txtTNAInterface = new QLineEdit(this);
    txtTNAInterface->setObjectName("txtTNAInterface");
    m_TNA = new clsOSTNA(this);
    m_TNA->SetMenu(PopupMenu("mnuPopUp"));
    connect(m_TNA, &clsOSTNA::MouseMessage, this, &frmMain::TrayMessage);
    m_TNA->IconStart(txtTNAInterface, windowIcon(), windowTitle());
    m_session.SetSelectedDate(DbmsClock::Today());
    RefreshDateSelCaption();
    SetTag(lblTitle[1], lblTitle[1]->text());
    ApplyEnableRules();
}

frmMain::~frmMain() {
    qApp->removeEventFilter(this);
}

QAction* frmMain::AddAction(QMenu* menu, const QString& name, const QString& caption,
                            const QKeySequence& key) {
    auto* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!key.isEmpty()) action->setShortcut(key);
    m_actions[name] = action;
    return action;
}

QMenu* frmMain::AddMenu(QMenu* parent, const QString& name, const QString& caption) {
    QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name);
    m_menus[name] = menu;
    m_actions[name] = menu->menuAction();
    return menu;
}

QAction* frmMain::Menu(const QString& name) const {
    const auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

QMenu* frmMain::PopupMenu(const QString& name) const {
    const auto it = m_menus.find(name);
    return it == m_menus.end() ? nullptr : it->second;
}

QToolButton* frmMain::ToolButton(const QString& key) const {
    const auto it = m_buttons.find(key);
    return it == m_buttons.end() ? nullptr : it->second;
}

void frmMain::BuildMenus() {
    auto on = [this](QAction* action, void (frmMain::*slot)()) {
        connect(action, &QAction::triggered, this, slot);
    };
    // A menu array: element 0 is the design-time element, kept hidden (the association
    // menus show it as their header when they have entries).
    auto array = [this](QMenu* menu, const QString& name, const QString& caption) {
        QAction* first = AddAction(menu, name, caption);
        first->setVisible(false);
        first->setEnabled(false);
        m_arrays[name] = {first};
    };

    QMenu* file = AddMenu(nullptr, "mnuFile", "&Dati");
    QMenu* search = AddMenu(file, "mnuSearch", "&Cerca");
    AddAction(search, "mnuSearchNext", "Cerca &successivo", Qt::Key_F3);
    array(search, "mnuSearchItems", "Cerca in...");
    QMenu* filter = AddMenu(file, "mnuFilter", "&Filtra");
    AddAction(filter, "mnuFilterComplex", "Imposta &filtro complesso...", Qt::CTRL | Qt::Key_F3)
        ->setCheckable(true);
    AddAction(filter, "mnuFilterCancel", "&Annulla filtro");
    array(AddMenu(filter, "mnuFilterShort", "Filtra colonna"), "mnuFilterItems", "Filtra per...");
    array(filter, "mnuFilterComplexItems", "Filtra con...");
    QMenu* order = AddMenu(file, "mnuOrder", "&Ordina");
    AddAction(order, "mnuOrderComplex", "&Ordinamento combinato...");
    AddAction(order, "mnuOrderCancel", "&Annulla ordinamento");
    array(AddMenu(order, "mnuOrderSingle", "Ordina colonna"), "mnuOrderItems", "Ordina per...");
    QMenu* fieldFuncs =
        AddMenu(file, "mnuFieldFuncs", "Funzioni su campo corrente   (Click destro)");
    AddAction(fieldFuncs, "mnuFieldFilter", "&Filtra colonna con stesso valore...");
    AddAction(fieldFuncs, "mnuFieldSearchNext", "&Cerca valore successivo");
    AddAction(fieldFuncs, "mnuFieldFilterCancel", "&Annulla filtro colonna");
    AddAction(fieldFuncs, "mnuFieldFilterCancelAll", "Annulla &tutti i filtri");
    file->addSeparator();
    QMenu* dataSel = AddMenu(file, "mnuDataSelection", "Selezioni predefinite");
    on(AddAction(dataSel, "mnuDataSelBeforeQuery",
                 "Richiedi selezioni prima di visualizzare i dati..."),
       &frmMain::mnuDataSelBeforeQuery_Click);
    Menu("mnuDataSelBeforeQuery")->setCheckable(true);
    on(AddAction(dataSel, "mnuDataSelCancel", "Elimina selezioni"),
       &frmMain::mnuDataSelCancel_Click);
    QMenu* selection = AddMenu(file, "mnuSelection", "Selezioni in data");
    on(AddAction(selection, "mnuSelAll", "&Tutti"), &frmMain::mnuSelAll_Click);
    on(AddAction(selection, "mnuSelDate", "&Imposta data..."), &frmMain::mnuSelDate_Click);
    on(AddAction(selection, "mnuSelMonth", "Imposta &Mese..."), &frmMain::mnuSelMonth_Click);
    AddAction(selection, "mnuSelPeriod", "Imposta &Periodo...")->setEnabled(false);
    for (const char* name : {"mnuSelAll", "mnuSelDate", "mnuSelMonth"})
        Menu(name)->setCheckable(true);
    QMenu* association = AddMenu(file, "mnuAssociation", "Dati &associati");
    // The three lists with their fixed headers; elements come from the current data source.
    for (const auto& [name, header] :
         {std::pair{"mnuRefItem", "< Riferimenti >"}, std::pair{"mnuContItem", "< Contenitori >"},
          std::pair{"mnuReferencedItem", "< Associati >"}})
        array(association, name, header);
    file->addSeparator();
    QMenu* backup = AddMenu(file, "mnuBackupRestore", "&Salva / Ripristina");
    AddAction(backup, "mnuBackup", "Salva dati...");
    AddAction(backup, "mnuRestore", "Ripristina dati...");
    QMenu* print = AddMenu(file, "mnuPrintFunc", "&Stampa");
    AddAction(print, "mnuPrint", "Stampa &diretta", Qt::Key_F8);
    AddAction(print, "cmdPreview", "&Anteprima");
    AddAction(print, "mnuPrintExport", "&Esporta stampa");
    AddAction(file, "mnuSave", "&Esporta dati...");
    AddAction(file, "mnuImport", "Importa dati...");
    AddAction(file, "mnuViewWebBrowser", "&Web Browser...");
    file->addSeparator();
    on(AddAction(file, "mnuFileProperties", "&Modifica...", Qt::Key_F5),
       &frmMain::mnuFileProperties_Click);
    on(AddAction(file, "mnuFileNew", "&Nuovo...", Qt::SHIFT | Qt::Key_Insert),
       &frmMain::mnuFileNew_Click);
    on(AddAction(file, "mnuFileDelete", "&Elimina", Qt::SHIFT | Qt::Key_Delete),
       &frmMain::mnuFileDelete_Click);
    file->addSeparator();
    on(AddAction(file, "mnuFileClose", "Chiudi"), &frmMain::mnuFileClose_Click);

    QMenu* view = AddMenu(nullptr, "mnuView", "&Visualizza");
    for (const auto& [name, caption] : {std::pair{"mnuViewToolbar", "&Barra degli strumenti"},
                                        std::pair{"mnuViewStatusBar", "Barra di &Stato"},
                                        std::pair{"mnuHideSection", "&Sezione"}}) {
        AddAction(view, name, caption)->setCheckable(true);
        Menu(name)->setChecked(true);
    }
    on(Menu("mnuViewToolbar"), &frmMain::mnuViewToolbar_Click);
    on(Menu("mnuViewStatusBar"), &frmMain::mnuViewStatusBar_Click);
    on(Menu("mnuHideSection"), &frmMain::mnuHideSection_Click);
    connect(AddAction(view, "mnuViewRefresh", "&Aggiorna"), &QAction::triggered, this,
            [this] { RefreshDetailView(); });
    QMenu* grid = AddMenu(view, "mnuGridSetting", "&Griglia");
    AddAction(grid, "mnuGridFldAll", "Visualizza &tutti i campi", Qt::CTRL | Qt::Key_T);
    AddAction(grid, "mnuGridFldSequence", "Imposta &sequenza campi...", Qt::CTRL | Qt::Key_G)
        ->setCheckable(true);
    AddAction(grid, "mnuGridCancel", "Annulla sequenza campi e dimensioni");
    AddAction(view, "mnuViewCurrencyConversion", "Importi in Euro", Qt::CTRL | Qt::Key_I)
        ->setCheckable(true);
    view->addSeparator();
    on(AddAction(view, "mnuToolsOptions", "&Impostazioni..."), &frmMain::mnuToolsOptions_Click);

    QMenu* tools = AddMenu(nullptr, "mnuTools", "&Strumenti");
    connect(AddAction(tools, "mnuNewVendita", "Nuova &Vendita / Premiazione...", Qt::Key_F9),
            &QAction::triggered, this, [this] {
                if (m_hooks.NewVendita) m_hooks.NewVendita(this);
                RefreshDetailView();
            });
    array(AddMenu(tools, "mnuToolsTotal", "&Calcola Totale"), "mnuTotalItems", "Totalizza in...");
    connect(AddAction(tools, "mnuNewCliente", "Nuovo &Cliente...", Qt::Key_F4), &QAction::triggered,
            this, [this] {
                if (m_hooks.NewCliente) m_hooks.NewCliente(this);
                RefreshDetailView();
            });
    connect(AddAction(tools, "mnuChangePwd", "Cambio &Password..."), &QAction::triggered, this,
            [this] {
                if (m_hooks.ChangePassword) m_hooks.ChangePassword(this);
            });
    // Checkable: the click has already turned the check mark, to the state asked for.
    QAction* reader = AddAction(tools, "mnuBarcodeReader", "&Lettore codici a barre seriale");
    reader->setCheckable(true);
    connect(reader, &QAction::triggered, this, [this](bool on) { SetBarcodeReader(on); });

    QMenu* help = AddMenu(nullptr, "mnuHelp", "&Help");
    on(AddAction(help, "mnuHelpContents", "&Contents"), &frmMain::mnuHelpContents_Click);
    on(AddAction(help, "mnuHelpSearchForHelpOn", "&Search For Help On..."),
       &frmMain::mnuHelpContents_Click);
    on(AddAction(help, "mnuHelpAbout", "&About "), &frmMain::mnuHelpAbout_Click);

    // The tray icon's menu: not in the menu bar.
    auto* popup = new QMenu(this);
    popup->setObjectName("mnuPopUp");
    m_menus["mnuPopUp"] = popup;
    connect(AddAction(popup, "mnuActivate", "&Visualizza"), &QAction::triggered, this, [this] {
        if (isHidden()) show();
    });
    on(AddAction(popup, "mnuClose", "&Chiudi"), &frmMain::mnuFileClose_Click);
}

void frmMain::BuildToolBar() {
    tbToolBar = addToolBar("tbToolBar");
    tbToolBar->setObjectName("tbToolBar");
    tbToolBar->setMovable(false);
    tbToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const ToolDef& def : ToolDefs) {
        auto* button = new QToolButton(tbToolBar);
        button->setObjectName(def.Key);
        button->setText(def.Caption);
        button->setToolTip(def.ToolTip);
        button->setIcon(ToolbarImage(def.Key));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        tbToolBar->addWidget(button);
        m_buttons[def.Key] = button;
        const QString key = def.Key;
        connect(button, &QToolButton::clicked, this, [this, key] { ToolbarClick(key); });
    }
    ToolButton("BarcodeReader")->setCheckable(true);
    // The Find button's drop-down lists the search items of the view.
    m_findDropDown = new QMenu(this);
    m_findDropDown->setObjectName("FindDropDown");
    ToolButton("Find")->setMenu(m_findDropDown);
    ToolButton("Find")->setPopupMode(QToolButton::MenuButtonPopup);
}

void frmMain::BuildClientArea() {
    m_client = new QWidget(this);
    m_client->setObjectName("Client");
    setCentralWidget(m_client);

    lblTitle[0] = new QLabel("Sezioni", m_client);
    lblTitle[1] = new QLabel("Dati", m_client);
    for (int i = 0; i < 2; ++i) {
        lblTitle[i]->setObjectName(QString("lblTitle%1").arg(i));
        lblTitle[i]->setFrameShape(QFrame::Panel);
        lblTitle[i]->setFrameShadow(QFrame::Raised);
        lblTitle[i]->setIndent(4);
    }
    cmdHideTree = new QPushButton(m_client);
    cmdHideTree->setObjectName("cmdHideTree");
    cmdHideTree->setFlat(true);
    connect(cmdHideTree, &QPushButton::clicked, this, &frmMain::mnuHideSection_Click);

    tvTreeView = new QTreeWidget(m_client);
    tvTreeView->setObjectName("tvTreeView");
    tvTreeView->setHeaderHidden(true);
    tvTreeView->setColumnCount(1);
    connect(tvTreeView, &QTreeWidget::currentItemChanged, this, &frmMain::tvTreeView_NodeChanged);
    connect(tvTreeView, &QTreeWidget::itemClicked, this, &frmMain::tvTreeView_Click);

    cmdDateSel = new QPushButton(m_client);
    cmdDateSel->setObjectName("cmdDateSel");
    cmdDateSel->setToolTip("Imposta il periodo di selezione dei dati");
    cmdDateSel->hide(); // shown by the views of dated sections
    connect(cmdDateSel, &QPushButton::clicked, this, &frmMain::cmdDateSel_Click);
    cmdGridSetting = new QToolButton(m_client);
    cmdGridSetting->setObjectName("cmdGridSetting");
    cmdGridSetting->setText("...");
    cmdGridSetting->setPopupMode(QToolButton::InstantPopup);
    cmdGridSetting->setMenu(PopupMenu("mnuGridSetting"));
    cmdGridSetting->hide();

    dgView = new QTableView(m_client);
    dgView->setObjectName("dgView");
    dgView->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgView->verticalHeader()->setDefaultSectionSize(dgView->fontMetrics().height() + 6);
    dgView->hide();
    connect(dgView, &QTableView::doubleClicked, this, &frmMain::OpenCurrentRow);
    dgReportView = new QTreeView(m_client);
    dgReportView->setObjectName("dgReportView");
    dgReportView->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgReportView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgReportView->setUniformRowHeights(true);
    dgReportView->hide();
    connect(dgReportView, &QTreeView::doubleClicked, this, &frmMain::OpenCurrentRow);
    connect(dgReportView, &QTreeView::expanded, this, [this] {
        // Detail rows have columns of their own under the same sections: widen what they need.
        QHeaderView* header = dgReportView->header();
        for (int c = 0; c < header->count(); ++c) {
            if (header->isSectionHidden(c)) continue;
            const int before = header->sectionSize(c);
            dgReportView->resizeColumnToContents(c);
            if (header->sectionSize(c) < before) header->resizeSection(c, before);
        }
    });

    imgSplitter = new QFrame(m_client);
    imgSplitter->setObjectName("imgSplitter");
    imgSplitter->setCursor(Qt::SplitHCursor);
    imgSplitter->installEventFilter(this);
    picSplitter = new QFrame(m_client);
    picSplitter->setObjectName("picSplitter");
    picSplitter->setFrameShape(QFrame::Box);
    picSplitter->setStyleSheet("background: palette(mid);");
    picSplitter->hide();
}

void frmMain::LoadPlacement() {
    QRect rect(qRound(ReadTwips(m_settings, "MainLeft", 1000) / Twips),
               qRound(ReadTwips(m_settings, "MainTop", 1000) / Twips),
               qRound(ReadTwips(m_settings, "MainWidth", 6500) / Twips),
               qRound(ReadTwips(m_settings, "MainHeight", 6500) / Twips));
    const QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    if (display && m_settings.ReadSetting("Settings", "MainWidth").isEmpty()) {
        // Nothing stored yet: most of the screen, so the tree and a grid both show.
        const QRect available = display->availableGeometry();
        rect.setSize(available.size() * 4 / 5);
        rect.moveCenter(available.center());
    }
    setGeometry(rect);
    const int state = m_settings.ReadSetting("Settings", "MainState", "0").toInt();
    if (state == 2)
        setWindowState(Qt::WindowMaximized);
    else if (state == 1)
        setWindowState(Qt::WindowMinimized);
    m_intSplit = m_intDefaultSplit = qRound(ReadTwips(m_settings, "MainSplit", 3500));
    ResizeMainLayout(m_intSplit);
}

void frmMain::SavePlacement() {
    const Qt::WindowStates state = windowState();
    const int stored = state & Qt::WindowMinimized ? 1 : state & Qt::WindowMaximized ? 2 : 0;
    WriteTwips(m_settings, "MainState", stored);
    // The normal rectangle, not the maximised one, is what the next start restores.
    const QRect rect = stored == 0 ? geometry() : normalGeometry();
    if (rect.isValid()) {
        WriteTwips(m_settings, "MainLeft", rect.left() * Twips);
        WriteTwips(m_settings, "MainTop", rect.top() * Twips);
        WriteTwips(m_settings, "MainWidth", rect.width() * Twips);
        WriteTwips(m_settings, "MainHeight", rect.height() * Twips);
    }
    if (m_intSplit > 0) WriteTwips(m_settings, "MainSplit", m_intSplit);
}

void frmMain::UpdateClock() {
    const QDateTime now = DbmsClock::Now();
    m_datePanel->setText(now.date().toString("dd/MM/yyyy"));
    m_timePanel->setText(now.time().toString("HH:mm"));
}

void frmMain::SetStatusMsg(const QString& text) {
    m_statusPanel->setText(text);
}

QString frmMain::StatusMsg() const {
    return m_statusPanel->text();
}

void frmMain::SetOptionFormVisible(bool visible) {
    m_blnOptionFormVisible = visible;
}

void frmMain::ReleaseDatabase() {
    DropView();
    m_selection.reset();
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
            InitCurrencyState();
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

void frmMain::InitCurrencyState() {
    QAction* menu = Menu("mnuViewCurrencyConversion");
    const auto conversion =
        m_session.Database() ? m_session.Database()->ConversionCurrency() : nullptr;
    menu->setVisible(conversion != nullptr);
    if (!conversion) return;
    menu->setText("&Importi In " + conversion->Name());
    menu->setChecked(m_settings.CurrencyConversion);
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
    SavePlacement();
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

void frmMain::TrayMessage(int message) {
    // The right button's menu (mnuPopUp) is shown by the desktop itself.
    if (clsOSTNA::IsDoubleClick(message) && isHidden()) show();
}

void frmMain::mnuFileClose_Click() {
    close();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ResizeMainLayout(m_blnTreeVisible ? m_intSplit : 0);
}
