#pragma once
// The open archive of this run of the program: the engine, the database and the storage, and
// the date selection shared by every dated section. The entry layer makes one and hands it to
// the windows.

#include <DbmsDatabase.h>
#include <DbmsEngine.h>
#include <DbmsStorage.h>

#include <QDate>
#include <QString>
#include <memory>

class clsArchiveSession {
public:
    // The archive's file name, always in the working folder.
    static inline const QString ArchiveName = QStringLiteral("Tessarin.mdb");
    // The storage format code handed to every CreateFile and Open of the archive.
    static constexpr int StorageFormat = 3;

    clsArchiveSession() = default;
    ~clsArchiveSession();
    clsArchiveSession(const clsArchiveSession&) = delete;
    clsArchiveSession& operator=(const clsArchiveSession&) = delete;

    // The engine lives as long as the session; made on first use.
    DbmsEngine& Engine();

    // The archive is open exactly while both the database and the storage are set and the
    // database is attached.
    const std::shared_ptr<DbmsDatabase>& Database() const { return m_objDatabase; }
    const std::shared_ptr<DbmsStorage>& Storage() const { return m_objStorage; }
    void SetDatabase(std::shared_ptr<DbmsDatabase> database);
    void SetStorage(std::shared_ptr<DbmsStorage> storage);
    bool IsOpen() const;
    // Neither the database nor the storage is set: the next activation opens the archive.
    bool IsReleased() const { return !m_objDatabase && !m_objStorage; }
    // Drops the database, then the storage. The views must have let theirs go before.
    void Release();

    // The rows of one day, of one month, or all (neither flag). The day flag starts from the
    // UseDateSelection setting and the date at today when the main window loads.
    bool DaySelection() const { return m_blnDaySelection; }
    bool MonthSelection() const { return m_blnMonthSelection; }
    QDate SelectedDate() const { return m_dtSelectedDate; }
    void SetDateSelection(bool day, bool month);
    void SetSelectedDate(const QDate& date) { m_dtSelectedDate = date; }

private:
    std::unique_ptr<DbmsEngine> m_objEngine;
    std::shared_ptr<DbmsDatabase> m_objDatabase;
    std::shared_ptr<DbmsStorage> m_objStorage;
    bool m_blnDaySelection = true;
    bool m_blnMonthSelection = false;
    QDate m_dtSelectedDate;
};
