// crash_driver: runs one operation of the program in a loop in a child process on a copy of a
// generated working folder and kills the child with SIGKILL at a random moment; then opens the
// archives and checks that they are sound and that the operation happened wholly or not at all.
//
//   crash_driver [--kills N] [--seed S] [--ops sale,save,...] [--customers N] [--sales N]
//                [--calls rename,fsync]
//
// prints one line per operation (kills, survivors) and fails when any kill was not survived.

#include "CrashWorld.h"
#include "DbmsClock.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <functional>
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
    if (args.value(3) == "exit") return 0;
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
    const QCommandLineOption calls("calls",
                                   "Also kill at every call of these kinds, through strace "
                                   "(rename, fsync; none: -).",
                                   "list", "rename,fsync");
    parser.addOptions({kills, seed, ops, customers, sales, calls});
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
        QString("%1 %2 %3").arg("operation", -18).arg("kills", 6).arg("survivors", 10)};
    // One child on a fresh copy, killed by `kill`; false when it ended on its own.
    const auto trialRun = [&](CrashOp op, const QSet<QString>& states, const QString& what,
                              const std::function<bool(QProcess&, const QStringList&)>& kill,
                              int& survivors) {
        const CrashWorld trial = base.CopyTo(temp.filePath("trial"));
        QProcess child;
        const bool killed =
            kill(child, {"--child", CrashOpText(op), trial.Dir(), QString::number(Runs(op))});
        trial.UseSettings();
        const QStringList problems = trial.Problems(op, states);
        base.UseSettings();
        if (problems.isEmpty()) {
            ++survivors;
        } else {
            allSurvived = false;
            out << CrashOpText(op) << ": " << what << ": " << problems.join("; ") << Qt::endl;
            if (!qEnvironmentVariableIsEmpty("CRASH_KEEP"))
                trial.CopyTo(qEnvironmentVariable("CRASH_KEEP") + "/" + CrashOpText(op) + "-" +
                             QString(what).replace(' ', '-'));
        }
        return killed;
    };
    const QString program = app.applicationFilePath();
    for (const CrashOp op : chosen) {
        qint64 ms = 0;
        const QSet<QString> states = base.ReferenceStates(op, Runs(op), &ms);
        int survivors = 0;
        const int n = parser.value(kills).toInt();
        for (int kill = 0; kill < n; ++kill) {
            // The delay runs from the first operation's start, over the runs and a bit beyond.
            const qint64 delay = std::uniform_int_distribution<qint64>(0, ms * 13 / 10 + 5)(rng);
            trialRun(
                op, states, QString("kill %1 after %2 ms").arg(kill).arg(delay),
                [&](QProcess& child, const QStringList& args) {
                    child.start(program, args);
                    while (child.state() != QProcess::NotRunning && !child.canReadLine())
                        child.waitForReadyRead(100);
                    QThread::msleep(quint64(delay));
                    child.kill();
                    return child.waitForFinished();
                },
                survivors);
        }
        table << QString("%1 %2 %3").arg(CrashOpText(op), -18).arg(n, 6).arg(survivors, 10);
        out << table.last() << "  (" << ms << " ms for " << Runs(op) << " runs)" << Qt::endl;

        // Then killed exactly at each call that puts a file in place or makes it durable, the
        // N-th for every N, when strace is there to do it (without it these rows are missing).
        const QString strace = QStandardPaths::findExecutable("strace");
        if (strace.isEmpty()) continue;
        for (const QString& kind : parser.value(calls).split(',', Qt::SkipEmptyParts)) {
            const QString calls = kind == "rename"  ? "rename,renameat,renameat2"
                                  : kind == "fsync" ? "fsync,fdatasync"
                                                    : QString();
            if (calls.isEmpty()) continue;
            // strace counts each call on its own: the N-th of each, one after the other.
            int kills = 0, callSurvivors = 0;
            for (const QString& call : calls.split(',')) {
                for (int n = 1;; ++n) {
                    int survived = 0;
                    const bool killed = trialRun(
                        op, states, QString("at %1 no. %2").arg(call).arg(n),
                        [&](QProcess& child, QStringList args) {
                            args << "exit";
                            child.start(strace,
                                        QStringList{"-f", "-qq", "-o", "/dev/null", "-e",
                                                    "trace=" + call, "-e",
                                                    "inject=" + call +
                                                        ":signal=KILL:when=" + QString::number(n),
                                                    program} +
                                            args);
                            child.waitForFinished(-1);
                            return child.exitStatus() == QProcess::CrashExit;
                        },
                        survived);
                    if (!killed) break; // went through: no N-th call
                    ++kills;
                    callSurvivors += survived;
                }
            }
            table << QString("%1 %2 %3")
                         .arg(QString(CrashOpText(op)) + "@" + calls.section(',', 0, 0), -18)
                         .arg(kills, 6)
                         .arg(callSurvivors, 10);
            out << table.last() << Qt::endl;
        }
    }
    out << Qt::endl << table.join('\n') << Qt::endl;
    return allSurvived ? 0 : 1;
}
