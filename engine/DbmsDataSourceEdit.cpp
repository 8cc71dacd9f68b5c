// Changes through a data source: values, new rows, deletion and references.
#include "DbmsCascade.h"
#include "DbmsDataSource.h"
#include "DbmsValues.h"

using Origin = DbmsFieldInfo::Origin;

namespace {

DbmsError NeedsStoredRow(const QString& table) {
    return DbmsError(
        DbmsError::NoCurrentRow,
        QString("La riga di %1 deve essere salvata prima di collegarle altre righe").arg(table));
}
} // namespace

void DbmsDataSource::LeaveCurrent() {
    // Moving off a changed row stores it: nothing typed is lost by navigating.
    if (m_isNew || m_dirty) Update();
    m_loaded = false;
}

void DbmsDataSource::SetValue(const QString& field, const QVariant& value) {
    const int idx = ColumnIndex(field);
    const DbmsFieldInfo& f = m_fields[size_t(idx)];
    EnsureCurrentLoaded();
    switch (f.From) {
    case Origin::Key:
    case Origin::Count:
        throw DbmsError(DbmsError::BadValue,
                        QString("Il campo %1 non può essere modificato").arg(f.Name));
    case Origin::ParentLink:
        SetParentLink(DbmsCoerce(DbmsType::Key, 0, value, f.Name).toLongLong());
        return;
    case Origin::Shown:
    case Origin::OwnReference:
    case Origin::ParentReference: {
        // A reference is set by giving the OID of the row it names.
        const QString ref = f.From == Origin::Shown ? f.Name : f.Name.mid(4);
        const OID oid = DbmsCoerce(DbmsType::Key, 0, value, f.Name).toLongLong();
        if (f.Table != m_def.Name)
            throw DbmsError(
                DbmsError::BadValue,
                QString("Il riferimento %1 appartiene alla tabella %2").arg(ref, f.Table));
        SetReference(ref, oid, oid == 0);
        return;
    }
    default:
        break;
    }
    const QVariant v = DbmsCoerce(f.Type, f.Size, value, f.Name);
    if (Rules()) {
        DbmsDatabase::EventScope scope(*m_db);
        Rules()->OnBeforeUpdateField(*this, f.Name);
    }
    m_row[size_t(idx)] = v;
    m_changed[size_t(idx)] = true;
    m_dirty = true;
    FireFieldEvents(f.Name);
}

void DbmsDataSource::FireFieldEvents(const QString& field) {
    if (Rules()) {
        DbmsDatabase::EventScope scope(*m_db);
        Rules()->OnUpdateField(*this, field);
    }
    emit FieldUpdated(field);
}

void DbmsDataSource::SetParentLink(OID parent) {
    const int linkIdx = ColumnIndex(m_def.ParentLinkField());
    m_row[size_t(linkIdx)] = parent ? QVariant(parent) : QVariant();
    m_changed[size_t(linkIdx)] = true;
    m_dirty = true;
    // The parent's fields come with the link, as they stand in the archive.
    std::vector<QVariant> fresh;
    if (parent) {
        fresh = ReadRowAs(parent);
        if (fresh.empty())
            throw DbmsError(DbmsError::BadValue,
                            QString("La riga %1 di %2 non esiste").arg(parent).arg(m_parent->Name));
    }
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].Table != m_parent->Name) continue;
        m_row[i] = fresh.empty() ? QVariant() : fresh[i];
        m_changed[i] = false;
    }
    if (Rules()) {
        DbmsDatabase::EventScope scope(*m_db);
        Rules()->OnSetParent(*this, parent);
    }
    for (const auto& f : m_parent->Fields)
        FireFieldEvents(f.Name);
    for (const auto& r : m_parent->References) {
        if (r.Multiple) continue;
        if (Rules()) {
            DbmsDatabase::EventScope scope(*m_db);
            Rules()->OnUpdateReference(*this, m_parent->Name, r.Name,
                                       m_row[size_t(ColumnIndex("OID_" + r.Name))].toLongLong(),
                                       false);
        }
    }
    emit FieldUpdated(m_def.ParentLinkField());
}

std::vector<QVariant> DbmsDataSource::ReadRowAs(OID parent) {
    // Reads the parent's columns by joining a row that does not exist: the values of this
    // data source's own columns come back empty, the parent's ones filled.
    auto& st = m_storage->Cached("SELECT " + m_selectList + " FROM " + DbmsQuoteId(m_parent->Name) +
                                 " AS p LEFT JOIN " + DbmsQuoteId(m_def.Name) +
                                 " AS t ON t.OID = NULL WHERE p.OID = ?");
    st.bind(1, static_cast<int64_t>(parent));
    std::vector<QVariant> row;
    if (st.executeStep())
        for (size_t i = 0; i < m_fields.size(); ++i)
            row.push_back(DbmsReadColumn(st.getColumn(int(i)), m_fields[i].Type));
    st.reset();
    return row;
}

void DbmsDataSource::AddNew() {
    LeaveCurrent();
    m_row.assign(m_fields.size(), QVariant());
    std::fill(m_changed.begin(), m_changed.end(), false);
    m_isNew = true;
    m_dirty = true;
    m_loaded = true;
    m_rowOid = 0;
    if (Rules()) {
        DbmsDatabase::EventScope scope(*m_db);
        Rules()->OnNewRow(*this);
    }
}

OID DbmsDataSource::AddRow(const DbmsFieldValues& pairs) {
    AddNew();
    try {
        for (const auto& [field, value] : pairs)
            SetValue(field, value);
        Update();
    } catch (...) {
        CancelUpdate();
        throw;
    }
    return m_rowOid;
}

void DbmsDataSource::CancelUpdate() {
    m_isNew = false;
    m_dirty = false;
    m_loaded = false;
    std::fill(m_changed.begin(), m_changed.end(), false);
    if (m_pos >= qint64(m_oids.size()) && m_complete)
        m_pos = std::max<qint64>(0, qint64(m_oids.size()) - 1);
}

void DbmsDataSource::Update() {
    try {
        if (!m_isNew && !m_dirty) return;
        m_storage->CheckWritable();
        if (Rules()) {
            DbmsDatabase::EventScope scope(*m_db);
            Rules()->OnUpdateRow(*this);
        }
        DbmsStorage& storage = *m_storage;
        QStringList sets, parentSets;
        QVariantList values, parentValues;
        for (size_t i = 0; i < m_fields.size(); ++i) {
            const DbmsFieldInfo& f = m_fields[i];
            if (!m_changed[i]) continue;
            const bool stored = f.From == Origin::Own || f.From == Origin::OwnReference ||
                                f.From == Origin::ParentLink;
            if (stored && !m_isNew) { // a new row is inserted whole below
                sets << DbmsQuoteId(f.Column) + " = ?";
                values << m_row[i];
            } else if (f.From == Origin::Parent) {
                parentSets << DbmsQuoteId(f.Column) + " = ?";
                parentValues << m_row[i];
            }
        }
        const bool linkNew = m_isNew && !m_binding.OwnerTable.isEmpty();
        const OID parent =
            m_parent ? m_row[size_t(ColumnIndex(m_def.ParentLinkField()))].toLongLong() : 0;
        // One statement is atomic by itself; only several need a transaction of their own.
        const bool several = linkNew || (!parentSets.isEmpty() && parent);
        std::optional<DbmsTransaction> tr;
        if (several) tr.emplace(storage);
        OID oid = m_rowOid;
        if (m_isNew) {
            auto& st = storage.Cached(m_insertSql);
            int i = 1;
            for (int c : m_storedColumns)
                DbmsBind(st, i++, m_row[size_t(c)]);
            st.exec();
            oid = storage.Connection().getLastInsertRowid();
        } else if (!sets.isEmpty()) {
            auto& st = storage.Cached("UPDATE " + DbmsQuoteId(m_def.Name) + " SET " +
                                      sets.join(", ") + " WHERE OID = ?");
            int i = 1;
            for (const QVariant& v : values)
                DbmsBind(st, i++, v);
            st.bind(i, static_cast<int64_t>(oid));
            st.exec();
        }
        if (!parentSets.isEmpty() && parent) {
            auto& st = storage.Cached("UPDATE " + DbmsQuoteId(m_parent->Name) + " SET " +
                                      parentSets.join(", ") + " WHERE OID = ?");
            int i = 1;
            for (const QVariant& v : parentValues)
                DbmsBind(st, i++, v);
            st.bind(i, static_cast<int64_t>(parent));
            st.exec();
        }
        if (linkNew) LinkToOwner(oid);
        if (tr) tr->Commit();
        m_db->Touch();
        // A new row goes after the rows read so far, without reading the rest; a changed one
        // stays where it is. A list still being read passes over both when its cursor comes
        // to them.
        m_appended.insert(oid);
        if (m_isNew) {
            if (!m_complete) m_count = -1;
            m_oids.push_back(oid);
            m_pos = qint64(m_oids.size()) - 1;
            m_positions.clear();
        }
        m_rowOid = oid;
        m_isNew = false;
        m_dirty = false;
        m_loaded = false; // read back on demand: shown fields and parent values come fresh
        std::fill(m_changed.begin(), m_changed.end(), false);
    } catch (const SQLite::Exception& e) {
        throw m_storage->Failure(e);
    }
}

void DbmsDataSource::LinkToOwner(OID oid) {
    DbmsStorage& storage = *m_storage;
    if (m_binding.Multiple) {
        auto& st =
            storage.Cached("INSERT OR IGNORE INTO " +
                           DbmsQuoteId(DbmsLinkTable(m_binding.OwnerTable, m_binding.Reference)) +
                           " (OID_Owner, OID_Item) VALUES (?, ?)");
        st.bind(1, static_cast<int64_t>(m_binding.Owner));
        st.bind(2, static_cast<int64_t>(oid));
        st.exec();
    } else {
        auto& st = storage.Cached("UPDATE " + DbmsQuoteId(m_binding.OwnerTable) + " SET " +
                                  DbmsQuoteId("OID_" + m_binding.Reference) + " = ? WHERE OID = ?");
        st.bind(1, static_cast<int64_t>(oid));
        st.bind(2, static_cast<int64_t>(m_binding.Owner));
        st.exec();
        m_binding.SingleTarget = oid;
    }
}

void DbmsDataSource::Delete() {
    try {
        if (m_isNew) {
            CancelUpdate();
            return;
        }
        EnsureCurrentLoaded();
        m_storage->CheckWritable();
        if (Rules()) {
            DbmsDatabase::EventScope scope(*m_db);
            Rules()->OnDeleteRow(*this);
        }
        const OID oid = m_rowOid;
        {
            DbmsTransaction tr(*m_storage);
            DbmsDeleteRow(*m_db, m_def, oid);
            tr.Commit();
        }
        m_db->Touch();
        m_oids.erase(m_oids.begin() + m_pos);
        m_appended.erase(oid);
        m_positions.clear();
        if (m_count > 0) --m_count;
        m_dirty = false;
        m_loaded = false;
    } catch (const SQLite::Exception& e) {
        throw m_storage->Failure(e);
    }
}

void DbmsDataSource::DeleteAll(itfProgress* progress) {
    m_storage->CheckWritable();
    LeaveCurrent();
    EnsureRows(std::numeric_limits<qint64>::max());
    const std::vector<OID> rows = m_oids;
    const QString op = "Delete " + m_def.Name;
    m_db->NotifyEvent(DbmsEvent::Deleting, m_def.Caption);
    {
        DbmsTransaction tr(*m_storage);
        if (progress) progress->OnStart(op, qint64(rows.size()));
        qint64 done = 0;
        for (OID oid : rows) {
            DbmsDeleteRow(*m_db, m_def, oid);
            if (progress) DbmsCheckProgress(*progress, op, ++done);
        }
        if (progress) progress->OnEnd(op);
        tr.Commit();
    }
    m_db->Touch();
    Refresh(false);
}

std::shared_ptr<DbmsDataSource> DbmsDataSource::GetReference(const QString& name) {
    EnsureCurrentLoaded();
    const DbmsTableDef* owner = &m_def;
    const DbmsReferenceDef* ref = m_def.Reference(name);
    if (!ref && m_parent) {
        ref = m_parent->Reference(name);
        owner = m_parent;
    }
    if (!ref)
        throw DbmsError(
            DbmsError::UnknownReference,
            QString("Riferimento sconosciuto nella tabella %1: %2").arg(m_def.Name, name));
    Binding b;
    b.OwnerTable = owner->Name;
    b.Reference = ref->Name;
    b.Multiple = ref->Multiple;
    b.Owned = ref->Owned;
    if (owner == &m_def) {
        if (ref->Multiple && m_isNew) throw NeedsStoredRow(m_def.Name);
        b.Owner = m_rowOid;
    } else {
        b.Owner = m_row[size_t(ColumnIndex(m_def.ParentLinkField()))].toLongLong();
    }
    if (!ref->Multiple)
        b.SingleTarget = m_row[size_t(ColumnIndex("OID_" + ref->Name))].toLongLong();
    const DbmsTableDef* target = m_db->TableDef(ref->Target);
    return std::make_shared<DbmsDataSource>(m_db, *target, DbmsOpenOptions{}, b);
}

std::shared_ptr<DbmsDataSource> DbmsDataSource::GetReferenceOf(OID ownerOid, const QString& name) {
    const DbmsReferenceDef* ref = m_def.Reference(name);
    if (!ref || !ref->Multiple)
        throw DbmsError(DbmsError::UnknownReference,
                        QString("Elenco sconosciuto nella tabella %1: %2").arg(m_def.Name, name));
    Binding b{m_def.Name, ownerOid, ref->Name, true, ref->Owned, 0};
    return std::make_shared<DbmsDataSource>(m_db, *m_db->TableDef(ref->Target), DbmsOpenOptions{},
                                            b);
}

void DbmsDataSource::SetReference(const QString& name, OID oid, bool remove) {
    try {
        const DbmsReferenceDef* ref = m_def.Reference(name);
        if (!ref)
            throw DbmsError(
                DbmsError::UnknownReference,
                QString("Riferimento sconosciuto nella tabella %1: %2").arg(m_def.Name, name));
        EnsureCurrentLoaded();
        m_storage->CheckWritable();
        if (Rules()) {
            DbmsDatabase::EventScope scope(*m_db);
            Rules()->OnBeforeUpdateReference(*this, m_def.Name, ref->Name, oid, remove);
        }
        DbmsStorage& storage = *m_storage;
        if (!ref->Multiple) {
            const size_t idx = size_t(ColumnIndex("OID_" + ref->Name));
            const QVariant value = remove || oid == 0 ? QVariant() : QVariant(oid);
            if (m_isNew) {
                m_row[idx] = value;
                m_changed[idx] = true;
                m_dirty = true;
            } else {
                auto& st = storage.Cached("UPDATE " + DbmsQuoteId(m_def.Name) + " SET " +
                                          DbmsQuoteId("OID_" + ref->Name) + " = ? WHERE OID = ?");
                DbmsBind(st, 1, value);
                st.bind(2, static_cast<int64_t>(m_rowOid));
                st.exec();
                m_row[idx] = value;
                m_db->Touch();
            }
            // Keep the shown value in step with the new target.
            if (auto it = m_fieldIndex.find(ref->Name.toLower()); it != m_fieldIndex.end()) {
                const DbmsTableDef* target = m_db->TableDef(ref->Target);
                const DbmsFieldDef* shown = target->Field(ref->ShownField());
                QVariant text;
                if (shown && value.isValid()) {
                    auto& st = storage.Cached("SELECT " + DbmsQuoteId(shown->Name) + " FROM " +
                                              DbmsQuoteId(target->Name) + " WHERE OID = ?");
                    st.bind(1, static_cast<int64_t>(oid));
                    if (st.executeStep()) text = DbmsReadColumn(st.getColumn(0), shown->Type);
                    st.reset();
                }
                m_row[size_t(it->second)] = text;
            }
        } else {
            if (m_isNew) throw NeedsStoredRow(m_def.Name);
            const QString link = DbmsQuoteId(DbmsLinkTable(m_def.Name, ref->Name));
            DbmsTransaction tr(storage);
            if (remove) {
                auto& st =
                    storage.Cached("DELETE FROM " + link + " WHERE OID_Owner = ? AND OID_Item = ?");
                st.bind(1, static_cast<int64_t>(m_rowOid));
                st.bind(2, static_cast<int64_t>(oid));
                st.exec();
                // Taking a row out of an owned collection deletes it.
                if (ref->Owned && st.getChanges() > 0)
                    DbmsDeleteRow(*m_db, *m_db->TableDef(ref->Target), oid);
            } else {
                auto& st = storage.Cached("INSERT OR IGNORE INTO " + link +
                                          " (OID_Owner, OID_Item) SELECT ?, OID FROM " +
                                          DbmsQuoteId(ref->Target) + " WHERE OID = ?");
                st.bind(1, static_cast<int64_t>(m_rowOid));
                st.bind(2, static_cast<int64_t>(oid));
                st.exec();
            }
            tr.Commit();
            m_db->Touch();
        }
        if (Rules()) {
            DbmsDatabase::EventScope scope(*m_db);
            Rules()->OnUpdateReference(*this, m_def.Name, ref->Name, oid, remove);
        }
        emit FieldUpdated(ref->Name);
    } catch (const SQLite::Exception& e) {
        throw m_storage->Failure(e);
    }
}

void DbmsDataSource::SetReference(const QString& name, DbmsDataSource& rows, bool remove) {
    rows.LeaveCurrent();
    rows.EnsureRows(std::numeric_limits<qint64>::max());
    const std::vector<OID> oids = rows.m_oids;
    {
        DbmsTransaction tr(*m_storage);
        for (OID oid : oids)
            SetReference(name, oid, remove);
        tr.Commit();
    }
    rows.Refresh(false);
}

void DbmsCheckProgress(itfProgress& progress, const QString& operation, qint64 position) {
    bool go = true;
    progress.OnProgress(operation, position, go);
    bool stopped = false;
    progress.OnStopped(stopped);
    if (!go || stopped) throw DbmsError(DbmsError::Stopped, "Operazione interrotta dall'utente");
}
