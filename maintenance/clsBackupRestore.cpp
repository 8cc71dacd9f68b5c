#include "clsBackupRestore.h"

#include "DB.h"
#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "DbmsStorage.h"
#include "DbmsTable.h"
#include "DbmsTransfer.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "itfPrompter.h"
#include "itfWorkWindow.h"
#include "modPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <filesystem>

namespace {

// A folder's name as the system resolves it: links followed, no trailing separator.
QString ResolvedFolder(const QString& folder) {
    const QFileInfo info(QDir::cleanPath(QDir(folder.trimmed()).absolutePath()));
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// The program's short date, as the user reads dates everywhere else.
QString ShortDate(const QDate& date) {
    return date.toString("dd/MM/yyyy");
}

// The whole table of one side and of the other, rows copied under their own OIDs.
void TransferTable(DbmsDatabase& from, DbmsDatabase& to, const QString& table,
                   const QString& filter, itfProgress& progress) {
    auto source = from.Item(table)->OpenDataSource(filter);
    auto destination = to.Item(table)->OpenDataSource(filter);
    DbmsTransferRows(*source, *destination, DbmsTransferMode::KeepOids, &progress);
}

// The new backup archive made at `fresh` (none when empty), closed and put at `path`.
void PutInPlace(DbmsStorage& storage, const QString& fresh, const QString& path) {
    if (fresh.isEmpty()) return;
    storage.Close();
    std::error_code error;
    std::filesystem::rename(fresh.toStdString(), path.toStdString(), error);
    if (error)
        throw DbmsError(DbmsError::FileOpen,
                        "Impossibile rinominare il file " + fresh + " in " + path);
}

} // namespace

QString clsBackupRestore::BackupPath() const {
    return modPaths::MakeFilePath(m_settings.BackupDir, clsArchiveSession::ArchiveName, "");
}

bool clsBackupRestore::SameFolder(const QString& a, const QString& b) {
    return ResolvedFolder(a) == ResolvedFolder(b);
}

QString clsBackupRestore::PeriodFilter(const QDate& from, const QDate& to) {
    // Stored dates carry the time of day: the period runs from the first day's midnight to
    // the midnight after its last day.
    return "Data >= " + DbmsDatabase::DateLiteral(from) + " AND Data < " +
           DbmsDatabase::DateLiteral(to.addDays(1));
}

bool clsBackupRestore::BackupRestoreData(bool restore, const clsBackupSelection& selection) {
    if (SameFolder(m_settings.RootDir, m_settings.BackupDir)) {
        ShowMessage(m_owner,
                    "L'indirizzario di backup <" + m_settings.BackupDir +
                        "> non puo' corrispondere a quello dell'archivio di lavoro",
                    PromptIcon::Exclamation);
        return false;
    }
    const QString title = restore ? "Ripristino dei dati" : "Salvataggio dei dati";
    const QString question = restore ? "Verranno ripristinati i dati dall'archivio:"
                                     : "Verranno salvati i dati nell'archivio:";
    if (ShowMessage(m_owner, question + "\r" + BackupPath() + "\r\rConfermi ?",
                    PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes,
                    title) != PromptAnswer::Yes)
        return false;

    bool done = false;
    try {
        done = Run(restore, selection, title);
    } catch (const std::exception& e) {
        m_work.Unload();
        // A stop asked in the message window ends the work quietly: all of it was rolled back.
        const auto* engine = dynamic_cast<const DbmsError*>(&e);
        if (!engine || engine->Code() != DbmsError::Stopped)
            ReportError(m_settings, "Si e' verificato un errore:\r\r" + ErrorDescription(e), e,
                        m_owner);
    }
    m_work.Unload();
    return done;
}

bool clsBackupRestore::Run(bool restore, const clsBackupSelection& selection,
                           const QString& title) {
    const QString path = BackupPath();
    const std::shared_ptr<DbmsDatabase> working = m_session.Database();
    if (!working || !m_session.Storage())
        throw DbmsError(DbmsError::NotOpen, "L'archivio di lavoro non è aperto");

    auto storage = std::make_shared<DbmsStorage>();
    std::shared_ptr<DbmsDatabase> backup;
    // A new backup archive is made under another name and put in place once the save is in
    // it: a save cut short leaves no backup archive that holds nothing.
    QString fresh;
    if (!restore) {
        m_work.Show("Analisi archivio destinazione per il salvataggio...", m_owner);
        if (!QFileInfo::exists(path)) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            fresh = path + ".new";
            for (const QString& leftover : {fresh, fresh + "-journal"})
                QFile::remove(leftover);
            storage->CreateFile(clsArchiveSession::StorageFormat, fresh);
        }
        storage->Open(clsArchiveSession::StorageFormat, fresh.isEmpty() ? path : fresh);
        DB definition;
        backup = m_session.Engine().DefineDatabase(
            definition, QFileInfo(QCoreApplication::applicationFilePath()).baseName(),
            working->Notify(), nullptr, 0);
        backup->Attach(storage, true, false, false, 0, nullptr);
    } else {
        m_work.Show("Analisi archivio sorgente per il ripristino...", m_owner);
        if (!QFileInfo::exists(path)) {
            ShowMessage(
                m_owner,
                "Archivio di appoggio (backup) per il ripristino non presente\r\rArchivio: " + path,
                PromptIcon::Exclamation, PromptButtons::OkCancel);
            return false;
        }
        storage->Open(clsArchiveSession::StorageFormat, path);
        backup = m_session.Engine().OpenDatabase(storage);
    }
    DbmsDatabase& source = restore ? *backup : *working;
    DbmsDatabase& destination = restore ? *working : *backup;
    itfProgress& progress = m_work.Progress();
    m_work.Show(title + "...", m_owner);

    if (selection.AllData) {
        // All tables or none: a stop or a failure halfway leaves the destination as it was.
        DbmsTransaction all(*destination.Storage());
        for (const auto& table : destination.Tables()) {
            if (!table->TakesPartInTransfer() || !source.Find(table->Name())) continue;
            m_work.Show(title + " <" + table->Name() + ">...", m_owner);
            TransferTable(source, destination, table->Name(), QString(), progress);
        }
        all.Commit();
        PutInPlace(*storage, fresh, path);
    } else {
        const QString period =
            "dal " + ShortDate(selection.From) + " al " + ShortDate(selection.To);
        const QString filter = PeriodFilter(selection.From, selection.To);
        {
            DbmsTransaction copy(*destination.Storage());
            if (selection.CopyArticoli) {
                m_work.Show(title + " <Articoli> ...", m_owner);
                TransferTable(source, destination, "Articoli", QString(), progress);
            }
            m_work.Show(title + " <Vendite> " + period + "...", m_owner);
            TransferTable(source, destination, "OperazioniVendite", filter, progress);
            copy.Commit();
        }
        PutInPlace(*storage, fresh, path);
        // Removed only once the copy is safely in the destination, in a transaction of its own.
        if (selection.DelData &&
            ShowMessage(m_owner,
                        title +
                            " effettuato.\r\rConfermi l'eliminazione dei dati di Fornitura e di "
                            "Vendita <" +
                            period + "> dall'archivio di origine ?",
                        PromptIcon::Question, PromptButtons::YesNo,
                        PromptAnswer::Yes) == PromptAnswer::Yes) {
            m_work.Show("Elinazione dati <Vendite> " + period + " ...", m_owner);
            source.Item("OperazioniVendite")->OpenDataSource(filter)->DeleteAll(&progress);
        }
    }

    m_work.Unload();
    if (SetStatusMsg) SetStatusMsg("Operazione completata");
    ShowMessage(m_owner, "Operazione completata", PromptIcon::Information);
    return true;
}
