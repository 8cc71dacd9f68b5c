#pragma once
// The archives the engine benchmarks use: one customers table, filled with the same synthetic
// rows either through the engine or straight through SQLite. The big archives are made once
// per run in a temporary folder and removed at exit.

#include "DbmsDataSource.h"
#include "DbmsEngine.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace Bench {

constexpr qint64 BigRows = 1'000'000;
constexpr qint64 SmallRows = 100'000;
inline const QString TableName = QStringLiteral("Clienti");

// --- synthetic rows: every value derives from the row number, so both sides write the same ---

struct Pools {
    std::vector<QString> Descriptions;
    std::vector<std::string> DescriptionsUtf8;
    std::vector<QDateTime> Dates;
    std::vector<std::string> DatesStored; // "yyyy-MM-dd HH:mm:ss", as the engine stores them
    static const Pools& Get();
};

struct Row {
    char Code[16];
    int CodeLength = 0;
    size_t Description = 0; // index in Pools
    qint64 Points = 0;
    qint64 AmountUnits = 0; // ten-thousandths
    size_t Date = 0;        // index in Pools
};

// Row `i` (1-based; the i-th row added gets OID i).
void MakeRow(qint64 i, Row& row);
// The code of the k-th of the looked-up rows (k < rows): spread over the whole table.
QString LookupCode(qint64 k, qint64 rows);

// --- the engine side ---

class Archive {
public:
    static std::unique_ptr<Archive> Create(const QString& path);
    static std::unique_ptr<Archive> Open(const QString& path);
    ~Archive();

    DbmsDatabase& Db() { return *m_db; }
    std::shared_ptr<DbmsTable> Table() { return m_db->Item(TableName); }

private:
    Archive() = default;
    void Define();

    DbmsEngine m_engine;
    std::unique_ptr<itfDefDatabase> m_schema;
    std::shared_ptr<DbmsStorage> m_storage;
    std::shared_ptr<DbmsDatabase> m_db;
};

// Adds rows 1..rows with AddRow, in one transaction.
void EngineFill(Archive& archive, qint64 rows);

// --- the raw SQLite side ---

// A connection set up as the engine sets up its own (journal, syncs, cache).
class RawDb {
public:
    RawDb(const QString& path, bool create);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;
    sqlite3* Handle() const { return m_db; }
    void Exec(const char* sql);

private:
    sqlite3* m_db = nullptr;
};

class RawStatement {
public:
    RawStatement(sqlite3* db, const char* sql);
    ~RawStatement() { sqlite3_finalize(m_st); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;
    sqlite3_stmt* operator*() const { return m_st; }
    // SQLITE_ROW or SQLITE_DONE; anything else throws.
    int Step();

private:
    sqlite3_stmt* m_st = nullptr;
};

// The customers table and its indexes, as the engine lays them out.
void RawCreateLayout(RawDb& db);
// Adds rows 1..rows with one prepared INSERT, in one transaction.
void RawFill(RawDb& db, qint64 rows);

// --- fixtures, made on first use ---

QString FreshPath(const char* stem);     // a new file name in the temporary folder
void RemoveArchive(const QString& path); // the file and any journal left beside it

const QString& BigPath();   // BigRows rows
const QString& SmallPath(); // SmallRows rows
Archive& BigEngine();       // kept open for the whole run
RawDb& BigRaw();
Archive& SmallEngine();
RawDb& SmallRaw();

// Closes every fixture and removes the temporary folder.
void Cleanup();

} // namespace Bench
