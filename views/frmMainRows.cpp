// The rows of the view that the commands act on: the grid's current and selected rows, kept
// across every reload of the grid, and the models bound to the grids.
#include "frmMain.h"

#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "DbmsTreeModel.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace {

OID OIDOf(const QAbstractItemModel* model, const QModelIndex& index) {
    if (!index.isValid()) return 0;
    if (auto* tree = qobject_cast<const DbmsTreeModel*>(model)) return tree->OIDAt(index);
    if (auto* grid = qobject_cast<const DbmsGridModel*>(model)) return grid->OIDAt(index.row());
    return 0;
}

int RowOf(const QAbstractItemModel* model, OID oid) {
    if (auto* tree = qobject_cast<const DbmsTreeModel*>(model)) return tree->RowOf(oid);
    if (auto* grid = qobject_cast<const DbmsGridModel*>(model)) return grid->RowOf(oid);
    return -1;
}

// A line of a summary stands for the operation it belongs to.
QModelIndex Operation(const QModelIndex& index) {
    return DbmsTreeModel::IsDetailRow(index) ? index.parent() : index;
}

} // namespace

OID frmMain::CurrentGridOID() const {
    QAbstractItemView* grid = CurrentGrid();
    return grid ? OIDOf(grid->model(), Operation(grid->currentIndex())) : 0;
}

std::vector<OID> frmMain::ChosenRows() const {
    QAbstractItemView* grid = CurrentGrid();
    if (!grid || !grid->selectionModel()) return {};
    // The lines of a summary are no operations of their own: they are never chosen.
    QModelIndexList chosen = grid->selectionModel()->selectedRows();
    if (chosen.isEmpty()) chosen << grid->currentIndex();
    std::vector<OID> rows;
    for (const QModelIndex& index : chosen)
        if (index.isValid() && !DbmsTreeModel::IsDetailRow(index))
            if (const OID oid = OIDOf(grid->model(), index)) rows.push_back(oid);
    return rows;
}

void frmMain::BindView(QAbstractItemView* grid) {
    // The selection model Qt made for an empty grid is not deleted with any model.
    QItemSelectionModel* stale = grid->model() ? nullptr : grid->selectionModel();
    if (grid == dgView) {
        FormService().BindGrid(dgView, m_ds, m_layout);
    } else {
        FormService().BindTree(dgReportView, m_ds, m_layout)->ShowDetailCaptions(true);
    }
    if (stale && stale != grid->selectionModel()) delete stale;
    m_kept = {};
    QAbstractItemModel* model = grid->model();
    // Every reload of the rows (an edit, a delete, a refresh, a new order or filter) resets the
    // model, and a reset leaves the grid without a current row: Qt would then make the first
    // row current the next time the grid takes the focus, and the commands would act there.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_blnResetting = true; });
    connect(model, &QAbstractItemModel::modelReset, this, [this, grid] {
        m_blnResetting = false;
        RestoreCurrentRow(grid);
    });
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, grid](const QModelIndex& current) {
                if (m_blnResetting) return;
                const QModelIndex row = Operation(current);
                m_kept = {OIDOf(grid->model(), row), row.row(), std::max(current.column(), 0)};
                // The row shown as current is selected too, so what the clerk sees marked is
                // what Modifica and Elimina take.
                QItemSelectionModel* selection = grid->selectionModel();
                if (current.isValid() && !selection->hasSelection() &&
                    (current.flags() & Qt::ItemIsSelectable))
                    selection->select(current,
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
            });
}

void frmMain::RestoreCurrentRow(QAbstractItemView* grid) {
    const KeptRow kept = m_kept;
    const QAbstractItemModel* model = grid->model();
    int row = kept.Oid ? RowOf(model, kept.Oid) : -1;
    // A row that is gone leaves its place to the one that followed it.
    if (row < 0 && kept.Row >= 0 && model->rowCount() > 0)
        row = std::min(kept.Row, model->rowCount() - 1);
    if (row < 0) return;
    const QModelIndex index =
        model->index(row, std::clamp(kept.Column, 0, std::max(model->columnCount() - 1, 0)));
    grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    grid->scrollTo(index);
}

void frmMain::ReloadView() {
    if (!m_ds) return;
    m_ds->Refresh(true, 0, 0);
    if (auto* grid = qobject_cast<DbmsGridModel*>(dgView->model())) grid->Reset();
    if (auto* tree = qobject_cast<DbmsTreeModel*>(dgReportView->model())) tree->Reset();
}

void frmMain::DropView() {
    // The models go with their data sources: nothing may keep the archive open behind the view.
    if (dgView->model()) FormService().BindGrid(dgView, nullptr);
    if (dgReportView->model()) FormService().BindTree(dgReportView, nullptr);
    m_kept = {};
    dgView->hide();
    dgReportView->hide();
    cmdGridSetting->hide();
    m_ds.reset();
}

void frmMain::ShowViewStatus() {
    // The engine's last progress text ("Lettura dati <...>...") is over once the rows are shown.
    const QTreeWidgetItem* node = tvTreeView->currentItem();
    SetStatusMsg(node ? lblTitle[0]->text() + " <" + node->text(0) + ">" : QString());
}
