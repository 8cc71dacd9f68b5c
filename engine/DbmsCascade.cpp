#include "DbmsCascade.h"

#include <set>

namespace {
std::vector<OID> Oids(DbmsStorage& storage, const QString& sql, OID key) {
    std::vector<OID> out;
    auto& st = storage.Cached(sql);
    st.bind(1, static_cast<int64_t>(key));
    while (st.executeStep())
        out.push_back(st.getColumn(0).getInt64());
    st.reset();
    return out;
}

void Exec(DbmsStorage& storage, const QString& sql, OID key) {
    auto& st = storage.Cached(sql);
    st.bind(1, static_cast<int64_t>(key));
    st.exec();
}

struct Walk {
    DbmsDatabase& Db;
    const DbmsCascadeVisit& Visit;
    std::set<std::pair<QString, OID>> Seen; // a row reached twice is taken once

    void Row(const DbmsTableDef& def, OID oid, bool part) {
        if (!Seen.emplace(def.Name, oid).second) return;
        Visit(def, oid, part);
        DbmsStorage& storage = *Db.Storage();
        for (const auto& r : def.References) {
            const DbmsTableDef* target = Db.TableDef(r.Target);
            if (!r.Multiple || !r.Owned || !target) continue;
            const QString link = DbmsQuoteId(DbmsLinkTable(def.Name, r.Name));
            for (OID item :
                 Oids(storage, "SELECT OID_Item FROM " + link + " WHERE OID_Owner = ?", oid))
                Row(*target, item, part);
        }
        for (const auto& other : Db.TableDefs())
            if (other->ParentTable == def.Name)
                for (OID child : Oids(storage,
                                      "SELECT OID FROM " + DbmsQuoteId(other->Name) + " WHERE " +
                                          DbmsQuoteId(other->ParentLinkField()) + " = ?",
                                      oid))
                    Row(*other, child, false);
    }
};
} // namespace

void DbmsWalkDelete(DbmsDatabase& db, const DbmsTableDef& def, OID oid,
                    const DbmsCascadeVisit& visit) {
    Walk{db, visit, {}}.Row(def, oid, true);
}

void DbmsDeleteRow(DbmsDatabase& db, const DbmsTableDef& def, OID oid) {
    // The rows are found first and deleted after, so the walk never reads what it removed.
    std::vector<std::pair<const DbmsTableDef*, OID>> taken;
    DbmsWalkDelete(db, def, oid,
                   [&](const DbmsTableDef& d, OID o, bool) { taken.emplace_back(&d, o); });
    DbmsStorage& storage = *db.Storage();
    for (const auto& [row, key] : taken) {
        for (const auto& r : row->References)
            if (r.Multiple)
                Exec(storage,
                     "DELETE FROM " + DbmsQuoteId(DbmsLinkTable(row->Name, r.Name)) +
                         " WHERE OID_Owner = ?",
                     key);
        for (const auto& other : db.TableDefs())
            for (const auto& r : other->References) {
                if (r.Target != row->Name) continue;
                if (r.Multiple)
                    Exec(storage,
                         "DELETE FROM " + DbmsQuoteId(DbmsLinkTable(other->Name, r.Name)) +
                             " WHERE OID_Item = ?",
                         key);
                else
                    Exec(storage,
                         "UPDATE " + DbmsQuoteId(other->Name) + " SET " +
                             DbmsQuoteId("OID_" + r.Name) + " = NULL WHERE " +
                             DbmsQuoteId("OID_" + r.Name) + " = ?",
                         key);
            }
        Exec(storage, "DELETE FROM " + DbmsQuoteId(row->Name) + " WHERE OID = ?", key);
    }
}
