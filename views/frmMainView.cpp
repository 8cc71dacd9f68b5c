// The section tree and the view of the selected section.
#include "frmMain.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsGridRows.h"
#include "clsSectionView.h"
#include "clsSettings.h"
#include "frmMessage.h"
#include "itfPrompter.h"
#include "modMainMenus.h"
#include "modPaths.h"
#include "modSectionTreeView.h"
#include "modTag.h"
#include "modWaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

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

void frmMain::tvTreeView_NodeChanged() {
    // Arrow keys move through the sections as clicks do; a change arriving while a view is
    // being built is shown when that one is done.
    ++m_intNodeChanges;
    if (m_blnBusy) {
        m_blnNodePending = true;
        return;
    }
    RefreshDetailView();
}

void frmMain::tvTreeView_Click() {
    // A click that moved to another node has shown it already; a click on the node already
    // shown shows it again.
    if (m_intNodeChanges == m_intNodeChangesAtPress) RefreshDetailView();
}

void frmMain::acmdSectionItem_Click(int index) {
    if (index <= 0 || index >= int(acmdSectionItem.size())) return;
    SetCurrentNode(tvTreeView, NodeOfTag(tvTreeView, Tag(acmdSectionItem[index]).toString()));
    RefreshDetailView();
}

void frmMain::SetSectionItems() {
    for (QPushButton* button : acmdSectionItem) {
        // Deleted only when the event loop comes back: gone from sight now.
        button->hide();
        button->deleteLater();
    }
    acmdSectionItem = MakeSectionItems(centralWidget(), tvTreeView->currentItem(),
                                       [this](int index) { acmdSectionItem_Click(index); });
    m_panes->Relayout();
}

// --- the view ---

QAbstractItemView* frmMain::CurrentGrid() const {
    return m_rows->Current();
}

OID frmMain::CurrentGridOID() const {
    return m_rows->CurrentOID();
}

void frmMain::RefreshDetailView() {
    QString order;
    RefreshDetailView(order);
}

void frmMain::RefreshDetailView(QString& order) {
    if (!m_session.IsOpen() || m_blnBusy) return;
    m_blnBusy = true;
    WaitCursor wait;
    // The message window takes the keyboard while the rows are read; it goes back where it was.
    const QPointer<QWidget> focused = focusWidget();
    const bool onGrid = focused == dgView || focused == dgReportView;
    try {
        ResetViewMenus(*m_menus);
        FillAssociationMenus(*this, *m_menus, nullptr);
        lblTitle[1]->setText(Tag(lblTitle[1]).toString());
        const QTreeWidgetItem* node = tvTreeView->currentItem();
        if (node) SetStatusMsg(lblTitle[0]->text() + " <" + node->text(0) + ">");
        if (!node || NodeKey(node).isEmpty()) {
            DropView();
            m_selections.Clear();
        } else {
            ShowSection(node, order);
        }
    } catch (const std::exception& e) {
        frmMessage::Unload();
        ReportError(m_settings, "Visualizzazione dati fallita: \r\r" + ErrorDescription(e), e,
                    this);
    }
    ApplyViewRules(*m_menus, CurrentGrid() != nullptr);
    Menu("mnuGridFldSequence")->setChecked(m_layout && m_layout->HasCustomSequence());
    SetSectionItems();
    ShowViewStatus();
    if (QWidget* back = onGrid ? CurrentGrid() : focused.data(); back && back->isVisibleTo(this))
        back->setFocus();
    m_blnBusy = false;
    if (m_blnNodePending) {
        m_blnNodePending = false;
        QTimer::singleShot(0, this, [this] { RefreshDetailView(); });
    }
}

void frmMain::ShowSection(const QTreeWidgetItem* node, const QString& order) {
    const QString nodeText = node->text(0);
    clsSectionView view(m_session, NodeKey(node));
    lblTitle[1]->setText(Tag(lblTitle[1]).toString() +
                         m_selections.Apply(
                             view, nodeText,
                             [this](DbmsSelectionSet& set) { return ChooseSelections(set); },
                             [this](const clsQuestion& q) { return Ask(q); }));
    Menu("mnuDataSelBeforeQuery")->setChecked(m_selections.AskFirst());
    // The same table again keeps the user's order and current row.
    const OID keptRow =
        view.KeepOrderOf(CurrentGrid() ? m_ds.get() : nullptr, order) ? CurrentGridOID() : 0;

    frmMessage::Instance().ShowMsg("Lettura " + nodeText + "...", this);
    QApplication::processEvents();
    auto ds = view.Open(m_settings.CurrencyConversion);
    DropView();
    m_ds = ds;
    if (!m_layout || m_layout->TableName() != ds->Table()->Name()) {
        m_layout.reset();
        m_layout = DbmsGridLayout::Load(
            modPaths::MakeFilePath(modPaths::AppDir(), "Tessarin.INI", ""), ds->Table()->Name());
    }
    QAbstractItemView* grid = m_rows->Bind(m_ds, m_layout);
    if (keptRow != 0) {
        m_rows->Keep(keptRow);
        m_rows->Restore(grid);
    }
    const bool dated = !view.DateField().isEmpty();
    cmdDateSel->setVisible(dated);
    Menu("mnuSelection")->setVisible(dated);
    SetTag(cmdDateSel, view.DateField());
    RefreshDateSelCaption();
    grid->show();
    cmdGridSetting->show();
    frmMessage::Unload();
    FillFieldMenus(*m_menus, *m_ds);
    FillAssociationMenus(*this, *m_menus, m_ds.get());
}

void frmMain::ReloadView() {
    if (m_ds) m_rows->Reload(*m_ds);
}

void frmMain::DropView() {
    m_rows->Drop();
    cmdGridSetting->hide();
    m_ds.reset();
}

void frmMain::ShowViewStatus() {
    // The engine's last progress text ("Lettura dati <...>...") is over once the rows are shown.
    const QTreeWidgetItem* node = tvTreeView->currentItem();
    SetStatusMsg(node ? lblTitle[0]->text() + " <" + node->text(0) + ">" : QString());
}
