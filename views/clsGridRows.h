#pragma once
// The grids of the main window's view: which one shows the rows, its current and chosen rows,
// and the current row kept across every reload of the rows.

#include "DbmsDataSource.h"
#include "DbmsGridLayout.h"
#include "clsKeptRow.h"

#include <vector>

class QAbstractItemView;
class QTableView;
class QTreeView;
class QWidget;

class clsGridRows {
public:
    clsGridRows(QWidget& window, QTableView* grid, QTreeView* report)
        : m_window(window), m_grid(grid), m_report(report) {}

    // The grid that shows the view (the hierarchical one for summaries), or nullptr.
    QAbstractItemView* Current() const;
    // The OID of the grid's current row (a detail row stands for its operation), 0 for none.
    OID CurrentOID() const;
    // What delete acts on: the selected rows, else the current one; in a summary only
    // operations, never their detail rows.
    std::vector<OID> Chosen() const;

    // Binds `ds` to the grid for it (the report view for summaries), no row current yet.
    QAbstractItemView* Bind(const std::shared_ptr<DbmsDataSource>& ds,
                            const std::shared_ptr<DbmsGridLayout>& layout);
    // The row the grid goes to at the next reload, or now with Restore.
    void Keep(OID oid) { m_kept = {oid, -1, 0}; }
    void Restore(QAbstractItemView* grid);
    // Reads the rows of `ds` again, the grid staying on its row.
    void Reload(DbmsDataSource& ds);
    // Takes the rows as the data source holds them now (a new filter or order), the first
    // one current.
    void Reset();
    // While a data source is being bound: the grid's columns are sized by the layout then.
    bool IsBinding() const { return m_blnBinding; }
    // The grid's current row as a position of its data source, -1 for none.
    qint64 CurrentPosition() const;
    // Makes the row at `position` current alone, in sight.
    void GoTo(qint64 position);
    // The data field of the current column and the current cell's text.
    QString CurrentField() const;
    QString CurrentText() const;
    // The data field a column of `grid` shows.
    static QString ColumnField(const QAbstractItemView* grid, int column);
    // Unbinds and hides both grids: nothing may keep the archive open behind the view.
    void Drop();

private:
    QWidget& m_window;
    QTableView* m_grid;
    QTreeView* m_report;
    clsKeptRow m_kept;
    bool m_blnResetting = false;
    bool m_blnBinding = false;
};
