#include "DbmsStorage.h"

#include "DbmsValues.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {
// Marks a file as one of our archives.
constexpr const char* kFormatKey = "Format";
constexpr const char* kFormatValue = "Tessarin";
// Beside the archive while it is being created.
constexpr const char* kCreatingSuffix = ".creating";

DbmsError NoTransaction() {
    return DbmsError(DbmsError::Generic, "Nessuna transazione aperta");
}

// The cause of a SQLite failure in words a clerk can act on; empty when there are none.
QString Cause(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "l'archivio è in uso da un altro programma";
    case SQLITE_FULL:
        return "il disco è pieno";
    case SQLITE_IOERR:
        return "errore di lettura o scrittura sul disco";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "l'archivio è danneggiato";
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return "il file non è accessibile";
    default:
        return QString();
    }
}

bool MayWrite(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// A rename is durable only once the folder that holds the name is on disk.
void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
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

void DbmsStorage::RemoveLeftover(const QString& file) const {
    QFile::remove(file + "-journal");
    QFile::remove(file);
}

void DbmsStorage::Connect(const QString& file, int flags) {
    m_db = std::make_unique<SQLite::Database>(file.toStdString(), flags);
    m_db->setBusyTimeout(m_busyTimeout);
}

void DbmsStorage::Create(int format, const QString& path) {
    CheckFormat(format);
    Close();
    if (QFileInfo::exists(path))
        throw DbmsError(
            DbmsError::FileExists,
            QString("Impossibile creare l'archivio: il file esiste già (%1)").arg(path));
    // A temporary file left by a creation that was killed is ours to replace; its journal
    // goes with it, or SQLite would play it back into the new file.
    const QString temp = path + kCreatingSuffix;
    RemoveLeftover(temp);
    try {
        Connect(temp, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        m_path = path;
        m_creating = temp;
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

void DbmsStorage::FinishCreate() {
    if (m_creating.isEmpty()) return;
    if (m_depth != 0)
        throw DbmsError(DbmsError::Generic, "L'archivio ha ancora una transazione aperta");
    const QString temp = m_creating, path = m_path;
    m_creating.clear(); // the connection closes without removing the file
    Close();
    // The rename never replaces a file that appeared at the path meanwhile.
    if (!QFile::rename(temp, path)) {
        RemoveLeftover(temp);
        throw DbmsError(DbmsError::FileExists,
                        QString("Impossibile creare l'archivio %1: il file non può essere messo "
                                "al suo posto")
                            .arg(path));
    }
    SyncFolder(QFileInfo(path).absolutePath());
    OpenFile(FormatSQLite, path, false);
}

void DbmsStorage::OpenFile(int format, const QString& path, bool readOnly) {
    CheckFormat(format);
    if (m_db && !m_creating.isEmpty() && path == m_path && !readOnly) return;
    Close();
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbmsError(DbmsError::FileOpen, QString("Archivio non trovato: %1").arg(path));
    // Without leave to write the file, or to make its journal in the folder, the archive can
    // still be read; opening it for writing would only fail at the first change.
    readOnly = readOnly || !MayWrite(path) || !MayWrite(info.absolutePath());
    try {
        Connect(path, readOnly ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE);
        m_path = path;
        m_readOnly = readOnly || sqlite3_db_readonly(m_db->getHandle(), "main") == 1;
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
    if (!m_readOnly) Execute("PRAGMA journal_mode=DELETE");
    Execute("PRAGMA synchronous=FULL");
    Execute("PRAGMA foreign_keys=OFF");
    // Up to 128 MB of pages: big transactions (imports, the generator) stay in memory.
    Execute("PRAGMA cache_size=-131072");
}

void DbmsStorage::SetBusyTimeout(int milliseconds) {
    m_busyTimeout = milliseconds;
    if (m_db) m_db->setBusyTimeout(milliseconds);
}

QString DbmsStorage::ReadOnlyWarning() const {
    return QString("L'archivio %1 è aperto in sola lettura: le modifiche non potranno essere "
                   "salvate.")
        .arg(m_path);
}

DbmsError DbmsStorage::ReadOnlyError() const {
    return DbmsError(
        DbmsError::ReadOnly,
        QString("Impossibile salvare le modifiche: l'archivio %1 è aperto in sola lettura")
            .arg(m_path));
}

void DbmsStorage::CheckWritable() const {
    if (m_readOnly) throw ReadOnlyError();
}

QString DbmsStorage::Describe(int code, const QString& what, const QString& context) const {
    const QString cause = Cause(code);
    return (context.isEmpty() ? "Errore dell'archivio" : context) + ' ' + m_path + ": " +
           (cause.isEmpty() ? what : cause + " (" + what + ')');
}

DbmsError DbmsStorage::Failure(const SQLite::Exception& e, const QString& context) {
    const int code = e.getErrorCode();
    const DbmsError error =
        (code & 0xff) == SQLITE_READONLY
            ? ReadOnlyError()
            : DbmsError(DbmsError::Sql, Describe(code, QString::fromUtf8(e.what()), context));
    if (TransactionLost()) {
        if (m_lostCause.isEmpty()) m_lostCause = error.Description();
        Recover();
    }
    return error;
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
        throw Failure(e, "Errore nella preparazione dell'istruzione");
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
    // An open transaction at close is abandoned: SQLite rolls it back.
    m_db.reset();
    m_depth = 0;
    m_lost = m_undone = m_readOnly = false;
    m_lostCause.clear();
    // An archive never put in place is not left half made.
    if (!m_creating.isEmpty()) {
        RemoveLeftover(m_creating);
        m_creating.clear();
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
            throw Failure(e, "Errore nella preparazione dell'istruzione");
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
        throw Failure(e);
    }
}

QString DbmsStorage::MetaValue(const QString& key, const QString& fallback) {
    auto& st = Cached("SELECT Value FROM _Database WHERE Key = ?");
    st.bind(1, key.toStdString());
    try {
        if (st.executeStep()) {
            QString v = QString::fromStdString(st.getColumn(0).getString());
            st.reset();
            return v;
        }
    } catch (const SQLite::Exception& e) {
        // A damaged page: told as the engine tells its errors, not in SQLite's words. The
        // kept statement is made ready for the next question first.
        st.tryReset();
        throw Failure(e);
    }
    return fallback;
}

void DbmsStorage::SetMetaValue(const QString& key, const QString& value) {
    auto& st = Cached("INSERT OR REPLACE INTO _Database (Key, Value) VALUES (?, ?)");
    st.bind(1, key.toStdString());
    st.bind(2, value.toStdString());
    st.exec();
}

bool DbmsStorage::TransactionLost() const {
    return m_db && m_depth > 0 && sqlite3_get_autocommit(m_db->getHandle()) != 0;
}

void DbmsStorage::Recover() {
    if (!TransactionLost()) return;
    // SQLite gave up the whole transaction after an error (a full disk) while callers still
    // hold their levels open. Those levels are opened again, so that what they write next is
    // not committed statement by statement; their outermost commit undoes it and says why.
    m_lost = true;
    // Called from an undo on the way out of the failure, before anyone has described it: the
    // connection still holds what went wrong.
    if (m_lostCause.isEmpty()) {
        const int code = sqlite3_extended_errcode(m_db->getHandle());
        m_lostCause = code == SQLITE_OK
                          ? "la transazione è stata annullata da un errore"
                          : Describe(code, QString::fromUtf8(sqlite3_errmsg(m_db->getHandle())));
    }
    try {
        for (int level = 0; level < m_depth; ++level)
            m_db->exec(QString("SAVEPOINT tsp%1").arg(level).toStdString());
    } catch (const SQLite::Exception&) {
        // Found again at the next transaction call.
    }
}

void DbmsStorage::RollbackAll() noexcept {
    try {
        if (m_db && !sqlite3_get_autocommit(m_db->getHandle())) m_db->exec("ROLLBACK");
    } catch (const SQLite::Exception&) {
        // SQLite ends the transaction itself when it cannot roll it back.
    }
}

void DbmsStorage::Abandon() {
    RollbackAll();
    m_depth = 0;
    m_lost = false;
    m_lostCause.clear();
}

void DbmsStorage::Begin() {
    Recover();
    m_undone = false;
    try {
        Cached(QString("SAVEPOINT tsp%1").arg(m_depth)).exec();
    } catch (const SQLite::Exception& e) {
        throw Failure(e);
    }
    ++m_depth;
}

void DbmsStorage::Commit() {
    if (m_depth == 0) throw NoTransaction();
    Recover();
    const int level = m_depth - 1;
    if (level == 0 && m_lost) {
        const QString cause = m_lostCause;
        Abandon();
        m_undone = true;
        throw DbmsError(DbmsError::Sql, "Le modifiche non sono state salvate. " + cause);
    }
    try {
        Cached(QString("RELEASE tsp%1").arg(level)).exec();
    } catch (const SQLite::Exception& e) {
        // The outermost release is the commit: refused (another program reads the file) or
        // failed (a full disk), SQLite may keep the transaction open. It is undone here, so
        // that nothing written later joins it and vanishes when the program ends.
        const DbmsError error = Failure(e, "Impossibile salvare le modifiche nell'archivio");
        if (level == 0) {
            Abandon();
            m_undone = true;
        } else {
            // An inner level stays open for its caller to undo; what the transaction holds
            // can no longer be trusted, so all of it goes and the outermost commit says why.
            if (m_lostCause.isEmpty()) m_lostCause = error.Description();
            RollbackAll();
            Recover();
        }
        throw error;
    }
    m_depth = level;
}

void DbmsStorage::Rollback() {
    if (m_depth == 0) {
        if (!m_undone) throw NoTransaction();
        m_undone = false;
        return;
    }
    Recover();
    const int level = m_depth - 1;
    if (level == 0) {
        Abandon();
        return;
    }
    try {
        Execute(QString("ROLLBACK TO tsp%1").arg(level));
        Cached(QString("RELEASE tsp%1").arg(level)).exec();
        m_depth = level;
    } catch (const std::exception& e) {
        // What this level wrote cannot be told apart from the rest any more: all of it goes,
        // and the levels still open learn it at their commit.
        if (m_lostCause.isEmpty()) m_lostCause = QString::fromUtf8(e.what());
        m_depth = level;
        RollbackAll();
        Recover();
    }
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
