#pragma once
// Deleting a row with everything that hangs on it.

#include "DbmsDatabase.h"

#include <functional>

// Visits every row that deleting `oid` takes, each once: the row itself, the rows it owns
// through multiple references (its parts) and its child rows, recursively. `part` tells a row
// owned by the one that led to it (a sale's lines) from a row of its own (an article's sold
// lines). Reads only.
using DbmsCascadeVisit = std::function<void(const DbmsTableDef& def, OID oid, bool part)>;
void DbmsWalkDelete(DbmsDatabase& db, const DbmsTableDef& def, OID oid,
                    const DbmsCascadeVisit& visit);

// Deletes a row, its child rows and the rows it owns (recursively), drops the links to it and
// clears single references to it. Runs inside the caller's transaction.
void DbmsDeleteRow(DbmsDatabase& db, const DbmsTableDef& def, OID oid);

// The SQL table that holds the links of a multiple reference.
inline QString DbmsLinkTable(const QString& owner, const QString& reference) {
    return owner + "__" + reference;
}
