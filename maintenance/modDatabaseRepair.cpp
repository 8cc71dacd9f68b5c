#include "modDatabaseRepair.h"

#include "DB.h"
#include "DbmsClock.h"
#include "DbmsEngine.h"
#include "DbmsMaintenance.h"
#include "clsArchiveSession.h"
#include "itfPrompter.h"
#include "itfWorkWindow.h"
#include "modPaths.h"
#include "modWaitCursor.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

namespace modDatabaseRepair {

namespace {

void Remove(const QString& path) {
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw DbmsError(DbmsError::FileOpen, "Impossibile eliminare il file " + path);
}

// Keeps the original under `kept` and puts the copy in its place in one step: at no moment
// is there no archive at `path`, whenever the program ends.
void Replace(const QString& path, const QString& copy, const QString& kept) {
    std::error_code error;
    std::filesystem::create_hard_link(path.toStdString(), kept.toStdString(), error);
    if (error && !QFile::copy(path, kept))
        throw DbmsError(DbmsError::FileOpen, "Impossibile copiare il file " + path + " in " + kept);
    std::filesystem::rename(copy.toStdString(), path.toStdString(), error);
    if (error)
        throw DbmsError(DbmsError::FileOpen,
                        "Impossibile rinominare il file " + copy + " in " + path);
}

// Opens the file once with the program's definition: the engine brings its structure up to
// date, and a copy it cannot open is refused before it replaces anything.
void OpenWithDefinition(const QString& path, DbmsEngine& engine) {
    auto storage = std::make_shared<DbmsStorage>();
    storage->Open(clsArchiveSession::StorageFormat, path, 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
    DB definition;
    auto db = engine.DefineDatabase(definition,
                                    QFileInfo(QCoreApplication::applicationFilePath()).baseName(),
                                    nullptr, nullptr, 0);
    db->Attach(storage, true, true, true, 0, nullptr);
    db.reset();
    storage->Close();
}

// The compacted copy, or when the file is too damaged for that, the rows SQLite can read.
QString MakeCopy(const QString& path, const QString& copy, DbmsEngine& engine) {
    try {
        auto storage = std::make_shared<DbmsStorage>();
        storage->Open(clsArchiveSession::StorageFormat, path);
        DbmsCompactInto(*storage, copy);
        storage->Close();
        if (DbmsIntegrityCheck(copy) == "ok") return QString();
    } catch (const DbmsError&) {
        // Too damaged to be compacted: what can still be read is salvaged below.
    }
    Remove(copy);
    const auto tables = DbmsRecoverInto(path, copy);
    DB definition;
    const auto known = engine.DefineDatabase(definition, QString(), nullptr, nullptr, 0);
    QStringList lines;
    for (const DbmsRecoveredTable& table : tables)
        if (known->TableDef(table.Name)) lines << QString("%1: %2").arg(table.Name).arg(table.Rows);
    return "Archivio danneggiato: righe recuperate per tabella\r\r" + lines.join("\r");
}

} // namespace

QString RecoverFile(const QString& path, DbmsEngine& engine) {
    const QString copy = path + ".NEW";
    Remove(copy); // left by an interrupted run
    QString report;
    try {
        report = MakeCopy(path, copy, engine);
        const QString check = DbmsIntegrityCheck(copy);
        if (check != "ok")
            throw DbmsError(DbmsError::FileNotArchive,
                            "La copia recuperata non è integra: " + check);
        OpenWithDefinition(copy, engine);
    } catch (...) {
        QFile::remove(copy);
        throw;
    }
    // The original is never deleted: it stays beside the archive under a dated name.
    Replace(path, copy, path + "." + DbmsClock::Now().toString("yyyyMMdd-HHmmss"));
    return report;
}

void RepairDatabase(QWidget* owner, const QString& workDir, const QString& backupDir,
                    DbmsEngine& engine, itfWorkWindow& work,
                    const std::function<void()>& releaseDatabase) {
    Prompter().Beep();
    if (ShowMessage(owner, "Questa funzione tenta il recupero del database...\r\rContinuare ?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) != PromptAnswer::Yes)
        return;
    try {
        WaitCursor wait;
        QCoreApplication::processEvents();
        work.Show("Controlli...", owner);
        QStringList reports;
        // A blank folder would name a file in whatever folder the program was started from.
        const QString main = modPaths::MakeFilePath(workDir, clsArchiveSession::ArchiveName, "");
        if (!workDir.trimmed().isEmpty() && QFileInfo::exists(main)) {
            if (releaseDatabase) releaseDatabase();
            work.Show("Ripristino Database in corso...", owner);
            reports << RecoverFile(main, engine);
        }
        const QString backup =
            modPaths::MakeFilePath(backupDir, clsArchiveSession::ArchiveName, "");
        if (!backupDir.trimmed().isEmpty() && QFileInfo::exists(backup) &&
            ShowMessage(owner, "Vuoi recuperare anche il Database di Backup ?",
                        PromptIcon::Question, PromptButtons::YesNo,
                        PromptAnswer::Yes) == PromptAnswer::Yes) {
            work.Show("Ripristino Database di Backup in corso...", owner);
            reports << RecoverFile(backup, engine);
        }
        reports.removeAll(QString());
        work.Unload();
        for (const QString& report : reports)
            ShowMessage(owner, report, PromptIcon::Exclamation);
        ShowMessage(owner, "Recupero completato", PromptIcon::Information);
    } catch (const std::exception& e) {
        work.Unload();
        ShowMessage(owner, QString::fromUtf8(e.what()));
    }
    work.Unload();
}

} // namespace modDatabaseRepair
