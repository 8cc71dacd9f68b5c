// crash_driver: runs one operation of the program in a loop in a child process on a copy of a
// generated working folder and kills the child with SIGKILL at a random moment, then at every
// rename or sync call; after each kill the archives must be sound and the operation done wholly
// or not at all. Prints operation, kills and survivors; fails when a kill was not survived.
//
//   crash_driver [--kills N] [--seed S] [--ops sale,save,...] [--customers N] [--sales N]
//                [--calls rename,fsync]

#include "CrashWorld.h"
#include "DbmsClock.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <optional>
#include <random>

namespace {

// Arguments: operation, world, runs, and "exit" to end after the runs rather than wait.
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
    if (args.value(3) == "exit") return 0;
    for (;;)
        QThread::sleep(60);
}

} // namespace

int main(int argc, char* argv[]) {
    DbmsClock::PinTimeZone();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().value(1) == "--child") return Child(app.arguments().mid(2));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions(
        {{"kills", "Kills per operation.", "n", "100"},
         {"seed", "Seed of the random delays (default: the time).", "n"},
         {"ops", "Operations, comma separated (default: all).", "list"},
         {"customers", "Customers of the archive.", "n", "300"},
         {"sales", "Sales of the archive.", "n", "2000"},
         {"calls", "Also kill at every rename, fsync (none: -).", "list", "rename,fsync"}});
    parser.process(app);

    QTextStream out(stdout);
    const quint64 seed = parser.isSet("seed") ? parser.value("seed").toULongLong()
                                              : quint64(QDateTime::currentMSecsSinceEpoch());
    std::mt19937_64 rng(seed);
    std::vector<CrashOp> chosen;
    for (const QString& name : parser.value("ops").split(',', Qt::SkipEmptyParts)) {
        if (!CrashOpFromText(name, chosen.emplace_back())) {
            out << "unknown operation " << name << Qt::endl;
            return 2;
        }
    }
    if (chosen.empty())
        for (size_t op = 0; op < std::size(kCrashOpNames); ++op)
            chosen.push_back(CrashOp(op));

    QTemporaryDir temp(CrashTempTemplate());
    const CrashWorld base(temp.filePath("base"));
    base.Make(parser.value("customers").toInt(), parser.value("sales").toInt());
    out << "seed " << seed << Qt::endl;

    const QString program = app.applicationFilePath();
    const QString strace = QStandardPaths::findExecutable("strace");
    const QMap<QString, QStringList> callsOf{{"rename", {"rename", "renameat", "renameat2"}},
                                             {"fsync", {"fsync", "fdatasync"}}};
    bool allSurvived = true;
    QStringList table{
        QString("%1 %2 %3").arg("operation", -18).arg("kills", 6).arg("survivors", 10)};
    const auto row = [&](const QString& what, int kills, int survivors, const QString& note = {}) {
        table << QString("%1 %2 %3").arg(what, -18).arg(kills, 6).arg(survivors, 10);
        out << table.last() << note << Qt::endl;
    };
    for (const CrashOp op : chosen) {
        const QString name = CrashOpText(op);
        // Runs before the child waits to be killed: a kill lands in the first run, between
        // runs and in a later one.
        const int runs = op == CrashOp::Sale ? 4 : 2;
        qint64 ms = 0;
        const QSet<QString> states = base.ReferenceStates(op, runs, &ms);
        // One child on a fresh copy, killed `delay` ms after its start or else by strace with
        // `inject`: whether the archives survived, nothing when the child was not killed.
        const auto trial = [&](const QString& what, qint64 delay,
                               const QStringList& inject = {}) -> std::optional<bool> {
            const CrashWorld copy = base.CopyTo(temp.filePath("trial"));
            const QStringList args{"--child", name, copy.Dir(), QString::number(runs),
                                   inject.isEmpty() ? "wait" : "exit"};
            QProcess child;
            if (inject.isEmpty()) {
                child.start(program, args);
                while (child.state() != QProcess::NotRunning && !child.canReadLine())
                    child.waitForReadyRead(100);
                QThread::msleep(quint64(delay));
                child.kill();
            } else {
                child.start(strace, inject + QStringList{program} + args);
            }
            child.waitForFinished(-1);
            copy.UseSettings();
            const QStringList problems = copy.Problems(op, states);
            base.UseSettings();
            if (!problems.isEmpty()) {
                allSurvived = false;
                out << name << ": " << what << ": " << problems.join("; ") << Qt::endl;
                if (!qEnvironmentVariableIsEmpty("CRASH_KEEP"))
                    copy.CopyTo(qEnvironmentVariable("CRASH_KEEP") + "/" + name + "-" +
                                QString(what).replace(' ', '-'));
            }
            if (child.exitStatus() != QProcess::CrashExit) return std::nullopt;
            return problems.isEmpty();
        };

        int survivors = 0;
        const int kills = parser.value("kills").toInt();
        for (int kill = 0; kill < kills; ++kill) {
            // The delay runs from the first operation's start, over the runs and a bit beyond.
            const qint64 delay = std::uniform_int_distribution<qint64>(0, ms * 13 / 10 + 5)(rng);
            survivors += trial(QString("kill %1 after %2 ms").arg(kill).arg(delay), delay) == true;
        }
        row(name, kills, survivors, QString("  (%1 ms for %2 runs)").arg(ms).arg(runs));

        // Then killed at the N-th call that puts a file in place or makes it durable, for every
        // N and each call on its own, when strace is there to do it (else these rows are missing).
        for (const QString& kind : parser.value("calls").split(',', Qt::SkipEmptyParts)) {
            if (strace.isEmpty() || !callsOf.contains(kind)) continue;
            int callKills = 0, callSurvivors = 0;
            for (const QString& call : callsOf[kind]) {
                for (int n = 1;; ++n, ++callKills) {
                    const auto survived =
                        trial(QString("at %1 no. %2").arg(call).arg(n), 0,
                              {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                               QString("inject=%1:signal=KILL:when=%2").arg(call).arg(n)});
                    if (!survived) break; // went through: no N-th call
                    callSurvivors += *survived;
                }
            }
            row(name + "@" + callsOf[kind][0], callKills, callSurvivors);
        }
    }
    out << Qt::endl << table.join('\n') << Qt::endl;
    return allSurvived ? 0 : 1;
}
