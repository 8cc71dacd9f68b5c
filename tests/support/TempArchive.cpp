#include "TempArchive.h"

#include "DB.h"

TempArchive::TempArchive(const QDateTime& now)
    : m_clock(now), m_own(std::make_unique<DB>()), m_definition(*m_own) {}

TempArchive::TempArchive(itfDefDatabase& definition, const QDateTime& now)
    : m_clock(now), m_definition(definition) {}

TempArchive::~TempArchive() {
    Close();
}

void TempArchive::Attach() {
    db = m_engine.DefineDatabase(m_definition, "Tessarin", nullptr, nullptr, 0);
    db->Attach(storage, true, false, false, 0, nullptr);
}

void TempArchive::Create() {
    storage = std::make_shared<DbmsStorage>();
    storage->CreateFile(DbmsStorage::FormatSQLite, Path(), 0, 0);
    Attach();
}

void TempArchive::Reopen(const std::function<void(DbmsStorage&)>& beforeAttach) {
    Close();
    storage = std::make_shared<DbmsStorage>();
    storage->Open(DbmsStorage::FormatSQLite, Path(), 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
    if (beforeAttach) beforeAttach(*storage);
    Attach();
}

QVariant TempArchive::First(const QString& sql, As as) {
    SQLite::Statement st(storage->Connection(), sql.toStdString());
    if (!st.executeStep() && as == As::Stored) return QVariant();
    const SQLite::Column c = st.getColumn(0); // throws when there is no row
    if (as == As::Number) return QVariant(qint64(c.getInt64()));
    if (as == As::Text || c.isText()) return QString::fromStdString(c.getString());
    return c.isNull() ? QVariant() : QVariant(qint64(c.getInt64()));
}
