#include "clsArchiveSession.h"

clsArchiveSession::~clsArchiveSession() {
    Release();
    m_objEngine.reset();
}

DbmsEngine& clsArchiveSession::Engine() {
    if (!m_objEngine) m_objEngine = std::make_unique<DbmsEngine>();
    return *m_objEngine;
}

void clsArchiveSession::SetDatabase(std::shared_ptr<DbmsDatabase> database) {
    m_objDatabase = std::move(database);
}

void clsArchiveSession::SetStorage(std::shared_ptr<DbmsStorage> storage) {
    m_objStorage = std::move(storage);
}

bool clsArchiveSession::IsOpen() const {
    return m_objDatabase && m_objStorage && m_objDatabase->State() == DbmsDatabase::StateOpen;
}

void clsArchiveSession::Release() {
    // The database still refers to the storage it is attached to.
    m_objDatabase.reset();
    m_objStorage.reset();
}

void clsArchiveSession::SetDateSelection(bool day, bool month) {
    m_blnDaySelection = day;
    m_blnMonthSelection = month;
}
