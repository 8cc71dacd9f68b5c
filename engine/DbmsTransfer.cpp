#include "DbmsTransfer.h"

#include "DbmsCascade.h"
#include "DbmsTransferPlan.h"

#include <sqlite3.h>

#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

// A stored value carried across as it is: no conversion through QVariant, so nothing a
// column holds can change on the way.
struct RawValue {
    int Kind = SQLITE_NULL;
    int64_t Int = 0;
    double Real = 0;
    std::string Bytes;
};

RawValue ReadRaw(const SQLite::Column& column) {
    RawValue v;
    v.Kind = column.getType();
    switch (v.Kind) {
    case SQLITE_INTEGER:
        v.Int = column.getInt64();
        break;
    case SQLITE_FLOAT:
        v.Real = column.getDouble();
        break;
    case SQLITE_TEXT:
        v.Bytes = column.getString();
        break;
    case SQLITE_BLOB:
        v.Bytes.assign(static_cast<const char*>(column.getBlob()), size_t(column.getBytes()));
        break;
    default:
        break;
    }
    return v;
}

void BindRaw(SQLite::Statement& st, int index, const RawValue& v) {
    switch (v.Kind) {
    case SQLITE_INTEGER:
        st.bind(index, v.Int);
        break;
    case SQLITE_FLOAT:
        st.bind(index, v.Real);
        break;
    case SQLITE_TEXT:
        st.bindNoCopy(index, v.Bytes);
        break;
    case SQLITE_BLOB:
        st.bindNoCopy(index, v.Bytes.data(), int(v.Bytes.size()));
        break;
    default:
        st.bind(index);
        break;
    }
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const DbmsReferenceDef* FindReference(const DbmsTableDef& def, const QString& name) {
    for (const auto& r : def.References)
        if (SameName(r.Name, name)) return &r;
    return nullptr;
}

const DbmsFieldDef* FindField(const DbmsTableDef& def, const QString& name) {
    for (const auto& f : def.Fields)
        if (SameName(f.Name, name)) return &f;
    return nullptr;
}

// What tells an imported row's target apart from an unrelated row: the code where the table
// has one, else the description. A table with neither always brings its rows.
const QString kIdentityFields[] = {"Codice", "Descrizione"};

class Transfer : public itfTransferPlans {
public:
    Transfer(DbmsDatabase& from, DbmsDatabase& to, const DbmsTableDef& source,
             const DbmsTableDef& destination, DbmsTransferMode mode)
        : m_from(from), m_to(to), m_fromStorage(*from.Storage()), m_toStorage(*to.Storage()),
          m_keep(mode == DbmsTransferMode::KeepOids) {
        m_main = &MakePlan(source, destination);
    }

    DbmsTablePlan& Main() override { return *m_main; }
    DbmsTablePlan& TargetOf(DbmsTablePlan::Column& column) override { return Resolve(column); }
    DbmsTablePlan& TargetOf(DbmsTablePlan::Collection& collection) override {
        return Resolve(collection);
    }

    // One row of the source data source: always written, unless this run wrote it already.
    void TransferRow(OID oid) {
        auto it = m_main->Rows.find(oid);
        if (it != m_main->Rows.end() && it->second.Fate == DbmsRowFate::Written) return;
        Copy(*m_main, oid);
    }

    // References that could not be set while their target was still being written (a row
    // imported together with a row naming it back).
    void Finish() {
        for (const Fixup& f : m_fixups) {
            auto it = f.Target->Rows.find(f.SourceTarget);
            const OID target = it != f.Target->Rows.end() && it->second.Fate == DbmsRowFate::Written
                                   ? it->second.Target
                                   : 0;
            if (target == 0) continue;
            auto& st = m_toStorage.Cached(f.Sql);
            st.bind(1, int64_t(target));
            st.bind(2, int64_t(f.Owner));
            st.exec();
        }
        m_fixups.clear();
    }

private:
    struct Fixup {
        QString Sql; // binds the target's new OID, then the owner's
        OID Owner = 0;
        DbmsTablePlan* Target = nullptr;
        OID SourceTarget = 0;
    };

    DbmsTablePlan& MakePlan(const DbmsTableDef& src, const DbmsTableDef& dst) {
        auto owned = std::make_unique<DbmsTablePlan>();
        DbmsTablePlan& plan = *owned;
        m_plans.emplace(&src, std::move(owned));
        plan.Source = &src;
        plan.Destination = &dst;
        for (const auto& f : src.Fields)
            for (const auto& g : dst.Fields)
                if (SameName(f.Name, g.Name)) plan.Columns.push_back({f.Name, nullptr, nullptr});
        // A reference goes across only where both sides name the same table with it.
        auto targetOf = [&](const QString& srcTarget, const QString& dstTarget) {
            const DbmsTableDef* s = m_from.TableDef(srcTarget);
            return SameName(srcTarget, dstTarget) && m_to.TableDef(dstTarget) ? s : nullptr;
        };
        for (const auto& r : src.References) {
            const DbmsReferenceDef* d = FindReference(dst, r.Name);
            if (!d || d->Multiple != r.Multiple) continue;
            const DbmsTableDef* target = targetOf(r.Target, d->Target);
            if (!target) continue;
            if (!r.Multiple) {
                plan.Columns.push_back({"OID_" + r.Name, target, nullptr});
                continue;
            }
            const QString from = DbmsQuoteId(DbmsLinkTable(src.Name, r.Name));
            const QString to = DbmsQuoteId(DbmsLinkTable(dst.Name, d->Name));
            plan.Collections.push_back(
                {d->Owned, target, nullptr, DbmsLinkTable(src.Name, r.Name),
                 DbmsLinkTable(dst.Name, d->Name),
                 "SELECT OID_Item FROM " + from + " WHERE OID_Owner = ?",
                 "SELECT OID_Item FROM " + to + " WHERE OID_Owner = ?",
                 "DELETE FROM " + to + " WHERE OID_Owner = ?",
                 "INSERT OR IGNORE INTO " + to + " (OID_Item, OID_Owner) VALUES (?, ?)"});
        }
        if (!src.ParentTable.isEmpty() && !dst.ParentTable.isEmpty())
            if (const DbmsTableDef* parent = targetOf(src.ParentTable, dst.ParentTable))
                plan.Columns.push_back({src.ParentLinkField(), parent, nullptr});

        QStringList names, marks, sets;
        for (const auto& c : plan.Columns) {
            names << DbmsQuoteId(c.Name);
            marks << "?";
            sets << DbmsQuoteId(c.Name) + " = excluded." + DbmsQuoteId(c.Name);
        }
        const QString table = DbmsQuoteId(dst.Name);
        plan.ReadSql = "SELECT " + QStringList(QStringList{"OID"} + names).join(", ") + " FROM " +
                       DbmsQuoteId(src.Name) + " WHERE OID = ?";
        plan.ExistsSql = "SELECT 1 FROM " + table + " WHERE OID = ?";
        for (const QString& field : kIdentityFields) {
            const DbmsFieldDef* s = FindField(src, field);
            const DbmsFieldDef* d = FindField(dst, field);
            if (!s || !d) continue;
            plan.IdentitySql = "SELECT " + DbmsQuoteId(s->Name) + " FROM " + DbmsQuoteId(src.Name) +
                               " WHERE OID = ?";
            plan.SameSql = "SELECT OID FROM " + table + " WHERE " + DbmsQuoteId(d->Name) +
                           " = ? ORDER BY OID LIMIT 1";
            break;
        }
        if (m_keep)
            plan.WriteSql = "INSERT INTO " + table + " (" +
                            QStringList(QStringList{"OID"} + names).join(", ") + ") VALUES (" +
                            QStringList(QStringList{"?"} + marks).join(", ") +
                            ") ON CONFLICT(OID) DO " +
                            (sets.isEmpty() ? "NOTHING" : "UPDATE SET " + sets.join(", "));
        else if (names.isEmpty())
            plan.WriteSql = "INSERT INTO " + table + " DEFAULT VALUES";
        else
            plan.WriteSql = "INSERT INTO " + table + " (" + names.join(", ") + ") VALUES (" +
                            marks.join(", ") + ")";
        return plan;
    }

    DbmsTablePlan& PlanFor(const DbmsTableDef* source) {
        auto it = m_plans.find(source);
        if (it != m_plans.end()) return *it->second;
        return MakePlan(*source, *m_to.TableDef(source->Name));
    }

    template <typename Link> DbmsTablePlan& Resolve(Link& link) {
        if (!link.Target) link.Target = &PlanFor(link.SourceTarget);
        return *link.Target;
    }

    // The source row's columns in plan order, or nothing when the source has no such row.
    std::optional<std::vector<RawValue>> ReadSource(const DbmsTablePlan& plan, OID oid) {
        auto& st = m_fromStorage.Cached(plan.ReadSql);
        st.bind(1, int64_t(oid));
        if (!st.executeStep()) return std::nullopt;
        std::vector<RawValue> values;
        values.reserve(plan.Columns.size());
        for (size_t i = 0; i < plan.Columns.size(); ++i)
            values.push_back(ReadRaw(st.getColumn(int(i) + 1)));
        st.reset();
        return values;
    }

    bool InDestination(const DbmsTablePlan& plan, OID oid) {
        auto& st = m_toStorage.Cached(plan.ExistsSql);
        st.bind(1, int64_t(oid));
        const bool found = st.executeStep();
        st.reset();
        return found;
    }

    std::vector<OID> Items(DbmsStorage& storage, const QString& sql, OID owner) {
        auto& st = storage.Cached(sql);
        st.bind(1, int64_t(owner));
        std::vector<OID> items;
        while (st.executeStep())
            items.push_back(st.getColumn(0).getInt64());
        return items;
    }

    // The destination OID a reference to a source row becomes: when saving, the destination's
    // own row with that OID; when importing, the destination's row with the same code or
    // description. Else the row brought across. nullopt while the row is still being imported
    // (set afterwards by Finish); 0 when there is no such row at all.
    std::optional<OID> Referenced(DbmsTablePlan& plan, OID oid) {
        if (auto it = plan.Rows.find(oid); it != plan.Rows.end()) {
            const DbmsRowState& s = it->second;
            if (s.Fate == DbmsRowFate::Busy && !m_keep) return std::nullopt;
            return s.Target;
        }
        if (const OID same = m_keep ? (InDestination(plan, oid) ? oid : 0) : SameRow(plan, oid)) {
            plan.Rows[oid] = {DbmsRowFate::Kept, same};
            return same;
        }
        return CopyOrMiss(plan, oid);
    }

    // The destination row holding the same thing as a source row, or 0. An OID alone says
    // nothing across archives: the same number is another customer there.
    OID SameRow(const DbmsTablePlan& plan, OID oid) {
        if (plan.IdentitySql.isEmpty()) return 0;
        auto& identity = m_fromStorage.Cached(plan.IdentitySql);
        identity.bind(1, int64_t(oid));
        if (!identity.executeStep()) return 0;
        const RawValue value = ReadRaw(identity.getColumn(0));
        identity.reset();
        if (value.Kind == SQLITE_NULL || (value.Kind == SQLITE_TEXT && value.Bytes.empty()))
            return 0;
        auto& same = m_toStorage.Cached(plan.SameSql);
        BindRaw(same, 1, value);
        const OID found = same.executeStep() ? same.getColumn(0).getInt64() : 0;
        same.reset();
        return found;
    }

    // A row of an owned collection: it belongs to its owner, so it is always brought across.
    std::optional<OID> Owned(DbmsTablePlan& plan, OID oid) {
        if (auto it = plan.Rows.find(oid); it != plan.Rows.end()) {
            const DbmsRowState& s = it->second;
            if (s.Fate == DbmsRowFate::Busy && !m_keep) return std::nullopt;
            if (s.Fate != DbmsRowFate::Kept) return s.Target;
        }
        return CopyOrMiss(plan, oid);
    }

    OID CopyOrMiss(DbmsTablePlan& plan, OID oid) {
        const OID written = Copy(plan, oid);
        if (written == 0) plan.Rows[oid] = {DbmsRowFate::Missing, 0};
        return written;
    }

    // Writes one source row and what hangs on it; its destination OID, 0 when the source
    // has no such row.
    OID Copy(DbmsTablePlan& plan, OID oid) {
        std::optional<std::vector<RawValue>> values = ReadSource(plan, oid);
        if (!values) return 0;
        // Node-based map: the reference stays valid while the rows it leads to are added.
        DbmsRowState& state = plan.Rows[oid];
        state = {DbmsRowFate::Busy, m_keep ? oid : 0};

        // The rows it names come first: an imported row is written with their new OIDs.
        std::vector<std::pair<size_t, OID>> later;
        for (size_t i = 0; i < plan.Columns.size(); ++i) {
            DbmsTablePlan::Column& column = plan.Columns[i];
            RawValue& v = (*values)[i];
            if (!column.SourceTarget || v.Kind == SQLITE_NULL) continue;
            if (v.Kind != SQLITE_INTEGER) {
                v = RawValue{}; // not a row identifier: it names nothing
                continue;
            }
            const std::optional<OID> target = Referenced(TargetOf(column), v.Int);
            if (!target) later.emplace_back(i, v.Int);
            if (!target || *target == 0)
                v = RawValue{};
            else
                v.Int = *target;
        }

        auto& st = m_toStorage.Cached(plan.WriteSql);
        int index = 1;
        if (m_keep) st.bind(index++, int64_t(oid));
        for (const RawValue& v : *values)
            BindRaw(st, index++, v);
        st.exec();
        const OID written = m_keep ? oid : m_toStorage.Connection().getLastInsertRowid();
        state = {DbmsRowFate::Written, written};

        for (const auto& [i, sourceTarget] : later)
            m_fixups.push_back({"UPDATE " + DbmsQuoteId(plan.Destination->Name) + " SET " +
                                    DbmsQuoteId(plan.Columns[i].Name) + " = ? WHERE OID = ?",
                                written, plan.Columns[i].Target, sourceTarget});
        for (auto& collection : plan.Collections)
            CopyCollection(collection, oid, written);
        return written;
    }

    // The destination row's collection becomes the source row's.
    void CopyCollection(DbmsTablePlan::Collection& collection, OID source, OID written) {
        const std::vector<OID> items = Items(m_fromStorage, collection.SourceItemsSql, source);
        std::vector<OID> previous;
        if (m_keep) {
            if (collection.Owned) previous = Items(m_toStorage, collection.ItemsSql, written);
            auto& st = m_toStorage.Cached(collection.UnlinkSql);
            st.bind(1, int64_t(written));
            st.exec();
        }
        DbmsTablePlan& target = TargetOf(collection);
        std::unordered_set<OID> linked;
        for (OID item : items) {
            const std::optional<OID> d =
                collection.Owned ? Owned(target, item) : Referenced(target, item);
            if (!d) {
                m_fixups.push_back({collection.LinkSql, written, &target, item});
                continue;
            }
            if (*d == 0) continue;
            auto& st = m_toStorage.Cached(collection.LinkSql);
            st.bind(1, int64_t(*d));
            st.bind(2, int64_t(written));
            st.exec();
            linked.insert(*d);
        }
        for (OID old : previous)
            if (!linked.count(old)) DropOrphan(target, old);
    }

    // A row the replaced owner no longer holds would belong to nobody: it goes, as when it
    // is taken out of the collection, unless this run uses it or another owner holds it.
    void DropOrphan(DbmsTablePlan& target, OID oid) {
        if (target.Rows.count(oid)) return;
        for (const auto& def : m_to.TableDefs())
            for (const auto& r : def->References) {
                if (!r.Multiple || !r.Owned || !SameName(r.Target, target.Destination->Name))
                    continue;
                auto& st = m_toStorage.Cached("SELECT 1 FROM " +
                                              DbmsQuoteId(DbmsLinkTable(def->Name, r.Name)) +
                                              " WHERE OID_Item = ? LIMIT 1");
                st.bind(1, int64_t(oid));
                const bool held = st.executeStep();
                st.reset();
                if (held) return;
            }
        DbmsDeleteRow(m_to, *target.Destination, oid);
    }

    DbmsDatabase& m_from;
    DbmsDatabase& m_to;
    DbmsStorage& m_fromStorage;
    DbmsStorage& m_toStorage;
    const bool m_keep;
    std::unordered_map<const DbmsTableDef*, std::unique_ptr<DbmsTablePlan>> m_plans;
    DbmsTablePlan* m_main = nullptr;
    std::vector<Fixup> m_fixups;
};

} // namespace

void DbmsTransferRows(DbmsDataSource& source, DbmsDataSource& destination, DbmsTransferMode mode,
                      itfProgress* progress) {
    DbmsDatabase& from = *source.Database();
    DbmsDatabase& to = *destination.Database();
    if (!from.Storage() || !to.Storage())
        throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    to.Storage()->CheckWritable();
    const QString op = "Transfer " + destination.TableDef().Name;
    to.NotifyEvent(DbmsEvent::Transferring, destination.TableDef().Caption);

    std::vector<OID> rows;
    for (qint64 i = 0;; ++i) {
        const OID oid = source.OIDAt(i);
        if (oid == 0) break;
        rows.push_back(oid);
    }
    // Copying in sets reads the source's file as committed: not while its own connection
    // holds changes of its own.
    const bool sourceIdle = from.Storage()->TransactionDepth() == 0;
    struct Detach {
        DbmsStorage& Storage;
        ~Detach() { DbmsDetachTransferSources(Storage); }
    } detach{*to.Storage()};
    try {
        // One read transaction on the source: a consistent picture, and no lock per statement.
        DbmsTransaction reading(*from.Storage());
        DbmsTransaction writing(*to.Storage());
        Transfer transfer(from, to, source.TableDef(), destination.TableDef(), mode);
        if (progress) progress->OnStart(op, qint64(rows.size()));
        if (!sourceIdle ||
            !DbmsTransferInBulk(transfer, source, to, mode == DbmsTransferMode::KeepOids, rows,
                                progress, op)) {
            qint64 done = 0;
            for (OID oid : rows) {
                transfer.TransferRow(oid);
                if (progress) DbmsCheckProgress(*progress, op, ++done);
            }
            transfer.Finish();
        }
        if (progress) progress->OnEnd(op);
        writing.Commit();
        reading.Commit();
    } catch (const SQLite::Exception& e) {
        to.Touch();
        throw to.Storage()->Failure(e, "Errore durante il trasferimento dei dati nell'archivio");
    } catch (...) {
        to.Touch();
        throw;
    }
    to.Touch();
    destination.Refresh(false);
}
