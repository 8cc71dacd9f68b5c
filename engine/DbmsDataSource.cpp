#include "DbmsDataSource.h"

#include "DbmsValues.h"

#include <algorithm>

using Origin = DbmsFieldInfo::Origin;

// Resolves filter and order names against the data source's columns.
class DbmsDataSource::Resolver : public DbmsNameResolver {
public:
    explicit Resolver(const DbmsDataSource& ds) : m_ds(ds) {}
    std::optional<DbmsResolvedName> Resolve(const QString& written) const override {
        QString name = written;
        const int dot = name.indexOf('.');
        if (dot > 0) {
            const QString table = name.left(dot);
            const bool own = table.compare(m_ds.m_def.Name, Qt::CaseInsensitive) == 0;
            const bool parent =
                m_ds.m_parent && table.compare(m_ds.m_parent->Name, Qt::CaseInsensitive) == 0;
            if (!own && !parent) return std::nullopt;
            name = name.mid(dot + 1);
        }
        auto it = m_ds.m_fieldIndex.find(name.toLower());
        if (it != m_ds.m_fieldIndex.end()) {
            const DbmsFieldInfo& f = m_ds.m_fields[it->second];
            return DbmsResolvedName{m_ds.ColumnSql(f), f.Type};
        }
        // Any collection of the table can be counted in a filter, summary or not.
        if (name.startsWith("N_", Qt::CaseInsensitive)) {
            for (const auto& r : m_ds.m_def.References)
                if (r.Multiple && r.Name.compare(name.mid(2), Qt::CaseInsensitive) == 0)
                    return DbmsResolvedName{CountSql(m_ds.m_def, r), DbmsType::Integer};
        }
        return std::nullopt;
    }

private:
    const DbmsDataSource& m_ds;
};

DbmsDataSource::DbmsDataSource(std::shared_ptr<DbmsDatabase> db, const DbmsTableDef& def,
                               DbmsOpenOptions options)
    : DbmsDataSource(std::move(db), def, std::move(options), Binding{}) {}

DbmsDataSource::DbmsDataSource(std::shared_ptr<DbmsDatabase> db, const DbmsTableDef& def,
                               DbmsOpenOptions options, Binding binding)
    : m_db(std::move(db)), m_def(def), m_options(std::move(options)),
      m_binding(std::move(binding)) {
    if (!m_def.ParentTable.isEmpty()) m_parent = m_db->TableDef(m_def.ParentTable);
    m_order = m_options.Order;
    m_storage = m_db->Storage();
    if (!m_storage) throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    BuildFields();
    ResetCursor();
    m_pos = 0;
    // Only once nothing above can throw: a failed constructor runs no destructor.
    m_storage->RegisterCursor(&m_cursor);
}

DbmsDataSource::~DbmsDataSource() {
    if (m_cursor) m_storage->ReturnCursor(m_cursorSql, std::move(m_cursor));
    m_storage->UnregisterCursor(&m_cursor);
}

std::shared_ptr<DbmsTable> DbmsDataSource::Table() const {
    return std::make_shared<DbmsTable>(m_db, m_def);
}

QString DbmsDataSource::CountSql(const DbmsTableDef& def, const DbmsReferenceDef& ref) {
    return "(SELECT COUNT(*) FROM " + DbmsQuoteId(def.Name + "__" + ref.Name) +
           " WHERE OID_Owner = t.OID)";
}

void DbmsDataSource::BuildFields() {
    auto add = [&](DbmsFieldInfo f) {
        const QString key = f.Name.toLower();
        if (m_fieldIndex.count(key)) return; // own names win over the parent's
        m_fieldIndex[key] = int(m_fields.size());
        m_exactIndex.emplace(f.Name, int(m_fields.size()));
        m_fields.push_back(std::move(f));
    };
    auto addShown = [&](const DbmsReferenceDef& r, Origin from, const QString& table) {
        const DbmsTableDef* target = m_db->TableDef(r.Target);
        const DbmsFieldDef* shown = target ? target->Field(r.ShownField()) : nullptr;
        add({"OID_" + r.Name, "OID_" + r.Name, DbmsType::Integer, 0, from, table, "OID_" + r.Name,
             true, false});
        if (shown)
            add({r.Name, r.Name, shown->Type, shown->Size, Origin::Shown, table, r.Name, false,
                 false, shown->Digits});
    };
    add({"OID", "OID", DbmsType::Key, 0, Origin::Key, m_def.Name, "OID", true, true});
    for (const auto& f : m_def.Fields)
        add({f.Name, f.Name, f.Type, f.Size, Origin::Own, m_def.Name, f.Name, false, false,
             f.Digits});
    for (const auto& r : m_def.References)
        if (!r.Multiple) addShown(r, Origin::OwnReference, m_def.Name);
    if (m_parent) {
        const QString link = m_def.ParentLinkField();
        add({link, m_parent->Name, DbmsType::Integer, 0, Origin::ParentLink, m_def.Name, link, true,
             false});
        for (const auto& f : m_parent->Fields)
            add({f.Name, f.Name, f.Type, f.Size, Origin::Parent, m_parent->Name, f.Name, false,
                 false, f.Digits});
        for (const auto& r : m_parent->References)
            if (!r.Multiple) addShown(r, Origin::ParentReference, m_parent->Name);
    }
    if (m_options.Summary && !m_options.Detail.isEmpty()) {
        const DbmsReferenceDef* r = m_def.Reference(m_options.Detail);
        if (!r || !r->Multiple)
            throw DbmsError(
                DbmsError::UnknownReference,
                QString("La tabella %1 non ha l'elenco %2").arg(m_def.Name, m_options.Detail));
        add({"N_" + r->Name, "N_" + r->Name, DbmsType::Count, 0, Origin::Count, m_def.Name,
             "N_" + r->Name, true, true});
    }
    m_changed.assign(m_fields.size(), false);
    QStringList select, cols, marks;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const DbmsFieldInfo& f = m_fields[i];
        select << ColumnSql(f);
        if (f.From == Origin::Own || f.From == Origin::OwnReference ||
            f.From == Origin::ParentLink) {
            cols << DbmsQuoteId(f.Column);
            marks << "?";
            m_storedColumns.push_back(int(i));
        }
    }
    m_selectList = select.join(", ");
    m_from = DbmsQuoteId(m_def.Name) + " AS t";
    if (m_parent)
        m_from += " LEFT JOIN " + DbmsQuoteId(m_parent->Name) + " AS p ON p.OID = t." +
                  DbmsQuoteId(m_def.ParentLinkField());
    m_readRowSql = "SELECT " + m_selectList + " FROM " + m_from + " WHERE t.OID = ?";
    m_insertSql = cols.isEmpty() ? "INSERT INTO " + DbmsQuoteId(m_def.Name) + " DEFAULT VALUES"
                                 : "INSERT INTO " + DbmsQuoteId(m_def.Name) + " (" +
                                       cols.join(", ") + ") VALUES (" + marks.join(", ") + ")";
}

QString DbmsDataSource::ColumnSql(const DbmsFieldInfo& f) const {
    const QString alias = f.Table == m_def.Name ? "t." : "p.";
    switch (f.From) {
    case Origin::Count:
        return CountSql(m_def, *m_def.Reference(f.Name.mid(2)));
    case Origin::Shown: {
        const DbmsTableDef* owner = f.Table == m_def.Name ? &m_def : m_parent;
        const DbmsReferenceDef* r = owner->Reference(f.Name);
        return "(SELECT s." + DbmsQuoteId(r->ShownField()) + " FROM " + DbmsQuoteId(r->Target) +
               " AS s WHERE s.OID = " + alias + DbmsQuoteId("OID_" + r->Name) + ")";
    }
    default:
        return alias + DbmsQuoteId(f.Column);
    }
}

const DbmsFieldInfo* DbmsDataSource::FieldInfo(const QString& name) const {
    auto it = m_fieldIndex.find(name.toLower());
    return it == m_fieldIndex.end() ? nullptr : &m_fields[it->second];
}

int DbmsDataSource::ColumnIndex(const QString& field) const {
    // Callers nearly always spell a field as it is defined: find that without folding case.
    if (auto exact = m_exactIndex.find(field); exact != m_exactIndex.end()) return exact->second;
    auto it = m_fieldIndex.find(field.toLower());
    if (it == m_fieldIndex.end()) {
        // "Table.Field" is accepted where the table is this one or its parent.
        const int dot = field.indexOf('.');
        if (dot > 0) {
            const QString table = field.left(dot);
            if (table.compare(m_def.Name, Qt::CaseInsensitive) == 0 ||
                (m_parent && table.compare(m_parent->Name, Qt::CaseInsensitive) == 0))
                return ColumnIndex(field.mid(dot + 1));
        }
        throw DbmsError(DbmsError::UnknownField,
                        QString("Campo sconosciuto nella tabella %1: %2").arg(m_def.Name, field));
    }
    return it->second;
}

DbmsDataSource::Query DbmsDataSource::BuildQuery(const QString& extraCondition) const {
    Query q;
    q.From = m_from;
    QStringList where;
    if (!m_binding.OwnerTable.isEmpty()) {
        if (m_binding.Multiple) {
            where << "t.OID IN (SELECT OID_Item FROM " +
                         DbmsQuoteId(m_binding.OwnerTable + "__" + m_binding.Reference) +
                         " WHERE OID_Owner = ?)";
            q.Params << m_binding.Owner;
        } else {
            where << "t.OID = ?";
            q.Params << m_binding.SingleTarget;
        }
    }
    const Resolver names(*this);
    for (const QString& text : {m_options.Filter, m_applied, extraCondition}) {
        DbmsSqlFragment f = DbmsFilterToSql(text, names);
        if (f.Sql.isEmpty()) continue;
        where << "(" + f.Sql + ")";
        q.Params += f.Params;
    }
    q.Where = where.join(" AND ");
    DbmsSqlFragment order = DbmsOrderToSql(m_order, names);
    q.OrderBy = order.Sql.isEmpty() ? "t.OID" : order.Sql + ", t.OID";
    q.OrderParams = order.Params;
    return q;
}

std::vector<DbmsOrderKey> DbmsDataSource::OrderKeys() const {
    return DbmsOrderKeys(m_order, Resolver(*this));
}

QString DbmsDataSource::Query::Sql(const QString& select, bool ordered) const {
    QString sql = "SELECT " + select + " FROM " + From;
    if (!Where.isEmpty()) sql += " WHERE " + Where;
    if (ordered) sql += " ORDER BY " + OrderBy;
    return sql;
}

void DbmsDataSource::Query::And(const QString& condition, const QVariantList& params) {
    Where = Where.isEmpty() ? condition : "(" + Where + ") AND " + condition;
    Params += params;
}

QString DbmsDataSource::OidArray(const std::vector<OID>& oids) {
    // One bound JSON array instead of a placeholder each: SQLite limits their number.
    QString json = "[";
    for (OID oid : oids)
        json += QString::number(oid) + ',';
    json.back() = u']';
    return oids.empty() ? "[]" : json;
}

void DbmsDataSource::Query::Bind(SQLite::Statement& st, bool ordered) const {
    int i = 1;
    for (const QVariant& p : Params)
        DbmsBind(st, i++, p);
    if (ordered)
        for (const QVariant& p : OrderParams)
            DbmsBind(st, i++, p);
}

void DbmsDataSource::ResetCursor() {
    // The filter and order are checked now; the statement is prepared only when rows are
    // first needed, since rules open many data sources just to read one reference.
    m_cursorQuery = BuildQuery();
    if (m_cursor) m_storage->ReturnCursor(m_cursorSql, std::move(m_cursor));
    m_cursorSql = m_cursorQuery->Sql("t.OID", true);
    m_oids.clear();
    m_appended.clear();
    m_positions.clear();
    m_complete = false;
    m_count = -1;
    m_pages.clear();
}

bool DbmsDataSource::EnsureRows(qint64 count) {
    if (!m_complete && qint64(m_oids.size()) < count && !m_cursor && m_cursorQuery) {
        if (m_oids.empty() && count <= FirstRows && !m_order.trimmed().isEmpty()) ReadFirstRows();
        if (!m_complete && qint64(m_oids.size()) < count) {
            m_cursor = m_storage->TakeCursor(m_cursorSql);
            m_cursorQuery->Bind(*m_cursor, true);
            m_cursorQuery.reset();
        }
    }
    while (!m_complete && qint64(m_oids.size()) < count) {
        if (!m_cursor || !m_cursor->executeStep()) {
            m_complete = true;
            // frees the read lock as soon as the list is whole
            if (m_cursor) m_storage->ReturnCursor(m_cursorSql, std::move(m_cursor));
            break;
        }
        const OID oid = m_cursor->getColumn(0).getInt64();
        if (!m_appended.empty() && m_appended.count(oid)) continue; // already in the list
        m_oids.push_back(oid);
    }
    return qint64(m_oids.size()) >= count;
}

qint64 DbmsDataSource::RowCount() {
    if (m_complete) return qint64(m_oids.size());
    if (m_count < 0) {
        // Rows added while the list was unread stand in it whether or not they match.
        Query q = BuildQuery();
        if (!m_appended.empty())
            q.And("t.OID NOT IN (SELECT value FROM json_each(?))",
                  {OidArray({m_appended.begin(), m_appended.end()})});
        SQLite::Statement st(m_storage->Connection(), q.Sql("COUNT(*)", false).toStdString());
        q.Bind(st, false);
        st.executeStep();
        m_count = st.getColumn(0).getInt64() + qint64(m_appended.size());
    }
    return std::max(m_count, qint64(m_oids.size()));
}

bool DbmsDataSource::IsEmpty() {
    return !EnsureRows(1);
}

OID DbmsDataSource::OIDAt(qint64 position) {
    if (position < 0 || !EnsureRows(position + 1)) return 0;
    return m_oids[size_t(position)];
}

qint64 DbmsDataSource::PositionOf(OID oid) {
    // The rows read so far are indexed; the list is read on only until the row turns up (a
    // read may bring several rows at once).
    do {
        for (size_t i = m_positions.size(); i < m_oids.size(); ++i)
            m_positions[m_oids[i]] = qint64(i);
        if (auto it = m_positions.find(oid); it != m_positions.end()) return it->second;
    } while (EnsureRows(qint64(m_oids.size()) + 1));
    return -1;
}

void DbmsDataSource::MoveFirst() {
    LeaveCurrent();
    m_pos = 0;
}

void DbmsDataSource::MoveNext() {
    LeaveCurrent();
    if (!AtEnd()) ++m_pos;
}

void DbmsDataSource::MovePrevious() {
    LeaveCurrent();
    if (m_pos >= 0) --m_pos;
}

void DbmsDataSource::MoveLast() {
    LeaveCurrent();
    EnsureRows(std::numeric_limits<qint64>::max());
    m_pos = qint64(m_oids.size()) - 1;
    if (m_pos < 0) m_pos = 0;
}

bool DbmsDataSource::MoveTo(qint64 position) {
    if (position < 0 || !EnsureRows(position + 1)) return false;
    LeaveCurrent();
    m_pos = position;
    return true;
}

bool DbmsDataSource::AtEnd() {
    if (m_isNew) return false;
    return m_pos < 0 || !EnsureRows(m_pos + 1);
}

bool DbmsDataSource::HasCurrentRow() {
    return m_isNew || !AtEnd();
}

OID DbmsDataSource::CurrentOID() {
    if (m_isNew) return 0;
    return OIDAt(m_pos);
}

bool DbmsDataSource::Locate(OID oid) {
    if (m_isNew || m_dirty) LeaveCurrent();
    const qint64 p = PositionOf(oid);
    if (p < 0) return false;
    m_pos = p;
    m_loaded = false;
    return true;
}

std::vector<QVariant> DbmsDataSource::ReadRow(OID oid) {
    auto& st = m_storage->Cached(m_readRowSql);
    st.bind(1, static_cast<int64_t>(oid));
    std::vector<QVariant> row;
    if (st.executeStep()) {
        row.reserve(m_fields.size());
        for (size_t i = 0; i < m_fields.size(); ++i)
            row.push_back(DbmsReadColumn(st.getColumn(int(i)), m_fields[i].Type));
    }
    st.reset();
    return row;
}

void DbmsDataSource::EnsureCurrentLoaded() {
    if (m_loaded || m_isNew) return;
    const OID oid = OIDAt(m_pos);
    if (oid == 0) throw DbmsError(DbmsError::NoCurrentRow, "Nessuna riga corrente");
    std::vector<QVariant> row = ReadRow(oid);
    if (row.empty())
        throw DbmsError(DbmsError::NoCurrentRow,
                        QString("La riga %1 di %2 non esiste più").arg(oid).arg(m_def.Name));
    m_row = std::move(row);
    m_rowOid = oid;
    std::fill(m_changed.begin(), m_changed.end(), false);
    m_dirty = false;
    m_loaded = true;
}

QVariant DbmsDataSource::GetValue(const QString& field) {
    const int idx = ColumnIndex(field);
    EnsureCurrentLoaded();
    return m_row[size_t(idx)];
}

QString DbmsDataSource::GetText(const QString& field, bool convert) {
    const int idx = ColumnIndex(field);
    EnsureCurrentLoaded();
    return DbmsFormatValue(m_fields[size_t(idx)].Type, m_row[size_t(idx)],
                           convert || m_options.CurrencyConversion ? m_db.get() : nullptr,
                           m_fields[size_t(idx)].Digits);
}

const std::vector<QVariant>* DbmsDataSource::PageRow(qint64 position) {
    if (position < 0 || !EnsureRows(position + 1)) return nullptr;
    if (m_pageGeneration != m_db->Generation()) {
        m_pages.clear();
        m_pageGeneration = m_db->Generation();
    }
    const qint64 page = position / PageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        const qint64 first = page * PageSize;
        EnsureRows(first + PageSize);
        const qint64 last = std::min<qint64>(first + PageSize, qint64(m_oids.size()));
        QStringList marks;
        for (qint64 i = first; i < last; ++i)
            marks << "?";
        // Every full page has the same text: prepared once and kept.
        SQLite::Statement& st =
            m_storage->Cached("SELECT t.OID, " + m_selectList + " FROM " + m_from +
                              " WHERE t.OID IN (" + marks.join(',') + ")");
        for (qint64 i = first; i < last; ++i)
            st.bind(int(i - first + 1), static_cast<int64_t>(m_oids[size_t(i)]));
        std::unordered_map<OID, std::vector<QVariant>> byOid;
        while (st.executeStep()) {
            std::vector<QVariant> row;
            row.reserve(m_fields.size());
            for (size_t c = 0; c < m_fields.size(); ++c)
                row.push_back(DbmsReadColumn(st.getColumn(int(c + 1)), m_fields[c].Type));
            byOid.emplace(st.getColumn(0).getInt64(), std::move(row));
        }
        std::vector<std::vector<QVariant>> rows;
        rows.reserve(size_t(last - first));
        for (qint64 i = first; i < last; ++i)
            rows.push_back(std::move(byOid[m_oids[size_t(i)]]));
        // Keep a bounded number of pages: a grid scrolling a million rows must not grow.
        if (m_pages.size() >= 128) {
            auto far = std::max_element(m_pages.begin(), m_pages.end(), [&](auto& a, auto& b) {
                return std::abs(a.first - page) < std::abs(b.first - page);
            });
            m_pages.erase(far);
        }
        it = m_pages.emplace(page, std::move(rows)).first;
    }
    const auto& row = it->second[size_t(position - page * PageSize)];
    return row.empty() ? nullptr : &row;
}

QVariant DbmsDataSource::ValueAt(qint64 position, const QString& field) {
    return ValueAt(position, ColumnIndex(field));
}

QVariant DbmsDataSource::ValueAt(qint64 position, int column) {
    // A row being added is not at any position yet: the row there keeps its own values.
    if (position == m_pos && m_loaded && !m_isNew) return m_row[size_t(column)];
    const auto* row = PageRow(position);
    return row ? (*row)[size_t(column)] : QVariant();
}

QString DbmsDataSource::TextAt(qint64 position, const QString& field, bool convert) {
    const int idx = ColumnIndex(field);
    return DbmsFormatValue(m_fields[size_t(idx)].Type, ValueAt(position, idx),
                           convert || m_options.CurrencyConversion ? m_db.get() : nullptr,
                           m_fields[size_t(idx)].Digits);
}

QVariant DbmsDataSource::Sum(const QString& field) {
    const int idx = ColumnIndex(field);
    const DbmsFieldInfo& f = m_fields[size_t(idx)];
    const bool money = f.Type == DbmsType::Money;
    if (!money && f.Type != DbmsType::Integer && f.Type != DbmsType::Count &&
        f.Type != DbmsType::Boolean)
        throw DbmsError(DbmsError::BadValue,
                        QString("Il campo %1 non è numerico e non può essere sommato").arg(f.Name));
    LeaveCurrent(); // pending changes count
    const Query q = BuildQuery();
    // Stored amounts are whole ten-thousandths, so SQLite's integer SUM is exact.
    SQLite::Statement st(m_storage->Connection(),
                         q.Sql("IFNULL(SUM(" + ColumnSql(f) + "), 0)", false).toStdString());
    q.Bind(st, false);
    st.executeStep();
    const qint64 whole = st.getColumn(0).getInt64();
    return money ? QVariant::fromValue(Money::FromUnits(whole)) : QVariant(whole);
}

void DbmsDataSource::ApplyFilter(const QString& filter) {
    LeaveCurrent();
    const QString old = m_applied;
    m_applied = filter;
    try {
        ResetCursor();
    } catch (...) {
        m_applied = old;
        ResetCursor();
        throw;
    }
    m_pos = 0;
    m_loaded = false;
}

void DbmsDataSource::SetOrder(const QString& order) {
    const QString old = m_order;
    m_order = order;
    try {
        Refresh(true);
    } catch (...) {
        m_order = old;
        Refresh(true);
        throw;
    }
}

void DbmsDataSource::Refresh(bool keepPosition, int, int) {
    const OID current = (keepPosition && !m_isNew && m_loaded) ? m_rowOid : 0;
    LeaveCurrent();
    const qint64 oldPos = m_pos;
    ResetCursor();
    m_loaded = false;
    m_pos = 0;
    if (current) {
        const qint64 p = PositionOf(current);
        m_pos = p >= 0 ? p : 0;
    } else if (keepPosition && oldPos > 0) {
        m_pos = oldPos;
    }
}

std::shared_ptr<DbmsDataSource> DbmsDataSource::Clone() {
    LeaveCurrent();
    auto copy = std::make_shared<DbmsDataSource>(m_db, m_def, m_options, m_binding);
    copy->m_order = m_order;
    copy->m_applied = m_applied;
    copy->ResetCursor();
    const OID oid = CurrentOID();
    if (oid) copy->Locate(oid);
    return copy;
}
