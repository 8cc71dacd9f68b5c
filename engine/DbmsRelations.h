#pragma once
// What is related to a data source's current row, for the main window's association menus.
#include "DbmsDataSource.h"

enum class DbmsRelationKind { Referenced, Reference, Container };

struct DbmsRelatedEntry {
    // Identifies the entry within its kind for this table (1, 2, ...), stable for the table.
    int Number = 0;
    // Referenced: the caption of the table pointing here, and its reference name (a child
    // table: its child list caption). Reference: the target table's caption and the reference
    // name (the parent: its table name). Container: this table's caption and the reference
    // name (the parent link: the parent table's name).
    QString Text1;
    QString Text2;
    // False when the current row has nothing to show for it (an empty reference, no current
    // row, a row not stored yet).
    bool Enabled = true;
};

// The entries of one kind for the data source's table, in a fixed order.
std::vector<DbmsRelatedEntry> DbmsRelatedEntries(DbmsDataSource& ds, DbmsRelationKind kind);
// The rows related to the current row through entry `number`: a new data source (its table's
// rules apply as usual). Throws DbmsError for an unknown number or when there is no current row.
std::shared_ptr<DbmsDataSource> DbmsOpenRelated(DbmsDataSource& ds, DbmsRelationKind kind,
                                                int number);
// What deleting rows would do to the rows of one other table.
struct DbmsDependentRows {
    QString Table;
    QString Caption;
    qint64 Removed = 0;  // deleted with them (child rows, and what those own)
    qint64 Unlinked = 0; // kept, but losing their reference or link to a deleted row
};
// Counts, changing nothing, what deleting `rows` of the data source's table would delete or
// unlink elsewhere, as the delete itself walks it; the rows they own are parts of them and not
// counted. Tables in definition order, only those touched.
std::vector<DbmsDependentRows> DbmsCountDependents(DbmsDataSource& ds,
                                                   const std::vector<OID>& rows);
// The data source cannot be left now: its current row has changes not stored yet (new or dirty).
bool DbmsIsBusy(const DbmsDataSource& ds);
