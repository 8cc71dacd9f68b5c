#pragma once
// A summary data source seen as a tree, for QTreeView: each row of the data source at the top,
// the rows of its detail collection (the data source's Detail(), counted in N_<Detail>) below
// it, with the detail table's own columns. Detail rows are opened only when a row is expanded
// and painted, and only the most recent ones are kept open.

#include "DbmsGridModel.h"

#include <QAbstractItemModel>
#include <unordered_map>

class DbmsTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // How many top rows keep their detail rows open at once.
    static constexpr size_t MaxOpenDetails = 64;

    // A data source that is not a summary, or names no detail collection, shows no children.
    // `layout` (optional) chooses the top-level columns; it is read now and not kept.
    DbmsTreeModel(std::shared_ptr<DbmsDataSource> ds, const DbmsGridLayout* layout,
                  QObject* parent = nullptr);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    using QObject::parent;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // The top level has as many columns as the wider of the two levels, so that a tree view
    // (one header for both) can show every detail column.
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::shared_ptr<DbmsDataSource>& DataSource() const { return m_ds; }
    // The collection shown below each row; empty when there is none.
    const QString& Detail() const { return m_detail; }
    // Puts a row of the detail's column captions above the detail rows of each row (not
    // selectable, no OID), so that a view reads like a printed summary; the heading then names
    // only the top level's columns.
    void ShowDetailCaptions(bool on);

    // Whether an index is a detail row (else a top-level row).
    static bool IsDetailRow(const QModelIndex& index);
    // The OID of the row an index stands for, at either level; 0 for none.
    OID OIDAt(const QModelIndex& index) const;
    OID Bookmark(const QModelIndex& index) const { return OIDAt(index); }
    // The top-level row of an OID, or -1.
    int RowOf(OID oid) const;
    // The detail rows of a top-level row, opened on first use; nullptr without a detail.
    std::shared_ptr<DbmsDataSource> DetailSource(int row) const;

    const std::vector<DbmsGridColumn>& Columns() const { return m_columns; }
    const std::vector<DbmsGridColumn>& DetailColumns() const { return m_detailColumns; }
    // The field a top-level column shows, or empty; ColumnOf is its inverse (case ignored).
    QString Field(int column) const;
    int ColumnOf(const QString& field) const;
    QString DetailField(int column) const;

    // As DbmsGridModel: Reset takes the rows as they are now, Refresh reads them again first.
    // Both close every detail opened so far.
    void Reset();
    void Refresh();

private:
    struct OpenDetail {
        std::shared_ptr<DbmsDataSource> Rows;
        quint64 LastUse = 0;
    };
    int DetailCount(int row) const;
    int CaptionRows() const { return m_captions ? 1 : 0; }
    QVariant CaptionData(size_t column, int role) const;

    std::shared_ptr<DbmsDataSource> m_ds;
    QString m_detail;
    QString m_countField; // N_<Detail>
    std::vector<DbmsGridColumn> m_columns;
    std::vector<DbmsGridColumn> m_detailColumns;
    int m_rows = 0;
    bool m_captions = false;
    // Counts once told to the view stay as told until Reset, even when their detail is closed.
    mutable std::unordered_map<int, int> m_counts;
    mutable std::unordered_map<int, OpenDetail> m_open;
    mutable quint64 m_uses = 0;
};
