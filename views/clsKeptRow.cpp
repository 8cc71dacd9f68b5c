#include "clsKeptRow.h"

#include <algorithm>

QModelIndex KeptIndex(const clsKeptRow& kept, const QAbstractItemModel* model,
                      const std::function<int(OID)>& rowOf) {
    int row = kept.Oid ? rowOf(kept.Oid) : -1;
    // A row that is gone leaves its place to the one that followed it.
    if (row < 0 && kept.Row >= 0 && model->rowCount() > 0)
        row = std::min(kept.Row, model->rowCount() - 1);
    if (row < 0) return {};
    return model->index(row, std::clamp(kept.Column, 0, std::max(model->columnCount() - 1, 0)));
}
