#pragma once
// Saving the archive into the backup archive and restoring from it: everything, or the sale
// operations of a period (optionally with the articles), with the saved operations removed
// from the source afterwards when asked.

#include <QDate>
#include <QString>
#include <functional>

class QWidget;
class clsArchiveSession;
class clsSettings;
class itfWorkWindow;

// What the selection dialog hands over.
struct clsBackupSelection {
    bool AllData = true;
    QDate From; // first and last day of the period, when not all data
    QDate To;
    bool DelData = false;      // remove the copied operations from the source afterwards
    bool CopyArticoli = false; // copy the whole Articoli table before the period's operations
};

class clsBackupRestore {
public:
    clsBackupRestore(clsArchiveSession& session, const clsSettings& settings, itfWorkWindow& work,
                     QWidget* owner)
        : m_session(session), m_settings(settings), m_work(work), m_owner(owner) {}

    // Runs a save (`restore` false) or a restore; true when it ran to its end. Every question,
    // message and error goes through the prompter; nothing is left half copied.
    bool BackupRestoreData(bool restore, const clsBackupSelection& selection);

    // Shows a text on the main window's status line.
    std::function<void(const QString&)> SetStatusMsg;

    // The backup archive's path: the backup folder and the archive's name.
    QString BackupPath() const;
    // Two folder names that lead to the same folder (links and trailing separators followed;
    // case counts, as it does on this system).
    static bool SameFolder(const QString& a, const QString& b);
    // The rows of the period's days, whatever their time of day.
    static QString PeriodFilter(const QDate& from, const QDate& to);

private:
    bool Run(bool restore, const clsBackupSelection& selection, const QString& title);

    clsArchiveSession& m_session;
    const clsSettings& m_settings;
    itfWorkWindow& m_work;
    QWidget* m_owner;
};
