// Opening the "Lista Operazioni" view of the main window on a generated archive of about a
// thousand sold-article lines and on one of about a million, beside the same first screen read
// straight through SQLite: with every operation shown, and with one day's only, which is what
// the window shows at start. The closing table prints the ratios.
//
// The archives are made once and kept in $TESSARIN_BENCH_DIR (default: tessarin-bench in the
// temporary folder); the big one takes minutes to make.

#include "BenchArchive.h"
#include "BenchGenerated.h"
#include "BenchReport.h"
#include "DbmsClock.h"
#include "InitDatabase.h"
#include "ScriptedPrompter.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMain.h"
#include "frmMessage.h"

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <stdexcept>

using namespace Bench;

namespace {

const QString SectionKey = QStringLiteral("Lista Operazioni");
constexpr int ScreenRows = 50;
// The stored window size (pixels) that leaves the grid about 1000 x 700 beside the tree with
// the offscreen fonts; the painted size is reported with the figures.
constexpr int WindowWidth = 1237;
constexpr int WindowHeight = 818;

// The columns the view shows, in the grid's order, the customer by its description.
constexpr const char* RawColumns =
    "SELECT o.Data, o.Importo, o.PuntiAssegnati, o.PuntiBonus, o.PuntiSpesi, "
    "o.RiferimentoVoucher, o.Note, c.Descrizione FROM OperazioniVendite AS o "
    "LEFT JOIN Clienti AS c ON c.OID = o.OID_Cliente";
constexpr const char* RawDayCondition = " WHERE o.Data >= ?1 AND o.Data < ?2";
constexpr const char* RawOrder = " ORDER BY o.Data, o.OID_Cliente LIMIT ";

// --- the archives, kept between runs ---

struct Generated {
    const char* Name;
    GeneratorSizes Sizes;
    QString Folder;   // holds Tessarin.mdb, as RootDir does
    qint64 Sales = 0; // rows of OperazioniVendite
    QDate Day;        // the busiest day, the one the day view shows
    qint64 DaySales = 0;
    std::unique_ptr<RawDb> Raw; // the raw side's connection
    QString Path() const { return Folder + "/" + clsArchiveSession::ArchiveName; }
};

Generated g_small{"small", GeneratedSizes(100, 250), {}, 0, {}, 0, {}};
Generated g_big{"big", GeneratedSizes(100'000, 250'000), {}, 0, {}, 0, {}};

Generated& Ready(Generated& archive) {
    if (archive.Raw) return archive;
    archive.Folder = GeneratedFolder(archive.Sizes);
    archive.Raw = std::make_unique<RawDb>(archive.Path(), false);
    archive.Sales = Count(*archive.Raw, "OperazioniVendite");
    RawStatement busiest(archive.Raw->Handle(),
                         "SELECT substr(Data, 1, 10) AS Day, COUNT(*) AS Sales "
                         "FROM OperazioniVendite GROUP BY Day ORDER BY Sales DESC, Day DESC "
                         "LIMIT 1");
    if (busiest.Step() != SQLITE_ROW) throw std::runtime_error("archive without sales");
    archive.Day = QDate::fromString(
        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(*busiest, 0))),
        "yyyy-MM-dd");
    archive.DaySales = sqlite3_column_int64(*busiest, 1);
    return archive;
}

// --- the program's side: settings and archive as at start-up ---

// What the program's start makes once and hands to the window.
clsSettings& Settings() {
    static clsSettings settings;
    return settings;
}
clsArchiveSession& Session() {
    static clsArchiveSession session;
    return session;
}

std::unique_ptr<QTemporaryDir> g_home;
std::unique_ptr<ScriptedPrompter> g_prompter;
const Generated* g_open = nullptr;

void CloseArchive() {
    frmMessage::Unload();
    Session().Release();
    g_open = nullptr;
}

// Opens the archive the way the program does, once per archive: only the view is timed.
void UseArchive(const Generated& archive, bool day) {
    if (!g_home) {
        g_home = std::make_unique<QTemporaryDir>();
        if (!g_home->isValid()) throw std::runtime_error("cannot make a temporary folder");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, g_home->filePath("config"));
        qputenv("TESSARIN_HOME", g_home->filePath("home").toUtf8());
        Settings().Load();
        Settings().WriteSetting("Settings", "MainWidth",
                                QString::number(WindowWidth * frmMain::TwipsPerPixel));
        Settings().WriteSetting("Settings", "MainHeight",
                                QString::number(WindowHeight * frmMain::TwipsPerPixel));
        g_prompter = std::make_unique<ScriptedPrompter>();
    }
    if (g_open != &archive) {
        CloseArchive();
        Settings().RootDir = archive.Folder;
        modGlobal::InitDatabase(Session(), Settings(), true, nullptr, nullptr, nullptr);
        if (!Session().IsOpen()) throw std::runtime_error("archive not opened");
        g_open = &archive;
    }
    // The window takes "today" as its selected date: the day view stands on the busiest day.
    if (day)
        DbmsClock::SetFixed(QDateTime(archive.Day, QTime(10, 0)));
    else
        DbmsClock::Reset();
    Session().SetDateSelection(day, false);
}

// Whatever the program asked is a fault of the run: nobody is there to answer.
bool Unasked(benchmark::State& state) {
    if (g_prompter->Failures().isEmpty() && g_prompter->History().empty()) return true;
    const QString asked = g_prompter->Failures().isEmpty() ? g_prompter->Messages().join(" | ")
                                                           : g_prompter->Failures().join(" | ");
    state.SkipWithError(("the program asked: " + asked).toStdString().c_str());
    return false;
}

std::unique_ptr<frmMain> OpenView() {
    auto main = std::make_unique<frmMain>(Session(), Settings());
    // What the first activation does once the archive is open.
    main->SetTreeViewNodes();
    if (!main->SelectNode(SectionKey)) throw std::runtime_error("no Lista Operazioni node");
    main->RefreshDetailView();
    return main;
}

// The window is never shown: grabbing lays it out as showing would (the grid gets its size
// only then) and paints the grid as the screen would.
QSize Paint(frmMain& main) {
    benchmark::DoNotOptimize(main.dgView->grab());
    return main.dgView->size();
}

void CloseWindow(std::unique_ptr<frmMain>& main) {
    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

enum Selection { AllDays, OneDay };
enum Step { OpenOnly, OpenAndPaint };
// Warm: the archive has served views before. JustOpened: a fresh connection with an empty
// page cache, as at start-up (the file itself stays in the system's cache).
enum Cache { Warm, JustOpened };

std::string Key(const Generated& archive, Selection selection, const char* what, Cache cache) {
    return std::string(archive.Name) + (selection == OneDay ? ".day." : ".all.") + what +
           (cache == JustOpened ? ".fresh" : "");
}

void BM_View(benchmark::State& state, Generated* archive, Selection selection, Step step,
             Cache cache) {
    Ready(*archive);
    UseArchive(*archive, selection == OneDay);
    const qint64 expected = selection == OneDay ? archive->DaySales : archive->Sales;
    Stopwatch watch(state, Key(*archive, selection, step == OpenOnly ? "open" : "paint", cache));
    QSize painted;
    for (auto _ : state) {
        if (cache == JustOpened) {
            CloseArchive();
            UseArchive(*archive, selection == OneDay);
        }
        watch.Start();
        auto main = OpenView();
        if (step == OpenAndPaint) painted = Paint(*main);
        watch.Stop();
        const QAbstractItemModel* model = main->dgView->model();
        const qint64 rows = model ? model->rowCount() : -1;
        CloseWindow(main);
        if (rows != expected) {
            state.SkipWithError("the view shows a wrong number of rows");
            break;
        }
        if (!Unasked(state)) break;
    }
    state.counters["rows"] = double(expected);
    if (step == OpenAndPaint) {
        state.counters["grid_w"] = painted.width();
        state.counters["grid_h"] = painted.height();
    }
}

// The same first screen straight from the file: the count for the scroll bar and the first
// 50 rows in the view's order, every shown column read.
void BM_Raw(benchmark::State& state, Generated* archive, Selection selection, Cache cache) {
    Ready(*archive);
    const std::string where = selection == OneDay ? RawDayCondition : "";
    const std::string count = "SELECT COUNT(*) FROM OperazioniVendite AS o" + where;
    const std::string screen = RawColumns + where + RawOrder + std::to_string(ScreenRows);
    const std::string from = archive->Day.toString("yyyy-MM-dd 00:00:00").toStdString();
    const std::string to = archive->Day.addDays(1).toString("yyyy-MM-dd 00:00:00").toStdString();
    auto bindDay = [&](RawStatement& st) {
        if (selection != OneDay) return;
        sqlite3_bind_text(*st, 1, from.data(), int(from.size()), SQLITE_STATIC);
        sqlite3_bind_text(*st, 2, to.data(), int(to.size()), SQLITE_STATIC);
    };
    const qint64 expected = selection == OneDay ? archive->DaySales : archive->Sales;
    Stopwatch watch(state, Key(*archive, selection, "raw", cache));
    for (auto _ : state) {
        if (cache == JustOpened) archive->Raw = std::make_unique<RawDb>(archive->Path(), false);
        sqlite3* db = archive->Raw->Handle();
        watch.Start();
        RawStatement counted(db, count.c_str());
        bindDay(counted);
        counted.Step();
        const qint64 rows = sqlite3_column_int64(*counted, 0);
        RawStatement st(db, screen.c_str());
        bindDay(st);
        qint64 sum = 0, shown = 0;
        while (st.Step() == SQLITE_ROW) {
            for (int c : {0, 5, 6, 7}) {
                benchmark::DoNotOptimize(sqlite3_column_text(*st, c));
                sum += sqlite3_column_bytes(*st, c);
            }
            for (int c : {1, 2, 3, 4})
                sum += sqlite3_column_int64(*st, c);
            ++shown;
        }
        benchmark::DoNotOptimize(sum);
        watch.Stop();
        if (rows != expected || shown != std::min<qint64>(rows, ScreenRows)) {
            state.SkipWithError("raw: wrong rows");
            break;
        }
    }
    state.counters["rows"] = double(expected);
}

// The window and its section tree alone, no view: the part of opening that no archive size
// changes.
void BM_Window(benchmark::State& state) {
    Ready(g_big);
    UseArchive(g_big, false);
    Stopwatch watch(state, "window");
    for (auto _ : state) {
        watch.Start();
        auto main = std::make_unique<frmMain>(Session(), Settings());
        main->SetTreeViewNodes();
        watch.Stop();
        CloseWindow(main);
        if (!Unasked(state)) break;
    }
}

} // namespace

#define VIEW_BENCHMARK(name, ...)                                                                  \
    BENCHMARK_CAPTURE(BM_View, name, __VA_ARGS__)->UseManualTime()->Unit(benchmark::kMillisecond)
#define RAW_BENCHMARK(name, ...)                                                                   \
    BENCHMARK_CAPTURE(BM_Raw, name, __VA_ARGS__)->UseManualTime()->Unit(benchmark::kMillisecond)

VIEW_BENCHMARK(small_all_open, &g_small, AllDays, OpenOnly, Warm);
VIEW_BENCHMARK(small_all_paint, &g_small, AllDays, OpenAndPaint, Warm);
RAW_BENCHMARK(small_all, &g_small, AllDays, Warm);
VIEW_BENCHMARK(small_day_open, &g_small, OneDay, OpenOnly, Warm);
VIEW_BENCHMARK(small_day_paint, &g_small, OneDay, OpenAndPaint, Warm);
RAW_BENCHMARK(small_day, &g_small, OneDay, Warm);
VIEW_BENCHMARK(big_all_open, &g_big, AllDays, OpenOnly, Warm);
VIEW_BENCHMARK(big_all_paint, &g_big, AllDays, OpenAndPaint, Warm);
RAW_BENCHMARK(big_all, &g_big, AllDays, Warm);
VIEW_BENCHMARK(big_day_open, &g_big, OneDay, OpenOnly, Warm);
VIEW_BENCHMARK(big_day_paint, &g_big, OneDay, OpenAndPaint, Warm);
RAW_BENCHMARK(big_day, &g_big, OneDay, Warm);
VIEW_BENCHMARK(big_day_paint_fresh, &g_big, OneDay, OpenAndPaint, JustOpened);
RAW_BENCHMARK(big_day_fresh, &g_big, OneDay, JustOpened);
BENCHMARK(BM_Window)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    DbmsClock::PinTimeZone();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    try {
        // Made before any timing, so a first run's minutes of generation stay out of the
        // framework's sizing.
        Ready(g_small);
        Ready(g_big);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "views_bench: %s\n", e.what());
        return 1;
    }
    for (const Generated* a : {&g_small, &g_big})
        std::printf("%s archive: %lld sales, the day view shows %s with %lld\n", a->Name,
                    static_cast<long long>(a->Sales), qPrintable(a->Day.toString(Qt::ISODate)),
                    static_cast<long long>(a->DaySales));
    benchmark::RunSpecifiedBenchmarks();
    const char* raw = "COUNT(*) + first 50 rows";
    const char* rawDay = "COUNT(*) + first 50 rows, WHERE day";
    PrintFigures({
        {"1k lines: view opened", "small.all.open", "small.all.raw", raw, 0},
        {"1k lines: view opened + first paint", "small.all.paint", "small.all.raw", raw, 0},
        {"1k lines, one day: view opened", "small.day.open", "small.day.raw", rawDay, 0},
        {"1k lines, one day: opened + first paint", "small.day.paint", "small.day.raw", rawDay, 0},
        {"1M lines: view opened", "big.all.open", "big.all.raw", raw, 0},
        {"1M lines: view opened + first paint", "big.all.paint", "big.all.raw", raw, 0},
        {"1M lines, one day: view opened", "big.day.open", "big.day.raw", rawDay, 0},
        {"1M lines, one day: opened + first paint", "big.day.paint", "big.day.raw", rawDay, 0},
        {"1M, one day, just opened: opened + paint", "big.day.paint.fresh", "big.day.raw.fresh",
         "the same, fresh connection", 0},
        // The same step on both archives: how much of it grows with the archive.
        {"view opened, 1M lines vs 1k", "big.all.open", "small.all.open", "the same on 1k lines",
         0},
        {"opened + first paint, 1M lines vs 1k", "big.all.paint", "small.all.paint",
         "the same on 1k lines", 0},
        {"one day, opened + painted, 1M vs 1k", "big.day.paint", "small.day.paint",
         "the same on 1k lines", 0},
        {"main window + section tree alone", "window", "small.all.open", "view opened on 1k lines",
         0},
    });
    CloseArchive();
    g_prompter.reset();
    DbmsClock::Reset();
    g_small.Raw.reset();
    g_big.Raw.reset();
    benchmark::Shutdown();
    return 0;
}
