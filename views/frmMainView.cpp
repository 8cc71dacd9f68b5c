// The section tree and the view of the selected section.
#include "frmMain.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsSection.h"
#include "clsSettings.h"
#include "frmMessage.h"
#include "itfPrompter.h"
#include "modImages.h"
#include "modPaths.h"
#include "modSectionTree.h"
#include "modTag.h"
#include "modWaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

constexpr int NodeIndexRole = Qt::UserRole;
constexpr int NodeKeyRole = Qt::UserRole + 1;

QString NodeKey(const QTreeWidgetItem* item) {
    return item->data(0, NodeKeyRole).toString();
}

} // namespace

// --- the tree ---

void frmMain::SetTreeViewNodes() {
    const int selected = SelectedNodeIndex();
    const int remembered = selected > 0 ? selected : 1;
    const QSignalBlocker quiet(tvTreeView); // the caller shows the view
    tvTreeView->clear();
    std::vector<QTreeWidgetItem*> items;
    int index = 0;
    for (const SectionNode& node : SectionNodes()) {
        ++index;
        QString text = node.Text;
        if (text.isEmpty()) {
            // A table section is named by its table's caption, read from the open database.
            const auto table =
                m_session.Database() ? m_session.Database()->Find(node.Key) : nullptr;
            text = table ? table->Caption() : node.Key;
        }
        auto* item = node.Parent == 0 ? new QTreeWidgetItem(tvTreeView)
                                      : new QTreeWidgetItem(items[node.Parent - 1]);
        item->setText(0, text);
        item->setIcon(0, SectionImage(node.Image));
        item->setData(0, NodeIndexRole, index);
        item->setData(0, NodeKeyRole, node.Key);
        items.push_back(item);
    }
    items.front()->setExpanded(true);
    SelectNode(remembered);
}

QTreeWidgetItem* frmMain::NodeAt(int index) const {
    for (QTreeWidgetItemIterator it(tvTreeView); *it; ++it)
        if ((*it)->data(0, NodeIndexRole).toInt() == index) return *it;
    return nullptr;
}

bool frmMain::SelectNode(int index) {
    QTreeWidgetItem* item = NodeAt(index);
    if (!item) return false;
    // Selected by the program, which shows the view itself.
    const QSignalBlocker quiet(tvTreeView);
    tvTreeView->setCurrentItem(item);
    return true;
}

bool frmMain::SelectNode(const QString& key) {
    for (QTreeWidgetItemIterator it(tvTreeView); *it; ++it)
        if (NodeKey(*it) == key && !key.isEmpty()) {
            const QSignalBlocker quiet(tvTreeView);
            tvTreeView->setCurrentItem(*it);
            return true;
        }
    return false;
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

int frmMain::SelectedNodeIndex() const {
    const QTreeWidgetItem* item = tvTreeView->currentItem();
    return item ? item->data(0, NodeIndexRole).toInt() : 0;
}

void frmMain::acmdSectionItem_Click(int index) {
    if (index <= 0 || index >= int(acmdSectionItem.size())) return;
    const QString tag = Tag(acmdSectionItem[index]).toString();
    bool numeric = false;
    const int node = tag.toInt(&numeric);
    if (!(numeric ? SelectNode(node) : SelectNode(tag))) {
        const QSignalBlocker quiet(tvTreeView);
        tvTreeView->setCurrentItem(nullptr);
    }
    RefreshDetailView();
}

void frmMain::SetSectionItems() {
    for (QPushButton* button : acmdSectionItem) {
        // Deleted only when the event loop comes back: gone from sight now.
        button->hide();
        button->deleteLater();
    }
    acmdSectionItem.clear();
    const QTreeWidgetItem* node = tvTreeView->currentItem();
    if (node && node->childCount() > 0) {
        auto* header = new QPushButton(
            "VOCI PRINCIPALI PER LA SEZIONE " + node->text(0).toUpper() + " :", m_client);
        header->setObjectName("acmdSectionItem0");
        QFont bold = header->font();
        bold.setBold(true);
        header->setFont(bold);
        header->setEnabled(false);
        acmdSectionItem.push_back(header);
        for (int i = 0; i < node->childCount(); ++i) {
            const QTreeWidgetItem* child = node->child(i);
            auto* button = new QPushButton(child->icon(0), child->text(0), m_client);
            const int index = int(acmdSectionItem.size());
            button->setObjectName(QString("acmdSectionItem%1").arg(index));
            const QString key = NodeKey(child);
            SetTag(button, key.isEmpty() ? child->data(0, NodeIndexRole).toString() : key);
            button->setToolTip(
                "Apre la sezione <" + child->text(0) +
                "> per la Visualizzazione/Modifica dei dati oppure per la Stampa...");
            connect(button, &QPushButton::clicked, this,
                    [this, index] { acmdSectionItem_Click(index); });
            acmdSectionItem.push_back(button);
        }
    }
    for (QPushButton* button : acmdSectionItem)
        button->show();
    ResizeMainLayout(m_blnTreeVisible ? m_intSplit : 0);
}

// --- menu arrays ---

const std::vector<QAction*>& frmMain::MenuArray(const QString& name) const {
    return m_arrays.at(name);
}

void frmMain::ClearMenuArray(const QString& name) {
    auto& elements = m_arrays.at(name);
    while (elements.size() > 1) {
        delete elements.back();
        elements.pop_back();
    }
}

QAction* frmMain::AddMenuArrayElement(const QString& name, const QString& caption,
                                      const QVariant& tag) {
    auto& elements = m_arrays.at(name);
    QAction* first = elements.front();
    auto* menu = qobject_cast<QMenu*>(first->parent());
    auto* action = new QAction(caption, menu);
    action->setObjectName(QString("%1%2").arg(name).arg(elements.size()));
    SetTag(action, tag);
    // Elements follow each other in the menu, after the last one of their array.
    const QList<QAction*> actions = menu->actions();
    const qsizetype after = actions.indexOf(elements.back());
    menu->insertAction(after + 1 < actions.size() ? actions.at(after + 1) : nullptr, action);
    elements.push_back(action);
    return action;
}

// --- the view ---

QAbstractItemView* frmMain::CurrentGrid() const {
    if (dgView->isVisibleTo(this) && dgView->model()) return dgView;
    if (dgReportView->isVisibleTo(this) && dgReportView->model()) return dgReportView;
    return nullptr;
}

void frmMain::ResetViewCommands() {
    for (const char* name : {"mnuSearchItems", "mnuOrderItems", "mnuTotalItems", "mnuFilterItems",
                             "mnuFilterComplexItems"})
        ClearMenuArray(name);
    m_findDropDown->clear();
    SetTag(ToolButton("Find"), QString());
    ToolButton("Filter")->setCheckable(true);
    ToolButton("Filter")->setChecked(false);
    Menu("mnuFilterComplex")->setChecked(false);
    SetTag(Menu("mnuFilter"), QString());
    Menu("mnuDataSelBeforeQuery")->setChecked(false);
    FillAssociationMenus(true);
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
        ResetViewCommands();
        lblTitle[1]->setText(Tag(lblTitle[1]).toString());
        const QTreeWidgetItem* node = tvTreeView->currentItem();
        if (node) SetStatusMsg(lblTitle[0]->text() + " <" + node->text(0) + ">");
        if (!node || NodeKey(node).isEmpty()) {
            DropView();
            m_selection.reset();
        } else {
            const QString nodeText = node->text(0);
            clsSection section = clsSection::FromKey(NodeKey(node));
            const auto table = m_session.Database()->Item(section.Table);

            // Predefined selections of this section.
            if (m_selection && m_selection->Name() != nodeText) m_selection.reset();
            if (!m_selection) m_selection = table->CreateSelectionSet();
            if (m_selection->Restore(nodeText)) {
                Menu("mnuDataSelBeforeQuery")->setChecked(true);
                if (m_selection->Name() != nodeText) m_selection->SetName(nodeText);
            }
            QString selection;
            if (Menu("mnuDataSelBeforeQuery")->isChecked() && selection.isEmpty()) {
                if (FormService().ShowPredefinedSelections(this, *m_selection,
                                                           "Selezioni predefinite")) {
                    selection = m_selection->Condition();
                    if (!selection.isEmpty())
                        lblTitle[1]->setText(Tag(lblTitle[1]).toString() +
                                             "  [selezioni impostate]");
                    else
                        m_selection.reset();
                    // Stored selections that constrain the date decide alone.
                    if (!selection.isEmpty() && !section.DateField.isEmpty() && m_selection &&
                        m_selection->Involves(section.DateField))
                        section.DateField.clear();
                } else if (ShowMessage(this,
                                       "Selezioni predefinite annullate...\r\rVuoi visualizzare "
                                       "tutti i dati?",
                                       PromptIcon::Question, PromptButtons::YesNo,
                                       PromptAnswer::No) == PromptAnswer::No) {
                    selection = table->MakeCondition(table->KeyField(), "%");
                    lblTitle[1]->setText(Tag(lblTitle[1]).toString() + "  [nessun dato richiesto]");
                }
            }
            if (!section.DateField.isEmpty()) {
                const QString dated =
                    DateSelectionCondition(section.DateField, m_session.MonthSelection(),
                                           m_session.DaySelection(), m_session.SelectedDate());
                if (!dated.isEmpty()) selection = dated;
            }

            // The same table again keeps the user's order and current row.
            OID keptRow = 0;
            if (m_ds && CurrentGrid() && m_ds->Table()->Name() == table->Name()) {
                if (section.Order.isEmpty()) section.Order = order;
                if (section.Order.isEmpty()) section.Order = m_ds->Order();
                if (section.Order.isEmpty()) section.Order = m_ds->BaseOrder();
                keptRow = CurrentGridOID();
            }

            frmMessage::Instance().ShowMsg("Lettura " + nodeText + "...", this);
            QApplication::processEvents();

            DbmsOpenOptions options;
            options.Filter = selection;
            options.Order = section.Order;
            options.Summary = section.Summary;
            options.Detail = section.Detail;
            options.CurrencyConversion = m_settings.CurrencyConversion;
            auto ds = table->OpenDataSource(m_session.Storage(), options);
            if (!section.FixedFilter.isEmpty()) ds->ApplyFilter(section.FixedFilter);
            DropView();
            m_ds = ds;

            if (!m_layout || m_layout->TableName() != ds->Table()->Name()) {
                m_layout.reset();
                m_layout = DbmsGridLayout::Load(
                    modPaths::MakeFilePath(modPaths::AppDir(), "Tessarin.INI", ""),
                    ds->Table()->Name());
            }
            QAbstractItemView* grid =
                section.Summary ? static_cast<QAbstractItemView*>(dgReportView) : dgView;
            BindView(grid);
            grid->clearSelection();
            if (keptRow != 0) {
                m_kept = {keptRow, -1, 0};
                RestoreCurrentRow(grid);
            }

            const bool dated = !section.DateField.isEmpty();
            cmdDateSel->setVisible(dated);
            Menu("mnuSelection")->setVisible(dated);
            SetTag(cmdDateSel, section.DateField);
            RefreshDateSelCaption();
            grid->show();
            cmdGridSetting->show();
            frmMessage::Unload();
            RebuildFieldMenus();
            FillAssociationMenus(false);
        }
    } catch (const std::exception& e) {
        frmMessage::Unload();
        ReportError(m_settings, "Visualizzazione dati fallita: \r\r" + ErrorDescription(e), e,
                    this);
    }
    ApplyEnableRules();
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

void frmMain::ApplyEnableRules() {
    const bool shown = CurrentGrid() != nullptr;
    for (const char* name :
         {"mnuOrder", "mnuSave", "mnuFileNew", "mnuFileProperties", "mnuFileDelete", "mnuSearch",
          "mnuFilter", "mnuPrintFunc", "mnuFieldFuncs", "mnuDataSelection"})
        Menu(name)->setEnabled(shown);
    for (const char* key : {"Save", "New", "Properties", "Delete", "Find", "Filter", "Print"})
        ToolButton(key)->setEnabled(shown);
    Menu("mnuGridFldSequence")->setChecked(m_layout && m_layout->HasCustomSequence());
}

void frmMain::RebuildFieldMenus() {
    for (const DbmsFieldInfo& field : m_ds->Fields()) {
        if (field.Excluded) continue;
        if (field.Type == DbmsType::Text) {
            AddMenuArrayElement("mnuSearchItems", field.Name, field.Name);
            AddMenuArrayElement("mnuFilterItems", field.Name, field.Name);
            m_findDropDown->addAction(field.Name);
        }
        AddMenuArrayElement("mnuOrderItems", field.Name, field.Name);
        if (field.Type == DbmsType::Integer || field.Type == DbmsType::Money)
            AddMenuArrayElement("mnuTotalItems", field.Name, field.Name);
    }
    if (!m_findDropDown->actions().isEmpty()) SetTag(ToolButton("Find"), 1);
    const auto complex = DbmsSelectionSet::FromDataSource(*m_ds, DbmsSelectionSet::Complex);
    for (const QString& name : complex->StoredNames().split('|', Qt::SkipEmptyParts))
        AddMenuArrayElement("mnuFilterComplexItems", name, name);
}

void frmMain::FillAssociationMenus(bool clearOnly) {
    const std::pair<const char*, DbmsRelationKind> menus[] = {
        {"mnuReferencedItem", DbmsRelationKind::Referenced},
        {"mnuRefItem", DbmsRelationKind::Reference},
        {"mnuContItem", DbmsRelationKind::Container}};
    for (const auto& [name, kind] : menus) {
        ClearMenuArray(name);
        QAction* header = MenuArray(name).front();
        header->setVisible(true);
        if (clearOnly || !m_ds) continue;
        for (const DbmsRelatedEntry& entry : DbmsRelatedEntries(*m_ds, kind)) {
            QString caption = entry.Text1;
            if (kind == DbmsRelationKind::Reference)
                caption = entry.Text1 + " (" + entry.Text2 + ")";
            else if (kind == DbmsRelationKind::Container)
                caption = entry.Text1 + AgreementPhrase(entry.Text2, false) + entry.Text2;
            QAction* element = AddMenuArrayElement(name, caption, entry.Number);
            element->setEnabled(entry.Enabled);
            const QString menu = name;
            const int index = int(MenuArray(name).size()) - 1;
            connect(element, &QAction::triggered, this,
                    [this, menu, index] { mnuAssociation_Click(menu, index); });
        }
        header->setVisible(MenuArray(name).size() >= 2);
    }
}

void frmMain::OpenCurrentRow() {
    const OID oid = CurrentGridOID();
    if (!m_ds || oid == 0 || !m_ds->Locate(oid)) {
        Prompter().Beep();
        return;
    }
    if (FormService().ShowRowEditor(this, *m_ds, false).isValid()) ReloadView();
    ShowViewStatus();
}

void frmMain::RefreshDateSelCaption() {
    Menu("mnuSelAll")->setChecked(!m_session.DaySelection() && !m_session.MonthSelection());
    Menu("mnuSelDate")->setChecked(m_session.DaySelection());
    Menu("mnuSelMonth")->setChecked(m_session.MonthSelection());
    const QString field = Tag(cmdDateSel).toString();
    QString fieldCaption;
    if (!field.isEmpty() && m_ds)
        if (const DbmsFieldInfo* info = m_ds->FieldInfo(field)) fieldCaption = info->Caption;
    const DateSelectionCaption c =
        MakeDateSelectionCaption(fieldCaption, m_session.MonthSelection(), m_session.DaySelection(),
                                 m_session.SelectedDate());
    cmdDateSel->setText(c.Caption);
    cmdDateSel->setToolTip(c.ToolTip);
    Menu("mnuSelection")->setText(c.MenuCaption);
}
