// Copying a transfer's rows in sets: the source file is attached to the destination's
// connection and each set goes across in a few INSERT ... SELECT statements. It is used only
// where the result is the one row by row gives, so the rules of the transfer stay in one
// place (DbmsTransfer.cpp):
// - keeping OIDs, every row each reference of the copied rows names (single references, the
//   parent link, members of collections, and the same for the owned rows brought along) is
//   already in the destination, or among the rows copied when it names their own table: no
//   row has to be brought along and no reference cleared;
// - no copied row's owned collection in the destination holds a row the source's does not:
//   none is left without its owner to be deleted;
// - the owned rows have no collections of their own;
// - importing, the table names no other row at all (its rows simply come in under new OIDs,
//   in the source data source's order).
// A row already in the destination is written only where a value differs; a table still
// empty in the destination takes the whole source table in one statement.

#include "DbmsTransferPlan.h"

#include <QFileInfo>
#include <sqlite3.h>

#include <algorithm>

namespace {

// The name under which the destination's connection reads a source file.
const QString kSchema = QStringLiteral("transfer_source");
// Rows per set: the progress sink hears of each after its set is written.
constexpr size_t kSetRows = 4096;

QString MainFile(DbmsStorage& storage) {
    return QString::fromUtf8(sqlite3_db_filename(storage.Connection().getHandle(), "main"));
}

bool SameFile(const QString& a, const QString& b) {
    return !a.isEmpty() && QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

// The schema name the source file is attached under: one still attached by an earlier
// transfer of the same caller's transaction, else a new one. Empty when it cannot be.
QString AttachSource(DbmsStorage& to, const QString& file) {
    SQLite::Database& db = to.Connection();
    QSet<QString> names;
    SQLite::Statement list(db, "PRAGMA database_list");
    while (list.executeStep()) {
        const QString name = QString::fromStdString(list.getColumn(1).getString());
        if (SameFile(QString::fromStdString(list.getColumn(2).getString()), file) &&
            name.startsWith(kSchema))
            return name;
        names.insert(name);
    }
    QString name = kSchema;
    for (int n = 2; names.contains(name); ++n)
        name = kSchema + QString::number(n);
    try {
        SQLite::Statement attach(db, ("ATTACH ? AS " + DbmsQuoteId(name)).toStdString());
        attach.bind(1, file.toStdString());
        attach.exec();
    } catch (const SQLite::Exception&) {
        return QString(); // too many files attached, or none to attach: row by row
    }
    return name;
}

// One set of rows to copy: the source OIDs from `First` to `Last` when the rows are the whole
// table in OID order, else their list as a JSON array.
struct Set {
    OID First = 0, Last = 0;
    std::string Oids;
};

class Bulk {
public:
    Bulk(itfTransferPlans& plans, DbmsStorage& to, QString schema, bool keep, bool whole,
         bool ranged)
        : m_plans(plans), m_to(to), m_schemaName(schema), m_schema(DbmsQuoteId(schema) + '.'),
          m_keep(keep), m_whole(whole), m_ranged(ranged) {}

    // Whether copying in sets gives what copying row by row gives (see the top of the file).
    // For a whole table the references are checked on every row of the tables concerned, not
    // only on the rows copied: quicker, and stricter only where the source names rows it
    // lacks (those transfers then go row by row).
    bool Applies() {
        DbmsTablePlan& main = m_plans.Main();
        if (main.Columns.empty()) return false;
        if (!m_keep) {
            for (const auto& c : main.Columns)
                if (c.SourceTarget) return false;
            return main.Collections.empty();
        }
        if (!NamedRowsPresent(main, m_whole ? QString() : Selected("x.OID"))) return false;
        for (auto& link : main.Collections) {
            DbmsTablePlan& items = m_plans.TargetOf(link);
            const QString links = Src(link.SourceLink) + " l" +
                                  (m_whole ? QString() : " WHERE " + Selected("l.OID_Owner"));
            if (Any("SELECT 1 FROM (SELECT DISTINCT l.OID_Item AS v FROM " + links +
                    ") WHERE typeof(v) <> 'integer'" +
                    (link.Owned ? QString() : " OR " + Absent("v", items))))
                return false;
            if (!link.Owned) continue;
            if (&items == &main || items.Columns.empty() || !items.Collections.empty())
                return false;
            if (Any("SELECT 1 FROM main." + DbmsQuoteId(link.Link) + " d WHERE " +
                    Selected("d.OID_Owner") + " AND NOT EXISTS (SELECT 1 FROM " +
                    Src(link.SourceLink) +
                    " s WHERE s.OID_Owner = d.OID_Owner AND s.OID_Item = d.OID_Item)"))
                return false;
            if (!NamedRowsPresent(
                    items, m_whole ? QString() : "x.OID IN (SELECT l.OID_Item FROM " + links + ')'))
                return false;
        }
        return true;
    }

    // Keeping OIDs, a table still empty in the destination with the very columns of the
    // source's takes all of it in one statement, which SQLite copies record by record; so do
    // the link tables of its collections when every link of the source is one the rows bring.
    void CopyIntoEmpty() {
        DbmsTablePlan& main = m_plans.Main();
        if (!m_keep || !m_whole || !Empty(main.Destination->Name) || !SameColumns(main)) return;
        m_mainDone = true;
        m_to.Execute("INSERT INTO main." + DbmsQuoteId(main.Destination->Name) + " SELECT * FROM " +
                     Src(*main.Source));
        m_linksDone.assign(main.Collections.size(), false);
        for (size_t i = 0; i < main.Collections.size(); ++i) {
            const auto& link = main.Collections[i];
            QString stray =
                "NOT EXISTS (SELECT 1 FROM " + Src(*main.Source) + " t WHERE t.OID = l.OID_Owner)";
            if (link.Owned)
                stray += " OR NOT EXISTS (SELECT 1 FROM " + Src(*link.SourceTarget) +
                         " u WHERE u.OID = l.OID_Item)";
            if (!Empty(link.Link) ||
                Any("SELECT 1 FROM " + Src(link.SourceLink) + " l WHERE " + stray))
                continue;
            m_linksDone[i] = true;
            m_to.Execute("INSERT INTO main." + DbmsQuoteId(link.Link) + " SELECT * FROM " +
                         Src(link.SourceLink));
        }
    }

    void CopySet(const Set& set) {
        DbmsTablePlan& main = m_plans.Main();
        const QString rows = Src(*main.Source) + " x WHERE " + Chosen("x.OID");
        if (m_mainDone) {
            // copied whole already
        } else if (m_keep || m_ranged) {
            Run(Write(main, rows + (m_keep ? "" : " ORDER BY x.OID")), set);
        } else { // new OIDs follow the data source's order
            Run(Write(main, "json_each(?1) j CROSS JOIN " + Src(*main.Source) +
                                " x ON x.OID = j.value WHERE true ORDER BY j.key"),
                set);
        }
        for (size_t i = 0; i < main.Collections.size(); ++i) {
            auto& link = main.Collections[i];
            const QString to = "main." + DbmsQuoteId(link.Link);
            const QString links = Src(link.SourceLink) + " l WHERE " + Chosen("l.OID_Owner");
            QString linked = "SELECT l.OID_Owner, l.OID_Item FROM " + links;
            if (link.Owned) {
                // An owned row always comes from the source; a link to one it lacks is dropped.
                DbmsTablePlan& items = m_plans.TargetOf(link);
                Run(Write(items, Src(*items.Source) + " x WHERE x.OID IN (SELECT l.OID_Item FROM " +
                                     links + ")"),
                    set);
                linked += " AND EXISTS (SELECT 1 FROM " + Src(*items.Source) +
                          " y WHERE y.OID = l.OID_Item)";
            }
            if (m_mainDone && m_linksDone[i]) continue;
            Run("DELETE FROM " + to + " WHERE " + Chosen("OID_Owner"), set);
            Run("INSERT OR IGNORE INTO " + to + " (OID_Owner, OID_Item) " + linked, set);
        }
    }

private:
    QString Src(const DbmsTableDef& def) const { return m_schema + DbmsQuoteId(def.Name); }
    QString Src(const QString& table) const { return m_schema + DbmsQuoteId(table); }

    bool Empty(const QString& table) { return !Any("SELECT 1 FROM main." + DbmsQuoteId(table)); }

    QStringList ColumnsOf(const QString& schema, const QString& table) {
        SQLite::Statement st(m_to.Connection(), "SELECT lower(name) FROM pragma_table_info(?, ?)");
        st.bind(1, table.toStdString());
        st.bind(2, schema.toStdString());
        QStringList names;
        while (st.executeStep())
            names << QString::fromStdString(st.getColumn(0).getString());
        return names;
    }

    // Both tables have the same columns in the same order, and the plan takes every one.
    bool SameColumns(const DbmsTablePlan& plan) {
        const QStringList columns = ColumnsOf("main", plan.Destination->Name);
        if (columns != ColumnsOf(m_schemaName, plan.Source->Name) ||
            columns.size() != qsizetype(plan.Columns.size()) + 1 || !columns.contains("oid"))
            return false;
        for (const auto& c : plan.Columns)
            if (!columns.contains(c.Name.toLower())) return false;
        return true;
    }

    // SQL true when `oid` is one of the rows to copy.
    QString Selected(const QString& oid) const {
        return m_whole ? "EXISTS (SELECT 1 FROM " + Src(*m_plans.Main().Source) +
                             " s0 WHERE s0.OID = " + oid + ')'
                       : oid + " IN (SELECT OID FROM temp.transfer_rows)";
    }

    // SQL true when `oid` is one of the rows of the set being copied.
    QString Chosen(const QString& oid) const {
        return m_ranged ? oid + " BETWEEN ?1 AND ?2"
                        : oid + " IN (SELECT value FROM json_each(?1))";
    }

    // SQL true when a row the source names by `value` is not in the destination (nor among
    // the rows to copy, for their own table).
    QString Absent(const QString& value, const DbmsTablePlan& target) const {
        QString absent = "NOT EXISTS (SELECT 1 FROM main." + DbmsQuoteId(target.Destination->Name) +
                         " y WHERE y.OID = " + value + ')';
        if (&target == &m_plans.Main()) absent += " AND NOT " + Selected(value);
        return absent;
    }

    // Whether every row named by the references of the rows `which` selects (empty: all) is
    // there to be named.
    bool NamedRowsPresent(DbmsTablePlan& plan, const QString& which) {
        for (auto& column : plan.Columns) {
            if (!column.SourceTarget) continue;
            DbmsTablePlan& target = m_plans.TargetOf(column);
            if (&target == &plan && &plan != &m_plans.Main()) return false;
            if (Any("SELECT 1 FROM (SELECT DISTINCT x." + DbmsQuoteId(column.Name) + " AS v FROM " +
                    Src(*plan.Source) + " x" + (which.isEmpty() ? QString() : " WHERE " + which) +
                    ") WHERE v IS NOT NULL AND (typeof(v) <> 'integer' OR " + Absent("v", target) +
                    ")"))
                return false;
        }
        return true;
    }

    // INSERT ... SELECT of the plan's columns from `from` (alias x): under the source's OIDs,
    // a row already there updated only where a value differs; or under new OIDs.
    QString Write(const DbmsTablePlan& plan, const QString& from) const {
        QStringList names, values, sets, differs;
        for (const auto& c : plan.Columns) {
            const QString name = DbmsQuoteId(c.Name);
            names << name;
            values << "x." + name;
            sets << name + " = excluded." + name;
            differs << name + " IS NOT excluded." + name + " COLLATE BINARY";
        }
        const QString into = "INSERT INTO main." + DbmsQuoteId(plan.Destination->Name);
        if (!m_keep)
            return into + " (" + names.join(", ") + ") SELECT " + values.join(", ") + " FROM " +
                   from;
        return into + " (OID, " + names.join(", ") + ") SELECT x.OID, " + values.join(", ") +
               " FROM " + from + " ON CONFLICT(OID) DO UPDATE SET " + sets.join(", ") + " WHERE " +
               differs.join(" OR ");
    }

    bool Any(const QString& sql) {
        SQLite::Statement st(m_to.Connection(), (sql + " LIMIT 1").toStdString());
        return st.executeStep();
    }

    void Run(const QString& sql, const Set& set) {
        auto it = m_statements.find(sql);
        if (it == m_statements.end())
            it = m_statements
                     .emplace(sql, std::make_unique<SQLite::Statement>(m_to.Connection(),
                                                                       sql.toStdString()))
                     .first;
        SQLite::Statement& st = *it->second;
        st.reset();
        if (m_ranged) {
            st.bind(1, int64_t(set.First));
            st.bind(2, int64_t(set.Last));
        } else {
            st.bindNoCopy(1, set.Oids);
        }
        st.exec();
    }

    itfTransferPlans& m_plans;
    DbmsStorage& m_to;
    const QString m_schemaName;
    const QString m_schema; // the name quoted, with its dot
    const bool m_keep;
    const bool m_whole;  // the rows are every row of the source table
    const bool m_ranged; // ... in OID order: a set is a range of OIDs
    std::unordered_map<QString, std::unique_ptr<SQLite::Statement>> m_statements;
    bool m_mainDone = false;       // the whole table copied into the empty one
    std::vector<bool> m_linksDone; // ... and the links of each collection
};

} // namespace

bool DbmsTransferInBulk(itfTransferPlans& plans, DbmsDataSource& source, DbmsDatabase& to,
                        bool keepOids, const std::vector<OID>& rows, itfProgress* progress,
                        const QString& operation) {
    DbmsStorage& from = *source.Database()->Storage();
    DbmsStorage& storage = *to.Storage();
    const QString file = MainFile(from);
    if (rows.empty() || file.isEmpty() || SameFile(file, MainFile(storage))) return false;
    const QString schema = AttachSource(storage, file);
    if (schema.isEmpty()) return false;
    // A plain data source over the whole table selects every row of it.
    const bool whole = source.ReferenceBinding().OwnerTable.isEmpty() && !source.IsSummary() &&
                       source.Filter().isEmpty() && source.BaseFilter().isEmpty();
    if (!whole) {
        storage.Execute("CREATE TEMP TABLE IF NOT EXISTS transfer_rows (OID INTEGER PRIMARY KEY)");
        storage.Execute("DELETE FROM temp.transfer_rows");
        SQLite::Statement fill(storage.Connection(), "INSERT OR IGNORE INTO temp.transfer_rows "
                                                     "SELECT value FROM json_each(?)");
        fill.bind(1, DbmsDataSource::OidArray(rows).toStdString());
        fill.exec();
    }
    const bool ranged = whole && std::is_sorted(rows.begin(), rows.end());
    Bulk bulk(plans, storage, schema, keepOids, whole, ranged);
    if (!bulk.Applies()) return false;
    bulk.CopyIntoEmpty();
    qint64 done = 0;
    for (size_t begin = 0; begin < rows.size(); begin += kSetRows) {
        const size_t end = std::min(rows.size(), begin + kSetRows);
        Set set{rows[begin], rows[end - 1], {}};
        if (!ranged)
            set.Oids =
                DbmsDataSource::OidArray({rows.begin() + begin, rows.begin() + end}).toStdString();
        bulk.CopySet(set);
        if (progress)
            while (done < qint64(end))
                DbmsCheckProgress(*progress, operation, ++done);
    }
    return true;
}

void DbmsDetachTransferSources(DbmsStorage& to) noexcept {
    try {
        if (!to.IsOpen() || !sqlite3_get_autocommit(to.Connection().getHandle())) return;
        QStringList attached;
        {
            SQLite::Statement list(to.Connection(), "PRAGMA database_list");
            while (list.executeStep()) {
                const QString name = QString::fromStdString(list.getColumn(1).getString());
                if (name.startsWith(kSchema)) attached << name;
            }
        }
        for (const QString& name : attached)
            to.Connection().exec(("DETACH " + DbmsQuoteId(name)).toStdString());
    } catch (...) {
        // Still in use: the next transfer tries again, closing the archive lets go of it.
    }
}
