#pragma once
// The program's main window: the section tree on the left, the grid of the selected section on
// the right, menus, toolbar and status bar. It opens the archive on its first activation,
// receives the engine's notifications, and keeps its placement in the settings store. Its
// rules live in plain classes (clsSectionView, clsRowCommands), its menus in the tables of
// modMainMenus, its panes in clsMainLayout, its grids in clsGridRows.

#include "DbmsDataSource.h"
#include "DbmsGridLayout.h"
#include "DbmsInterfaces.h"
#include "DbmsSelectionSet.h"
#include "clsDateSelector.h"
#include "clsMainBarcode.h"
#include "clsMainLayout.h"
#include "clsMenuSet.h"
#include "clsPredefinedSelections.h"
#include "itfOptionsHost.h"
#include "modSectionTreeView.h"

#include <QMainWindow>
#include <QPointer>
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
class clsGridRows;
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
    void MSComm_OnComm() { m_barcode->OnComm(); }
    void SetBarcodeControl(QLineEdit* target) { m_barcode->Target = target; }
    QLineEdit* BarcodeControl() const { return m_barcode->Target; }
    void RefreshDetailView(QString& order);
    void RefreshDetailView();
    void SetTreeViewNodes();
    void ReleaseDatabase() override;
    void SetOptionFormVisible(bool visible) override { m_blnOptionFormVisible = visible; }
    // The activation pass: opens the archive when needed, then the barcode reader and the
    // backup menus. Runs on every activation of the window.
    void Activate();

    // --- engine notifications ---
    void OnEvent(int p_lngEventCode, const QString& p_strSource,
                 const QString& p_strDetail) override;
    void OnInternalMessage(const QString& p_strSource, const QString& p_strMessage) override;
    void OnReportRequest(std::shared_ptr<DbmsDataSource> p_objDS, int p_intAction,
                         const QString& p_strTitle) override;
    void OnQueryMessage(const QString& p_strSource, int p_intKind, const QString& p_strMessage,
                        bool& p_blnCancel) override;

    // --- the view's state, for the commands and the tests ---
    const std::shared_ptr<DbmsDataSource>& CurrentDataSource() const { return m_ds; }
    const std::shared_ptr<DbmsSelectionSet>& CurrentSelectionSet() const {
        return m_selections.Set();
    }
    const std::shared_ptr<DbmsGridLayout>& CurrentGridLayout() const { return m_layout; }
    // The grid that shows the current view (the hierarchical one for summaries), or nullptr.
    QAbstractItemView* CurrentGrid() const;
    // The OID of the grid's current row (a detail row stands for its operation), 0 for none.
    OID CurrentGridOID() const;
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

    // --- commands (the handlers of the menu table) ---
    void mnuFileNew_Click();
    void mnuFileProperties_Click();
    void mnuFileDelete_Click();
    void mnuFileClose_Click() { close(); }
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuViewRefresh_Click() { RefreshDetailView(); }
    void mnuHideSection_Click();
    // The click has turned the check mark already: the caption puts it where it belongs.
    void mnuSelAll_Click() { ReadDateSelection(m_dates->SelectAll()); }
    void mnuSelDate_Click() { ReadDateSelection(m_dates->Choose(false)); }
    void mnuSelMonth_Click() { ReadDateSelection(m_dates->Choose(true)); }
    void mnuDataSelBeforeQuery_Click();
    void mnuDataSelCancel_Click();
    void mnuToolsOptions_Click();
    void mnuNewVendita_Click();
    void mnuNewCliente_Click();
    void mnuChangePwd_Click();
    void mnuBarcodeReader_Click();
    void mnuHelpAbout_Click();
    void mnuHelpContents_Click();
    void mnuActivate_Click();
    void mnuAssociation_Click(const QString& menu, int element);
    void acmdSectionItem_Click(int index);
    void cmdDateSel_Click() { m_dates->Popup(); }
    void tvTreeView_NodeChanged();
    void tvTreeView_Click();
    // Runs the command waiting in the tag of tmFunc, as the timer's tick does.
    void tmFunc_Timer();
    // Caption and tooltip of cmdDateSel and the check marks of the selection menu.
    void RefreshDateSelCaption() { m_dates->Refresh(m_ds.get()); }

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
    void SetSectionItems();
    // A Yes/No question of the rules, put to the user.
    bool Ask(const clsQuestion& q);
    // The predefined selections dialog on `set`; false when cancelled.
    bool ChooseSelections(DbmsSelectionSet& set);
    // Reads and shows the view of a section node, after its predefined selections.
    void ShowSection(const QTreeWidgetItem* node, const QString& order);
    // Reads the rows again after a change, the grid staying on its row.
    void ReloadView();
    void DropView();
    // The status line once the view is ready.
    void ShowViewStatus();
    void OpenRelated(const QString& menu, int number);
    // The date selection's caption, and the rows read again when it `changed`.
    void ReadDateSelection(bool changed);

    clsArchiveSession& m_session;
    clsSettings& m_settings;
    Hooks m_hooks;
    std::unique_ptr<clsMenuSet> m_menus;
    std::unique_ptr<clsMainLayout> m_panes;
    std::unique_ptr<clsGridRows> m_rows;
    std::unique_ptr<clsMainBarcode> m_barcode;
    std::unique_ptr<clsDateSelector> m_dates;
    std::shared_ptr<DbmsDataSource> m_ds;
    clsPredefinedSelections m_selections;
    std::shared_ptr<DbmsGridLayout> m_layout;
    // Tree changes: how many so far, how many at the last mouse press on the tree, and one
    // that came while a view was being built.
    int m_intNodeChanges = 0;
    int m_intNodeChangesAtPress = 0;
    bool m_blnNodePending = false;
    bool m_blnOptionFormVisible = false;
    bool m_blnActivated = false;
    bool m_blnActivating = false;
    bool m_blnBusy = false;     // RefreshDetailView
    bool m_blnFuncBusy = false; // tmFunc
    QLabel* m_statusPanel = nullptr;
};
