// tessarin-gen: writes a synthetic archive, DIR/Tessarin.mdb, through the program's own table
// definitions and rules.

#include "DbmsClock.h"
#include "clsArchiveGenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {
struct SizeOption {
    const char* Name;
    const char* Help;
    int* Value;
    int Minimum;
};

int Fail(const QString& message) {
    QTextStream(stderr) << "tessarin-gen: " << message << '\n';
    return 1;
}

QString Seconds(qint64 ms) {
    return QString::number(double(ms) / 1000.0, 'f', 1) + " s";
}
} // namespace

int main(int argc, char* argv[]) {
    DbmsClock::PinTimeZone();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("tessarin-gen");

    GeneratorSizes sizes;
    const SizeOption options[] = {
        {"customers", "Customers (Clienti) to make.", &sizes.Customers, 0},
        {"suppliers", "Suppliers (Fornitori) besides the generic one.", &sizes.Suppliers, 0},
        {"articles", "Articles (Articoli) to make.", &sizes.Articles, 0},
        {"sales", "Sale operations (OperazioniVendite) to make.", &sizes.Sales, 0},
        {"lines", "Average sold-article lines per sale.", &sizes.Lines, 1},
        {"prizes", "Prizes (TabellaPremi) to offer.", &sizes.Prizes, 0},
        {"bonuses", "Bonuses (TabellaBonus) to offer.", &sizes.Bonuses, 0},
    };

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Makes a synthetic Tessarin archive, DIR/Tessarin.mdb, for demos and benchmarks.\n"
        "Customers with Italian names, card codes and tax codes; suppliers; travel articles\n"
        "with prices in euro and points schemes; sales spread over the last three years with\n"
        "their lines, payments, bonuses and prizes. Every row goes through the program's own\n"
        "rules, so amounts and points are the ones the program computes, and each customer's\n"
        "balance follows his sales. The same seed gives the same archive.\n"
        "An existing archive is never overwritten.");
    parser.addHelpOption();
    for (const SizeOption& o : options)
        parser.addOption({o.Name, QString("%1 Default: %2.").arg(o.Help).arg(*o.Value), "N"});
    parser.addOption(
        {"seed", QString("Seed of the random choices. Default: %1.").arg(sizes.Seed), "N"});
    parser.addPositionalArgument("DIR", "Folder of the new archive; made when missing.");
    parser.process(app);

    for (const SizeOption& o : options) {
        if (!parser.isSet(o.Name)) continue;
        bool ok = false;
        *o.Value = parser.value(o.Name).toInt(&ok);
        if (!ok || *o.Value < o.Minimum)
            return Fail(QString("--%1 needs a whole number of at least %2, not '%3'")
                            .arg(o.Name)
                            .arg(o.Minimum)
                            .arg(parser.value(o.Name)));
    }
    if (parser.isSet("seed")) {
        bool ok = false;
        sizes.Seed = parser.value("seed").toULongLong(&ok);
        if (!ok)
            return Fail(QString("--seed needs a whole number, not '%1'").arg(parser.value("seed")));
    }
    if (sizes.Sales > 0 && (sizes.Customers == 0 || sizes.Articles == 0))
        return Fail("sales need at least one customer and one article");
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) return Fail("give exactly one folder (DIR); see --help");

    const QDir dir(args.first());
    const QString path = dir.absoluteFilePath("Tessarin.mdb");
    if (QFile::exists(path))
        return Fail(
            QString("%1 already exists; it is left as it is").arg(QDir::toNativeSeparators(path)));
    if (!QDir().mkpath(dir.absolutePath()))
        return Fail(
            QString("cannot make the folder %1").arg(QDir::toNativeSeparators(dir.absolutePath())));

    QTextStream out(stdout);
    QElapsedTimer total;
    total.start();
    std::vector<std::pair<QString, qint64>> counts;
    try {
        clsArchiveGenerator generator(sizes);
        counts = generator.Generate(path, [&](const QString& phase, qint64 ms) {
            out << QString("  %1").arg(phase, -56) << Seconds(ms) << '\n';
            out.flush();
        });
    } catch (const std::exception& e) {
        // The generator leaves nothing at the path when it fails.
        return Fail(QString("archive not made: %1").arg(QString::fromUtf8(e.what())));
    }
    out << "Made " << QDir::toNativeSeparators(path) << " (seed " << sizes.Seed << "):\n";
    for (const auto& [table, rows] : counts)
        out << QString("  %1").arg(table, -20) << rows << '\n';
    out << "Done in " << Seconds(total.elapsed()) << ".\n";
    return 0;
}
