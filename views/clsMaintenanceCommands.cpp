#include "clsMaintenanceCommands.h"

#include "clsArchiveSession.h"
#include "clsBackupRestore.h"
#include "clsMainView.h"
#include "clsMessageWindowWork.h"
#include "clsSaveReminder.h"
#include "clsSettings.h"
#include "frmBackupRestore.h"
#include "frmMain.h"
#include "itfPrompter.h"
#include "modCurrencyConversion.h"
#include "modDatabaseRepair.h"
#include "modImportArchive.h"

#include <QAction>

clsMaintenanceCommands::clsMaintenanceCommands(frmMain& window, clsArchiveSession& session,
                                               clsSettings& settings, clsMainView& view)
    : w(window), m_session(session), m_settings(settings), m_view(view),
      m_work(std::make_unique<clsMessageWindowWork>()) {}

clsMaintenanceCommands::~clsMaintenanceCommands() = default;

void clsMaintenanceCommands::SetWorkWindow(std::unique_ptr<itfWorkWindow> work) {
    m_work = std::move(work);
}

void clsMaintenanceCommands::Backup() {
    BackupRestore(false, "mnuBackup");
}

void clsMaintenanceCommands::Restore() {
    BackupRestore(true, "mnuRestore");
}

void clsMaintenanceCommands::BackupRestore(bool restore, const QString& menu) {
    frmBackupRestore selection(m_settings, &w);
    if (!selection.QuerySelections(&w, w.Menu(menu)->text())) return;
    clsBackupRestore work(m_session, m_settings, *m_work, &w);
    work.SetStatusMsg = [this](const QString& text) { w.SetStatusMsg(text); };
    const bool done = work.BackupRestoreData(
        restore, {selection.m_blnAllData, selection.m_vntFromDateSel, selection.m_vntToDateSel,
                  selection.m_blnDelData, selection.m_blnCopy_Articoli});
    // What was restored replaced rows the view may show; a stopped restore changed nothing.
    if (restore && done) w.RefreshDetailView();
}

void clsMaintenanceCommands::Import() {
    const auto ds = m_view.DataSource();
    if (!ds) {
        Prompter().Beep();
        return;
    }
    if (ShowMessage(&w,
                    "Questa funzione permette di importare < " + ds->TableDef().Caption +
                        " > nell'archivio corrente.\r\rATTENZIONE!\rL'operazione deve essere "
                        "guidata da personale tecnico!\r\rContinuare ?",
                    PromptIcon::Exclamation, PromptButtons::YesNo,
                    PromptAnswer::No) != PromptAnswer::Yes)
        return;
    const QString path =
        Prompter().OpenFileName(&w, QString(), QString(), modImportArchive::FileFilter);
    if (path.isEmpty()) return;
    if (modImportArchive::ImportArchive(path, *ds, &w, m_session.Engine(), m_settings, *m_work))
        w.RefreshDetailView();
}

void clsMaintenanceCommands::ConvertCurrency() {
    if (ShowMessage(&w,
                    "ATTENZIONE! - Questa operazione converte la valuta e deve essere guidata "
                    "da supporto tecnico...\r\rContinuare ?",
                    PromptIcon::Exclamation, PromptButtons::YesNo,
                    PromptAnswer::No) != PromptAnswer::Yes)
        return;
    const auto db = m_session.Database();
    if (!db) {
        Prompter().Beep();
        return;
    }
    // The view reads its rows again, now in euro.
    if (modCurrencyConversion::ConvertArchive(*db, m_settings, *m_work, &w)) w.RefreshDetailView();
}

void clsMaintenanceCommands::ShowConvertedAmounts(bool checked) {
    m_settings.CurrencyConversion = checked;
    w.Menu("mnuViewCurrencyConversion")->setChecked(m_settings.CurrencyConversion);
    w.RefreshDetailView();
    m_settings.Save();
}

void clsMaintenanceCommands::RemindToSave() {
    clsSaveReminder::Check(m_settings, &w, [this] { Backup(); });
}

void clsMaintenanceCommands::Repair(QWidget* options, const QString& workDir,
                                    const QString& backupDir) {
    modDatabaseRepair::RepairDatabase(options, workDir, backupDir, m_session.Engine(), *m_work,
                                      [this] { w.ReleaseDatabase(); });
}
