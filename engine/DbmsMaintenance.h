#pragma once
// Whole-file work on archives: a compacted copy, an integrity check, salvage from a damaged
// file, and the division of every amount of a table by a rate (the lira to euro conversion).

#include "DbmsTypes.h"

#include <QString>
#include <vector>

class DbmsDatabase;
class DbmsStorage;

// Writes a compacted copy of the open archive to `path`, which must not exist yet.
void DbmsCompactInto(DbmsStorage& storage, const QString& path);

// "ok" when SQLite finds the file sound, else the first problem it reports (or why the file
// could not be read at all).
QString DbmsIntegrityCheck(const QString& path);

struct DbmsRecoveredTable {
    QString Name;
    qint64 Rows = 0;
};

// Copies into a new file at `path` (which must not exist) every row SQLite can still read
// from the damaged archive at `damaged`; says per table how many rows came across, for every
// table of the damaged file's structure in its order (link and engine tables included). The
// sqlite3 program's own recovery is used when it is installed and works; otherwise the rows
// are read table by table, past the damaged ranges. The new file passes the integrity check;
// nothing is left at `path` on failure.
std::vector<DbmsRecoveredTable> DbmsRecoverInto(const QString& damaged, const QString& path);

// The way DbmsRecoverInto takes, chosen: only the sqlite3 program (an error when it is
// missing or fails), or only the salvage table by table.
enum class DbmsRecovery { Any, SqliteProgram, OwnSalvage };
std::vector<DbmsRecoveredTable> DbmsRecoverUsing(DbmsRecovery how, const QString& damaged,
                                                 const QString& path);

// Divides every money column of `table` by `rate`, rounding to the stored ten-thousandth, in
// the caller's transaction. False when the table has no money column (nothing is run).
bool DbmsDivideMoney(DbmsDatabase& db, const QString& table, double rate);
