// The engine's speed against SQLite used directly: each figure is measured both ways in the
// same run over the same data, and the closing table prints engine / raw as a ratio.

#include "BenchArchive.h"
#include "BenchReport.h"
#include "DbmsClock.h"
#include "MaintenanceBench.h"
#include "SearchBench.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstring>

// Export and transfer are optional parts of the engine: without them their figures read
// "not run" and the rest still builds.
#if __has_include("DbmsExport.h")
#include "DbmsExport.h"
#define BENCH_HAS_EXPORT 1
#endif
#if __has_include("DbmsTransfer.h")
#include "DbmsTransfer.h"
#define BENCH_HAS_TRANSFER 1
#endif

using namespace Bench;

namespace {

constexpr int FirstPageRows = 100;
constexpr qint64 Lookups = 10'000;

const QStringList& AllFields() {
    static const QStringList fields{"OID", "Codice", "Descrizione", "Punti", "Importo", "Data"};
    return fields;
}

void RowsPerSecond(benchmark::State& state, qint64 rows) {
    state.counters["rows/s"] =
        benchmark::Counter(double(rows), benchmark::Counter::kIsIterationInvariantRate);
}

// Reads every column of a row as a raw caller would, so nothing is optimised away.
qint64 TouchRow(sqlite3_stmt* st) {
    qint64 sum =
        sqlite3_column_int64(st, 0) + sqlite3_column_int64(st, 3) + sqlite3_column_int64(st, 4);
    for (int c : {1, 2, 5}) {
        benchmark::DoNotOptimize(sqlite3_column_text(st, c));
        sum += sqlite3_column_bytes(st, c);
    }
    return sum;
}

constexpr const char* SelectAll =
    "SELECT OID, Codice, Descrizione, Punti, Importo, Data FROM Clienti ORDER BY OID";

// --- a million rows added in one transaction ---

void BM_Insert_Engine(benchmark::State& state) {
    Stopwatch watch(state, "insert.engine");
    for (auto _ : state) {
        const QString path = FreshPath("insert-engine");
        {
            auto archive = Archive::Create(path);
            watch.Start();
            EngineFill(*archive, BigRows);
            watch.Stop();
        }
        RemoveArchive(path);
    }
    RowsPerSecond(state, BigRows);
}

void BM_Insert_Raw(benchmark::State& state) {
    Stopwatch watch(state, "insert.raw");
    for (auto _ : state) {
        const QString path = FreshPath("insert-raw");
        {
            RawDb db(path, true);
            RawCreateLayout(db);
            watch.Start();
            RawFill(db, BigRows);
            watch.Stop();
        }
        RemoveArchive(path);
    }
    RowsPerSecond(state, BigRows);
}

// --- the first page of a million-row data source against reading every row ---

void BM_FirstPage_Engine(benchmark::State& state) {
    Archive& archive = BigEngine();
    Stopwatch watch(state, "firstpage.engine");
    for (auto _ : state) {
        watch.Start();
        {
            auto ds = archive.Db().Item(TableName)->OpenDataSource();
            int rows = 0;
            for (ds->MoveFirst(); rows < FirstPageRows && !ds->EOF_(); ds->MoveNext(), ++rows)
                for (const QString& f : AllFields())
                    benchmark::DoNotOptimize(ds->GetValue(f));
        }
        watch.Stop();
    }
}

// The way a grid reads: by position, a page at a time.
void BM_FirstPage_EngineGrid(benchmark::State& state) {
    Archive& archive = BigEngine();
    Stopwatch watch(state, "firstpage.grid");
    for (auto _ : state) {
        watch.Start();
        {
            auto ds = archive.Db().Item(TableName)->OpenDataSource();
            for (qint64 pos = 0; pos < FirstPageRows; ++pos)
                for (const QString& f : AllFields())
                    benchmark::DoNotOptimize(ds->ValueAt(pos, f));
        }
        watch.Stop();
    }
}

void BM_ReadAll_Raw(benchmark::State& state) {
    RawDb& db = BigRaw();
    Stopwatch watch(state, "readall.raw");
    for (auto _ : state) {
        watch.Start();
        RawStatement st(db.Handle(), SelectAll);
        qint64 sum = 0, rows = 0;
        while (st.Step() == SQLITE_ROW) {
            sum += TouchRow(*st);
            ++rows;
        }
        benchmark::DoNotOptimize(sum);
        watch.Stop();
        if (rows != BigRows) state.SkipWithError("raw read: wrong row count");
    }
    RowsPerSecond(state, BigRows);
}

void BM_First100_Raw(benchmark::State& state) {
    RawDb& db = BigRaw();
    Stopwatch watch(state, "first100.raw");
    const std::string sql = std::string(SelectAll) + " LIMIT " + std::to_string(FirstPageRows);
    for (auto _ : state) {
        watch.Start();
        RawStatement st(db.Handle(), sql.c_str());
        qint64 sum = 0;
        while (st.Step() == SQLITE_ROW)
            sum += TouchRow(*st);
        benchmark::DoNotOptimize(sum);
        watch.Stop();
    }
}

// --- lookups by the indexed code through a filter text ---

qint64 ExpectedLookupPoints() {
    qint64 sum = 0;
    for (qint64 k = 0; k < Lookups; ++k)
        sum += ((k * 104729) % BigRows + 1) % 1000;
    return sum;
}

void BM_Lookup_Engine(benchmark::State& state) {
    Archive& archive = BigEngine();
    std::vector<QString> codes;
    for (qint64 k = 0; k < Lookups; ++k)
        codes.push_back(LookupCode(k, BigRows));
    const QString points = "Punti";
    Stopwatch watch(state, "lookup.engine");
    for (auto _ : state) {
        watch.Start();
        auto table = archive.Db().Item(TableName);
        qint64 sum = 0;
        for (const QString& code : codes) {
            auto ds = table->OpenDataSource("Codice = " + DbmsDatabase::TextLiteral(code));
            sum += ds->GetValue(points).toLongLong();
        }
        watch.Stop();
        if (sum != ExpectedLookupPoints()) state.SkipWithError("engine lookup: wrong rows");
    }
    RowsPerSecond(state, Lookups);
}

void BM_Lookup_Raw(benchmark::State& state) {
    RawDb& db = BigRaw();
    std::vector<std::string> codes;
    for (qint64 k = 0; k < Lookups; ++k)
        codes.push_back(LookupCode(k, BigRows).toStdString());
    Stopwatch watch(state, "lookup.raw");
    for (auto _ : state) {
        watch.Start();
        RawStatement st(db.Handle(), "SELECT Punti FROM Clienti WHERE Codice = ?");
        qint64 sum = 0;
        for (const std::string& code : codes) {
            sqlite3_bind_text(*st, 1, code.data(), int(code.size()), SQLITE_STATIC);
            if (st.Step() == SQLITE_ROW) sum += sqlite3_column_int64(*st, 0);
            sqlite3_reset(*st);
        }
        watch.Stop();
        if (sum != ExpectedLookupPoints()) state.SkipWithError("raw lookup: wrong rows");
    }
    RowsPerSecond(state, Lookups);
}

// --- a sum over a million rows ---

qint64 ExpectedAmount() {
    static const qint64 total = [] {
        qint64 sum = 0;
        Row row;
        for (qint64 i = 1; i <= BigRows; ++i) {
            MakeRow(i, row);
            sum += row.AmountUnits;
        }
        return sum;
    }();
    return total;
}

void BM_Sum_Engine(benchmark::State& state) {
    Archive& archive = BigEngine();
    Stopwatch watch(state, "sum.engine");
    for (auto _ : state) {
        watch.Start();
        auto ds = archive.Db().Item(TableName)->OpenDataSource();
        const Money total = ds->Sum("Importo").value<Money>();
        watch.Stop();
        if (total.Units != ExpectedAmount()) state.SkipWithError("engine sum: wrong total");
    }
    RowsPerSecond(state, BigRows);
}

void BM_Sum_Raw(benchmark::State& state) {
    RawDb& db = BigRaw();
    Stopwatch watch(state, "sum.raw");
    for (auto _ : state) {
        watch.Start();
        RawStatement st(db.Handle(), "SELECT SUM(Importo) FROM Clienti");
        st.Step();
        const qint64 total = sqlite3_column_int64(*st, 0);
        watch.Stop();
        if (total != ExpectedAmount()) state.SkipWithError("raw sum: wrong total");
    }
    RowsPerSecond(state, BigRows);
}

// --- HTML export of 100 000 rows ---

// What a hand-written export would do: the stored text of each value turned into its display
// form, HTML-escaped, one <tr> per row.
QString Escaped(const QString& text) {
    QString out = text.toHtmlEscaped();
    out.replace('\'', QLatin1String("&#39;"));
    return out;
}

QString MoneyText(qint64 units) {
    const bool negative = units < 0;
    const quint64 magnitude = negative ? quint64(-(units + 1)) + 1 : quint64(units);
    const quint64 cents = (magnitude + 50) / 100;
    QString whole = QString::number(cents / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, '.');
    QString text = whole + ',' + QString::number(cents % 100).rightJustified(2, '0');
    return negative && cents != 0 ? '-' + text : text;
}

// "yyyy-MM-dd HH:mm:ss" → "dd/MM/yyyy HH:mm"
QString DateText(const char* s, int n) {
    if (n < 16) return QString();
    char out[16];
    std::memcpy(out, s + 8, 2);
    out[2] = '/';
    std::memcpy(out + 3, s + 5, 2);
    out[5] = '/';
    std::memcpy(out + 6, s, 4);
    out[10] = ' ';
    std::memcpy(out + 11, s + 11, 5);
    return QString::fromLatin1(out, 16);
}

QString ColumnText(sqlite3_stmt* st, int c) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                             sqlite3_column_bytes(st, c));
}

void RawExport(RawDb& db, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the export");
    QByteArray buffer = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>"
                        "Clienti</title>\n</head>\n<body>\n<table>\n<tr><th>Codice</th>"
                        "<th>Descrizione</th><th>Punti</th><th>Importo</th><th>Data</th></tr>\n";
    RawStatement st(db.Handle(), "SELECT Codice, Descrizione, Punti, Importo, Data FROM Clienti "
                                 "ORDER BY OID");
    QString line;
    while (st.Step() == SQLITE_ROW) {
        line = QLatin1String("<tr><td>");
        line += Escaped(ColumnText(*st, 0));
        line += QLatin1String("</td><td>");
        line += Escaped(ColumnText(*st, 1));
        line += QLatin1String("</td><td class=\"n\">");
        line += QString::number(sqlite3_column_int64(*st, 2));
        line += QLatin1String("</td><td class=\"n\">");
        line += MoneyText(sqlite3_column_int64(*st, 3));
        line += QLatin1String("</td><td>");
        line += DateText(reinterpret_cast<const char*>(sqlite3_column_text(*st, 4)),
                         sqlite3_column_bytes(*st, 4));
        line += QLatin1String("</td></tr>\n");
        buffer += line.toUtf8();
        if (buffer.size() >= 256 * 1024) {
            file.write(buffer);
            buffer.clear();
        }
    }
    buffer += "</table>\n</body>\n</html>\n";
    file.write(buffer);
}

#ifdef BENCH_HAS_EXPORT
void BM_Export_Engine(benchmark::State& state) {
    Archive& archive = SmallEngine();
    Stopwatch watch(state, "export.engine");
    qint64 bytes = 0;
    for (auto _ : state) {
        const QString path = FreshPath("export-engine") + ".htm";
        watch.Start();
        {
            auto ds = archive.Db().Item(TableName)->OpenDataSource();
            DbmsExport(*ds, path, DbmsExportFormat::Html, nullptr);
        }
        watch.Stop();
        bytes = QFileInfo(path).size();
        QFile::remove(path);
    }
    state.counters["bytes"] = double(bytes);
    RowsPerSecond(state, SmallRows);
}
#endif

void BM_Export_Raw(benchmark::State& state) {
    RawDb& db = SmallRaw();
    Stopwatch watch(state, "export.raw");
    qint64 bytes = 0;
    for (auto _ : state) {
        const QString path = FreshPath("export-raw") + ".htm";
        watch.Start();
        RawExport(db, path);
        watch.Stop();
        bytes = QFileInfo(path).size();
        QFile::remove(path);
    }
    state.counters["bytes"] = double(bytes);
    RowsPerSecond(state, SmallRows);
}

// --- transfer of 100 000 rows into an empty archive, keeping OIDs ---

#ifdef BENCH_HAS_TRANSFER
void BM_Transfer_Engine(benchmark::State& state) {
    Archive& source = SmallEngine();
    Stopwatch watch(state, "transfer.engine");
    for (auto _ : state) {
        const QString path = FreshPath("transfer-engine");
        {
            auto destination = Archive::Create(path);
            watch.Start();
            auto from = source.Db().Item(TableName)->OpenDataSource();
            auto to = destination->Table()->OpenDataSource();
            DbmsTransferRows(*from, *to, DbmsTransferMode::KeepOids, nullptr);
            watch.Stop();
            if (to->RowCount() != SmallRows) state.SkipWithError("engine transfer: wrong rows");
        }
        RemoveArchive(path);
    }
    RowsPerSecond(state, SmallRows);
}
#endif

void BM_Transfer_RawLoop(benchmark::State& state) {
    RawDb& source = SmallRaw();
    Stopwatch watch(state, "transfer.loop");
    for (auto _ : state) {
        const QString path = FreshPath("transfer-loop");
        {
            RawDb destination(path, true);
            RawCreateLayout(destination);
            watch.Start();
            destination.Exec("BEGIN");
            {
                RawStatement read(source.Handle(), SelectAll);
                RawStatement write(destination.Handle(),
                                   "INSERT INTO Clienti (OID, Codice, Descrizione, Punti, "
                                   "Importo, Data) VALUES (?, ?, ?, ?, ?, ?)");
                while (read.Step() == SQLITE_ROW) {
                    for (int c = 0; c < 6; ++c)
                        sqlite3_bind_value(*write, c + 1, sqlite3_column_value(*read, c));
                    write.Step();
                    sqlite3_reset(*write);
                }
            }
            destination.Exec("COMMIT");
            watch.Stop();
        }
        RemoveArchive(path);
    }
    RowsPerSecond(state, SmallRows);
}

void BM_Transfer_RawInsertSelect(benchmark::State& state) {
    const QByteArray source = SmallPath().toUtf8();
    Stopwatch watch(state, "transfer.select");
    for (auto _ : state) {
        const QString path = FreshPath("transfer-select");
        {
            RawDb destination(path, true);
            RawCreateLayout(destination);
            {
                RawStatement attach(destination.Handle(), "ATTACH ? AS src");
                sqlite3_bind_text(*attach, 1, source.constData(), int(source.size()),
                                  SQLITE_STATIC);
                attach.Step();
            }
            watch.Start();
            destination.Exec("BEGIN");
            destination.Exec("INSERT INTO main.Clienti (OID, Codice, Descrizione, Punti, Importo, "
                             "Data) SELECT OID, Codice, Descrizione, Punti, Importo, Data "
                             "FROM src.Clienti ORDER BY OID");
            destination.Exec("COMMIT");
            watch.Stop();
        }
        RemoveArchive(path);
    }
    RowsPerSecond(state, SmallRows);
}

// A million-row insert runs once, on a fresh file; the rest repeat until timing is steady.
void Register(const char* name, void (*body)(benchmark::State&), bool once = false) {
    auto* b = benchmark::RegisterBenchmark(name, Guarded, body);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
    if (once) b->Iterations(1);
}

} // namespace

int main(int argc, char** argv) {
    DbmsClock::PinTimeZone();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QCoreApplication app(argc, argv);

    Register("BM_Insert_Engine", BM_Insert_Engine, true);
    Register("BM_Insert_Raw", BM_Insert_Raw, true);
    Register("BM_FirstPage_Engine", BM_FirstPage_Engine);
    Register("BM_FirstPage_EngineGrid", BM_FirstPage_EngineGrid);
    Register("BM_ReadAll_Raw", BM_ReadAll_Raw);
    Register("BM_First100_Raw", BM_First100_Raw);
    Register("BM_Lookup_Engine", BM_Lookup_Engine);
    Register("BM_Lookup_Raw", BM_Lookup_Raw);
    Register("BM_Sum_Engine", BM_Sum_Engine);
    Register("BM_Sum_Raw", BM_Sum_Raw);
#ifdef BENCH_HAS_EXPORT
    Register("BM_Export_Engine", BM_Export_Engine);
#endif
    Register("BM_Export_Raw", BM_Export_Raw);
#ifdef BENCH_HAS_TRANSFER
    Register("BM_Transfer_Engine", BM_Transfer_Engine);
#endif
    Register("BM_Transfer_RawLoop", BM_Transfer_RawLoop);
    Register("BM_Transfer_RawInsertSelect", BM_Transfer_RawInsertSelect);
    RegisterSearchBenchmarks();
    RegisterMaintenanceBenchmarks();

    benchmark::RunSpecifiedBenchmarks();
    std::vector<Figure> figures{
        {"1 000 000 rows added, one transaction", "insert.engine", "insert.raw", "prepared INSERT",
         2.0},
        {"open + first 100 rows (GetValue)", "firstpage.engine", "readall.raw",
         "SELECT all 1 000 000 rows", 0.1},
        {"open + first 100 rows (ValueAt)", "firstpage.grid", "readall.raw",
         "SELECT all 1 000 000 rows", 0.1},
        {"open + first 100 rows (GetValue)", "firstpage.engine", "first100.raw",
         "SELECT ... LIMIT 100", 0},
        {"10 000 lookups by Codice (filter text)", "lookup.engine", "lookup.raw",
         "prepared SELECT ... WHERE Codice = ?", 3.0},
        {"Sum(Importo) over 1 000 000 rows", "sum.engine", "sum.raw", "SELECT SUM(Importo)", 1.5},
        {"HTML export of 100 000 rows", "export.engine", "export.raw",
         "SELECT + escaped HTML via QFile", 0},
        {"transfer 100 000 rows, keeping OIDs", "transfer.engine", "transfer.loop",
         "SELECT + prepared INSERT loop", 2.0},
        {"transfer 100 000 rows, keeping OIDs", "transfer.engine", "transfer.select",
         "INSERT INTO ... SELECT (attached)", 0},
    };
    for (const Figure& f : SearchFigures())
        figures.push_back(f);
    for (const Figure& f : MaintenanceFigures())
        figures.push_back(f);
    PrintFigures(figures);
    PrintMaintenanceRates();
    Cleanup();
    benchmark::Shutdown();
    return 0;
}
