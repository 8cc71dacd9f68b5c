#include "DbmsCascade.h"

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
} // namespace

void DbmsDeleteRow(DbmsDatabase& db, const DbmsTableDef& def, OID oid) {
    DbmsStorage& storage = *db.Storage();
    for (const auto& r : def.References) {
        if (!r.Multiple) continue;
        const QString link = DbmsQuoteId(DbmsLinkTable(def.Name, r.Name));
        std::vector<OID> owned;
        if (r.Owned)
            owned = Oids(storage, "SELECT OID_Item FROM " + link + " WHERE OID_Owner = ?", oid);
        Exec(storage, "DELETE FROM " + link + " WHERE OID_Owner = ?", oid);
        if (const DbmsTableDef* target = db.TableDef(r.Target))
            for (OID item : owned)
                DbmsDeleteRow(db, *target, item);
    }
    for (const auto& other : db.TableDefs()) {
        for (const auto& r : other->References) {
            if (r.Target != def.Name) continue;
            if (r.Multiple)
                Exec(storage,
                     "DELETE FROM " + DbmsQuoteId(DbmsLinkTable(other->Name, r.Name)) +
                         " WHERE OID_Item = ?",
                     oid);
            else
                Exec(storage,
                     "UPDATE " + DbmsQuoteId(other->Name) + " SET " + DbmsQuoteId("OID_" + r.Name) +
                         " = NULL WHERE " + DbmsQuoteId("OID_" + r.Name) + " = ?",
                     oid);
        }
        if (other->ParentTable == def.Name) {
            const auto children = Oids(storage,
                                       "SELECT OID FROM " + DbmsQuoteId(other->Name) + " WHERE " +
                                           DbmsQuoteId(other->ParentLinkField()) + " = ?",
                                       oid);
            for (OID child : children)
                DbmsDeleteRow(db, *other, child);
        }
    }
    Exec(storage, "DELETE FROM " + DbmsQuoteId(def.Name) + " WHERE OID = ?", oid);
}
