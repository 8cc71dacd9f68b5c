// What a window does when the clerk filters, searches or sorts a million rows: a Like filter
// and the first screen, the next match from the middle of the list, a new order by a column
// without an index and the first screen. The raw side asks SQLite for the same rows directly.

#include "SearchBench.h"

#include "BenchArchive.h"

#include <stdexcept>

namespace Bench {
namespace {

constexpr int ScreenRows = 50;
constexpr qint64 Middle = BigRows / 2;
const QString LikeFilter = QStringLiteral("Descrizione Like 'Hotel*'");
constexpr const char* RawLike = "WHERE Descrizione LIKE 'Hotel%' ORDER BY OID";
// About one row in ten thousand: the next match lies some thousands of rows further on.
const QString FindCondition = QStringLiteral("Importo > 9999");
constexpr qint64 FindUnits = 99'990'000;
const QString OrderField = QStringLiteral("Importo"); // no index

// A screen as a grid shows it: the display text of every shown cell.
qint64 EngineScreen(DbmsDataSource& ds) {
    static const QString fields[] = {"Codice", "Descrizione", "Punti", "Importo", "Data"};
    if (!ds.OIDAt(ScreenRows - 1)) throw std::runtime_error("engine screen: too few rows");
    qint64 chars = 0;
    for (int r = 0; r < ScreenRows; ++r)
        for (const QString& field : fields)
            chars += ds.TextAt(r, field).size();
    return chars;
}

// The same columns straight from the file; `limit` 0 reads every row.
qint64 RawRows(const char* tail, int limit) {
    std::string sql =
        std::string("SELECT Codice, Descrizione, Punti, Importo, Data FROM Clienti ") + tail +
        (limit ? " LIMIT " + std::to_string(limit) : std::string());
    RawStatement st(BigRaw().Handle(), sql.c_str());
    qint64 sum = 0, rows = 0;
    while (st.Step() == SQLITE_ROW) {
        for (int c : {0, 1, 4}) {
            benchmark::DoNotOptimize(sqlite3_column_text(*st, c));
            sum += sqlite3_column_bytes(*st, c);
        }
        sum += sqlite3_column_int64(*st, 2) + sqlite3_column_int64(*st, 3);
        ++rows;
    }
    if (limit && rows != limit) throw std::runtime_error("raw screen: wrong row count");
    return sum;
}

std::shared_ptr<DbmsDataSource> Open() {
    return BigEngine().Table()->OpenDataSource();
}

// --- a Like filter and its first screen ---

void LikeEngine(benchmark::State& state) {
    Stopwatch watch(state, "like.engine");
    for (auto _ : state) {
        auto ds = Open();
        watch.Start();
        ds->ApplyFilter(LikeFilter);
        benchmark::DoNotOptimize(EngineScreen(*ds));
        watch.Stop();
    }
}

void LikeRaw(benchmark::State& state) {
    BigRaw(); // made before the clock starts
    Stopwatch watch(state, "like.raw");
    for (auto _ : state) {
        watch.Start();
        benchmark::DoNotOptimize(RawRows(RawLike, ScreenRows));
        watch.Stop();
    }
}

void LikeAllRaw(benchmark::State& state) {
    BigRaw(); // made before the clock starts
    Stopwatch watch(state, "likeall.raw");
    for (auto _ : state) {
        watch.Start();
        benchmark::DoNotOptimize(RawRows(RawLike, 0));
        watch.Stop();
    }
}

// --- the next match from the middle of the list ---

OID RawNext(OID after) {
    RawStatement st(BigRaw().Handle(),
                    "SELECT OID FROM Clienti WHERE Importo > ? AND OID > ? ORDER BY OID LIMIT 1");
    sqlite3_bind_int64(*st, 1, FindUnits);
    sqlite3_bind_int64(*st, 2, after);
    return st.Step() == SQLITE_ROW ? sqlite3_column_int64(*st, 0) : 0;
}

void FindEngine(benchmark::State& state) {
    auto ds = Open();
    ds->MoveTo(Middle); // the list read up to the current row, as after scrolling there
    const OID expected = RawNext(ds->CurrentOID());
    Stopwatch watch(state, "find.engine");
    for (auto _ : state) {
        ds->MoveTo(Middle);
        watch.Start();
        const bool found = ds->FindNext(FindCondition, 0, true);
        watch.Stop();
        if (!found || ds->CurrentOID() != expected) state.SkipWithError("engine: wrong match");
    }
}

void FindRaw(benchmark::State& state) {
    BigRaw(); // made before the clock starts
    Stopwatch watch(state, "find.raw");
    for (auto _ : state) {
        watch.Start();
        benchmark::DoNotOptimize(RawNext(OID(Middle + 1)));
        watch.Stop();
    }
}

// --- a new order by a column without an index, and the first screen ---

void OrderEngine(benchmark::State& state) {
    Stopwatch watch(state, "order.engine");
    for (auto _ : state) {
        auto ds = Open();
        watch.Start();
        ds->SetOrder(OrderField);
        benchmark::DoNotOptimize(EngineScreen(*ds));
        watch.Stop();
    }
}

void OrderRaw(benchmark::State& state) {
    BigRaw(); // made before the clock starts
    Stopwatch watch(state, "order.raw");
    for (auto _ : state) {
        watch.Start();
        benchmark::DoNotOptimize(RawRows("ORDER BY Importo", ScreenRows));
        watch.Stop();
    }
}

} // namespace

void RegisterSearchBenchmarks() {
    const std::pair<const char*, void (*)(benchmark::State&)> all[] = {
        {"BM_Like_Engine", LikeEngine}, {"BM_Like_Raw", LikeRaw},
        {"BM_LikeAll_Raw", LikeAllRaw}, {"BM_FindNext_Engine", FindEngine},
        {"BM_FindNext_Raw", FindRaw},   {"BM_Order_Engine", OrderEngine},
        {"BM_Order_Raw", OrderRaw}};
    for (const auto& [name, body] : all)
        benchmark::RegisterBenchmark(name, Guarded, body)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
}

std::vector<Figure> SearchFigures() {
    return {
        {"Like 'Hotel*' applied + first 50 rows", "like.engine", "like.raw",
         "SELECT ... WHERE LIKE ... LIMIT 50", 3.0},
        {"Like 'Hotel*' applied + first 50 rows", "like.engine", "likeall.raw",
         "SELECT every matching row", 0.1},
        {"FindNext from row 500 000", "find.engine", "find.raw",
         "SELECT ... WHERE ... AND OID > ? LIMIT 1", 3.0},
        {"SetOrder(Importo) + first 50 rows", "order.engine", "order.raw",
         "SELECT ... ORDER BY Importo LIMIT 50", 2.0},
    };
}

} // namespace Bench
