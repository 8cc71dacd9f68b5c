#pragma once
// The main window's maintenance commands: save and restore through the backup archive, import
// into the current section, the lira to euro conversion and the amounts shown in the other
// currency, the reminder to save, and the repair asked from the options window. The glue
// between the menus and the maintenance layer.

#include <QString>
#include <memory>

class QWidget;
class clsArchiveSession;
class clsMainView;
class clsSettings;
class frmMain;
class itfWorkWindow;

class clsMaintenanceCommands {
public:
    clsMaintenanceCommands(frmMain& window, clsArchiveSession& session, clsSettings& settings,
                           clsMainView& view);
    ~clsMaintenanceCommands();

    void Backup();
    void Restore();
    void Import();
    // Ctrl+Shift+Alt+R: converts the archive's amounts from lire to euro.
    void ConvertCurrency();
    // The check mark of mnuViewCurrencyConversion, already turned by the click.
    void ShowConvertedAmounts(bool checked);
    // At every activation: once a day, week or month, offers to save.
    void RemindToSave();
    void Repair(QWidget* options, const QString& workDir, const QString& backupDir);

    // Where the work is reported; the message window unless a test hands another one.
    void SetWorkWindow(std::unique_ptr<itfWorkWindow> work);

private:
    void BackupRestore(bool restore, const QString& menu);

    frmMain& w;
    clsArchiveSession& m_session;
    clsSettings& m_settings;
    clsMainView& m_view;
    std::unique_ptr<itfWorkWindow> m_work;
};
