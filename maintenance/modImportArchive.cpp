#include "modImportArchive.h"

#include "DB.h"
#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "DbmsFormService.h"
#include "DbmsTable.h"
#include "DbmsTransfer.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "itfPrompter.h"
#include "itfWorkWindow.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace modImportArchive {

namespace {

// Runs the steps on the opened archive; true when rows were imported.
bool ImportFrom(DbmsDatabase& chosen, DbmsDataSource& current, QWidget* owner,
                itfWorkWindow& work) {
    const QString caption = current.TableDef().Caption;
    const auto table = chosen.Find(current.TableDef().Name);
    if (!table) {
        ShowMessage(owner,
                    "L'archivio selezionato non contiene dati < " + caption + " > da importare!");
        return false;
    }
    const auto source = table->OpenDataSource();
    if (source->IsEmpty()) {
        ShowMessage(owner, "L'archivio non contiene dati da importare", PromptIcon::Information);
        return false;
    }
    if (ShowMessage(owner, "Vuoi visualizzare i dati che verranno importati ?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) == PromptAnswer::Yes)
        DbmsFormService().ShowRowList(owner, *source, caption);
    if (ShowMessage(owner, "Confermi l'importazione ?", PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) != PromptAnswer::Yes)
        return false;

    work.Show("Importazione <" + caption + " > in corso...", owner);
    DbmsDatabase& working = *current.Database();
    working.BeginTrans();
    try {
        DbmsTransferRows(*source, current, DbmsTransferMode::Import, &work.Progress());
        working.CommitTrans();
    } catch (...) {
        working.Rollback();
        throw;
    }
    work.Unload();
    ShowMessage(owner, "OPERAZIONE COMPLETATA.", PromptIcon::Information);
    return true;
}

} // namespace

bool ImportArchive(const QString& path, DbmsDataSource& current, QWidget* owner, DbmsEngine& engine,
                   const clsSettings& settings, itfWorkWindow& work) {
    bool imported = false;
    try {
        auto storage = std::make_shared<DbmsStorage>();
        storage->Open(clsArchiveSession::StorageFormat, path);
        work.Show("Analisi dei dati...", owner);
        DB definition;
        const auto chosen = engine.DefineDatabase(
            definition, QFileInfo(QCoreApplication::applicationFilePath()).baseName(), nullptr,
            nullptr, 0);
        chosen->Attach(storage, true, false, false, 0, nullptr);
        imported = ImportFrom(*chosen, current, owner, work);
    } catch (const std::exception& e) {
        work.Unload();
        // A stop rolled the import back: nothing came in, which the user asked for.
        const auto* error = dynamic_cast<const DbmsError*>(&e);
        if (!error || error->Code() != DbmsError::Stopped)
            ReportError(settings, "Impossibile importare i dati", e, owner);
    }
    work.Unload();
    return imported;
}

} // namespace modImportArchive
