// The relations are read from the table definitions alone, so every table gets its menus
// without the application naming them. Owned collections are parts of their owner row, not
// related data, and are never listed.
#include "DbmsRelations.h"

#include "DbmsCascade.h"

#include <map>
#include <set>

namespace {

// One entry of a kind, with what opening it needs.
struct Relation {
    QString Text1;
    QString Text2;
    const DbmsTableDef* Rows = nullptr;    // the table of the related rows
    const DbmsReferenceDef* Ref = nullptr; // the reference behind the entry; none for a parent
    // The column holding the linking OID: on the current row for Reference and Container, on
    // the related rows for Referenced. Empty for a multiple reference: its link table holds it.
    QString Link;
};

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString LinkColumn(const DbmsReferenceDef& r) {
    return r.Multiple ? QString() : "OID_" + r.Name;
}

std::vector<Relation> Relations(const DbmsDatabase& db, const DbmsTableDef& t,
                                DbmsRelationKind kind) {
    std::vector<Relation> list;
    const DbmsTableDef* parent = t.ParentTable.isEmpty() ? nullptr : db.TableDef(t.ParentTable);
    switch (kind) {
    case DbmsRelationKind::Reference:
        for (const auto& r : t.References) {
            if (r.Owned) continue;
            const DbmsTableDef* target = db.TableDef(r.Target);
            list.push_back({target->Caption, r.Name, target, &r, LinkColumn(r)});
        }
        if (parent)
            list.push_back({parent->Caption, parent->Name, parent, nullptr, t.ParentLinkField()});
        break;
    case DbmsRelationKind::Container:
        for (const auto& r : t.References)
            if (!r.Owned && !r.Multiple) list.push_back({t.Caption, r.Name, &t, &r, LinkColumn(r)});
        if (parent) list.push_back({t.Caption, parent->Name, &t, nullptr, t.ParentLinkField()});
        break;
    case DbmsRelationKind::Referenced:
        for (const auto& u : db.TableDefs()) {
            for (const auto& r : u->References)
                if (!r.Owned && SameName(r.Target, t.Name))
                    list.push_back({u->Caption, r.Name, u.get(), &r, LinkColumn(r)});
            if (SameName(u->ParentTable, t.Name))
                list.push_back({u->Caption,
                                u->ChildListCaption.isEmpty() ? u->Caption : u->ChildListCaption,
                                u.get(), nullptr, u->ParentLinkField()});
        }
        break;
    }
    return list;
}

QString Equals(const QString& field, OID value) {
    return field + " = " + DbmsDatabase::NumberLiteral(value);
}

// Terms joined by OR two halves at a time, so the expression SQLite builds stays shallow
// however many terms there are.
QString AnyOf(const QStringList& terms, qsizetype from, qsizetype to) {
    if (to - from == 1) return terms[from];
    const qsizetype middle = from + (to - from) / 2;
    return "(" + AnyOf(terms, from, middle) + ") OR (" + AnyOf(terms, middle, to) + ")";
}

// The rows whose multiple reference links `item`, as a filter on OID: the links are read with
// a bound value and the filter holds only numeric literals, a run of consecutive OIDs as one
// range.
QString LinkedOwnersFilter(DbmsDatabase& db, const DbmsTableDef& owner, const DbmsReferenceDef& ref,
                           OID item) {
    SQLite::Statement st(db.Storage()->Connection(),
                         ("SELECT OID_Owner FROM " +
                          DbmsQuoteId(DbmsLinkTable(owner.Name, ref.Name)) +
                          " WHERE OID_Item = ? ORDER BY OID_Owner")
                             .toStdString());
    st.bind(1, static_cast<int64_t>(item));
    QStringList terms;
    OID first = 0;
    OID last = 0;
    auto addRun = [&] {
        if (first == 0) return;
        terms << (first == last ? Equals("OID", first)
                                : "OID >= " + DbmsDatabase::NumberLiteral(first) +
                                      " AND OID <= " + DbmsDatabase::NumberLiteral(last));
    };
    while (st.executeStep()) {
        const OID oid = st.getColumn(0).getInt64();
        if (first != 0 && oid == last + 1) {
            last = oid;
            continue;
        }
        addRun();
        first = last = oid;
    }
    addRun();
    // Every row has an OID: this matches none.
    return terms.isEmpty() ? "OID Is Null" : AnyOf(terms, 0, terms.size());
}

// The OID the current row holds in a link column (0 for an empty reference).
OID LinkValue(DbmsDataSource& ds, const Relation& rel) {
    return ds.GetValue(rel.Link).toLongLong();
}

bool Enabled(DbmsDataSource& ds, DbmsRelationKind kind, const Relation& rel) {
    if (!ds.HasCurrentRow()) return false;
    // Nothing points at a row not stored yet, and its collections cannot be read.
    if (kind == DbmsRelationKind::Referenced || rel.Link.isEmpty()) return ds.CurrentOID() != 0;
    return LinkValue(ds, rel) != 0;
}

std::shared_ptr<DbmsDataSource> Open(DbmsDatabase& db, const DbmsTableDef& def,
                                     const QString& filter) {
    return db.Item(def.Name)->OpenDataSource(filter);
}

} // namespace

std::vector<DbmsRelatedEntry> DbmsRelatedEntries(DbmsDataSource& ds, DbmsRelationKind kind) {
    std::vector<DbmsRelatedEntry> entries;
    int number = 0;
    for (const Relation& rel : Relations(*ds.Database(), ds.TableDef(), kind))
        entries.push_back({++number, rel.Text1, rel.Text2, Enabled(ds, kind, rel)});
    return entries;
}

std::shared_ptr<DbmsDataSource> DbmsOpenRelated(DbmsDataSource& ds, DbmsRelationKind kind,
                                                int number) {
    DbmsDatabase& db = *ds.Database();
    const std::vector<Relation> list = Relations(db, ds.TableDef(), kind);
    if (number < 1 || number > int(list.size()))
        throw DbmsError(DbmsError::UnknownReference,
                        QString("La tabella %1 non ha dati collegati con il numero %2")
                            .arg(ds.TableDef().Name)
                            .arg(number));
    if (!ds.HasCurrentRow())
        throw DbmsError(DbmsError::NoCurrentRow,
                        QString("Nessuna riga corrente in %1: non ci sono dati collegati")
                            .arg(ds.TableDef().Name));
    const Relation& rel = list[size_t(number - 1)];
    if (kind == DbmsRelationKind::Referenced) {
        const OID oid = ds.CurrentOID();
        return Open(db, *rel.Rows,
                    rel.Link.isEmpty() ? LinkedOwnersFilter(db, *rel.Rows, *rel.Ref, oid)
                                       : Equals(rel.Link, oid));
    }
    // A reference data source, so rows added there are linked to the current row.
    if (kind == DbmsRelationKind::Reference && rel.Ref) return ds.GetReference(rel.Ref->Name);
    // The parent row by its OID; the rows of this table sharing the value of the link.
    const QString field = kind == DbmsRelationKind::Reference ? QString("OID") : rel.Link;
    return Open(db, *rel.Rows, Equals(field, LinkValue(ds, rel)));
}

bool DbmsIsBusy(const DbmsDataSource& ds) {
    return !ds.CanLeave();
}

namespace {

// Read to the end before returning: the cached statement is free again for the next call.
std::vector<OID> Column(DbmsDatabase& db, const QString& sql, OID key) {
    auto& st = db.Storage()->Cached(sql);
    st.bind(1, static_cast<int64_t>(key));
    std::vector<OID> out;
    while (st.executeStep())
        if (!st.getColumn(0).isNull()) out.push_back(st.getColumn(0).getInt64());
    st.reset();
    return out;
}

// What a delete takes, found by the delete's own walk without deleting anything.
struct DependentWalk {
    DbmsDatabase& Db;
    std::map<QString, std::set<OID>> Removed; // every row the delete takes, parts included
    std::map<QString, std::set<OID>> Counted; // those the user is told about

    void Remove(const DbmsTableDef& def, OID oid) {
        DbmsWalkDelete(Db, def, oid, [this](const DbmsTableDef& d, OID o, bool part) {
            Removed[d.Name].insert(o);
            if (!part) Counted[d.Name].insert(o);
        });
    }

    // Rows left behind that pointed at a removed row.
    std::map<QString, std::set<OID>> Unlinked() {
        std::map<QString, std::set<OID>> out;
        for (const auto& other : Db.TableDefs())
            for (const auto& r : other->References) {
                const auto gone = Removed.find(r.Target);
                if (gone == Removed.end()) continue;
                const QString sql = r.Multiple
                                        ? "SELECT OID_Owner FROM " +
                                              DbmsQuoteId(DbmsLinkTable(other->Name, r.Name)) +
                                              " WHERE OID_Item = ?"
                                        : "SELECT OID FROM " + DbmsQuoteId(other->Name) +
                                              " WHERE " + DbmsQuoteId("OID_" + r.Name) + " = ?";
                const std::set<OID>& kept = Removed[other->Name];
                for (OID target : gone->second)
                    for (OID row : Column(Db, sql, target))
                        if (!kept.count(row)) out[other->Name].insert(row);
            }
        return out;
    }
};

} // namespace

std::vector<DbmsDependentRows> DbmsCountDependents(DbmsDataSource& ds,
                                                   const std::vector<OID>& rows) {
    DependentWalk walk{*ds.Database(), {}, {}};
    for (OID oid : rows)
        walk.Remove(ds.TableDef(), oid);
    const auto unlinked = walk.Unlinked();
    std::vector<DbmsDependentRows> out;
    for (const auto& def : walk.Db.TableDefs()) {
        const auto removed = walk.Counted.find(def->Name);
        const auto lost = unlinked.find(def->Name);
        const qint64 r = removed == walk.Counted.end() ? 0 : qint64(removed->second.size());
        const qint64 u = lost == unlinked.end() ? 0 : qint64(lost->second.size());
        if (r + u > 0) out.push_back({def->Name, def->Caption, r, u});
    }
    return out;
}
