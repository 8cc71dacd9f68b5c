// The counter on the big generated archive (100 000 customers, about a million sold-article
// lines): a sale opened by the customer's code, an article line read by its code (the totals,
// bonuses and prizes worked out again: what the clerk waits for after each read), and a sale of
// four lines confirmed with its payment; beside comparable work done straight through SQLite on
// the same file in the same run. The closing table prints the ratios.
//
// Confirming writes, so the cached archive (see BenchGenerated.h) is copied once per run into a
// temporary folder and both sides work on the copy. Customers and articles are drawn at random
// from a fixed seed, so no figure comes from rows already in a cache.

#include "BenchArchive.h"
#include "BenchGenerated.h"
#include "BenchReport.h"
#include "DbmsClock.h"
#include "DbmsStorage.h"
#include "InitDatabase.h"
#include "ScriptedPrompter.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMessage.h"
#include "frmVendite.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <unistd.h>
#include <variant>

using namespace Bench;

namespace {

constexpr int LinesPerSale = 4; // the generated archive's average
constexpr quint64 Seed = 20240315;
const QString Confirmed = QStringLiteral("Operazione confermata.\r\rVuoi effettuarne una nuova ?");

// --- the run's copy of the archive ---

struct RunArchive {
    std::unique_ptr<QTemporaryDir> Home; // settings, TESSARIN_HOME and the copy's folder
    QString Folder;
    std::vector<QString> Customers; // codes
    std::vector<QString> Articles;  // codes
    OID PaymentType = 0;
    qint64 Lines = 0;
    std::unique_ptr<RawDb> Raw; // the raw side's connection, open beside the program's
    QString Path() const { return Folder + "/" + clsArchiveSession::ArchiveName; }
};

RunArchive g_run;

// What the program's start makes once and hands to the window.
clsSettings& Settings() {
    static clsSettings settings;
    return settings;
}
clsArchiveSession& Session() {
    static clsArchiveSession session;
    return session;
}
std::unique_ptr<ScriptedPrompter> g_prompter;

// Commits of the program's connection. With synchronous=FULL each one waits for the disk, so
// they tell most of a step's time beside the raw side's single transaction.
qint64 g_commits = 0;

int CountCommit(void*) {
    ++g_commits;
    return 0; // go on with the commit
}

// The offscreen platform warns every time a fixed-size control is shown: the run's own output
// would drown in it.
QtMessageHandler g_qtHandler = nullptr;

void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains("does not support propagateSizeHints")) g_qtHandler(type, context, text);
}

std::vector<QString> Codes(const char* table) {
    RawStatement st(g_run.Raw->Handle(),
                    (std::string("SELECT Codice FROM ") + table + " ORDER BY OID").c_str());
    std::vector<QString> codes;
    while (st.Step() == SQLITE_ROW)
        codes.push_back(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(*st, 0))));
    if (codes.empty()) throw std::runtime_error(std::string("no rows in ") + table);
    return codes;
}

qint64 Scalar(const char* sql) {
    RawStatement st(g_run.Raw->Handle(), sql);
    if (st.Step() != SQLITE_ROW) throw std::runtime_error(sql);
    return sqlite3_column_int64(*st, 0);
}

QDateTime LastSale() {
    RawStatement st(g_run.Raw->Handle(), "SELECT MAX(Data) FROM OperazioniVendite");
    st.Step();
    return QDateTime::fromString(
        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(*st, 0))),
        "yyyy-MM-dd HH:mm:ss");
}

// Copies the cached archive, then opens it the way the program does; made before any timing.
void Prepare() {
    const QString cached = GeneratedFolder(GeneratedSizes(100'000, 250'000));
    g_run.Home = std::make_unique<QTemporaryDir>();
    if (!g_run.Home->isValid()) throw std::runtime_error("cannot make a temporary folder");
    g_run.Folder = g_run.Home->filePath("data");
    QElapsedTimer clock;
    clock.start();
    if (!QDir().mkpath(g_run.Folder) ||
        !QFile::copy(cached + "/" + clsArchiveSession::ArchiveName, g_run.Path()))
        throw std::runtime_error("cannot copy the archive into " + g_run.Folder.toStdString());
    // On disk before any timing: the first commit's fsync would write the whole copy.
    QFile copy(g_run.Path());
    if (!copy.open(QIODevice::ReadWrite) || ::fsync(copy.handle()) != 0)
        throw std::runtime_error("cannot write the copy to disk");
    copy.close();
    std::fprintf(stderr, "archive copied in %.1f s\n", double(clock.elapsed()) / 1000);

    g_run.Raw = std::make_unique<RawDb>(g_run.Path(), false);
    g_run.Customers = Codes("Clienti");
    g_run.Articles = Codes("Articoli");
    g_run.PaymentType = Scalar("SELECT MIN(OID) FROM TipiPagamento");
    g_run.Lines = Scalar("SELECT COUNT(*) FROM ArticoliVenduti");
    // The generator's "today": the expiry dates of its prizes and bonuses are set from it.
    DbmsClock::SetFixed(LastSale());

    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, g_run.Home->filePath("config"));
    qputenv("TESSARIN_HOME", g_run.Home->filePath("home").toUtf8());
    Settings().Load();
    Settings().AutoIdentify_Bonus = true;
    Settings().AutoIdentify_Premi = true;
    Settings().RootDir = g_run.Folder;
    modGlobal::InitDatabase(Session(), Settings(), true, nullptr, nullptr, nullptr);
    if (!Session().IsOpen()) throw std::runtime_error("archive not opened");
    sqlite3_commit_hook(Session().Storage()->Connection().getHandle(), CountCommit, nullptr);
    Settings().WriteSetting("OperazioniVendite", "PagamentoDefault",
                            QString::number(g_run.PaymentType));
}

void Finish() {
    g_prompter.reset();
    frmMessage::Unload();
    Session().Release();
    g_run.Raw.reset();
    g_run.Home.reset();
    DbmsClock::Reset();
}

// Each benchmark draws from its own sequence, so a window benchmark meets the same customers and
// articles in every run, however many iterations the raw ones before it took.
using Draws = std::mt19937_64;

const QString& Pick(Draws& draws, const std::vector<QString>& codes) {
    return codes[std::uniform_int_distribution<size_t>(0, codes.size() - 1)(draws)];
}

// --- the program's side ---

// A prompter of its own for every benchmark, so one benchmark's fault stays its own. The old
// one goes first: going, it puts the Qt prompter back.
void FreshPrompter() {
    g_prompter.reset();
    g_prompter = std::make_unique<ScriptedPrompter>();
}

// Whatever the program asked beyond the script, or a scripted answer it never asked for, is a
// fault of the run: nobody is there to answer.
bool AsScripted(benchmark::State& state) {
    if (g_prompter->Failures().isEmpty() && g_prompter->Pending() == 0) return true;
    const QString what = g_prompter->Failures().isEmpty()
                             ? QString("a scripted answer was never asked for")
                             : "the program asked: " + g_prompter->Failures().join(" | ");
    state.SkipWithError(what.toStdString().c_str());
    return false;
}

int Accept(QDialog&) {
    return QDialog::Accepted;
}

std::unique_ptr<frmVendite> OpenWindow() {
    auto window = std::make_unique<frmVendite>(Session(), Settings());
    window->show();
    QApplication::setActiveWindow(window.get());
    QCoreApplication::processEvents();
    return window;
}

// An unconfirmed sale goes with the window.
void CloseWindow(std::unique_ptr<frmVendite>& window) {
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What the window repaints after a step, in ms.
double Repaint() {
    const auto start = std::chrono::steady_clock::now();
    QCoreApplication::processEvents();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// One timed step of the window: its time, and per iteration the commits it made and the
// repaint that follows it, timed apart (offscreen it says little of a real screen, but on one
// the clerk waits for it too).
class WindowStep {
public:
    WindowStep(benchmark::State& state, std::string key)
        : m_state(state), m_watch(state, std::move(key)) {}
    ~WindowStep() {
        m_state.counters["commits"] =
            benchmark::Counter(double(m_commits), benchmark::Counter::kAvgIterations);
        m_state.counters["repaint_ms"] =
            benchmark::Counter(m_repaint, benchmark::Counter::kAvgIterations);
    }
    template <typename F> void Time(F&& step) {
        const qint64 commits = g_commits;
        m_watch.Start();
        step();
        m_watch.Stop();
        m_commits += g_commits - commits;
        m_repaint += Repaint();
    }

private:
    benchmark::State& m_state;
    Stopwatch m_watch;
    qint64 m_commits = 0;
    double m_repaint = 0;
};

qint64 Pieces(const frmVendite& window) {
    const auto& lines = window.Vendita().SoldArticles();
    return lines ? lines->Sum("Quantita").toLongLong() : 0;
}

bool OpenSale(frmVendite& window, Draws& draws) {
    window.txtCode_Cliente->setText(Pick(draws, g_run.Customers) + "\r");
    Repaint();
    return window.IsSaleOpen();
}

void CancelSale(frmVendite& window) {
    g_prompter->Answer(PromptAnswer::Yes);
    window.cmdCancel_Click();
}

void BM_Customer(benchmark::State& state) {
    FreshPrompter();
    Draws draws(Seed + 1);
    WindowStep step(state, "customer");
    for (auto _ : state) {
        auto window = OpenWindow();
        const QString code = Pick(draws, g_run.Customers);
        step.Time([&] { window->txtCode_Cliente->setText(code + "\r"); });
        const bool opened = window->IsSaleOpen() && window->txtCode_Cliente->text() == code;
        CloseWindow(window);
        if (!opened) {
            state.SkipWithError("the sale was not opened");
            break;
        }
        if (!AsScripted(state)) break;
    }
}

// The lines go into sales of four, one customer each; a finished sale is cancelled (so the
// archive keeps its size) and the next one opened, neither timed.
void BM_Line(benchmark::State& state) {
    FreshPrompter();
    auto window = OpenWindow();
    {
        Draws draws(Seed + 2);
        WindowStep step(state, "line");
        int lines = LinesPerSale;
        for (auto _ : state) {
            if (lines == LinesPerSale) {
                if (window->IsSaleOpen()) CancelSale(*window);
                if (!OpenSale(*window, draws)) {
                    state.SkipWithError("no sale opened");
                    break;
                }
                lines = 0;
            }
            const qint64 before = Pieces(*window);
            const QString code = Pick(draws, g_run.Articles);
            step.Time([&] { window->txtCode_Articolo->setText(code + "\r"); });
            ++lines;
            if (Pieces(*window) != before + 1 || !window->txtCode_Articolo->text().isEmpty()) {
                state.SkipWithError("the line was not added");
                break;
            }
            if (!AsScripted(state)) break;
        }
    }
    if (window->IsSaleOpen() && g_prompter->Failures().isEmpty()) CancelSale(*window);
    CloseWindow(window);
}

void BM_Confirm(benchmark::State& state) {
    FreshPrompter();
    auto window = OpenWindow();
    {
        Draws draws(Seed + 3);
        WindowStep step(state, "confirm");
        for (auto _ : state) {
            if (!OpenSale(*window, draws)) {
                state.SkipWithError("no sale opened");
                break;
            }
            for (int n = 0; n < LinesPerSale; ++n)
                window->txtCode_Articolo->setText(Pick(draws, g_run.Articles) + "\r");
            Repaint();
            g_prompter->Dialog(Accept).Answer(PromptAnswer::Yes); // the payment as proposed
            step.Time([&] { window->cmdConfirm_Click(); });
            if (window->IsSaleOpen() || g_prompter->LastMessage().Text != Confirmed) {
                state.SkipWithError("the sale was not confirmed");
                break;
            }
            if (!AsScripted(state)) break;
        }
    }
    CloseWindow(window);
}

// --- the raw side: comparable work through the sqlite3 API, statements prepared once ---

std::string Now() {
    return DbmsClock::Now().toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

using Value = std::variant<qint64, std::string>;

// Binds the values to ?1, ?2, ..., steps once and hands the row (if any) to `read`. The
// statement is reset before returning, so the raw connection holds no lock the program's
// connection could meet.
template <typename Read>
bool Run(RawStatement& st, std::initializer_list<Value> values, Read read) {
    int index = 1;
    for (const Value& v : values) {
        if (const auto* text = std::get_if<std::string>(&v))
            sqlite3_bind_text(*st, index++, text->data(), int(text->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_int64(*st, index++, std::get<qint64>(v));
    }
    const bool row = st.Step() == SQLITE_ROW;
    if (row) read(*st);
    sqlite3_reset(*st);
    return row;
}

void Run(RawStatement& st, std::initializer_list<Value> values) {
    Run(st, values, [](sqlite3_stmt*) {});
}

// A customer's OID (0: unknown), with what the window shows of it.
qint64 FindCustomer(RawStatement& find, const std::string& code) {
    qint64 customer = 0;
    Run(find, {code}, [&](sqlite3_stmt* row) {
        customer = sqlite3_column_int64(row, 0);
        benchmark::DoNotOptimize(sqlite3_column_text(row, 1));
        benchmark::DoNotOptimize(sqlite3_column_int64(row, 2));
    });
    return customer;
}

// The raw side's statements, each over the same tables the program writes.
struct RawSale {
    explicit RawSale(RawDb& db)
        : Db(db),
          Find(db.Handle(), "SELECT OID, Descrizione, Punti FROM Clienti WHERE Codice = ?1"),
          Insert(db.Handle(), "INSERT INTO OperazioniVendite (Data, Importo, PuntiAssegnati, "
                              "PuntiBonus, PuntiSpesi, OID_Cliente) VALUES (?1, 0, 0, 0, 0, ?2)"),
          Article(db.Handle(), "SELECT a.OID, a.Importo, p.ValorePunto FROM Articoli AS a LEFT "
                               "JOIN TabellaPunti AS p ON p.OID = a.OID_Punti WHERE a.Codice = ?1"),
          Line(db.Handle(), "INSERT INTO ArticoliVenduti (Data, ImportoVendita, Quantita, "
                            "PuntiAssegnati, OID_Articoli) VALUES (?1, ?2, 1, ?3, ?4)"),
          Link(db.Handle(), "INSERT INTO OperazioniVendite__Articoli (OID_Owner, OID_Item) "
                            "VALUES (?1, ?2)"),
          Total(db.Handle(), "UPDATE OperazioniVendite SET (Importo, PuntiAssegnati) = (SELECT "
                             "SUM(v.ImportoVendita), SUM(v.PuntiAssegnati) FROM "
                             "OperazioniVendite__Articoli AS l JOIN ArticoliVenduti AS v ON "
                             "v.OID = l.OID_Item WHERE l.OID_Owner = ?1) WHERE OID = ?1") {}

    // The sale of a customer drawn at random, with no lines yet.
    qint64 Open(Draws& draws) {
        const qint64 customer = FindCustomer(Find, Pick(draws, g_run.Customers).toStdString());
        Run(Insert, {Now(), customer});
        return sqlite3_last_insert_rowid(Db.Handle());
    }

    // The article by its code with its points scheme, the line written, linked to the sale and
    // the sale's totals summed again: one transaction. False when the code is unknown.
    bool AddLine(qint64 sale, const std::string& code) {
        qint64 article = 0, price = 0, pointValue = 0;
        const bool known = Run(Article, {code}, [&](sqlite3_stmt* row) {
            article = sqlite3_column_int64(row, 0);
            price = sqlite3_column_int64(row, 1);
            pointValue = sqlite3_column_int64(row, 2); // 0 without a scheme
        });
        if (!known) return false;
        // List prices are positive: the division rounds down, as the rules do.
        const qint64 points = pointValue > 0 ? price / pointValue : 0;
        Db.Exec("BEGIN");
        Run(Line, {Now(), price, points, article});
        Run(Link, {sale, sqlite3_last_insert_rowid(Db.Handle())});
        Run(Total, {sale});
        Db.Exec("COMMIT");
        return true;
    }

    // An unconfirmed sale goes with its lines, as the window's cancel does.
    void Delete(qint64 sale) {
        Db.Exec(QString("BEGIN; DELETE FROM ArticoliVenduti WHERE OID IN (SELECT OID_Item FROM "
                        "OperazioniVendite__Articoli WHERE OID_Owner = %1); DELETE FROM "
                        "OperazioniVendite__Articoli WHERE OID_Owner = %1; DELETE FROM "
                        "OperazioniVendite WHERE OID = %1; COMMIT")
                    .arg(sale)
                    .toUtf8()
                    .constData());
    }

    RawDb& Db;
    RawStatement Find, Insert, Article, Line, Link, Total;
};

// The framework calls a raw benchmark again as it sizes the run: its draws go on.
void BM_RawCustomer(benchmark::State& state, bool openSale) {
    static Draws draws(Seed + 4);
    RawSale raw(*g_run.Raw);
    Stopwatch watch(state, openSale ? "raw.customer" : "raw.lookup");
    for (auto _ : state) {
        const std::string code = Pick(draws, g_run.Customers).toStdString();
        watch.Start();
        const qint64 customer = FindCustomer(raw.Find, code);
        if (openSale && customer) Run(raw.Insert, {Now(), customer});
        watch.Stop();
        if (customer == 0) {
            state.SkipWithError("raw: customer not found");
            break;
        }
        if (openSale) raw.Delete(sqlite3_last_insert_rowid(g_run.Raw->Handle()));
    }
}

void BM_RawLine(benchmark::State& state) {
    static Draws draws(Seed + 5);
    RawSale raw(*g_run.Raw);
    Stopwatch watch(state, "raw.line");
    qint64 sale = 0;
    int added = LinesPerSale;
    for (auto _ : state) {
        if (added == LinesPerSale) {
            if (sale) raw.Delete(sale);
            sale = raw.Open(draws);
            added = 0;
        }
        const std::string code = Pick(draws, g_run.Articles).toStdString();
        watch.Start();
        const bool known = raw.AddLine(sale, code);
        watch.Stop();
        ++added;
        if (!known) {
            state.SkipWithError("raw: article not found");
            break;
        }
    }
    if (sale) raw.Delete(sale);
}

// The confirm's transaction: the balance read, the lines summed, the payment and its link
// written, the customer's points and the sale's totals updated; synchronous=FULL, as the
// program's connection.
void BM_RawConfirm(benchmark::State& state) {
    static Draws draws(Seed + 6);
    sqlite3* db = g_run.Raw->Handle();
    RawSale raw(*g_run.Raw);
    RawStatement balance(db, "SELECT c.Punti, o.OID_Cliente FROM OperazioniVendite AS o JOIN "
                             "Clienti AS c ON c.OID = o.OID_Cliente WHERE o.OID = ?1");
    RawStatement sum(db, "SELECT SUM(v.ImportoVendita), SUM(v.PuntiAssegnati) FROM "
                         "OperazioniVendite__Articoli AS l JOIN ArticoliVenduti AS v ON v.OID = "
                         "l.OID_Item WHERE l.OID_Owner = ?1");
    RawStatement payment(db, "INSERT INTO Pagamenti (Data, Importo, OID_Cliente, OID_Pagamento) "
                             "VALUES (?1, ?2, ?3, ?4)");
    RawStatement link(db, "INSERT INTO OperazioniVendite__Pagamento (OID_Owner, OID_Item) "
                          "VALUES (?1, ?2)");
    RawStatement points(db, "UPDATE Clienti SET Punti = ?2 WHERE OID = ?1");
    RawStatement totals(db, "UPDATE OperazioniVendite SET Importo = ?2, PuntiAssegnati = ?3, "
                            "Data = ?4 WHERE OID = ?1");
    Stopwatch watch(state, "raw.confirm");
    for (auto _ : state) {
        const qint64 sale = raw.Open(draws);
        for (int n = 0; n < LinesPerSale; ++n)
            raw.AddLine(sale, Pick(draws, g_run.Articles).toStdString());
        const std::string now = Now();

        watch.Start();
        g_run.Raw->Exec("BEGIN");
        qint64 stored = 0, customer = 0, amount = 0, earned = 0;
        Run(balance, {sale}, [&](sqlite3_stmt* row) {
            stored = sqlite3_column_int64(row, 0);
            customer = sqlite3_column_int64(row, 1);
        });
        Run(sum, {sale}, [&](sqlite3_stmt* row) {
            amount = sqlite3_column_int64(row, 0);
            earned = sqlite3_column_int64(row, 1);
        });
        Run(payment, {now, amount, customer, qint64(g_run.PaymentType)});
        Run(link, {sale, sqlite3_last_insert_rowid(db)});
        Run(points, {customer, stored + earned});
        Run(totals, {sale, amount, earned, now});
        g_run.Raw->Exec("COMMIT");
        watch.Stop();
        if (amount <= 0) {
            state.SkipWithError("raw: a sale without amount");
            break;
        }
    }
}

} // namespace

#define SALE_BENCHMARK(...) BENCHMARK(__VA_ARGS__)->UseManualTime()->Unit(benchmark::kMillisecond)
// Every iteration of a window benchmark prepares its window or sale untimed, often for longer
// than the step it times: a fixed count, run once, instead of the framework's sizing runs.
#define WINDOW_BENCHMARK(function, iterations) SALE_BENCHMARK(function)->Iterations(iterations)
#define RAW_CUSTOMER_BENCHMARK(name, openSale)                                                     \
    BENCHMARK_CAPTURE(BM_RawCustomer, name, openSale)                                              \
        ->UseManualTime()                                                                          \
        ->Unit(benchmark::kMillisecond)

WINDOW_BENCHMARK(BM_Customer, 30);
RAW_CUSTOMER_BENCHMARK(open, true);
RAW_CUSTOMER_BENCHMARK(lookup, false);
WINDOW_BENCHMARK(BM_Line, 40);
SALE_BENCHMARK(BM_RawLine);
WINDOW_BENCHMARK(BM_Confirm, 20);
SALE_BENCHMARK(BM_RawConfirm);

int main(int argc, char** argv) {
    DbmsClock::PinTimeZone();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(QuietOffscreen);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    try {
        Prepare();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sales_bench: %s\n", e.what());
        Finish();
        return 1;
    }
    std::printf("archive: %zu customers, %zu articles, %lld sold-article lines; today is %s\n",
                g_run.Customers.size(), g_run.Articles.size(), static_cast<long long>(g_run.Lines),
                qPrintable(DbmsClock::Now().toString(Qt::ISODate)));
    benchmark::RunSpecifiedBenchmarks();
    PrintFigures({
        {"customer by code (opens the sale)", "customer", "raw.customer",
         "lookup by Codice + INSERT sale", 0},
        {"customer by code vs the lookup alone", "customer", "raw.lookup", "SELECT by Codice alone",
         0},
        {"article line by code (+ totals, prizes)", "line", "raw.line",
         "lookup + INSERT line, link, UPDATE sale: 1 tx", 0},
        {"confirm, 4 lines (payment, balance)", "confirm", "raw.confirm",
         "sums + INSERT payment, link, UPDATE Punti, sale: 1 tx", 0},
    });
    Finish();
    benchmark::Shutdown();
    return 0;
}
