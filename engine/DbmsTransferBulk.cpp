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
// A row already in the destination is written only where a value differs.

#include "DbmsTransferPlan.h"

#include <QFileInfo>
#include <sqlite3.h>

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

class Bulk {
public:
    Bulk(itfTransferPlans& plans, DbmsStorage& to, QString schema, bool keep, bool whole)
        : m_plans(plans), m_to(to), m_schema(DbmsQuoteId(schema) + '.'), m_keep(keep),
          m_selected(whole ? "SELECT OID FROM " + Src(*plans.Main().Source)
                           : QString("SELECT OID FROM temp.transfer_rows")) {}

    // Whether copying in sets gives what copying row by row gives (see the top of the file).
    bool Applies() {
        DbmsTablePlan& main = m_plans.Main();
        if (main.Columns.empty()) return false;
        if (!m_keep) {
            for (const auto& c : main.Columns)
                if (c.SourceTarget) return false;
            return main.Collections.empty();
        }
        if (!NamedRowsPresent(main, m_selected)) return false;
        for (auto& link : main.Collections) {
            DbmsTablePlan& items = m_plans.TargetOf(link);
            const QString owners = "l.OID_Owner IN (" + m_selected + ')';
            if (Any("SELECT 1 FROM " + Src(link.SourceLink) + " l WHERE " + owners +
                    " AND (typeof(l.OID_Item) <> 'integer' OR " +
                    (link.Owned ? QString("false") : Absent("l.OID_Item", items)) + ")"))
                return false;
            if (!link.Owned) continue;
            if (&items == &main || items.Columns.empty() || !items.Collections.empty())
                return false;
            if (Any("SELECT 1 FROM main." + DbmsQuoteId(link.Link) + " d WHERE d.OID_Owner IN (" +
                    m_selected + ") AND NOT EXISTS (SELECT 1 FROM " + Src(link.SourceLink) +
                    " s WHERE s.OID_Owner = d.OID_Owner AND s.OID_Item = d.OID_Item)"))
                return false;
            if (!NamedRowsPresent(items, "SELECT l.OID_Item FROM " + Src(link.SourceLink) +
                                             " l WHERE " + owners))
                return false;
        }
        return true;
    }

    // Writes the rows of one set (a JSON array of source OIDs, in the data source's order).
    void CopySet(const QString& oids) {
        DbmsTablePlan& main = m_plans.Main();
        Run(Write(main, "json_each(?1) j JOIN " + Src(*main.Source) +
                            " x ON x.OID = j.value WHERE true ORDER BY j.key"),
            oids);
        for (auto& link : main.Collections) {
            const QString owners = " WHERE l.OID_Owner IN (SELECT value FROM json_each(?1))";
            const QString to = "main." + DbmsQuoteId(link.Link);
            Run("DELETE FROM " + to + " WHERE OID_Owner IN (SELECT value FROM json_each(?1))",
                oids);
            QString linked =
                "SELECT l.OID_Owner, l.OID_Item FROM " + Src(link.SourceLink) + " l" + owners;
            if (link.Owned) {
                // An owned row always comes from the source; a link to one it lacks is dropped.
                DbmsTablePlan& items = m_plans.TargetOf(link);
                Run(Write(items, Src(*items.Source) + " x WHERE x.OID IN (SELECT l.OID_Item FROM " +
                                     Src(link.SourceLink) + " l" + owners + ")"),
                    oids);
                linked += " AND l.OID_Item IN (SELECT OID FROM " + Src(*items.Source) + ')';
            }
            Run("INSERT OR IGNORE INTO " + to + " (OID_Owner, OID_Item) " + linked, oids);
        }
    }

private:
    QString Src(const DbmsTableDef& def) const { return m_schema + DbmsQuoteId(def.Name); }
    QString Src(const QString& table) const { return m_schema + DbmsQuoteId(table); }

    // SQL true when a row the source names by `value` is not in the destination (nor among
    // the selected rows, for the table being copied).
    QString Absent(const QString& value, const DbmsTablePlan& target) {
        QString absent = "NOT EXISTS (SELECT 1 FROM main." + DbmsQuoteId(target.Destination->Name) +
                         " y WHERE y.OID = " + value + ')';
        if (&target == &m_plans.Main()) absent += " AND " + value + " NOT IN (" + m_selected + ')';
        return absent;
    }

    // Whether every row the references of the rows `oids` selects name is there to be named.
    bool NamedRowsPresent(DbmsTablePlan& plan, const QString& oids) {
        for (auto& column : plan.Columns) {
            if (!column.SourceTarget) continue;
            DbmsTablePlan& target = m_plans.TargetOf(column);
            if (&target == &plan && &plan != &m_plans.Main()) return false;
            const QString value = "x." + DbmsQuoteId(column.Name);
            if (Any("SELECT 1 FROM " + Src(*plan.Source) + " x WHERE x.OID IN (" + oids + ") AND " +
                    value + " IS NOT NULL AND (typeof(" + value + ") <> 'integer' OR " +
                    Absent(value, target) + ")"))
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

    void Run(const QString& sql, const QString& oids) {
        auto it = m_statements.find(sql);
        if (it == m_statements.end())
            it = m_statements
                     .emplace(sql, std::make_unique<SQLite::Statement>(m_to.Connection(),
                                                                       sql.toStdString()))
                     .first;
        SQLite::Statement& st = *it->second;
        st.reset();
        st.bind(1, oids.toStdString());
        st.exec();
    }

    itfTransferPlans& m_plans;
    DbmsStorage& m_to;
    const QString m_schema;
    const bool m_keep;
    const QString m_selected; // SQL giving the OIDs of every row to copy
    std::unordered_map<QString, std::unique_ptr<SQLite::Statement>> m_statements;
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
    Bulk bulk(plans, storage, schema, keepOids, whole);
    if (!bulk.Applies()) return false;
    qint64 done = 0;
    for (size_t begin = 0; begin < rows.size(); begin += kSetRows) {
        const size_t end = std::min(rows.size(), begin + kSetRows);
        bulk.CopySet(DbmsDataSource::OidArray({rows.begin() + begin, rows.begin() + end}));
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
