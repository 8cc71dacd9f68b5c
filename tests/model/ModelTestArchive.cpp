#include "ModelTestArchive.h"

ModelArchive::ModelArchive(const QDateTime& now) {
    DbmsClock::SetFixed(now);
}

ModelArchive::~ModelArchive() {
    db.reset();
    storage.reset();
    DbmsClock::Reset();
}

void ModelArchive::Attach() {
    DB definition;
    db = m_engine.DefineDatabase(definition, "Tessarin", nullptr, nullptr, 0);
    db->Attach(storage, true, false, false, 0, nullptr);
}

void ModelArchive::Create() {
    storage = std::make_shared<DbmsStorage>();
    storage->CreateFile(DbmsStorage::FormatSQLite, Path(), 0, 0);
    Attach();
}

void ModelArchive::Reopen(const std::function<void(DbmsStorage&)>& beforeAttach) {
    db.reset();
    storage.reset();
    storage = std::make_shared<DbmsStorage>();
    storage->Open(DbmsStorage::FormatSQLite, Path(), 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
    if (beforeAttach) beforeAttach(*storage);
    Attach();
}

qint64 ModelArchive::Scalar(const QString& sql) {
    SQLite::Statement st(storage->Connection(), sql.toStdString());
    st.executeStep();
    return st.getColumn(0).getInt64();
}

QString ModelArchive::Text(const QString& sql) {
    SQLite::Statement st(storage->Connection(), sql.toStdString());
    st.executeStep();
    return QString::fromStdString(st.getColumn(0).getString());
}
