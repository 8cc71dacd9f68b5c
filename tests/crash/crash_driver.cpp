// crash_driver: runs one operation of the program in a loop in a child process on a copy of a
// generated working folder and kills the child with SIGKILL at a random moment; then opens the
// archives and checks that they are sound and that the operation happened wholly or not at all.
//
//   crash_driver [--kills N] [--seed S] [--ops sale,save,...] [--customers N] [--sales N]
//
// prints one line per operation (kills, survivors) and fails when any kill was not survived.

#include "CrashWorld.h"
#include "DbmsClock.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <random>

namespace {

// How many times the child runs the operation before it waits to be killed: enough for a
// kill to land in the first run, between runs and in a later one.
int Runs(CrashOp op) {
    return op == CrashOp::Sale ? 4 : 2;
}

int Child(const QStringList& args) {
    CrashOp op;
    if (args.size() < 3 || !CrashOpFromText(args[0], op)) return 2;
    const CrashWorld world(args[1]);
    world.UseSettings();
    QTextStream out(stdout);
    out << "R" << Qt::endl;
    for (int run = 0; run < args[2].toInt(); ++run) {
        CrashPrompter prompter;
        // A clerk takes a moment to read each message: the program must survive a kill then.
        prompter.OnMessage = [](const PromptMessage&) { QThread::msleep(3); };
        world.Run(op, run, prompter);
    }
    out << "D" << Qt::endl;
    for (;;)
        QThread::sleep(60);
}

} // namespace

int main(int argc, char* argv[]) {
    DbmsClock::PinTimeZone();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList all = app.arguments();
    if (all.size() > 1 && all[1] == "--child") return Child(all.mid(2));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption kills("kills", "Kills per operation.", "n", "100");
    const QCommandLineOption seed("seed", "Seed of the random delays (default: the time).", "n");
    const QCommandLineOption ops("ops", "Operations, comma separated (default: all).", "list");
    const QCommandLineOption customers("customers", "Customers of the archive.", "n", "300");
    const QCommandLineOption sales("sales", "Sales of the archive.", "n", "2000");
    parser.addOptions({kills, seed, ops, customers, sales});
    parser.process(app);

    QTextStream out(stdout);
    const quint64 s = parser.isSet(seed) ? parser.value(seed).toULongLong()
                                         : quint64(QDateTime::currentMSecsSinceEpoch());
    std::mt19937_64 rng(s);
    std::vector<CrashOp> chosen;
    for (const QString& name : parser.value(ops).split(',', Qt::SkipEmptyParts)) {
        CrashOp op;
        if (!CrashOpFromText(name, op)) {
            out << "unknown operation " << name << Qt::endl;
            return 2;
        }
        chosen.push_back(op);
    }
    if (chosen.empty())
        for (const auto& [op, name] : kCrashOps)
            chosen.push_back(op);

    QTemporaryDir temp(CrashTempTemplate());
    const CrashWorld base(temp.filePath("base"));
    base.Make({parser.value(customers).toInt(), parser.value(sales).toInt()});
    out << "seed " << s << Qt::endl;

    bool allSurvived = true;
    QStringList table{
        QString("%1 %2 %3").arg("operation", -10).arg("kills", 6).arg("survivors", 10)};
    for (const CrashOp op : chosen) {
        qint64 ms = 0;
        const QSet<QString> states = base.ReferenceStates(op, Runs(op), &ms);
        int survivors = 0;
        const int n = parser.value(kills).toInt();
        for (int kill = 0; kill < n; ++kill) {
            const CrashWorld trial = base.CopyTo(temp.filePath("trial"));
            QProcess child;
            child.start(app.applicationFilePath(),
                        {"--child", CrashOpText(op), trial.Dir(), QString::number(Runs(op))});
            // The delay runs from the first operation's start, over the runs and a bit beyond.
            while (child.state() != QProcess::NotRunning && !child.canReadLine())
                child.waitForReadyRead(100);
            const qint64 delay = std::uniform_int_distribution<qint64>(0, ms * 13 / 10 + 5)(rng);
            QThread::msleep(quint64(delay));
            child.kill();
            child.waitForFinished();
            trial.UseSettings();
            const QStringList problems = trial.Problems(op, states);
            base.UseSettings();
            if (problems.isEmpty()) {
                ++survivors;
                continue;
            }
            allSurvived = false;
            out << CrashOpText(op) << ": kill " << kill << " after " << delay
                << " ms: " << problems.join("; ") << Qt::endl;
            if (!qEnvironmentVariableIsEmpty("CRASH_KEEP"))
                trial.CopyTo(qEnvironmentVariable("CRASH_KEEP") + "/" + CrashOpText(op) +
                             QString::number(kill));
        }
        table << QString("%1 %2 %3").arg(CrashOpText(op), -10).arg(n, 6).arg(survivors, 10);
        out << table.last() << "  (" << ms << " ms for " << Runs(op) << " runs)" << Qt::endl;
    }
    out << Qt::endl << table.join('\n') << Qt::endl;
    return allSurvived ? 0 : 1;
}
