// Reads that go on after a given row in the data source's order, comparing the order keys with
// that row's values: finding the next row that matches a condition without reading every match
// or the whole row list, and reading the rest of an ordered list after its first rows.
#include "DbmsDataSource.h"

namespace {

// The condition "comes after the row whose keys hold `values`" in the order `keys`, then OID,
// as SQLite sorts: NULLs first ascending and last descending, texts without regard to case.
QString AfterRow(const std::vector<DbmsOrderKey>& keys, const std::vector<QVariant>& values,
                 OID oid, QVariantList& params) {
    QStringList alternatives;
    QString same; // every key so far equal to the row's
    QVariantList sameParams;
    for (size_t i = 0; i < keys.size(); ++i) {
        const DbmsOrderKey& key = keys[i];
        const QString expr = key.Text ? "(" + key.Sql + ") COLLATE NOCASE" : key.Sql;
        const QVariant& value = values[i];
        const bool null = value.isNull();
        QString after;
        if (null && !key.Descending)
            after = expr + " IS NOT NULL";
        else if (!null)
            after = key.Descending ? "(" + expr + " < ? OR " + expr + " IS NULL)" : expr + " > ?";
        if (!after.isEmpty()) {
            alternatives << same + after;
            params += sameParams;
            if (!null) params << value;
        }
        same += null ? expr + " IS NULL AND " : expr + " = ? AND ";
        if (!null) sameParams << value;
    }
    alternatives << same + "t.OID > ?";
    params += sameParams;
    params << oid;
    return "((" + alternatives.join(") OR (") + "))";
}

QVariant RawValue(const SQLite::Column& column) {
    if (column.isNull()) return QVariant();
    if (column.isInteger()) return qint64(column.getInt64());
    if (column.isFloat()) return column.getDouble();
    return QString::fromUtf8(column.getText());
}

} // namespace

void DbmsDataSource::ReadFirstRows() {
    const std::vector<DbmsOrderKey> keys = OrderKeys();
    QStringList select{"t.OID"};
    for (const DbmsOrderKey& key : keys)
        select << key.Sql;
    // Kept for reuse like the cursors: lookups open the same shape again and again.
    const QString sql = m_cursorQuery->Sql(select.join(", "), true) + " LIMIT ?";
    std::unique_ptr<SQLite::Statement> st = m_storage->TakeCursor(sql);
    m_cursorQuery->Bind(*st, true);
    st->bind(int(m_cursorQuery->Params.size() + m_cursorQuery->OrderParams.size() + 1),
             static_cast<int64_t>(FirstRows));
    qint64 read = 0;
    OID last = 0;
    std::vector<QVariant> values(keys.size());
    while (st->executeStep()) {
        ++read;
        last = st->getColumn(0).getInt64();
        for (size_t k = 0; k < keys.size(); ++k)
            values[k] = RawValue(st->getColumn(int(k + 1)));
        if (!m_appended.count(last)) m_oids.push_back(last);
    }
    m_storage->ReturnCursor(sql, std::move(st));
    if (read < FirstRows) {
        m_complete = true;
        m_cursorQuery.reset();
        return;
    }
    QVariantList params;
    const QString after = AfterRow(keys, values, last, params);
    m_cursorQuery->And(after, params);
    m_cursorSql = m_cursorQuery->Sql("t.OID", true);
}

qint64 DbmsDataSource::ScanFor(OID oid, qint64 from) {
    for (qint64 i = std::max<qint64>(from, 0);; ++i) {
        if (i >= qint64(m_oids.size()) && !EnsureRows(i + 1)) return -1;
        if (m_oids[size_t(i)] == oid) return i;
    }
}

bool DbmsDataSource::FindNext(const QString& condition, int, bool fromCurrent) {
    const Query base = BuildQuery(condition);
    const qint64 start = fromCurrent ? m_pos + 1 : 0;
    if (start > 0 && !EnsureRows(start)) return false; // past the end: nothing follows
    const std::vector<DbmsOrderKey> keys = OrderKeys();
    SQLite::Database& db = m_storage->Connection();

    // Rows added or changed through this data source keep their place in the list whatever
    // their values: the search starts after the last row before `start` that stands where the
    // order puts it, and those rows are looked at by position instead.
    Query q = base;
    for (qint64 i = start - 1; i >= 0; --i) {
        const OID oid = m_oids[size_t(i)];
        if (m_appended.count(oid)) continue;
        QStringList select{"t.OID"};
        for (const DbmsOrderKey& key : keys)
            select << key.Sql;
        SQLite::Statement st(
            db,
            ("SELECT " + select.join(", ") + " FROM " + m_from + " WHERE t.OID = ?").toStdString());
        st.bind(1, static_cast<int64_t>(oid));
        if (!st.executeStep()) continue; // deleted elsewhere: the row before it will do
        std::vector<QVariant> values;
        for (size_t k = 0; k < keys.size(); ++k)
            values.push_back(RawValue(st.getColumn(int(k + 1))));
        QVariantList params;
        const QString after = AfterRow(keys, values, oid, params);
        q.And(after, params);
        break;
    }
    // At most every such row comes before the first that counts.
    SQLite::Statement next(db, (q.Sql("t.OID", true) + " LIMIT ?").toStdString());
    q.Bind(next, true);
    next.bind(int(q.Params.size() + q.OrderParams.size() + 1),
              static_cast<int64_t>(m_appended.size() + 1));
    qint64 found = -1;
    while (next.executeStep()) {
        const OID oid = next.getColumn(0).getInt64();
        if (m_appended.count(oid)) continue;
        found = ScanFor(oid, start);
        break;
    }

    if (!m_appended.empty()) {
        // Rows out of order between the start and the match (or the end) that match too.
        const qint64 end = found >= 0 ? found : qint64(m_oids.size());
        std::vector<OID> between;
        for (qint64 i = start; i < end; ++i)
            if (m_appended.count(m_oids[size_t(i)])) between.push_back(m_oids[size_t(i)]);
        if (!between.empty()) {
            Query out = base;
            out.And("t.OID IN (SELECT value FROM json_each(?))", {OidArray(between)});
            SQLite::Statement st(db, out.Sql("t.OID", false).toStdString());
            out.Bind(st, false);
            std::unordered_set<OID> matching;
            while (st.executeStep())
                matching.insert(st.getColumn(0).getInt64());
            for (qint64 i = start; i < end; ++i)
                if (matching.count(m_oids[size_t(i)])) {
                    found = i;
                    break;
                }
        }
    }
    if (found < 0) return false;
    LeaveCurrent();
    m_pos = found;
    return true;
}
