#pragma once
// Copying the rows of a data source into another archive of the same structure: saving and
// restoring keep each row's OID, importing adds the rows as new ones.

#include "DbmsInterfaces.h"

class DbmsDataSource;

enum class DbmsTransferMode {
    // Each row is written under its own OID: a destination row with that OID is replaced and
    // its collections take the source's contents.
    KeepOids,
    // Each row is added under a new OID; nothing already in the destination is overwritten.
    // A row it names is the destination's own only when that has the same Codice (tables
    // without one: the same Descrizione); otherwise it comes in too, once per run.
    Import,
};

// Copies every row of `source` into the table of `destination`, stored values as they are (no
// table rules run). A row brings the rows it owns and every row it names (single references,
// its parent row, members of its collections) that the destination lacks, so no reference in
// the destination is left pointing nowhere; a parent's child rows are not brought. Tables and
// columns are matched by name; a column missing on either side is skipped.
// All in one transaction on the destination: an error, or a stop asked through `progress`
// (DbmsError Stopped), leaves the destination as it was and is passed on to the caller.
// Where it gives the same result, whole sets of rows go across with SQL between the two files
// (the source attached to the destination's connection until its transaction ends).
void DbmsTransferRows(DbmsDataSource& source, DbmsDataSource& destination, DbmsTransferMode mode,
                      itfProgress* progress = nullptr);
