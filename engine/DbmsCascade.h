#pragma once
// Deleting a row with everything that hangs on it.

#include "DbmsDatabase.h"

// Deletes a row, its child rows and the rows it owns (recursively), drops the links to it and
// clears single references to it. Runs inside the caller's transaction.
void DbmsDeleteRow(DbmsDatabase& db, const DbmsTableDef& def, OID oid);

// The SQL table that holds the links of a multiple reference.
inline QString DbmsLinkTable(const QString& owner, const QString& reference) {
    return owner + "__" + reference;
}
