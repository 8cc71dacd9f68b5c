#pragma once
// Recovering a damaged archive: a compacted copy, or what SQLite can still read, checked and
// put in place of the file, the original kept beside it.

#include <QString>
#include <functional>

class QWidget;
class DbmsEngine;
class itfWorkWindow;

namespace modDatabaseRepair {

// The repair command of the options window on the folders typed there: the working archive,
// then, when the user agrees, the one in the backup folder. `releaseDatabase` lets the program
// go of the open archive first; the next activation of the main window opens it again.
void RepairDatabase(QWidget* owner, const QString& workDir, const QString& backupDir,
                    DbmsEngine& engine, itfWorkWindow& work,
                    const std::function<void()>& releaseDatabase);

// Recovers the archive at `path`; the original stays beside it under a dated name. Returns
// what the user should be told about rows that could not be compacted but were salvaged
// (empty when the compaction went through). Throws when no sound copy could be made, leaving
// `path` as it was.
QString RecoverFile(const QString& path, DbmsEngine& engine);

} // namespace modDatabaseRepair
