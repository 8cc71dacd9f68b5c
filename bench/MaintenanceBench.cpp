// What the maintenance commands do to the generated archive (100 000 customers, 250 000 sales,
// about a million sold-article lines): a save of all data and of one month into an empty
// backup, a restore of all data into an emptied working archive, an import of every customer,
// and the conversion of every amount. The raw side does the same files' work straight through
// SQLite: VACUUM INTO, INSERT ... SELECT between attached files, the UPDATE statements.

#include "MaintenanceBench.h"

#include "BenchArchive.h"
#include "BenchGenerated.h"
#include "DB.h"
#include "DbmsMaintenance.h"
#include "DbmsTransfer.h"
#include "clsArchiveSession.h"

#include <SQLiteCpp/Transaction.h>

#include <cstdio>
#include <map>
#include <stdexcept>

namespace Bench {
namespace {

// The month a save of a period copies, in the filter the backup window builds.
const QString kMonth = QStringLiteral("Data >= #03/01/2024# AND Data < #04/01/2024#");
constexpr const char* kMonthFrom = "2024-03-01 00:00:00";
constexpr const char* kMonthTo = "2024-04-01 00:00:00";
constexpr qint64 kCustomers = 100'000;

const QString& Generated() {
    static const QString path = GeneratedFolder(GeneratedSizes(int(kCustomers), 250'000)) + "/" +
                                clsArchiveSession::ArchiveName;
    return path;
}

// An archive opened through the engine: made or opened with the program's definition, or
// taken as stored (as a restore reads the backup).
struct Opened {
    enum How { Create, Open, ReadOnly, AsStored };
    Opened(const QString& path, How how) {
        if (how == Create) Storage->CreateFile(DbmsStorage::FormatSQLite, path);
        if (how == Open || how == AsStored) Storage->Open(DbmsStorage::FormatSQLite, path);
        if (how == ReadOnly) Storage->OpenReadOnly(DbmsStorage::FormatSQLite, path);
        if (how == AsStored) {
            Db = Engine.OpenDatabase(Storage);
        } else {
            Db = Engine.DefineDatabase(Definition, "bench", nullptr, nullptr);
            Db->Attach(Storage);
        }
    }
    ~Opened() {
        Db.reset();
        Storage->Close();
    }
    DbmsEngine Engine;
    DB Definition;
    std::shared_ptr<DbmsStorage> Storage = std::make_shared<DbmsStorage>();
    std::shared_ptr<DbmsDatabase> Db;
};

// The message window's part in a transfer, without the window: it is told every row.
struct Steps : itfProgress {
    void OnStart(const QString&, qint64) override {}
    void OnProgress(const QString&, qint64, bool&) override { ++Count; }
    void OnEnd(const QString&) override {}
    void OnStopped(bool&) override {}
    qint64 Count = 0;
};

// Rows of every table of a file but SQLite's own: application, link and engine tables.
std::map<std::string, qint64> Counts(const QString& path) {
    RawDb db(path, false);
    std::vector<std::string> names;
    {
        RawStatement st(db.Handle(),
                        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                        "'sqlite%'");
        while (st.Step() == SQLITE_ROW)
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(*st, 0)));
    }
    std::map<std::string, qint64> counts;
    for (const std::string& name : names)
        counts[name] = Count(db, ("\"" + name + "\"").c_str());
    return counts;
}

// The rows an operation wrote: every table but the engine's own.
qint64 DataRows(const std::map<std::string, qint64>& counts) {
    qint64 rows = 0;
    for (const auto& [name, n] : counts)
        if (name[0] != '_') rows += n;
    return rows;
}

void VacuumInto(const QString& from, const QString& to) {
    RawDb db(from, false);
    RawStatement st(db.Handle(), "VACUUM INTO ?");
    const QByteArray target = to.toUtf8();
    sqlite3_bind_text(*st, 1, target.constData(), int(target.size()), SQLITE_TRANSIENT);
    st.Step();
}

// A copy of the generated archive made once per run (a backup, the files the conversion
// divides again at every iteration).
const QString& Copy(const char* stem) {
    static std::map<std::string, QString> copies;
    QString& path = copies[stem];
    if (path.isEmpty()) {
        path = FreshPath(stem);
        VacuumInto(Generated(), path);
    }
    return path;
}

void Attach(RawDb& db, const QString& path) {
    RawStatement st(db.Handle(), "ATTACH ? AS src");
    const QByteArray file = path.toUtf8();
    sqlite3_bind_text(*st, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
    st.Step();
}

// Rows per second of the figures whose goal is a speed, for the closing lines.
struct Rate {
    double Rows = 0, Seconds = 0;
};
std::map<std::string, Rate>& Rates() {
    static std::map<std::string, Rate> rates;
    return rates;
}

// A Stopwatch that also keeps the rows per second of the iterations it timed.
class RateWatch {
public:
    RateWatch(benchmark::State& state, const char* key)
        : m_state(state), m_watch(state, key), m_key(key) {}
    ~RateWatch() {
        if (m_rate.Seconds > 0 && !m_state.error_occurred()) Rates()[m_key] = m_rate;
    }
    void Start() {
        m_watch.Start();
        m_start = std::chrono::steady_clock::now();
    }
    void Stop(qint64 rows) {
        m_watch.Stop();
        m_rate.Seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        m_rate.Rows += double(rows);
        m_state.counters["rows/s"] = m_rate.Rows / m_rate.Seconds;
        m_state.counters["rows"] = double(rows);
    }

private:
    benchmark::State& m_state;
    Stopwatch m_watch;
    std::string m_key;
    std::chrono::steady_clock::time_point m_start;
    Rate m_rate;
};

// Every table of the destination that the source has, in the destination's order, as the
// main window's save and restore do; all in one transaction.
void TransferAll(DbmsDatabase& from, DbmsDatabase& to) {
    Steps steps;
    to.BeginTrans();
    for (const auto& table : to.Tables()) {
        auto source = from.Find(table->Name());
        if (!table->TakesPartInTransfer() || !source) continue;
        DbmsTransferRows(*source->OpenDataSource(), *table->OpenDataSource(),
                         DbmsTransferMode::KeepOids, &steps);
    }
    to.CommitTrans();
}

// --- (a) save of all data ---

void SaveAllEngine(benchmark::State& state) {
    const auto expected = Counts(Generated());
    Opened source(Generated(), Opened::ReadOnly);
    RateWatch watch(state, "saveall.engine");
    for (auto _ : state) {
        const QString path = FreshPath("save-all");
        watch.Start();
        {
            Opened backup(path, Opened::Create);
            TransferAll(*source.Db, *backup.Db);
        }
        watch.Stop(DataRows(expected));
        if (Counts(path) != expected) state.SkipWithError("engine save: the backup differs");
        RemoveArchive(path);
    }
}

void SaveAllRaw(benchmark::State& state) {
    const qint64 rows = DataRows(Counts(Generated()));
    RateWatch watch(state, "saveall.raw");
    for (auto _ : state) {
        const QString path = FreshPath("vacuum-into");
        watch.Start();
        VacuumInto(Generated(), path);
        watch.Stop(rows);
        RemoveArchive(path);
    }
}

// --- (b) save of one month's sales ---

void SaveMonthEngine(benchmark::State& state) {
    Opened source(Generated(), Opened::ReadOnly);
    RateWatch watch(state, "savemonth.engine");
    for (auto _ : state) {
        const QString path = FreshPath("save-month");
        qint64 rows = 0;
        {
            Opened backup(path, Opened::Create);
            const qint64 before = DataRows(Counts(path));
            watch.Start();
            auto sales = backup.Db->Item("OperazioniVendite")->OpenDataSource(kMonth);
            Steps steps;
            backup.Db->BeginTrans();
            DbmsTransferRows(*source.Db->Item("OperazioniVendite")->OpenDataSource(kMonth), *sales,
                             DbmsTransferMode::KeepOids, &steps);
            backup.Db->CommitTrans();
            rows = DataRows(Counts(path)) - before;
            watch.Stop(rows);
            state.counters["sales"] = double(sales->RowCount());
        }
        RemoveArchive(path);
    }
}

// The month's sales, their sold-article links and lines only: the bulk of what the engine
// copies, without the customers, articles and the rest they name.
void SaveMonthRaw(benchmark::State& state) {
    RateWatch watch(state, "savemonth.raw");
    for (auto _ : state) {
        const QString path = FreshPath("save-month-raw");
        Opened(path, Opened::Create);
        {
            RawDb db(path, false);
            Attach(db, Generated());
            watch.Start();
            db.Exec("BEGIN");
            {
                RawStatement sales(db.Handle(), "INSERT INTO main.OperazioniVendite SELECT * FROM "
                                                "src.OperazioniVendite WHERE Data >= ? AND "
                                                "Data < ?");
                sqlite3_bind_text(*sales, 1, kMonthFrom, -1, SQLITE_STATIC);
                sqlite3_bind_text(*sales, 2, kMonthTo, -1, SQLITE_STATIC);
                sales.Step();
            }
            db.Exec("INSERT INTO main.OperazioniVendite__Articoli SELECT * FROM "
                    "src.OperazioniVendite__Articoli WHERE OID_Owner IN (SELECT OID FROM "
                    "main.OperazioniVendite); INSERT INTO main.ArticoliVenduti SELECT * FROM "
                    "src.ArticoliVenduti WHERE OID IN (SELECT OID_Item FROM "
                    "main.OperazioniVendite__Articoli)");
            db.Exec("COMMIT");
            watch.Stop(Count(db, "OperazioniVendite") + 2 * Count(db, "ArticoliVenduti"));
        }
        RemoveArchive(path);
    }
}

// --- (c) restore of all data into an emptied working archive ---

// A working archive made by the program, then emptied of every row.
void EmptyWorkingArchive(const QString& path) {
    Opened(path, Opened::Create);
    RawDb db(path, false);
    db.Exec("BEGIN");
    for (const auto& [name, rows] : Counts(path))
        if (name[0] != '_') db.Exec(("DELETE FROM \"" + name + "\"").c_str());
    db.Exec("COMMIT");
}

void RestoreAllEngine(benchmark::State& state) {
    const QString& backupPath = Copy("backup");
    const auto expected = Counts(backupPath);
    RateWatch watch(state, "restoreall.engine");
    for (auto _ : state) {
        const QString path = FreshPath("restore-all");
        EmptyWorkingArchive(path);
        {
            Opened work(path, Opened::Open);
            watch.Start();
            Opened backup(backupPath, Opened::AsStored);
            TransferAll(*backup.Db, *work.Db);
            watch.Stop(DataRows(expected));
        }
        if (DataRows(Counts(path)) != DataRows(expected))
            state.SkipWithError("engine restore: wrong rows");
        RemoveArchive(path);
    }
}

void RestoreAllRaw(benchmark::State& state) {
    const QString& backupPath = Copy("backup");
    const auto counts = Counts(backupPath);
    RateWatch watch(state, "restoreall.raw");
    for (auto _ : state) {
        const QString path = FreshPath("restore-all-raw");
        EmptyWorkingArchive(path);
        {
            RawDb db(path, false);
            Attach(db, backupPath);
            watch.Start();
            db.Exec("BEGIN");
            for (const auto& [name, rows] : counts)
                if (name[0] != '_')
                    db.Exec(("INSERT INTO main.\"" + name + "\" SELECT * FROM src.\"" + name + "\"")
                                .c_str());
            db.Exec("COMMIT");
            watch.Stop(DataRows(counts));
        }
        RemoveArchive(path);
    }
}

// --- (d) import of every customer of another archive ---

void ImportEngine(benchmark::State& state) {
    Opened source(Generated(), Opened::ReadOnly);
    RateWatch watch(state, "import.engine");
    for (auto _ : state) {
        const QString path = FreshPath("import");
        {
            Opened work(path, Opened::Create);
            auto customers = work.Db->Item("Clienti")->OpenDataSource();
            Steps steps;
            watch.Start();
            work.Db->BeginTrans();
            DbmsTransferRows(*source.Db->Item("Clienti")->OpenDataSource(), *customers,
                             DbmsTransferMode::Import, &steps);
            work.Db->CommitTrans();
            watch.Stop(kCustomers);
            if (customers->RowCount() != kCustomers) state.SkipWithError("engine import: rows");
        }
        RemoveArchive(path);
    }
}

void ImportRaw(benchmark::State& state) {
    RateWatch watch(state, "import.raw");
    const char* columns = "Codice, Punti, Titolo, Cognome, Nome, Indirizzo, CAP, Citta, "
                          "Provincia, Telefono, Cellulare, Fax, CodiceFiscale, Descrizione, Note";
    const std::string sql = std::string("INSERT INTO main.Clienti (") + columns + ") SELECT " +
                            columns + " FROM src.Clienti ORDER BY OID";
    for (auto _ : state) {
        const QString path = FreshPath("import-raw");
        Opened(path, Opened::Create);
        {
            RawDb db(path, false);
            Attach(db, Generated());
            watch.Start();
            db.Exec("BEGIN");
            db.Exec(sql.c_str());
            db.Exec("COMMIT");
            watch.Stop(kCustomers);
        }
        RemoveArchive(path);
    }
}

// --- (e) every amount divided by the lira rate ---

void ConvertEngine(benchmark::State& state) {
    Opened archive(Copy("convert-engine"), Opened::Open);
    RateWatch watch(state, "convert.engine");
    for (auto _ : state) {
        watch.Start();
        archive.Db->BeginTrans();
        for (const auto& table : archive.Db->Tables())
            DbmsDivideMoney(*archive.Db, table->Name(), DbmsCurrency::LirePerEuro);
        archive.Db->CommitTrans();
        watch.Stop(0);
    }
}

void ConvertRaw(benchmark::State& state) {
    SQLite::Database db(Copy("convert-raw").toStdString(), SQLite::OPEN_READWRITE);
    db.exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-131072");
    const std::pair<const char*, const char*> money[] = {{"TabellaPunti", "ValorePunto"},
                                                         {"Articoli", "Importo"},
                                                         {"ArticoliVenduti", "ImportoVendita"},
                                                         {"TabellaBonus", "ImportoMinimo"},
                                                         {"Pagamenti", "Importo"},
                                                         {"OperazioniVendite", "Importo"}};
    RateWatch watch(state, "convert.raw");
    for (auto _ : state) {
        watch.Start();
        SQLite::Transaction tr(db);
        for (const auto& [table, column] : money)
            db.exec(std::string("UPDATE \"") + table + "\" SET \"" + column + "\" = CAST(round(\"" +
                    column + "\" / CAST(1936.27 AS REAL)) AS INTEGER)");
        tr.commit();
        watch.Stop(0);
    }
}

} // namespace

void RegisterMaintenanceBenchmarks() {
    const std::pair<const char*, void (*)(benchmark::State&)> all[] = {
        {"BM_SaveAll_Engine", SaveAllEngine},       {"BM_SaveAll_Raw", SaveAllRaw},
        {"BM_SaveMonth_Engine", SaveMonthEngine},   {"BM_SaveMonth_Raw", SaveMonthRaw},
        {"BM_RestoreAll_Engine", RestoreAllEngine}, {"BM_RestoreAll_Raw", RestoreAllRaw},
        {"BM_Import_Engine", ImportEngine},         {"BM_Import_Raw", ImportRaw},
        {"BM_Convert_Engine", ConvertEngine},       {"BM_Convert_Raw", ConvertRaw}};
    // Each runs for seconds on a file of hundreds of megabytes: once is enough.
    for (const auto& [name, body] : all)
        benchmark::RegisterBenchmark(name, Guarded, body)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
}

std::vector<Figure> MaintenanceFigures() {
    return {
        {"save all data into an empty backup", "saveall.engine", "saveall.raw",
         "VACUUM INTO of the same file", 5.0},
        {"save one month's sales", "savemonth.engine", "savemonth.raw",
         "INSERT ... SELECT sales + lines only", 0},
        {"restore all data", "restoreall.engine", "restoreall.raw",
         "INSERT ... SELECT every table (attached)", 0},
        {"import 100 000 customers", "import.engine", "import.raw", "INSERT ... SELECT (attached)",
         0},
        {"lira to euro conversion", "convert.engine", "convert.raw",
         "the same UPDATEs through SQLiteCpp", 1.5},
    };
}

bool PrintMaintenanceRates() {
    const struct {
        const char* Title;
        const char* Key;
        double Goal; // rows per second; 0 = for information only
    } rates[] = {{"save all data", "saveall.engine", 0},
                 {"save one month's sales", "savemonth.engine", 0},
                 {"restore all data (every row written)", "restoreall.engine", 100'000},
                 {"import 100 000 customers", "import.engine", 100'000}};
    bool all = true;
    std::printf("\n%-40s %12s %12s %5s\n", "figure", "rows/s", "goal", "met?");
    for (const auto& r : rates) {
        const auto it = Rates().find(r.Key);
        if (it == Rates().end()) {
            std::printf("%-40s %12s\n", r.Title, "-");
            continue;
        }
        const double perSecond = it->second.Rows / it->second.Seconds;
        const bool met = perSecond >= r.Goal;
        all = all && met;
        std::printf("%-40s %12.0f %12s %5s\n", r.Title, perSecond,
                    r.Goal > 0 ? (">= " + std::to_string(qint64(r.Goal))).c_str() : "info",
                    r.Goal > 0 ? (met ? "yes" : "NO") : "");
    }
    std::fflush(stdout);
    return all;
}

} // namespace Bench
