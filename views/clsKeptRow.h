#pragma once
// The grid's current row kept across every reload of its rows: by OID, and by place for a
// row that goes away.

#include "DbmsTypes.h"

#include <QAbstractItemModel>
#include <functional>

struct clsKeptRow {
    OID Oid = 0;
    int Row = -1;
    int Column = 0;
};

// Where the kept row stands in `model` now (`rowOf` finds a row by OID): the same row, else
// the one that took its place; invalid when there is none.
QModelIndex KeptIndex(const clsKeptRow& kept, const QAbstractItemModel* model,
                      const std::function<int(OID)>& rowOf);
