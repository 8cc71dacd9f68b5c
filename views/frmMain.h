#pragma once
// The program's main window: the section tree on the left, the grid of the selected section on
// the right, menus, toolbar and status bar, its placement kept in the settings store. It is
// the frame its plain classes work in: the view in clsMainView, the commands on its rows in
// clsViewCommands, search and filters in clsFilterCommands, order and grid settings in
// clsGridCommands, the archive and the engine's notifications in clsMainArchive, the menus in
// the tables of modMainMenus, the panes in clsMainLayout.

#include "DbmsInterfaces.h"
#include "clsDateSelector.h"
#include "clsFilterCommands.h"
#include "clsGridCommands.h"
#include "clsMainArchive.h"
#include "clsMainBarcode.h"
#include "clsMainLayout.h"
#include "clsMainView.h"
#include "clsMaintenanceCommands.h"
#include "clsMenuSet.h"
#include "clsReportCommands.h"
#include "clsReportRunner.h"
#include "clsViewCommands.h"
#include "itfOptionsHost.h"
#include "modSectionTreeView.h"

#include <QMainWindow>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAbstractItemView;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class clsArchiveSession;
class clsBarcodeReader;
class clsOSTNA;
class clsSettings;

class frmMain : public QMainWindow, public itfNotifyEvent, public itfOptionsHost {
    Q_OBJECT
public:
    // What the window asks of the layers above it (the start-up module and the sale windows).
    struct Hooks {
        // Opens or creates the archive; the flag tells whether the window was activated before.
        std::function<void(bool wasActivated)> InitDatabase;
        std::function<void(QWidget* owner)> NewVendita;
        std::function<void(QWidget* owner)> NewCliente;
        std::function<void(QWidget* owner)> ChangePassword;
    };

    // Twips per pixel: the stored placement is kept in twips.
    static constexpr int TwipsPerPixel = 15;

    // The window works on `session` and keeps its placement and switches in `settings`; both
    // outlive it.
    frmMain(clsArchiveSession& session, clsSettings& settings, Hooks hooks = {});
    ~frmMain() override;

    // --- operations used by other windows ---
    void SetStatusMsg(const QString& text);
    QString StatusMsg() const;
    // The barcode reader (see clsMainBarcode); the toolbar button and the menu follow it.
    void SetBarcodeReader(bool enable) { m_barcode->SetEnabled(enable); }
    void SetBarcodeControl(QLineEdit* target) { m_barcode->Target = target; }
    QLineEdit* BarcodeControl() const { return m_barcode->Target; }
    // Rebuilds the view of the selected node; `order`, when not empty, orders the same table
    // shown again.
    void RefreshDetailView(QString& order) { m_view->Refresh(order); }
    void RefreshDetailView() { m_view->Refresh(); }
    void SetTreeViewNodes();
    void ReleaseDatabase() override { m_archive->Release(); }
    void SetOptionFormVisible(bool visible) override { m_archive->SetOptionFormVisible(visible); }
    void RepairDatabase(QWidget* options, const QString& workDir,
                        const QString& backupDir) override {
        m_maintenance->Repair(options, workDir, backupDir);
    }
    // The activation pass (see clsMainArchive); runs on every activation of the window.
    void Activate() { m_archive->Activate(); }

    // --- engine notifications ---
    void OnEvent(int p_lngEventCode, const QString&, const QString& p_strDetail) override {
        m_archive->ShowEvent(p_lngEventCode, p_strDetail);
    }
    void OnInternalMessage(const QString&, const QString& p_strMessage) override {
        m_archive->Inform(p_strMessage);
    }
    void OnReportRequest(std::shared_ptr<DbmsDataSource> p_objDataSource, int p_intAction,
                         const QString& p_strTitle) override {
        m_reports->Request(std::move(p_objDataSource), p_intAction, p_strTitle);
    }
    void OnQueryMessage(const QString&, int p_intKind, const QString& p_strMessage,
                        bool& p_blnCancel) override {
        m_archive->Query(p_intKind, p_strMessage, p_blnCancel);
    }

    // --- the view's state, for the commands and the tests ---
    const std::shared_ptr<DbmsDataSource>& CurrentDataSource() const {
        return m_view->DataSource();
    }
    const std::shared_ptr<DbmsGridLayout>& CurrentLayout() const { return m_view->Layout(); }
    const std::shared_ptr<DbmsSelectionSet>& CurrentSelectionSet() const {
        return m_view->Selections().Set();
    }
    // The grid that shows the current view (the hierarchical one for summaries), or nullptr.
    QAbstractItemView* CurrentGrid() const { return m_view->Rows().Current(); }
    // The OID of the grid's current row (a detail row stands for its operation), 0 for none.
    OID CurrentGridOID() const { return m_view->Rows().CurrentOID(); }
    bool SelectNode(int index); // 1-based; false when there is no such node
    bool SelectNode(const QString& key);
    int SelectedNodeIndex() const { return NodeIndex(tvTreeView->currentItem()); }
    QTreeWidgetItem* NodeAt(int index) const { return FindNode(tvTreeView, index); }
    int SplitterPosition() const { return m_panes->Split(); }

    // Menus and toolbar buttons by name, for the commands and the tests.
    QAction* Menu(const QString& name) const { return m_menus->Action(name); }
    QToolButton* ToolButton(const QString& key) const { return m_menus->Button(key); }
    QMenu* PopupMenu(const QString& name) const { return m_menus->Menu(name); }
    // The elements of a menu array (element 0 is the design-time one).
    const std::vector<QAction*>& MenuArray(const QString& name) const {
        return m_menus->Array(name);
    }

    // --- commands (the menu table in modMainMenus runs these and its own) ---
    void mnuFileNew_Click() { m_commands->NewRow(); }
    void mnuFileProperties_Click() { m_commands->EditRow(); }
    void mnuFileDelete_Click() { m_commands->DeleteRows(); }
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuHideSection_Click();
    // The click has turned the check mark already: the caption puts it where it belongs.
    void mnuSelAll_Click() { m_view->DatesChosen(m_dates->SelectAll()); }
    void mnuSelDate_Click() { m_view->DatesChosen(m_dates->Choose(false)); }
    void mnuSelMonth_Click() { m_view->DatesChosen(m_dates->Choose(true)); }
    void mnuDataSelBeforeQuery_Click() { m_commands->StoreSelections(); }
    void mnuDataSelCancel_Click() { m_commands->RemoveSelections(); }
    void mnuToolsOptions_Click();
    void mnuAssociation_Click(const QString& menu, int element) {
        m_commands->Association(menu, element);
    }
    // Search, filters, order and grid settings on the view shown.
    clsFilterCommands& Filters() { return *m_filters; }
    clsGridCommands& Grid() { return *m_grid; }
    // Save, restore, import, conversion and the reminder to save.
    clsMaintenanceCommands& Maintenance() { return *m_maintenance; }
    // Print, preview, the web browser and the data export.
    clsReportCommands& Reports() { return *m_reports; }
    void ExecuteSearch(int index) { m_filters->ExecuteSearch(index); }
    // Runs the command waiting in the tag of tmFunc, as the timer's tick does.
    void tmFunc_Timer() { m_commands->RunDeferred(); }

    // --- controls (also reachable by objectName) ---
    QToolBar* tbToolBar;
    QStatusBar* sbStatusBar;
    QTreeWidget* tvTreeView;
    QTableView* dgView;
    QTreeView* dgReportView;
    std::array<QLabel*, 2> lblTitle;
    QPushButton* cmdHideTree;
    QPushButton* cmdDateSel;
    QToolButton* cmdGridSetting;
    QFrame* imgSplitter;
    QFrame* picSplitter;
    std::vector<QPushButton*> acmdSectionItem; // element 0: the header
    QTimer* tmFunc;
    QTimer* tmClock;
    clsBarcodeReader* MSComm;
    QLineEdit* txtTNAInterface; // stands for the window that receives the tray's clicks
    clsOSTNA* m_TNA;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class clsMainLayout; // builds the controls

    void UnloadOtherWindows();

    clsArchiveSession& m_session;
    clsSettings& m_settings;
    std::unique_ptr<clsMenuSet> m_menus;
    std::unique_ptr<clsMainLayout> m_panes;
    std::unique_ptr<clsMainBarcode> m_barcode;
    std::unique_ptr<clsDateSelector> m_dates;
    std::unique_ptr<clsMainView> m_view;
    std::unique_ptr<clsViewCommands> m_commands;
    std::unique_ptr<clsFilterCommands> m_filters;
    std::unique_ptr<clsGridCommands> m_grid;
    std::unique_ptr<clsMaintenanceCommands> m_maintenance;
    clsReportRunner m_reportRunner{m_settings};
    std::unique_ptr<clsReportCommands> m_reports;
    std::unique_ptr<clsMainArchive> m_archive;
    QLabel* m_statusPanel = nullptr;
};
