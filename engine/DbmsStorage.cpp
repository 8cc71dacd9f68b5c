#include "DbmsStorage.h"

#include "DbmsValues.h"

#include <QFileInfo>

namespace {
// Marks a file as one of our archives.
constexpr const char* kFormatKey = "Format";
constexpr const char* kFormatValue = "Tessarin";

DbmsError SqlError(const QString& context, const std::exception& e) {
    return DbmsError(DbmsError::Sql, context + ": " + QString::fromUtf8(e.what()));
}
} // namespace

DbmsStorage::~DbmsStorage() {
    Close();
}

void DbmsStorage::CheckFormat(int format) const {
    if (format != FormatSQLite)
        throw DbmsError(DbmsError::FileOpen,
                        QString("Formato di archivio %1 non supportato").arg(format));
}

void DbmsStorage::Create(int format, const QString& path) {
    CheckFormat(format);
    Close();
    if (QFileInfo::exists(path))
        throw DbmsError(
            DbmsError::FileExists,
            QString("Impossibile creare l'archivio: il file esiste già (%1)").arg(path));
    try {
        m_db = std::make_unique<SQLite::Database>(path.toStdString(),
                                                  SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        m_path = path;
        Configure();
        DbmsTransaction tr(*this);
        Execute("CREATE TABLE _Database (Key TEXT PRIMARY KEY, Value TEXT)");
        Execute("CREATE TABLE _Tables (Name TEXT PRIMARY KEY COLLATE NOCASE, Caption TEXT, "
                "Version REAL)");
        Execute("CREATE TABLE _Selections (Name TEXT, TableName TEXT, Kind TEXT, Condition TEXT)");
        Execute("CREATE INDEX _Selections_Name ON _Selections (TableName, Kind, Name)");
        SetMetaValue(kFormatKey, kFormatValue);
        SetMetaValue("MainCurrency", "Euro");
        tr.Commit();
    } catch (const DbmsError&) {
        Close();
        throw;
    } catch (const std::exception& e) {
        Close();
        throw DbmsError(DbmsError::FileOpen,
                        QString("Impossibile creare l'archivio %1: %2").arg(path, e.what()));
    }
}

void DbmsStorage::OpenFile(int format, const QString& path) {
    CheckFormat(format);
    Close();
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbmsError(DbmsError::FileOpen, QString("Archivio non trovato: %1").arg(path));
    try {
        m_db = std::make_unique<SQLite::Database>(path.toStdString(), SQLite::OPEN_READWRITE);
        m_path = path;
        // The first read fails on a file that is not SQLite at all.
        if (m_db->execAndGet("SELECT count(*) FROM sqlite_master WHERE name='_Database'")
                .getInt() == 0) {
            Close();
            throw DbmsError(DbmsError::FileNotOurs,
                            QString("Il file %1 non è un archivio di Tessarin").arg(path));
        }
        if (MetaValue(kFormatKey) != kFormatValue) {
            Close();
            throw DbmsError(DbmsError::FileNotOurs,
                            QString("Il file %1 non è un archivio di Tessarin").arg(path));
        }
        Configure();
    } catch (const DbmsError&) {
        Close();
        throw;
    } catch (const std::exception& e) {
        Close();
        throw DbmsError(DbmsError::FileNotArchive,
                        QString("Il file %1 non è un archivio valido o è danneggiato (%2)")
                            .arg(path, e.what()));
    }
}

void DbmsStorage::Configure() {
    // A rollback journal with full syncs: after a power cut the file holds every committed
    // transaction and loses at most the one in progress; the archive stays one self-contained
    // file that can be copied whenever no transaction is open.
    Execute("PRAGMA journal_mode=DELETE");
    Execute("PRAGMA synchronous=FULL");
    Execute("PRAGMA foreign_keys=OFF");
    // Up to 128 MB of pages: big transactions (imports, the generator) stay in memory.
    Execute("PRAGMA cache_size=-131072");
    m_db->setBusyTimeout(5000);
}

std::unique_ptr<SQLite::Statement> DbmsStorage::TakeCursor(const QString& sql) {
    auto it = m_idleCursors.find(sql);
    if (it != m_idleCursors.end() && !it->second.empty()) {
        auto st = std::move(it->second.back());
        it->second.pop_back();
        return st;
    }
    try {
        return std::make_unique<SQLite::Statement>(Connection(), sql.toStdString());
    } catch (const SQLite::Exception& e) {
        throw SqlError("Errore nella preparazione dell'istruzione", e);
    }
}

void DbmsStorage::ReturnCursor(const QString& sql, std::unique_ptr<SQLite::Statement> cursor) {
    if (!m_db || !cursor) return;
    try {
        cursor->reset();
        cursor->clearBindings();
    } catch (const SQLite::Exception&) {
        return; // a statement that cannot be reset is not worth keeping
    }
    auto& idle = m_idleCursors[sql];
    if (idle.size() < 4) idle.push_back(std::move(cursor));
}

void DbmsStorage::Close() {
    m_cache.clear();
    m_idleCursors.clear();
    for (auto* cursor : std::as_const(m_cursors))
        cursor->reset();
    if (m_db) {
        // An open transaction at close is abandoned: SQLite rolls it back.
        m_depth = 0;
        m_db.reset();
    }
}

SQLite::Database& DbmsStorage::Connection() {
    if (!m_db) throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    return *m_db;
}

SQLite::Statement& DbmsStorage::Cached(const QString& sql) {
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) {
        try {
            it = m_cache.insert(
                sql, std::make_shared<SQLite::Statement>(Connection(), sql.toStdString()));
        } catch (const SQLite::Exception& e) {
            throw SqlError("Errore nella preparazione dell'istruzione", e);
        }
    } else {
        // A statement whose last run failed (a constraint, a full disk) reports that failure
        // again on reset; the failure was already raised then, and the statement is sound.
        (*it)->tryReset();
        (*it)->clearBindings();
    }
    return **it;
}

void DbmsStorage::Execute(const QString& sql) {
    try {
        Connection().exec(sql.toStdString());
    } catch (const SQLite::Exception& e) {
        throw SqlError("Errore dell'archivio", e);
    }
}

QString DbmsStorage::MetaValue(const QString& key, const QString& fallback) {
    auto& st = Cached("SELECT Value FROM _Database WHERE Key = ?");
    st.bind(1, key.toStdString());
    if (st.executeStep()) {
        QString v = QString::fromStdString(st.getColumn(0).getString());
        st.reset();
        return v;
    }
    return fallback;
}

void DbmsStorage::SetMetaValue(const QString& key, const QString& value) {
    auto& st = Cached("INSERT OR REPLACE INTO _Database (Key, Value) VALUES (?, ?)");
    st.bind(1, key.toStdString());
    st.bind(2, value.toStdString());
    st.exec();
}

void DbmsStorage::Begin() {
    Cached(QString("SAVEPOINT tsp%1").arg(m_depth)).exec();
    ++m_depth;
}

void DbmsStorage::Commit() {
    if (m_depth == 0) throw DbmsError(DbmsError::Generic, "Nessuna transazione aperta");
    --m_depth;
    Cached(QString("RELEASE tsp%1").arg(m_depth)).exec();
}

void DbmsStorage::Rollback() {
    if (m_depth == 0) throw DbmsError(DbmsError::Generic, "Nessuna transazione aperta");
    --m_depth;
    Execute(QString("ROLLBACK TO tsp%1").arg(m_depth));
    Cached(QString("RELEASE tsp%1").arg(m_depth)).exec();
}

void DbmsBind(SQLite::Statement& stmt, int index, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        stmt.bind(index);
        return;
    }
    if (value.metaType() == QMetaType::fromType<Money>()) {
        stmt.bind(index, static_cast<int64_t>(value.value<Money>().Units));
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        stmt.bind(index, value.toBool() ? 1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        stmt.bind(index, static_cast<int64_t>(value.toLongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        stmt.bind(index, value.toDouble());
        break;
    case QMetaType::QDateTime:
        stmt.bind(index, DbmsDateToStoredUtf8(value.toDateTime()));
        break;
    case QMetaType::QDate:
        stmt.bind(index, DbmsDateToStoredUtf8(value.toDate().startOfDay()));
        break;
    default:
        stmt.bind(index, value.toString().toStdString());
        break;
    }
}
