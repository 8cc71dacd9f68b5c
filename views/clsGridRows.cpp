#include "clsGridRows.h"

#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "DbmsTreeModel.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTreeView>

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

QAbstractItemView* clsGridRows::Current() const {
    if (m_grid->isVisibleTo(&m_window) && m_grid->model()) return m_grid;
    if (m_report->isVisibleTo(&m_window) && m_report->model()) return m_report;
    return nullptr;
}

OID clsGridRows::CurrentOID() const {
    QAbstractItemView* grid = Current();
    return grid ? OIDOf(grid->model(), Operation(grid->currentIndex())) : 0;
}

std::vector<OID> clsGridRows::Chosen() const {
    QAbstractItemView* grid = Current();
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

QAbstractItemView* clsGridRows::Bind(const std::shared_ptr<DbmsDataSource>& ds,
                                     const std::shared_ptr<DbmsGridLayout>& layout) {
    QAbstractItemView* grid = ds->IsSummary() ? static_cast<QAbstractItemView*>(m_report) : m_grid;
    // The selection model Qt made for an empty grid is not deleted with any model.
    QItemSelectionModel* stale = grid->model() ? nullptr : grid->selectionModel();
    m_blnBinding = true;
    if (grid == m_grid)
        FormService().BindGrid(m_grid, ds, layout);
    else
        FormService().BindTree(m_report, ds, layout)->ShowDetailCaptions(true);
    m_blnBinding = false;
    if (stale && stale != grid->selectionModel()) delete stale;
    m_kept = {};
    QAbstractItemModel* model = grid->model();
    // Every reload of the rows (an edit, a delete, a refresh, a new order or filter) resets the
    // model, and a reset leaves the grid without a current row: Qt would then make the first
    // row current the next time the grid takes the focus, and the commands would act there.
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, &m_window,
                     [this] { m_blnResetting = true; });
    QObject::connect(model, &QAbstractItemModel::modelReset, &m_window, [this, grid] {
        m_blnResetting = false;
        Restore(grid);
    });
    QObject::connect(
        grid->selectionModel(), &QItemSelectionModel::currentChanged, &m_window,
        [this, grid](const QModelIndex& current) {
            if (m_blnResetting) return;
            const QModelIndex row = Operation(current);
            m_kept = {OIDOf(grid->model(), row), row.row(), std::max(current.column(), 0)};
            // The row shown as current is selected too, so what the clerk sees marked is
            // what Modifica and Elimina take.
            QItemSelectionModel* selection = grid->selectionModel();
            if (current.isValid() && !selection->hasSelection() &&
                (current.flags() & Qt::ItemIsSelectable))
                selection->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        });
    grid->clearSelection();
    return grid;
}

void clsGridRows::Restore(QAbstractItemView* grid) {
    const QAbstractItemModel* model = grid->model();
    const QModelIndex index =
        KeptIndex(m_kept, model, [model](OID oid) { return RowOf(model, oid); });
    if (!index.isValid()) return;
    grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    grid->scrollTo(index);
}

void clsGridRows::Reload(DbmsDataSource& ds) {
    ds.Refresh(true, 0, 0);
    if (auto* grid = qobject_cast<DbmsGridModel*>(m_grid->model())) grid->Reset();
    if (auto* tree = qobject_cast<DbmsTreeModel*>(m_report->model())) tree->Reset();
}

void clsGridRows::Reset() {
    // A new filter or order starts on the first row, in the same column: finding the old row
    // again would read the whole list of rows.
    QAbstractItemView* grid = Current();
    const int column = grid ? std::max(grid->currentIndex().column(), 0) : 0;
    m_kept = {};
    if (auto* model = qobject_cast<DbmsGridModel*>(m_grid->model())) model->Reset();
    if (auto* tree = qobject_cast<DbmsTreeModel*>(m_report->model())) tree->Reset();
    if (!grid) return;
    const QModelIndex first = grid->model()->index(0, column);
    if (first.isValid())
        grid->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
}

qint64 clsGridRows::CurrentPosition() const {
    QAbstractItemView* grid = Current();
    const QModelIndex row = grid ? Operation(grid->currentIndex()) : QModelIndex();
    return row.isValid() ? row.row() : -1;
}

void clsGridRows::GoTo(qint64 position) {
    QAbstractItemView* grid = Current();
    if (!grid) return;
    const int column = std::max(grid->currentIndex().column(), 0);
    grid->clearSelection();
    QApplication::processEvents();
    // Rows of the models are the data source's positions: no row list is read to get there.
    const QModelIndex index = grid->model()->index(int(position), column);
    if (!index.isValid()) return;
    grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    grid->scrollTo(index);
}

QString clsGridRows::ColumnField(const QAbstractItemView* grid, int column) {
    if (!grid || !grid->model() || column < 0) return QString();
    return grid->model()->headerData(column, Qt::Horizontal, DbmsGridRole::Field).toString();
}

// The lines of a summary show other fields than the headings name: they have none here.
QString clsGridRows::CurrentField() const {
    QAbstractItemView* grid = Current();
    if (!grid || (grid == m_report && DbmsTreeModel::IsDetailRow(grid->currentIndex())))
        return QString();
    return ColumnField(grid, grid->currentIndex().column());
}

QString clsGridRows::CurrentText() const {
    QAbstractItemView* grid = Current();
    if (!grid || (grid == m_report && DbmsTreeModel::IsDetailRow(grid->currentIndex())))
        return QString();
    return grid->currentIndex().data(Qt::DisplayRole).toString();
}

void clsGridRows::Drop() {
    if (m_grid->model()) FormService().BindGrid(m_grid, nullptr);
    if (m_report->model()) FormService().BindTree(m_report, nullptr);
    m_kept = {};
    m_grid->hide();
    m_report->hide();
}
