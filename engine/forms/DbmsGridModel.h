#pragma once
// A data source seen as a table of cells, for QTableView. Every row of the data source is a
// row of the model at once — a million rows included — because nothing is read until a cell
// is painted, and then a page of rows at a time (the data source's own page cache).

#include "DbmsDataSource.h"
#include "DbmsGridLayout.h"

#include <QAbstractTableModel>
#include <memory>
#include <vector>

// One column of a grid: the field it shows and how.
struct DbmsGridColumn {
    QString Field;
    QString Caption;
    int Type = DbmsType::Text;
};

// The columns a grid shows for `ds`: the layout's sequence when it has one, else every field
// that is not excluded (keys and links), in the data source's order.
std::vector<DbmsGridColumn> DbmsGridColumns(const DbmsDataSource& ds, const DbmsGridLayout* layout);

// Roles beyond Qt's own; Qt::EditRole and Qt::UserRole give the cell's raw value.
namespace DbmsGridRole {
constexpr int OID = Qt::UserRole + 1;   // the row's OID (qint64)
constexpr int Field = Qt::UserRole + 2; // the column's field name (cells and headers)
} // namespace DbmsGridRole

// What a cell shows for a role: the data source's display text (money "1.500.000,00", dates
// dd/MM/yyyy hh:mm, converted when `convert`), the raw value, right alignment for numbers.
QVariant DbmsGridCell(DbmsDataSource& ds, qint64 position, const DbmsGridColumn& column, int role,
                      bool convert);
// The same for a column heading.
QVariant DbmsGridHeader(const DbmsGridColumn& column, int role);

class DbmsGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `layout` (optional) chooses the columns; it is read now and not kept.
    DbmsGridModel(std::shared_ptr<DbmsDataSource> ds, const DbmsGridLayout* layout,
                  QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::shared_ptr<DbmsDataSource>& DataSource() const { return m_ds; }

    // Rows and the data source's rows are the same positions.
    OID OIDAt(int row) const;
    // The row of an OID, or -1. Reads the whole list of row identifiers once.
    int RowOf(OID oid) const;
    // The OID that stands for a row, for callers that position the data source on the grid's
    // current row with Locate; moving the data source is left to them.
    OID Bookmark(int row) const { return OIDAt(row); }

    const std::vector<DbmsGridColumn>& Columns() const { return m_columns; }
    QString Field(int column) const;
    // The column that shows a field (case ignored), or -1.
    int ColumnOf(const QString& field) const;

    // Takes the data source's rows as they are now (after rows were added or removed through
    // it). Refresh also makes the data source read its rows again, for changes made elsewhere.
    void Reset();
    void Refresh();

private:
    void OnFieldUpdated();

    std::shared_ptr<DbmsDataSource> m_ds;
    std::vector<DbmsGridColumn> m_columns;
    int m_rows = 0;
};
