#include "BenchArchive.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <stdexcept>

namespace Bench {
namespace {

class Customers : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return Bench::TableName; }
    void DefineIdentity(DbmsTableIdentity& id) override { id.SetCaption("Clienti"); }
    void DefineStructure(DbmsColumns& c, DbmsIndexes& i, DbmsReferences&) override {
        c.AddField("Codice", DbmsType::Text, 32);
        c.AddField("Descrizione", DbmsType::Text, 64);
        c.AddField("Punti", DbmsType::Integer, 0);
        c.AddField("Importo", DbmsType::Money, 0);
        c.AddField("Data", DbmsType::Date, 0);
        i.AddIndex("Codice", true);
    }
    // Rules that do nothing still get every event, as a real table class would.
    itfSetData* DefineDefaultData() override { return this; }
};

class Schema : public itfDefDatabase {
public:
    bool Define(DbmsDefinition& def) override {
        def.AddTable(std::make_shared<Customers>());
        return true;
    }
};

[[noreturn]] void Fail(sqlite3* db, const char* what) {
    throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "?"));
}

std::unique_ptr<QTemporaryDir> g_dir;
QString g_bigPath, g_smallPath;
std::unique_ptr<Archive> g_bigEngine, g_smallEngine;
std::unique_ptr<RawDb> g_bigRaw, g_smallRaw;
int g_fresh = 0;

QTemporaryDir& Dir() {
    if (!g_dir) {
        g_dir = std::make_unique<QTemporaryDir>();
        if (!g_dir->isValid()) throw std::runtime_error("cannot make a temporary folder");
    }
    return *g_dir;
}

// An archive made by the engine (so it is one of ours), then filled straight through SQLite:
// a million AddRow calls per run are measured once, not paid again for every fixture.
QString MakeFixture(const char* name, qint64 rows) {
    const QString path = Dir().filePath(name);
    Archive::Create(path).reset();
    RawDb raw(path, false);
    RawFill(raw, rows);
    return path;
}
} // namespace

const Pools& Pools::Get() {
    static const Pools pools = [] {
        Pools p;
        // Characters the HTML export has to escape, and accented ones, as real names have.
        const char* kinds[] = {"Agenzia Viaggi Rossi & Figli",
                               "Caffè <Bianchi>",
                               "L'Isola del Tesoro s.r.l.",
                               "Verdi \"Tour\" Operator",
                               "Pasticceria Dolcevita",
                               "Città di Castello Viaggi",
                               "Neri & Neri",
                               "Hotel Bellavista"};
        for (int k = 0; k < 64; ++k) {
            const QString text = QString::fromUtf8(kinds[k % 8]) + " n. " + QString::number(k);
            p.Descriptions.push_back(text);
            p.DescriptionsUtf8.push_back(text.toStdString());
        }
        // Daytime hours only: no date falls into a daylight-saving gap of the local zone.
        for (int k = 0; k < 1000; ++k) {
            const QDate day = QDate(2024, 1, 1).addDays(k % 366);
            const int seconds = 8 * 3600 + (k * 3607) % (12 * 3600);
            const QDateTime when(day, QTime(0, 0).addSecs(seconds));
            p.Dates.push_back(when);
            p.DatesStored.push_back(when.toString("yyyy-MM-dd HH:mm:ss").toStdString());
        }
        return p;
    }();
    return pools;
}

void MakeRow(qint64 i, Row& row) {
    row.CodeLength = std::snprintf(row.Code, sizeof row.Code, "C%07lld", static_cast<long long>(i));
    row.Description = size_t(i % 64);
    row.Points = i % 1000;
    row.AmountUnits = (i * 123457) % 100'000'000; // up to 10 000,0000
    row.Date = size_t(i % 1000);
}

QString LookupCode(qint64 k, qint64 rows) {
    // A prime step visits distinct rows all over the table.
    Row row;
    MakeRow((k * 104729) % rows + 1, row);
    return QString::fromLatin1(row.Code, row.CodeLength);
}

// --- engine side ---

std::unique_ptr<Archive> Archive::Create(const QString& path) {
    std::unique_ptr<Archive> a(new Archive);
    a->m_storage = std::make_shared<DbmsStorage>();
    a->m_storage->CreateFile(DbmsStorage::FormatSQLite, path);
    a->Define();
    return a;
}

std::unique_ptr<Archive> Archive::Open(const QString& path) {
    std::unique_ptr<Archive> a(new Archive);
    a->m_storage = std::make_shared<DbmsStorage>();
    a->m_storage->Open(DbmsStorage::FormatSQLite, path);
    a->Define();
    return a;
}

void Archive::Define() {
    m_schema = std::make_unique<Schema>();
    m_db = m_engine.DefineDatabase(*m_schema, "bench", nullptr, nullptr);
    m_db->Attach(m_storage);
}

Archive::~Archive() {
    m_db.reset();
    if (m_storage) m_storage->Close();
}

void EngineFill(Archive& archive, qint64 rows) {
    const Pools& pools = Pools::Get();
    DbmsFieldValues pairs{
        {"Codice", {}}, {"Descrizione", {}}, {"Punti", {}}, {"Importo", {}}, {"Data", {}}};
    archive.Db().BeginTrans();
    auto ds = archive.Table()->OpenDataSource();
    Row row;
    for (qint64 i = 1; i <= rows; ++i) {
        MakeRow(i, row);
        pairs[0].second = QString::fromLatin1(row.Code, row.CodeLength);
        pairs[1].second = pools.Descriptions[row.Description];
        pairs[2].second = row.Points;
        pairs[3].second = QVariant::fromValue(Money::FromUnits(row.AmountUnits));
        pairs[4].second = pools.Dates[row.Date];
        ds->AddRow(pairs);
    }
    ds.reset();
    archive.Db().CommitTrans();
}

// --- raw side ---

RawDb::RawDb(const QString& path, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK)
        Fail(m_db, "open");
    Exec("PRAGMA journal_mode=DELETE");
    Exec("PRAGMA synchronous=FULL");
    Exec("PRAGMA foreign_keys=OFF");
    Exec("PRAGMA cache_size=-32768");
    sqlite3_busy_timeout(m_db, 5000);
}

RawDb::~RawDb() {
    sqlite3_close_v2(m_db);
}

void RawDb::Exec(const char* sql) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(m_db, sql);
}

RawStatement::RawStatement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr) != SQLITE_OK) Fail(db, sql);
}

int RawStatement::Step() {
    const int rc = sqlite3_step(m_st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(sqlite3_db_handle(m_st), "step");
    return rc;
}

void RawCreateLayout(RawDb& db) {
    // The statements the engine itself ran, read back from an archive it made: both sides
    // always write the same table and indexes, whatever the engine's layout becomes.
    static const std::vector<std::string> statements = [] {
        std::vector<std::string> sql;
        const QString path = FreshPath("layout");
        Archive::Create(path).reset();
        {
            RawDb made(path, false);
            RawStatement st(made.Handle(), "SELECT sql FROM sqlite_master WHERE tbl_name = "
                                           "'Clienti' AND sql IS NOT NULL ORDER BY type DESC");
            while (st.Step() == SQLITE_ROW)
                sql.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(*st, 0)));
        }
        RemoveArchive(path);
        return sql;
    }();
    for (const std::string& sql : statements)
        db.Exec(sql.c_str());
}

void RawFill(RawDb& db, qint64 rows) {
    const Pools& pools = Pools::Get();
    db.Exec("BEGIN");
    {
        RawStatement ins(db.Handle(), "INSERT INTO Clienti (Codice, Descrizione, Punti, Importo, "
                                      "Data) VALUES (?, ?, ?, ?, ?)");
        Row row;
        for (qint64 i = 1; i <= rows; ++i) {
            MakeRow(i, row);
            const std::string& description = pools.DescriptionsUtf8[row.Description];
            const std::string& date = pools.DatesStored[row.Date];
            sqlite3_bind_text(*ins, 1, row.Code, row.CodeLength, SQLITE_STATIC);
            sqlite3_bind_text(*ins, 2, description.data(), int(description.size()), SQLITE_STATIC);
            sqlite3_bind_int64(*ins, 3, row.Points);
            sqlite3_bind_int64(*ins, 4, row.AmountUnits);
            sqlite3_bind_text(*ins, 5, date.data(), int(date.size()), SQLITE_STATIC);
            ins.Step();
            sqlite3_reset(*ins);
        }
    }
    db.Exec("COMMIT");
}

// --- fixtures ---

QString FreshPath(const char* stem) {
    return Dir().filePath(QString("%1-%2.mdb").arg(stem).arg(++g_fresh));
}

void RemoveArchive(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + "-journal");
}

const QString& BigPath() {
    if (g_bigPath.isEmpty()) g_bigPath = MakeFixture("big.mdb", BigRows);
    return g_bigPath;
}

const QString& SmallPath() {
    if (g_smallPath.isEmpty()) g_smallPath = MakeFixture("small.mdb", SmallRows);
    return g_smallPath;
}

Archive& BigEngine() {
    if (!g_bigEngine) g_bigEngine = Archive::Open(BigPath());
    return *g_bigEngine;
}

RawDb& BigRaw() {
    if (!g_bigRaw) g_bigRaw = std::make_unique<RawDb>(BigPath(), false);
    return *g_bigRaw;
}

Archive& SmallEngine() {
    if (!g_smallEngine) g_smallEngine = Archive::Open(SmallPath());
    return *g_smallEngine;
}

RawDb& SmallRaw() {
    if (!g_smallRaw) g_smallRaw = std::make_unique<RawDb>(SmallPath(), false);
    return *g_smallRaw;
}

void Cleanup() {
    g_bigEngine.reset();
    g_smallEngine.reset();
    g_bigRaw.reset();
    g_smallRaw.reset();
    g_dir.reset();
}

} // namespace Bench
