#include "DbmsSelectionSet.h"

#include "DbmsDataSource.h"

#include <algorithm>

namespace {

// "Table.Field" → {"Table", "Field"}; a plain name has no table part.
std::pair<QString, QString> SplitQualified(const QString& name) {
    const int dot = name.lastIndexOf(u'.');
    return dot < 0 ? std::pair{QString(), name} : std::pair{name.left(dot), name.mid(dot + 1)};
}

// Whether a name written in a condition stands for `field`. A table part on only one side
// does not matter: "Data" and "OperazioniVendite.Data" are the same column of the view.
bool SameField(const QString& written, const QString& field) {
    const auto [writtenTable, writtenField] = SplitQualified(written);
    const auto [table, plain] = SplitQualified(field);
    if (writtenField.compare(plain, Qt::CaseInsensitive) != 0) return false;
    return writtenTable.isEmpty() || table.isEmpty() ||
           writtenTable.compare(table, Qt::CaseInsensitive) == 0;
}

} // namespace

DbmsSelectionSet::DbmsSelectionSet(std::shared_ptr<DbmsDatabase> db, const QString& tableName,
                                   Kind kind)
    : m_db(std::move(db)), m_kind(kind) {
    const DbmsTableDef* def = m_db->TableDef(tableName);
    if (!def)
        throw DbmsError(DbmsError::UnknownTable, QString("Tabella sconosciuta: %1").arg(tableName));
    // The defined spelling, so that what is stored matches whatever case callers use.
    m_table = def->Name;
}

std::shared_ptr<DbmsSelectionSet> DbmsSelectionSet::FromDataSource(const DbmsDataSource& ds,
                                                                   Kind kind) {
    return std::make_shared<DbmsSelectionSet>(ds.Database(), ds.TableDef().Name, kind);
}

DbmsStorage& DbmsSelectionSet::Storage() const {
    if (m_db->State() != DbmsDatabase::StateOpen)
        throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    return *m_db->Storage();
}

QString DbmsSelectionSet::KindText(bool active) const {
    const QString kind =
        m_kind == Predefined ? QStringLiteral("Predefined") : QStringLiteral("Complex");
    return active ? kind : kind + QStringLiteral(".Off");
}

void DbmsSelectionSet::Validate(const QString& condition) const {
    if (condition.trimmed().isEmpty())
        throw DbmsError(DbmsError::BadValue, "La condizione di selezione è vuota");
    // Checked in parentheses, the form Condition() gives it: a bare Like pattern with a stray
    // parenthesis would otherwise swallow the conditions joined after it.
    const DbmsDataSource probe(m_db, *m_db->TableDef(m_table), DbmsOpenOptions{});
    probe.BuildQuery("(" + condition + ")");
}

void DbmsSelectionSet::SetItems(const std::vector<DbmsSelectionItem>& items) {
    for (const DbmsSelectionItem& item : items)
        Validate(item.Condition);
    m_items = items;
}

QString DbmsSelectionSet::Condition() const {
    QStringList parts;
    for (const DbmsSelectionItem& item : m_items)
        if (item.Active) parts << "(" + item.Condition + ")";
    return parts.join(QStringLiteral(" AND "));
}

bool DbmsSelectionSet::Involves(const QString& field) const {
    const QStringList names = DbmsFilterNames(Condition());
    return std::any_of(names.begin(), names.end(),
                       [&](const QString& name) { return SameField(name, field); });
}

std::vector<size_t> DbmsSelectionSet::ItemsNaming(const QString& field) const {
    std::vector<size_t> found;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const QStringList names = DbmsFilterNames(m_items[i].Condition);
        if (std::any_of(names.begin(), names.end(),
                        [&](const QString& name) { return SameField(name, field); }))
            found.push_back(i);
    }
    return found;
}

void DbmsSelectionSet::AddCondition(const QString& field, const QString& text) {
    const QString condition = m_db->Item(m_table)->MakeCondition(field, text);
    Validate(condition);
    const std::vector<size_t> naming = ItemsNaming(field);
    if (naming.empty()) {
        m_items.push_back({condition, true});
        return;
    }
    // The new value takes the place of the first condition on the field, keeping the order
    // the user built; any further one on the same field would contradict it.
    m_items[naming.front()] = {condition, true};
    for (auto it = naming.rbegin(); it + 1 != naming.rend(); ++it)
        m_items.erase(m_items.begin() + std::ptrdiff_t(*it));
}

void DbmsSelectionSet::RemoveField(const QString& field) {
    const std::vector<size_t> naming = ItemsNaming(field);
    for (auto it = naming.rbegin(); it != naming.rend(); ++it)
        m_items.erase(m_items.begin() + std::ptrdiff_t(*it));
}

bool DbmsSelectionSet::Restore(const QString& name) {
    std::vector<DbmsSelectionItem> items;
    try {
        auto& st = Storage().Cached(
            "SELECT Condition, Kind FROM _Selections WHERE TableName = ? AND Name = ? "
            "AND Kind IN (?, ?) ORDER BY rowid");
        DbmsBind(st, 1, m_table);
        DbmsBind(st, 2, name);
        DbmsBind(st, 3, KindText(true));
        DbmsBind(st, 4, KindText(false));
        while (st.executeStep())
            items.push_back(
                {QString::fromStdString(st.getColumn(0).getString()),
                 QString::fromStdString(st.getColumn(1).getString()) == KindText(true)});
    } catch (const SQLite::Exception& e) {
        throw Storage().Failure(e, "Errore dell'archivio nelle selezioni");
    }
    if (items.empty()) return false;
    m_items = std::move(items);
    m_name = name;
    return true;
}

void DbmsSelectionSet::Save(const QString& name) {
    m_name = name;
    Save();
}

void DbmsSelectionSet::Save() {
    if (m_name.trimmed().isEmpty())
        throw DbmsError(DbmsError::BadValue, "Le selezioni non hanno un nome sotto cui salvarle");
    // "|" separates the names in StoredNames.
    if (m_name.contains(u'|'))
        throw DbmsError(DbmsError::BadValue,
                        QString("Il nome '%1' non può contenere il carattere |").arg(m_name));
    DbmsStorage& storage = Storage();
    storage.CheckWritable();
    try {
        DbmsTransaction tr(storage);
        Remove(m_name);
        for (const DbmsSelectionItem& item : m_items) {
            auto& st = storage.Cached(
                "INSERT INTO _Selections (Name, TableName, Kind, Condition) VALUES (?, ?, ?, ?)");
            DbmsBind(st, 1, m_name);
            DbmsBind(st, 2, m_table);
            DbmsBind(st, 3, KindText(item.Active));
            DbmsBind(st, 4, item.Condition);
            st.exec();
        }
        tr.Commit();
    } catch (const SQLite::Exception& e) {
        throw Storage().Failure(e, "Errore dell'archivio nelle selezioni");
    }
}

bool DbmsSelectionSet::Remove(const QString& name) {
    Storage().CheckWritable();
    try {
        auto& st = Storage().Cached(
            "DELETE FROM _Selections WHERE TableName = ? AND Name = ? AND Kind IN (?, ?)");
        DbmsBind(st, 1, m_table);
        DbmsBind(st, 2, name);
        DbmsBind(st, 3, KindText(true));
        DbmsBind(st, 4, KindText(false));
        return st.exec() > 0;
    } catch (const SQLite::Exception& e) {
        throw Storage().Failure(e, "Errore dell'archivio nelle selezioni");
    }
}

QString DbmsSelectionSet::StoredNames() const {
    QStringList names;
    try {
        auto& st = Storage().Cached(
            "SELECT DISTINCT Name FROM _Selections WHERE TableName = ? AND Kind IN (?, ?)");
        DbmsBind(st, 1, m_table);
        DbmsBind(st, 2, KindText(true));
        DbmsBind(st, 3, KindText(false));
        while (st.executeStep())
            names << QString::fromStdString(st.getColumn(0).getString());
    } catch (const SQLite::Exception& e) {
        throw Storage().Failure(e, "Errore dell'archivio nelle selezioni");
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names.join(u'|');
}
