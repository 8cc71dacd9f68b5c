// Printing the generated archive (100 000 customers, 250 000 sales, about a million sold-article
// lines) with the program's layouts: "Lista Operazioni" over every sale and "Resoconto Vendite"
// over one month, written as PDF files and previewed. Each is set beside the engine merely
// reading the same rows (every printed field of every row, as text), the cost no layout can
// avoid; the preview's first page beside the whole report; and the memory the process gains
// while the report runs, at a tenth of its rows and at its end, which must not grow with pages.

#include "BenchArchive.h"
#include "BenchGenerated.h"
#include "BenchReport.h"
#include "DB.h"
#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDatabase.h"
#include "DbmsEngine.h"
#include "DbmsStorage.h"
#include "ReportGroupRenderer.h"
#include "ReportRenderer.h"
#include "clsArchiveSession.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <map>
#include <unistd.h>

using namespace Bench;

namespace {

const QString kMonth = QStringLiteral("Data >= #03/01/2024# AND Data < #04/01/2024#");

// The generated archive opened read-only with the program's definition, once per run.
struct Archive {
    Archive() {
        const QString path = GeneratedFolder(GeneratedSizes(100'000, 250'000)) + "/" +
                             clsArchiveSession::ArchiveName;
        Storage->OpenReadOnly(DbmsStorage::FormatSQLite, path);
        Db = Engine.DefineDatabase(Definition, "bench", nullptr, nullptr);
        Db->Attach(Storage);
    }
    // The operations as the list or the summary of the main window opens them.
    std::shared_ptr<DbmsDataSource> Sales(const QString& filter, bool summary) {
        DbmsOpenOptions options;
        options.Filter = filter;
        options.Order = "OperazioniVendite.Data, OperazioniVendite.OID_Cliente";
        if (summary) {
            options.Filter += " AND N_Articoli > 0";
            options.Order = "OperazioniVendite.OID_Cliente,OperazioniVendite.Data";
            options.Summary = true;
            options.Detail = "Articoli";
        }
        return Db->Item("OperazioniVendite")->OpenDataSource(Storage, options);
    }
    DbmsEngine Engine;
    DB Definition;
    std::shared_ptr<DbmsStorage> Storage = std::make_shared<DbmsStorage>();
    std::shared_ptr<DbmsDatabase> Db;
};
Archive& Generated() {
    static Archive archive;
    return archive;
}

qint64 ResidentBytes() {
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

// Follows a report's rows: the memory gained since the start, at a tenth of the rows and at
// the end (the highest seen up to each).
struct Memory : itfProgress {
    qint64 Start = ResidentBytes(), Max = 0, AtTenth = -1, Total = 0;
    void OnStart(const QString&, qint64 max) override { Total = max; }
    void OnProgress(const QString&, qint64 position, bool&) override {
        if (position % 500 == 0) Max = std::max(Max, ResidentBytes() - Start);
        if (AtTenth < 0 && position >= Total / 10 && Total > 0) AtTenth = Max;
    }
    void OnEnd(const QString&) override {}
    void OnStopped(bool&) override {}
};

std::map<std::string, std::string>& Notes() {
    static std::map<std::string, std::string> notes;
    return notes;
}

// The report under test: a list or a summary over the rows a filter leaves.
struct Case {
    const char* Key;
    QString Filter;
    bool Summary;
};
const Case kList{"list", {}, false};
const Case kMonthSummary{"month", kMonth, true};

std::unique_ptr<ReportDocument> Report(const Case& c, DbmsDataSource& rows) {
    static const ReportLayout list = drVendite("Lista Operazioni");
    static const ReportGroupLayout summary = drResoconto("Resoconto Vendite");
    if (c.Summary) return std::make_unique<ReportGroupRenderer>(summary, rows);
    return std::make_unique<ReportRenderer>(list, rows);
}

// Every printed field of every row read as the layout reads it, without drawing.
qint64 ReadAll(const Case& c, DbmsDataSource& rows) {
    qint64 chars = 0;
    const qint64 count = rows.RowCount();
    if (!c.Summary) {
        const ReportLayout layout = drVendite("x");
        for (qint64 row = 0; row < count; ++row) {
            for (const ReportColumn& col : layout.Columns)
                chars += ReportDocument::CellText(col.Kind, rows, row, col.Field).size();
            rows.ValueAt(row, "Importo");
        }
        return chars;
    }
    const ReportGroupLayout layout = drResoconto("x");
    const std::vector<ReportColumn> heading = SaleHeadingColumns();
    for (qint64 row = 0; row < count; ++row) {
        for (const ReportColumn& col : heading)
            chars += ReportDocument::CellText(col.Kind, rows, row, col.Field).size();
        auto lines = rows.GetReferenceOf(rows.OIDAt(row), layout.Collection);
        const qint64 n = lines->RowCount();
        for (qint64 i = 0; i < n; ++i)
            for (const ReportColumn& col : layout.Details)
                chars += ReportDocument::CellText(col.Kind, *lines, i, col.Field).size();
    }
    return chars;
}

void BM_Read(benchmark::State& state, const Case& c) {
    Stopwatch watch(state, std::string(c.Key) + ".read");
    for (auto _ : state) {
        auto rows = Generated().Sales(c.Filter, c.Summary);
        const qint64 before = ResidentBytes();
        watch.Start();
        benchmark::DoNotOptimize(ReadAll(c, *rows));
        watch.Stop();
        state.counters["rows"] = double(rows->RowCount());
        state.counters["MB"] = double(ResidentBytes() - before) / 1e6;
    }
}

void BM_Pdf(benchmark::State& state, const Case& c) {
    Stopwatch watch(state, std::string(c.Key) + ".pdf");
    for (auto _ : state) {
        auto rows = Generated().Sales(c.Filter, c.Summary);
        auto report = Report(c, *rows);
        const QString path = FreshPath("report.pdf");
        Memory memory;
        watch.Start();
        report->ExportPdf(path, &memory);
        watch.Stop();
        const double pages = report->PageCount();
        state.counters["rows"] = double(rows->RowCount());
        state.counters["pages"] = pages;
        state.counters["MB@10%"] = double(memory.AtTenth) / 1e6;
        state.counters["MB@end"] = double(memory.Max) / 1e6;
        char note[160];
        std::snprintf(note, sizeof note,
                      "%s: %.0f pages, %.0f rows; memory gained %.1f MB at a tenth of the rows, "
                      "%.1f MB at the end",
                      c.Key, pages, double(rows->RowCount()), double(memory.AtTenth) / 1e6,
                      double(memory.Max) / 1e6);
        Notes()[c.Key] = note;
        QFile::remove(path);
    }
}

void BM_Preview(benchmark::State& state, const Case& c) {
    Stopwatch watch(state, std::string(c.Key) + ".preview");
    for (auto _ : state) {
        auto rows = Generated().Sales(c.Filter, c.Summary);
        auto report = Report(c, *rows);
        watch.Start();
        report->Paginate(ReportDocument::DefaultPageLayout());
        const QImage page = report->PageImage(1, 96);
        watch.Stop();
        benchmark::DoNotOptimize(page.constBits());
    }
}

} // namespace

int main(int argc, char** argv) {
    DbmsClock::PinTimeZone();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (const Case* c : {&kList, &kMonthSummary}) {
        // The read first, on a file the generator's check has just read through.
        for (const char* what : {"Read", "Pdf", "Preview"}) {
            const std::string name = std::string("BM_") + what + "/" + c->Key;
            const auto run = what[0] == 'R'                     ? BM_Read
                             : what[0] == 'P' && what[1] == 'd' ? BM_Pdf
                                                                : BM_Preview;
            benchmark::RegisterBenchmark(name.c_str(), run, *c)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    PrintFigures({
        {"Lista Operazioni, every sale, as PDF", "list.pdf", "list.read",
         "the engine reading the same fields", 3.0},
        {"Lista Operazioni, preview's first page", "list.preview", "list.pdf",
         "the whole report as PDF", 0.1},
        {"Resoconto Vendite, one month, as PDF", "month.pdf", "month.read",
         "the engine reading the same fields", 3.0},
        {"Resoconto Vendite, preview's first page", "month.preview", "month.pdf",
         "the whole report as PDF", 0.1},
    });
    for (const auto& [key, note] : Notes())
        std::printf("%s\n", note.c_str());
    Cleanup();
    benchmark::Shutdown();
    return 0;
}
