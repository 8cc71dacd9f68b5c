#include "clsGridCommands.h"

#include "DbmsFormService.h"
#include "DbmsValues.h"
#include "ReportError.h"
#include "clsMainView.h"
#include "frmMain.h"
#include "itfPrompter.h"
#include "modLumoFormUtility.h"
#include "modTag.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>

namespace {

// Widths are kept in twips.
constexpr int TwipsPerPixel = 15;

int RowHeight(QAbstractItemView* grid) {
    if (auto* table = qobject_cast<QTableView*>(grid))
        return table->verticalHeader()->defaultSectionSize();
    return std::max(grid->sizeHintForRow(0), grid->fontMetrics().height());
}

} // namespace

clsGridCommands::clsGridCommands(frmMain& window, clsMainView& view) : w(window), m_view(view) {
    Follow(w.dgView, w.dgView->horizontalHeader());
    Follow(w.dgReportView, w.dgReportView->header());
}

void clsGridCommands::Follow(QAbstractItemView* grid, QHeaderView* header) {
    header->setSectionsClickable(true);
    QObject::connect(
        header, &QHeaderView::sectionResized, &w, [this, grid, header](int column, int, int width) {
            const auto& layout = m_view.Layout();
            // Binding sizes every column from the layout: nothing new to keep.
            if (!layout || m_view.Rows().IsBinding() || grid != m_view.Rows().Current()) return;
            // A stretched last column follows the window, not the user.
            if (header->stretchLastSection() && header->visualIndex(column) == header->count() - 1)
                return;
            const QString field = clsGridRows::ColumnField(grid, column);
            if (!field.isEmpty()) layout->SetColumnWidth(field, width * TwipsPerPixel);
        });
    QObject::connect(header, &QHeaderView::sectionClicked, &w, [this, grid](int column) {
        const QString field = clsGridRows::ColumnField(grid, column);
        if (!field.isEmpty()) Order(field);
    });
}

// --- order ---

void clsGridCommands::OrderItem(int index) {
    const auto& elements = w.MenuArray("mnuOrderItems");
    if (index >= 1 && index < int(elements.size())) Order(Tag(elements[size_t(index)]).toString());
}

void clsGridCommands::Order(const QString& text) {
    const auto& ds = m_view.DataSource();
    if (!ds) return;
    try {
        SetDataSourceOrder(*ds, text);
    } catch (const std::exception& e) {
        ShowMessage(&w, ErrorDescription(e), PromptIcon::Exclamation);
    }
    m_view.Rows().Reset();
}

void clsGridCommands::OrderComplex() {
    if (!m_view.DataSource()) return;
    SetTag(w.tmFunc, "mnuOrderComplex");
    w.tmFunc->start();
}

void clsGridCommands::RunOrderComplex() {
    const auto& ds = m_view.DataSource();
    if (!ds) return;
    QString order = ds->Order();
    if (!FormService().ShowCombinedOrder(&w, *ds, "Ordinamento Complesso", order)) return;
    // The dialog gives every field with its direction: the order is taken as it is.
    try {
        ds->SetOrder(order);
    } catch (const std::exception& e) {
        ShowMessage(&w, ErrorDescription(e), PromptIcon::Exclamation);
    }
    m_view.Rows().Reset();
}

// --- layout ---

bool clsGridCommands::LayoutShown() const {
    return m_view.DataSource() && m_view.Layout() && m_view.Rows().Current();
}

void clsGridCommands::FieldSequence() {
    if (!LayoutShown()) return;
    const auto& layout = m_view.Layout();
    QString sequence = layout->FieldSequence();
    if (!FormService().ShowFieldSequence(&w, *m_view.DataSource(),
                                         "Sequenza di Visualizzazione Campi", sequence)) {
        w.Menu("mnuGridFldSequence")->setChecked(layout->HasCustomSequence());
        return;
    }
    layout->SetFieldSequence(sequence);
    w.Menu("mnuGridFldSequence")->setChecked(layout->HasCustomSequence());
    m_view.Rebind();
}

void clsGridCommands::FieldsAll() {
    if (!LayoutShown()) return;
    // Every field until the next binding; the stored sequence is kept.
    const auto& layout = m_view.Layout();
    const QString kept = layout->FieldSequence();
    layout->SetFieldSequence(QString());
    m_view.Rebind();
    layout->SetFieldSequence(kept);
}

void clsGridCommands::GridCancel() {
    if (!LayoutShown()) return;
    if (ShowMessage(&w, "Vuoi ripristinare le impostazioni predefinite per la griglia corrente?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) != PromptAnswer::Yes)
        return;
    m_view.Layout()->Reset();
    m_view.Rebind();
    w.Menu("mnuGridFldSequence")->setChecked(false);
}

void clsGridCommands::Total(int index) {
    const auto& ds = m_view.DataSource();
    const auto& elements = w.MenuArray("mnuTotalItems");
    if (!ds || index < 1 || index >= int(elements.size())) return;
    const QString field = elements[size_t(index)]->text();
    const DbmsFieldInfo* info = ds->FieldInfo(field);
    if (!info) return;
    try {
        // As the grid shows the column: money with two decimals, in the currency it shows.
        const QString sum = DbmsFormatValue(
            info->Type, ds->Sum(field), ds->CurrencyConversion() ? ds->Database().get() : nullptr);
        ShowMessage(&w, "Totale " + field + " " + sum);
    } catch (const std::exception& e) {
        ShowMessage(&w, ErrorDescription(e), PromptIcon::Exclamation);
    }
}

// --- the right button ---

bool clsGridCommands::GridMouse(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return false;
    QAbstractItemView* grid = m_view.Rows().Current();
    auto* widget = qobject_cast<QWidget*>(watched);
    // The cells and the headings; the scroll bars keep their own menu.
    if (!grid || !widget || (widget != grid && !grid->isAncestorOf(widget)) ||
        qobject_cast<QScrollBar*>(widget) || qobject_cast<QScrollBar*>(widget->parentWidget()))
        return false;
    const QPoint at = widget->mapTo(grid, mouse->position().toPoint());
    const QModelIndex cell =
        widget == grid->viewport() ? grid->indexAt(mouse->position().toPoint()) : QModelIndex();
    QString menu = "mnuOrder";
    if (cell.isValid() && grid->currentIndex().isValid())
        menu = "mnuFieldFuncs";
    else if (at.y() < RowHeight(grid))
        menu = "mnuAssociation";
    w.PopupMenu(menu)->popup(grid->mapToGlobal(at));
    return true;
}
