#include "DbmsTreeModel.h"

#include <QDebug>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <limits>

namespace {
// Index ids: 0 for a top-level row, top row + 1 for the rows below it. Plain numbers, so an
// index never points into a cache that may have dropped its entry.
constexpr quintptr TopLevel = 0;

int CountRows(DbmsDataSource& ds) {
    return int(std::min<qint64>(ds.RowCount(), std::numeric_limits<int>::max()));
}

void Warn(const std::exception& e) {
    // Models are asked from paints and layouts: an exception must not unwind through Qt.
    qWarning() << "DbmsTreeModel:" << e.what();
}
} // namespace

DbmsTreeModel::DbmsTreeModel(std::shared_ptr<DbmsDataSource> ds, const DbmsGridLayout* layout,
                             QObject* parent)
    : QAbstractItemModel(parent), m_ds(std::move(ds)), m_columns(DbmsGridColumns(*m_ds, layout)) {
    const QString detail = m_ds->IsSummary() ? m_ds->Detail() : QString();
    const DbmsReferenceDef* ref = m_ds->TableDef().Reference(detail);
    if (ref && ref->Multiple && m_ds->FieldInfo("N_" + detail)) {
        m_detail = ref->Name;
        m_countField = "N_" + ref->Name;
        // The detail table's columns, learnt from an empty collection (no owner has OID 0).
        m_detailColumns = DbmsGridColumns(*m_ds->GetReferenceOf(0, m_detail), nullptr);
    }
    m_rows = CountRows(*m_ds);
}

bool DbmsTreeModel::IsDetailRow(const QModelIndex& index) {
    return index.isValid() && index.internalId() != TopLevel;
}

QModelIndex DbmsTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (!hasIndex(row, column, parent)) return QModelIndex();
    if (!parent.isValid()) return createIndex(row, column, TopLevel);
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex DbmsTreeModel::parent(const QModelIndex& child) const {
    if (!IsDetailRow(child)) return QModelIndex();
    return createIndex(int(child.internalId() - 1), 0, TopLevel);
}

int DbmsTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return m_rows;
    // Only the first column of a top-level row has children, as tree views expect.
    if (IsDetailRow(parent) || parent.column() != 0) return 0;
    const int count = DetailCount(parent.row());
    return count > 0 ? count + CaptionRows() : 0;
}

int DbmsTreeModel::columnCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(std::max(m_columns.size(), m_detailColumns.size()));
    return IsDetailRow(parent) ? 0 : int(m_detailColumns.size());
}

bool DbmsTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return m_rows > 0 && columnCount() > 0;
    return rowCount(parent) > 0 && !m_detailColumns.empty();
}

int DbmsTreeModel::DetailCount(int row) const {
    if (m_detail.isEmpty() || row < 0 || row >= m_rows) return 0;
    const auto known = m_counts.find(row);
    if (known != m_counts.end()) return known->second;
    int count = 0;
    try {
        // The summary's own count column, read with the row's page: no detail is opened for a
        // row that is only looked at, not expanded.
        count = int(m_ds->ValueAt(row, m_countField).toLongLong());
    } catch (const std::exception& e) {
        Warn(e);
    }
    m_counts.emplace(row, count);
    return count;
}

std::shared_ptr<DbmsDataSource> DbmsTreeModel::DetailSource(int row) const {
    if (m_detail.isEmpty() || row < 0 || row >= m_rows) return nullptr;
    auto it = m_open.find(row);
    if (it == m_open.end()) {
        const OID owner = m_ds->OIDAt(row);
        if (!owner) return nullptr;
        if (m_open.size() >= MaxOpenDetails) {
            // Close the one used longest ago: every open detail holds a cursor on the file.
            auto oldest = std::min_element(m_open.begin(), m_open.end(), [](auto& a, auto& b) {
                return a.second.LastUse < b.second.LastUse;
            });
            m_open.erase(oldest);
        }
        it = m_open.emplace(row, OpenDetail{m_ds->GetReferenceOf(owner, m_detail), 0}).first;
    }
    it->second.LastUse = ++m_uses;
    return it->second.Rows;
}

QVariant DbmsTreeModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return QVariant();
    const size_t column = size_t(index.column());
    try {
        if (!IsDetailRow(index)) {
            // Every cell of a row answers with the row's OID, beside the fields or not.
            if (role != DbmsGridRole::OID && column >= m_columns.size()) return QVariant();
            return DbmsGridCell(*m_ds, index.row(),
                                column < m_columns.size() ? m_columns[column] : DbmsGridColumn{},
                                role, false);
        }
        const int owner = int(index.internalId() - 1);
        const int line = index.row() - CaptionRows();
        if (line < 0) return CaptionData(column, role);
        if (line >= DetailCount(owner)) return QVariant();
        if (role != DbmsGridRole::OID && column >= m_detailColumns.size()) return QVariant();
        const auto rows = DetailSource(owner);
        if (!rows) return QVariant();
        // Detail rows follow the summary's currency choice.
        return DbmsGridCell(*rows, line,
                            column < m_detailColumns.size() ? m_detailColumns[column]
                                                            : DbmsGridColumn{},
                            role, m_ds->CurrencyConversion());
    } catch (const std::exception& e) {
        Warn(e);
        return QVariant();
    }
}

QVariant DbmsTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0) {
        // Beyond the top level's columns the heading names the detail's.
        if (size_t(section) < m_columns.size())
            return DbmsGridHeader(m_columns[size_t(section)], role);
        if (!m_captions && size_t(section) < m_detailColumns.size())
            return DbmsGridHeader(m_detailColumns[size_t(section)], role);
    }
    return QAbstractItemModel::headerData(section, orientation, role);
}

Qt::ItemFlags DbmsTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (IsDetailRow(index) && index.row() < CaptionRows())
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (IsDetailRow(index) || m_detail.isEmpty()) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

OID DbmsTreeModel::OIDAt(const QModelIndex& index) const {
    return data(index, DbmsGridRole::OID).toLongLong();
}

int DbmsTreeModel::RowOf(OID oid) const {
    const qint64 position = m_ds->PositionOf(oid);
    return position >= 0 && position < m_rows ? int(position) : -1;
}

QString DbmsTreeModel::Field(int column) const {
    return column >= 0 && size_t(column) < m_columns.size() ? m_columns[size_t(column)].Field
                                                            : QString();
}

int DbmsTreeModel::ColumnOf(const QString& field) const {
    for (size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].Field.compare(field, Qt::CaseInsensitive) == 0) return int(c);
    return -1;
}

QString DbmsTreeModel::DetailField(int column) const {
    return column >= 0 && size_t(column) < m_detailColumns.size()
               ? m_detailColumns[size_t(column)].Field
               : QString();
}

void DbmsTreeModel::ShowDetailCaptions(bool on) {
    if (on == m_captions) return;
    beginResetModel();
    m_captions = on;
    endResetModel();
}

QVariant DbmsTreeModel::CaptionData(size_t column, int role) const {
    if (column >= m_detailColumns.size()) return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::TextAlignmentRole:
        return DbmsGridHeader(m_detailColumns[column], role);
    case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        return font;
    }
    case Qt::BackgroundRole:
        // Drawn as the heading is, so it reads as one.
        return QGuiApplication::palette().button();
    case Qt::ForegroundRole:
        return QGuiApplication::palette().buttonText();
    default:
        return QVariant();
    }
}

void DbmsTreeModel::Reset() {
    const int rows = CountRows(*m_ds); // may throw: nothing is changed then
    beginResetModel();
    m_rows = rows;
    m_counts.clear();
    m_open.clear();
    endResetModel();
}

void DbmsTreeModel::Refresh() {
    m_ds->Refresh(true);
    Reset();
}
