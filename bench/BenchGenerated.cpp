#include "BenchGenerated.h"

#include "BenchArchive.h"
#include "clsArchiveSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <stdexcept>

namespace Bench {
namespace {

QString CacheDir() {
    const QString set = qEnvironmentVariable("TESSARIN_BENCH_DIR");
    return set.isEmpty() ? QDir::tempPath() + "/tessarin-bench" : set;
}

// A cached archive is used only when it holds what these sizes make: the generator spends
// points on prizes and caps some sales, so the lines come near sales x lines, never above.
bool HasExpectedSize(const QString& path, const GeneratorSizes& sizes) {
    if (!QFile::exists(path) || QFile::exists(path + "-journal")) return false;
    try {
        RawDb db(path, false);
        const qint64 lines = Count(db, "ArticoliVenduti");
        const qint64 most = qint64(sizes.Sales) * sizes.Lines;
        return Count(db, "OperazioniVendite") == sizes.Sales &&
               Count(db, "Clienti") >= sizes.Customers && lines > most * 8 / 10 && lines <= most;
    } catch (const std::exception&) {
        return false;
    }
}

// Made in a folder of its own and renamed when whole, so a run stopped half-way leaves nothing
// that looks usable.
void Generate(const QString& folder, const GeneratorSizes& sizes) {
    const QString partial = folder + ".partial";
    QDir(partial).removeRecursively();
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(partial)) throw std::runtime_error("cannot make " + partial.toStdString());
    std::fprintf(stderr, "making %s (kept for the next runs)\n", qPrintable(folder));
    QElapsedTimer clock;
    clock.start();
    clsArchiveGenerator(sizes).Generate(
        partial + "/" + clsArchiveSession::ArchiveName, [](const QString& phase, qint64 ms) {
            std::fprintf(stderr, "  %-56s %6.1f s\n", qPrintable(phase), double(ms) / 1000);
        });
    if (!QDir().rename(partial, folder))
        throw std::runtime_error("cannot rename " + partial.toStdString());
    std::fprintf(stderr, "  done in %.1f s\n", double(clock.elapsed()) / 1000);
}

} // namespace

GeneratorSizes GeneratedSizes(int customers, int sales) {
    GeneratorSizes s;
    s.Customers = customers;
    s.Sales = sales;
    s.Lines = 4;
    return s;
}

QString GeneratedFolder(const GeneratorSizes& sizes) {
    const QString folder = QString("%1/archive-%2c-%3s-%4l-seed%5")
                               .arg(CacheDir())
                               .arg(sizes.Customers)
                               .arg(sizes.Sales)
                               .arg(sizes.Lines)
                               .arg(sizes.Seed);
    if (!HasExpectedSize(folder + "/" + clsArchiveSession::ArchiveName, sizes))
        Generate(folder, sizes);
    return folder;
}

qint64 Count(RawDb& db, const char* table) {
    RawStatement st(db.Handle(), (std::string("SELECT COUNT(*) FROM ") + table).c_str());
    st.Step();
    return sqlite3_column_int64(*st, 0);
}

} // namespace Bench
