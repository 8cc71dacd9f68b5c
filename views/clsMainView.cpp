#include "clsMainView.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsDateSelector.h"
#include "clsMainLayout.h"
#include "clsSectionView.h"
#include "clsSettings.h"
#include "frmMain.h"
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

clsMainView::clsMainView(frmMain& window, clsArchiveSession& session, clsSettings& settings,
                         clsMenuSet& menus, clsMainLayout& panes, clsDateSelector& dates)
    : w(window), m_session(session), m_settings(settings), m_menus(menus), m_panes(panes),
      m_dates(dates), m_rows(window, window.dgView, window.dgReportView) {
    QObject::connect(w.tvTreeView, &QTreeWidget::currentItemChanged, &w, [this] { NodeChanged(); });
    QObject::connect(w.tvTreeView, &QTreeWidget::itemClicked, &w, [this] { TreeClicked(); });
}

clsMainView::~clsMainView() {
    QObject::disconnect(w.tvTreeView, nullptr, &w, nullptr);
}

// --- the tree ---

void clsMainView::NodeChanged() {
    // Arrow keys move through the sections as clicks do; a change arriving while a view is
    // being built is shown when that one is done.
    ++m_intNodeChanges;
    if (m_blnBusy) {
        m_blnNodePending = true;
        return;
    }
    Refresh();
}

void clsMainView::TreeClicked() {
    // A click that moved to another node has shown it already; a click on the node already
    // shown shows it again.
    if (m_intNodeChanges == m_intNodeChangesAtPress) Refresh();
}

void clsMainView::SectionItemClick(int index) {
    if (index <= 0 || index >= int(w.acmdSectionItem.size())) return;
    SetCurrentNode(w.tvTreeView, NodeOfTag(w.tvTreeView, Tag(w.acmdSectionItem[index]).toString()));
    Refresh();
}

void clsMainView::SetSectionItems() {
    for (QPushButton* button : w.acmdSectionItem) {
        // Deleted only when the event loop comes back: gone from sight now.
        button->hide();
        button->deleteLater();
    }
    w.acmdSectionItem = MakeSectionItems(w.centralWidget(), w.tvTreeView->currentItem(),
                                         [this](int index) { SectionItemClick(index); });
    m_panes.Relayout();
}

// --- the view ---

void clsMainView::Refresh(const QString& order) {
    if (!m_session.IsOpen() || m_blnBusy) return;
    m_blnBusy = true;
    WaitCursor wait;
    // The message window takes the keyboard while the rows are read; it goes back where it was.
    const QPointer<QWidget> focused = w.focusWidget();
    const bool onGrid = focused == w.dgView || focused == w.dgReportView;
    try {
        ResetViewMenus(m_menus);
        FillAssociationMenus(w, m_menus, nullptr);
        w.lblTitle[1]->setText(Tag(w.lblTitle[1]).toString());
        ShowStatus();
        const QTreeWidgetItem* node = w.tvTreeView->currentItem();
        if (!node || NodeKey(node).isEmpty()) {
            Drop();
            m_selections.Clear();
        } else {
            ShowSection(node, order);
        }
    } catch (const std::exception& e) {
        frmMessage::Unload();
        ReportError(m_settings, "Visualizzazione dati fallita: \r\r" + ErrorDescription(e), e, &w);
    }
    ApplyViewRules(m_menus, m_rows.Current() != nullptr);
    w.Menu("mnuGridFldSequence")->setChecked(m_layout && m_layout->HasCustomSequence());
    SetSectionItems();
    ShowStatus();
    if (QWidget* back = onGrid ? m_rows.Current() : focused.data(); back && back->isVisibleTo(&w))
        back->setFocus();
    m_blnBusy = false;
    if (OnRefreshed) OnRefreshed();
    if (m_blnNodePending) {
        m_blnNodePending = false;
        QTimer::singleShot(0, &w, [this] { Refresh(); });
    }
}

void clsMainView::ShowSection(const QTreeWidgetItem* node, const QString& order) {
    const QString nodeText = node->text(0);
    clsSectionView view(m_session, NodeKey(node));
    w.lblTitle[1]->setText(Tag(w.lblTitle[1]).toString() +
                           m_selections.Apply(
                               view, nodeText,
                               [this](DbmsSelectionSet& set) { return ChooseSelections(set); },
                               [this](const clsQuestion& q) { return Ask(q); }));
    w.Menu("mnuDataSelBeforeQuery")->setChecked(m_selections.AskFirst());
    // The same table again keeps the user's order and current row.
    const OID keptRow =
        view.KeepOrderOf(m_rows.Current() ? m_ds.get() : nullptr, order) ? m_rows.CurrentOID() : 0;

    frmMessage::Instance().ShowMsg("Lettura " + nodeText + "...", &w);
    QApplication::processEvents();
    auto ds = view.Open(m_settings.CurrencyConversion);
    Drop();
    m_ds = ds;
    if (!m_layout || m_layout->TableName() != ds->Table()->Name()) {
        m_layout.reset();
        m_layout = DbmsGridLayout::Load(
            modPaths::MakeFilePath(modPaths::AppDir(), "Tessarin.INI", ""), ds->Table()->Name());
    }
    QAbstractItemView* grid = m_rows.Bind(m_ds, m_layout);
    if (keptRow != 0) {
        m_rows.Keep(keptRow);
        m_rows.Restore(grid);
    }
    const bool dated = !view.DateField().isEmpty();
    w.cmdDateSel->setVisible(dated);
    w.Menu("mnuSelection")->setVisible(dated);
    SetTag(w.cmdDateSel, view.DateField());
    m_dates.Refresh(m_ds.get());
    grid->show();
    w.cmdGridSetting->show();
    frmMessage::Unload();
    FillFieldMenus(w, m_menus, *m_ds);
    FillAssociationMenus(w, m_menus, m_ds.get());
}

void clsMainView::Reload() {
    if (m_ds) m_rows.Reload(*m_ds);
}

void clsMainView::Rebind() {
    if (!m_ds || !m_rows.Current()) return;
    const OID kept = m_rows.CurrentOID();
    QAbstractItemView* grid = m_rows.Bind(m_ds, m_layout);
    if (kept == 0) return;
    m_rows.Keep(kept);
    m_rows.Restore(grid);
}

void clsMainView::Drop() {
    m_rows.Drop();
    w.cmdGridSetting->hide();
    m_ds.reset();
}

void clsMainView::Release() {
    Drop();
    m_selections.Clear();
    m_layout.reset();
}

void clsMainView::ShowStatus() {
    // The engine's last progress text ("Lettura dati <...>...") is over once the rows are shown.
    const QTreeWidgetItem* node = w.tvTreeView->currentItem();
    w.SetStatusMsg(node ? w.lblTitle[0]->text() + " <" + node->text(0) + ">" : QString());
}

void clsMainView::DatesChosen(bool changed) {
    m_dates.Refresh(m_ds.get());
    if (changed) Refresh();
}

bool clsMainView::ChooseSelections(DbmsSelectionSet& set) {
    return FormService().ShowPredefinedSelections(&w, set, "Selezioni predefinite");
}

bool clsMainView::Ask(const clsQuestion& q) {
    return ShowMessage(&w, q.Text, q.Warning ? PromptIcon::Exclamation : PromptIcon::Question,
                       PromptButtons::YesNo,
                       q.DefaultYes ? PromptAnswer::Yes : PromptAnswer::No) == PromptAnswer::Yes;
}
