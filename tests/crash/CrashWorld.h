#pragma once
// A working folder for the crash and disk-fault runs: a generated working archive, a backup it
// differs from, an archive to import and the settings naming them. Each operation that writes an
// archive runs here as the clerk starts it; afterwards every archive must be sound, its sales
// adding up, no link to a missing row, and the operation done wholly or not at all.

#include "ScriptedPrompter.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

enum class CrashOp { Sale, Save, FirstSave, PeriodSave, Restore, Import, Convert, Repair };

// By the enum's order.
inline constexpr const char* kCrashOpNames[] = {"sale",    "save",   "first-save", "period",
                                                "restore", "import", "convert",    "repair"};
inline const char* CrashOpText(CrashOp op) {
    return kCrashOpNames[int(op)];
}
bool CrashOpFromText(const QString& text, CrashOp& op);

// Answers like a clerk who confirms what he started, declines the details of an error and
// accepts every window (the payment's editor); records everything like its base.
class CrashPrompter : public ScriptedPrompter {
public:
    std::function<void(const PromptMessage&)> OnMessage;
    PromptAnswer Message(QWidget* owner, const PromptMessage& message) override;
    int Exec(QDialog& dialog) override;
    struct Outcome {
        QStringList Failures; // the messages that told of a failure
        bool Succeeded = false, SuccessAfterFailure = false;
    };
    Outcome Told() const;
};

class CrashWorld {
public:
    explicit CrashWorld(const QString& dir) : m_dir(dir) {}
    void Make(int customers, int sales) const;
    const QString& Dir() const { return m_dir; }
    QString Work() const { return m_dir + "/work/Tessarin.mdb"; }
    QString Backup() const { return m_dir + "/backup/Tessarin.mdb"; }
    QString Source() const { return m_dir + "/import/Tessarin.mdb"; }
    // Points the program's settings store at the world (call in every process).
    void UseSettings() const;
    CrashWorld CopyTo(const QString& dir) const;

    // Runs `op` once; the clock stands `run` seconds after the world's moment. `start` is
    // called once the archive is open, right before the operation itself (the confirm, for a
    // sale).
    void Run(CrashOp op, int run, CrashPrompter& prompter,
             const std::function<void()>& start = {}) const;

    // What must not change apart from whole operations: the archives' rows, as fingerprints.
    QString State() const;
    // The problems of the archives as they are now (empty: all sound). `states` are the
    // fingerprints the operation may leave.
    QStringList Problems(CrashOp op, const QSet<QString>& states) const;
    // The fingerprints `runs` whole runs pass through (before, at each message, after).
    QSet<QString> ReferenceStates(CrashOp op, int runs, qint64* milliseconds = nullptr) const;

    static QDateTime Moment() { return QDateTime(QDate(2024, 3, 15), QTime(10, 30)); }

private:
    QString m_dir;
};

// Where the runs keep their folders: in memory when the system offers it, since a kill or a
// failed call needs no real disk and every commit's sync would make the runs slow.
QString CrashTempTemplate();
