#pragma once
// The archive file: one SQLite database. Creating never overwrites; opening refuses files that
// are not SQLite or not ours with a clear error.

#include "DbmsTypes.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QHash>
#include <QSet>
#include <memory>
#include <unordered_map>
#include <vector>

class DbmsStorage {
public:
    // The only storage format this engine writes: a SQLite 3 file.
    static constexpr int FormatSQLite = 3;
    // How long a write waits for another program's read to end before it gives up (ms).
    static constexpr int DefaultBusyTimeout = 5000;

    DbmsStorage() = default;
    ~DbmsStorage();
    DbmsStorage(const DbmsStorage&) = delete;
    DbmsStorage& operator=(const DbmsStorage&) = delete;

    // Creates a new, empty archive. It is built under a temporary name beside `path` and put
    // in place by the first DbmsDatabase::Attach that completes, so a creation cut short
    // leaves nothing at `path`. The further arguments of the original call have no meaning.
    template <typename... Ignored> void CreateFile(int format, const QString& path, Ignored&&...) {
        Create(format, path);
    }
    // Opens an existing archive for reading and writing; read-only when the file or its
    // folder may not be written (see ReadOnly). Opening the archive being created at the same
    // path keeps it as it is.
    template <typename... Ignored> void Open(int format, const QString& path, Ignored&&...) {
        OpenFile(format, path, false);
    }
    // Opens an existing archive for reading only.
    void OpenReadOnly(int format, const QString& path) { OpenFile(format, path, true); }
    void Close();

    // The yes/no option of the original storage; kept, it changes nothing here.
    void SetOption(bool value) { m_option = value; }
    bool Option() const { return m_option; }

    bool IsOpen() const { return m_db != nullptr; }
    const QString& Path() const { return m_path; }
    // Opened for reading only: every change fails with ReadOnlyError().
    bool ReadOnly() const { return m_readOnly; }
    // What to tell the user when the archive opened read-only.
    QString ReadOnlyWarning() const;
    DbmsError ReadOnlyError() const;
    // Throws ReadOnlyError() on a read-only archive; called before any change is attempted.
    void CheckWritable() const;
    void SetBusyTimeout(int milliseconds);

    // --- used by the engine itself ---
    SQLite::Database& Connection();
    // A prepared statement kept for reuse; it comes back reset with its bindings cleared.
    // Callers must run it to completion before giving control to anything that could reuse it.
    SQLite::Statement& Cached(const QString& sql);
    void Execute(const QString& sql);
    // Prepared cursors kept for reuse by SQL text: data sources opened again and again with
    // the same filter shape (lookups) skip preparing their statement.
    std::unique_ptr<SQLite::Statement> TakeCursor(const QString& sql);
    void ReturnCursor(const QString& sql, std::unique_ptr<SQLite::Statement> cursor);
    // Cursors that data sources keep open between calls; closing the file finishes them
    // first, since SQLite cannot close a connection with statements still open.
    void RegisterCursor(std::unique_ptr<SQLite::Statement>* cursor) { m_cursors.insert(cursor); }
    void UnregisterCursor(std::unique_ptr<SQLite::Statement>* cursor) { m_cursors.remove(cursor); }
    QString MetaValue(const QString& key, const QString& fallback = QString());
    void SetMetaValue(const QString& key, const QString& value);
    // The engine's error for a failure of SQLite on this archive, its cause told in Italian.
    // Every SQLite failure inside a transaction must pass through here: SQLite may have given
    // up the whole transaction (a full disk), and what callers write next must not be saved
    // piecemeal.
    DbmsError Failure(const SQLite::Exception& e, const QString& context = QString());

    // Nested transactions on savepoints: engine operations nest inside the caller's. A
    // failed commit undoes the whole transaction and reports why; a Rollback right after it
    // has nothing left to do and does not fail.
    void Begin();
    void Commit();
    void Rollback();
    int TransactionDepth() const { return m_depth; }

    // --- creation ---
    bool IsBeingCreated() const { return !m_creating.isEmpty(); }
    // Puts an archive made by CreateFile in place once its structure is written.
    void FinishCreate();

private:
    void Create(int format, const QString& path);
    void OpenFile(int format, const QString& path, bool readOnly);
    void Connect(const QString& file, int flags);
    void Configure();
    void CheckFormat(int format) const;
    QString Describe(int code, const QString& what, const QString& context = QString()) const;
    bool TransactionLost() const;
    void Recover();
    void RollbackAll() noexcept;
    // Rolls everything back and forgets the levels callers held.
    void Abandon();
    void RemoveLeftover(const QString& file) const;

    std::unique_ptr<SQLite::Database> m_db;
    QHash<QString, std::shared_ptr<SQLite::Statement>> m_cache;
    QSet<std::unique_ptr<SQLite::Statement>*> m_cursors;
    std::unordered_map<QString, std::vector<std::unique_ptr<SQLite::Statement>>> m_idleCursors;
    QString m_path;
    QString m_creating; // the temporary file while the archive is being created
    int m_depth = 0;
    int m_busyTimeout = DefaultBusyTimeout;
    bool m_readOnly = false;
    // The transaction SQLite gave up after an error while callers still hold it open: what
    // they write is undone at their outermost commit, which reports m_lostCause.
    bool m_lost = false;
    QString m_lostCause;
    // A failed outermost commit undid everything; the caller's Rollback has nothing to do.
    bool m_undone = false;
    bool m_option = false;
};

// Runs a block as one nested transaction: rolled back unless Commit() is reached.
class DbmsTransaction {
public:
    explicit DbmsTransaction(DbmsStorage& storage) : m_storage(storage) { m_storage.Begin(); }
    ~DbmsTransaction() {
        if (!m_done) {
            try {
                m_storage.Rollback();
            } catch (...) {
                // Destructors must not throw; the original error is already on its way up.
            }
        }
    }
    void Commit() {
        m_storage.Commit();
        m_done = true;
    }

private:
    DbmsStorage& m_storage;
    bool m_done = false;
};

// Binds a QVariant to a statement parameter (1-based), in the stored forms.
void DbmsBind(SQLite::Statement& stmt, int index, const QVariant& value);

// Quotes an SQL identifier.
inline QString DbmsQuoteId(const QString& name) {
    return '"' + QString(name).replace('"', "\"\"") + '"';
}
