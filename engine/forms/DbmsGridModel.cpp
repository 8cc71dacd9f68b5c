#include "DbmsGridModel.h"

#include <QDebug>

#include <limits>

namespace {
bool IsNumeric(int type) {
    return type == DbmsType::Integer || type == DbmsType::Money || type == DbmsType::Count ||
           type == DbmsType::Key;
}

// Qt's views count rows in an int; a longer data source shows its first 2^31 - 1 rows.
int ClampRows(qint64 rows) {
    return int(std::min<qint64>(rows, std::numeric_limits<int>::max()));
}
} // namespace

std::vector<DbmsGridColumn> DbmsGridColumns(const DbmsDataSource& ds,
                                            const DbmsGridLayout* layout) {
    std::vector<DbmsGridColumn> columns;
    auto add = [&](const DbmsFieldInfo& info) {
        columns.push_back({info.Name, info.Caption, info.Type});
    };
    if (layout) {
        for (const QString& name : layout->VisibleFields(ds))
            if (const DbmsFieldInfo* info = ds.FieldInfo(name)) add(*info);
        return columns;
    }
    for (const DbmsFieldInfo& info : ds.Fields())
        if (!info.Excluded) add(info);
    return columns;
}

QVariant DbmsGridCell(DbmsDataSource& ds, qint64 position, const DbmsGridColumn& column, int role,
                      bool convert) {
    switch (role) {
    case Qt::DisplayRole:
        return ds.TextAt(position, column.Field, convert);
    case Qt::EditRole:
    case Qt::UserRole:
        return ds.ValueAt(position, column.Field);
    case Qt::TextAlignmentRole:
        return DbmsGridHeader(column, role);
    case DbmsGridRole::OID: {
        const OID oid = ds.OIDAt(position);
        return oid ? QVariant(qint64(oid)) : QVariant();
    }
    case DbmsGridRole::Field:
        return column.Field;
    default:
        return QVariant();
    }
}

QVariant DbmsGridHeader(const DbmsGridColumn& column, int role) {
    switch (role) {
    case Qt::DisplayRole:
        return column.Caption;
    case Qt::TextAlignmentRole:
        // Amounts and counts line up on their last digit.
        return int((IsNumeric(column.Type) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    case DbmsGridRole::Field:
        return column.Field;
    default:
        return QVariant();
    }
}

DbmsGridModel::DbmsGridModel(std::shared_ptr<DbmsDataSource> ds, const DbmsGridLayout* layout,
                             QObject* parent)
    : QAbstractTableModel(parent), m_ds(std::move(ds)), m_columns(DbmsGridColumns(*m_ds, layout)) {
    // The whole count, not a first chunk grown by fetchMore: the scroll bar tells the truth
    // and Ctrl+End reaches the last row. Counting is one query; rows are read only when shown.
    m_rows = ClampRows(m_ds->RowCount());
    // Edits of the current row (a text box bound to the same data source, a rule) show at once.
    connect(m_ds.get(), &DbmsDataSource::FieldUpdated, this, &DbmsGridModel::OnFieldUpdated);
}

int DbmsGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int DbmsGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DbmsGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return QVariant();
    try {
        return DbmsGridCell(*m_ds, index.row(), m_columns[size_t(index.column())], role, false);
    } catch (const std::exception& e) {
        // A failed read shows an empty cell: an exception must not unwind through a paint.
        qWarning() << "DbmsGridModel:" << e.what();
        return QVariant();
    }
}

QVariant DbmsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < int(m_columns.size()))
        return DbmsGridHeader(m_columns[size_t(section)], role);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DbmsGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

OID DbmsGridModel::OIDAt(int row) const {
    return row >= 0 && row < m_rows ? m_ds->OIDAt(row) : 0;
}

int DbmsGridModel::RowOf(OID oid) const {
    const qint64 position = m_ds->PositionOf(oid);
    return position >= 0 && position < m_rows ? int(position) : -1;
}

QString DbmsGridModel::Field(int column) const {
    return column >= 0 && column < int(m_columns.size()) ? m_columns[size_t(column)].Field
                                                         : QString();
}

int DbmsGridModel::ColumnOf(const QString& field) const {
    for (size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].Field.compare(field, Qt::CaseInsensitive) == 0) return int(c);
    return -1;
}

void DbmsGridModel::Reset() {
    const int rows = ClampRows(m_ds->RowCount()); // may throw: nothing is changed then
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void DbmsGridModel::Refresh() {
    m_ds->Refresh(true);
    Reset();
}

void DbmsGridModel::OnFieldUpdated() {
    // Rules may change other fields with it, so the whole row is repainted. A new row is not
    // among the model's rows until Reset.
    if (m_ds->IsNewRow() || m_columns.empty()) return;
    const qint64 position = m_ds->Position();
    if (position < 0 || position >= m_rows) return;
    emit dataChanged(index(int(position), 0), index(int(position), int(m_columns.size()) - 1));
}
