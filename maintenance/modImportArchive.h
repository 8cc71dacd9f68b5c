#pragma once
// Importing the rows of one table from another archive of the program into the working one.

#include <QString>

class QWidget;
class DbmsDataSource;
class DbmsEngine;
class clsSettings;
class itfWorkWindow;

namespace modImportArchive {

// The chooser's filter for the archives an import reads.
inline const QString FileFilter = QStringLiteral("ArkDBMS Lumo File|*.adb;*.mdb");

// Adds the rows of `current`'s table found in the archive at `path` to the working archive,
// under new OIDs, after the user has seen and confirmed them. All or nothing: a stop or an
// error leaves the working archive as it was. True when rows were imported.
bool ImportArchive(const QString& path, DbmsDataSource& current, QWidget* owner, DbmsEngine& engine,
                   const clsSettings& settings, itfWorkWindow& work);

} // namespace modImportArchive
