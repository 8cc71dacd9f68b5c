#pragma once
// Process-wide state of the program and the routines every part shares.

#include "Settings.h"

#include <DbmsEngine.h>

#include <QDate>
#include <QString>
#include <memory>

namespace modGlobal {

// The archive's file name, always in RootDir.
inline const QString ArchiveName = "Tessarin.mdb";
// The storage format code handed to every CreateFile and Open of the archive.
inline int StorageFormat = 3;

// The engine lives for the whole process; the archive is open exactly while both the database
// and the storage are set. Views are released first, then the database, then the storage.
inline std::unique_ptr<DbmsEngine> Engine;
inline std::shared_ptr<DbmsDatabase> Database;
inline std::shared_ptr<DbmsStorage> Storage;

// Whether the archive is open and attached.
inline bool ArchiveOpen() {
    return Database && Storage && Database->State() == DbmsDatabase::StateOpen;
}

// The date selection shared by every dated section: the rows of one day, of one month, or
// all. The day flag starts from UseDateSelection and the date at today when the main window
// loads.
inline bool DaySelection = true;
inline bool MonthSelection = false;
inline QDate SelectedDate;

// The full path of a file: `name` in `folder`, its extension replaced by `extension` when one
// is given. A folder that already ends in "\" or "/" gets no second separator; an empty folder
// leaves the bare name.
QString MakeFilePath(const QString& folder, const QString& name, const QString& extension);

// The program's own folder: $TESSARIN_HOME when set, else the executable's folder when we may
// write there, else the per-user data folder (created when missing).
QString AppDir();

} // namespace modGlobal
