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

    DbmsStorage() = default;
    ~DbmsStorage();
    DbmsStorage(const DbmsStorage&) = delete;
    DbmsStorage& operator=(const DbmsStorage&) = delete;

    // Creates a new, empty archive. The further arguments of the original call have no meaning.
    template <typename... Ignored>
    void CreateFile(int format, const QString& path, Ignored&&...) {
        Create(format, path);
    }
    // Opens an existing archive for reading and writing.
    template <typename... Ignored>
    void Open(int format, const QString& path, Ignored&&...) {
        OpenFile(format, path);
    }
    void Close();

    // The yes/no option of the original storage; kept, it changes nothing here.
    void SetOption(bool value) { m_option = value; }
    bool Option() const { return m_option; }

    bool IsOpen() const { return m_db != nullptr; }
    const QString& Path() const { return m_path; }

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

    // Nested transactions on savepoints: engine operations nest inside the caller's.
    void Begin();
    void Commit();
    void Rollback();
    int TransactionDepth() const { return m_depth; }

private:
    void Create(int format, const QString& path);
    void OpenFile(int format, const QString& path);
    void Configure();
    void CheckFormat(int format) const;

    std::unique_ptr<SQLite::Database> m_db;
    QHash<QString, std::shared_ptr<SQLite::Statement>> m_cache;
    QSet<std::unique_ptr<SQLite::Statement>*> m_cursors;
    std::unordered_map<QString, std::vector<std::unique_ptr<SQLite::Statement>>> m_idleCursors;
    QString m_path;
    int m_depth = 0;
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
