// The grid model scrolling a million rows, beside the same rows read straight through SQLite:
// a screen of 50 rows at the top of a freshly opened grid, in the middle, at the end, and
// anywhere once the grid has been scrolled through; the closing table prints the ratios.

#include "BenchArchive.h"
#include "BenchReport.h"
#include "DbmsClock.h"
#include "DbmsFormService.h"
#include "DbmsGridModel.h"

#include <QApplication>
#include <QTableView>

using namespace Bench;

namespace {

constexpr int ScreenRows = 50;
constexpr qint64 Middle = BigRows / 2;
constexpr qint64 End = BigRows - ScreenRows;

// A screen as a view paints it: the display text of every cell.
qint64 PaintScreen(const DbmsGridModel& model, int first) {
    qint64 chars = 0;
    for (int r = first; r < first + ScreenRows; ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            chars += model.data(model.index(r, c)).toString().size();
    return chars;
}

std::unique_ptr<DbmsGridModel> OpenGrid() {
    return std::make_unique<DbmsGridModel>(BigEngine().Table()->OpenDataSource(), nullptr);
}

// The same screen read straight from the file: rows by position in OID order, as a grid
// without an engine would read them, every shown column taken.
qint64 RawScreen(sqlite3* db, qint64 first) {
    RawStatement st(db, "SELECT Codice, Descrizione, Punti, Importo, Data FROM Clienti "
                        "ORDER BY OID LIMIT ? OFFSET ?");
    sqlite3_bind_int64(*st, 1, ScreenRows);
    sqlite3_bind_int64(*st, 2, first);
    qint64 sum = 0, rows = 0;
    while (st.Step() == SQLITE_ROW) {
        for (int c : {0, 1, 4}) {
            benchmark::DoNotOptimize(sqlite3_column_text(*st, c));
            sum += sqlite3_column_bytes(*st, c);
        }
        sum += sqlite3_column_int64(*st, 2) + sqlite3_column_int64(*st, 3);
        ++rows;
    }
    if (rows != ScreenRows) throw std::runtime_error("raw screen: wrong row count");
    return sum;
}

qint64 RawCount(sqlite3* db) {
    RawStatement st(db, "SELECT COUNT(*) FROM Clienti");
    st.Step();
    return sqlite3_column_int64(*st, 0);
}

// A screen somewhere in the table, a different page each time.
qint64 ScatteredPosition(qint64 k) {
    return (k * 7'919 * 256) % (BigRows - ScreenRows);
}

// --- 1. the first screen of a freshly opened grid ---

void BM_FirstScreen_Grid(benchmark::State& state) {
    BigEngine();
    Stopwatch watch(state, "first.grid");
    for (auto _ : state) {
        watch.Start();
        {
            auto model = OpenGrid();
            if (model->rowCount() != BigRows) state.SkipWithError("grid: wrong row count");
            benchmark::DoNotOptimize(PaintScreen(*model, 0));
        }
        watch.Stop();
    }
}

// The count beside the rows: a grid needs both to show its first screen and its scroll bar.
void BM_FirstScreen_Raw(benchmark::State& state) {
    sqlite3* db = BigRaw().Handle();
    Stopwatch watch(state, "first.raw");
    for (auto _ : state) {
        watch.Start();
        if (RawCount(db) != BigRows) state.SkipWithError("raw: wrong row count");
        benchmark::DoNotOptimize(RawScreen(db, 0));
        watch.Stop();
    }
}

void BM_ReadAll_Raw(benchmark::State& state) {
    sqlite3* db = BigRaw().Handle();
    Stopwatch watch(state, "readall.raw");
    for (auto _ : state) {
        watch.Start();
        RawStatement st(db, "SELECT Codice, Descrizione, Punti, Importo, Data FROM Clienti "
                            "ORDER BY OID");
        qint64 sum = 0;
        while (st.Step() == SQLITE_ROW)
            sum += sqlite3_column_bytes(*st, 0) + sqlite3_column_bytes(*st, 1) +
                   sqlite3_column_int64(*st, 2) + sqlite3_column_int64(*st, 3) +
                   sqlite3_column_bytes(*st, 4);
        benchmark::DoNotOptimize(sum);
        watch.Stop();
    }
}

// --- 2. a jump to the middle and to the end of a grid just opened ---

void JumpGrid(benchmark::State& state, const char* key, qint64 first) {
    BigEngine();
    Stopwatch watch(state, key);
    for (auto _ : state) {
        auto model = OpenGrid();
        watch.Start();
        benchmark::DoNotOptimize(PaintScreen(*model, int(first)));
        watch.Stop();
    }
}

void JumpRaw(benchmark::State& state, const char* key, qint64 first) {
    sqlite3* db = BigRaw().Handle();
    Stopwatch watch(state, key);
    for (auto _ : state) {
        watch.Start();
        benchmark::DoNotOptimize(RawScreen(db, first));
        watch.Stop();
    }
}

void BM_Middle_Grid(benchmark::State& state) {
    JumpGrid(state, "middle.grid", Middle);
}
void BM_Middle_Raw(benchmark::State& state) {
    JumpRaw(state, "middle.raw", Middle);
}
void BM_End_Grid(benchmark::State& state) {
    JumpGrid(state, "end.grid", End);
}
void BM_End_Raw(benchmark::State& state) {
    JumpRaw(state, "end.raw", End);
}

// --- 3. screens anywhere, once the grid knows all its rows ---

void BM_Scattered_Grid(benchmark::State& state) {
    BigEngine();
    auto model = OpenGrid();
    PaintScreen(*model, int(End)); // the whole list of rows is known from here on
    Stopwatch watch(state, "scattered.grid");
    qint64 k = 0;
    for (auto _ : state) {
        const int first = int(ScatteredPosition(++k));
        watch.Start();
        benchmark::DoNotOptimize(PaintScreen(*model, first));
        watch.Stop();
    }
}

void BM_Scattered_Raw(benchmark::State& state) {
    sqlite3* db = BigRaw().Handle();
    Stopwatch watch(state, "scattered.raw");
    qint64 k = 0;
    for (auto _ : state) {
        const qint64 first = ScatteredPosition(++k);
        watch.Start();
        benchmark::DoNotOptimize(RawScreen(db, first));
        watch.Stop();
    }
}

// --- 4. finding the row of the last OID (a view keeping its current row across a refresh) ---

void BM_RowOf_Grid(benchmark::State& state) {
    BigEngine();
    Stopwatch watch(state, "rowof.grid");
    for (auto _ : state) {
        auto model = OpenGrid();
        watch.Start();
        if (model->RowOf(BigRows) != BigRows - 1) state.SkipWithError("grid: wrong row");
        watch.Stop();
    }
}

void BM_RowOf_Raw(benchmark::State& state) {
    sqlite3* db = BigRaw().Handle();
    Stopwatch watch(state, "rowof.raw");
    for (auto _ : state) {
        watch.Start();
        RawStatement st(db, "SELECT COUNT(*) FROM Clienti WHERE OID < ?");
        sqlite3_bind_int64(*st, 1, BigRows);
        st.Step();
        if (sqlite3_column_int64(*st, 0) != BigRows - 1) state.SkipWithError("raw: wrong row");
        watch.Stop();
    }
}

// --- 5. a real table view bound and painted ---

void BM_BindAndPaint_View(benchmark::State& state) {
    Archive& archive = BigEngine();
    DbmsFormService service;
    Stopwatch watch(state, "view.grid");
    for (auto _ : state) {
        QTableView view;
        view.resize(1000, 50 * 30);
        watch.Start();
        service.BindGrid(&view, archive.Table()->OpenDataSource());
        benchmark::DoNotOptimize(view.grab());
        watch.Stop();
    }
}

} // namespace

BENCHMARK(BM_FirstScreen_Grid)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstScreen_Raw)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAll_Raw)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Middle_Grid)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Middle_Raw)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_End_Grid)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_End_Raw)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scattered_Grid)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scattered_Raw)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowOf_Grid)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowOf_Raw)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BindAndPaint_View)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    DbmsClock::PinTimeZone();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    PrintFigures({
        {"grid opened + first 50 rows painted", "first.grid", "readall.raw",
         "SELECT all 1 000 000 rows", 0.1},
        {"grid opened + first 50 rows painted", "first.grid", "first.raw",
         "COUNT(*) + SELECT ... LIMIT 50", 0},
        // A jump walks the row list up to the screen once; SQLite's own OFFSET walks as far.
        {"50 rows at the middle, grid just opened", "middle.grid", "middle.raw",
         "SELECT ... LIMIT 50 OFFSET 500000", 4.0},
        {"50 rows at the end, grid just opened", "end.grid", "end.raw",
         "SELECT ... LIMIT 50 OFFSET 999950", 4.0},
        // Once the list is known a screen is one page read by OID, wherever it is.
        {"50 rows anywhere, grid scrolled through", "scattered.grid", "scattered.raw",
         "SELECT ... LIMIT 50 OFFSET anywhere", 1.0},
        {"row of the last OID, grid just opened", "rowof.grid", "rowof.raw",
         "SELECT COUNT(*) WHERE OID < ?", 0},
        {"table view bound + first paint", "view.grid", "first.raw",
         "COUNT(*) + SELECT ... LIMIT 50", 0},
    });
    Cleanup();
    benchmark::Shutdown();
    return 0;
}
