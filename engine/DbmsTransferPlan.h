#pragma once
// Inside the transfer: how the rows of one table go across, shared by the copy row by row
// (DbmsTransfer.cpp) and the copy of whole sets of rows with SQL (DbmsTransferBulk.cpp).

#include "DbmsDataSource.h"

#include <unordered_map>

// What a transfer has done with one source row.
enum class DbmsRowFate {
    Kept,    // the destination already holds this row, which is used as it is
    Busy,    // being written (an imported row has no OID of its own yet)
    Written, // written into the destination under Target
    Missing, // not in the source either: references to it are cleared
};

struct DbmsRowState {
    DbmsRowFate Fate = DbmsRowFate::Missing;
    OID Target = 0;
};

// The columns both sides have, the collections, and the statements, built once per table.
struct DbmsTablePlan {
    struct Column {
        QString Name;
        // Set for single references and the parent link: the table the value names.
        const DbmsTableDef* SourceTarget = nullptr;
        DbmsTablePlan* Target = nullptr; // resolved on first use
    };
    struct Collection {
        bool Owned = false;
        const DbmsTableDef* SourceTarget = nullptr;
        DbmsTablePlan* Target = nullptr;
        QString SourceLink; // the link tables on either side
        QString Link;
        QString SourceItemsSql;
        QString ItemsSql;
        QString UnlinkSql;
        QString LinkSql;
    };

    const DbmsTableDef* Source = nullptr;
    const DbmsTableDef* Destination = nullptr;
    std::vector<Column> Columns;
    std::vector<Collection> Collections;
    QString ReadSql;
    QString WriteSql;
    QString ExistsSql;
    // Import: the source row's identity, and the destination row that has the same.
    QString IdentitySql;
    QString SameSql;
    std::unordered_map<OID, DbmsRowState> Rows; // by source OID
};

// The plans of one transfer: the source data source's table, and those its references lead to.
class itfTransferPlans {
public:
    virtual ~itfTransferPlans() = default;
    virtual DbmsTablePlan& Main() = 0;
    virtual DbmsTablePlan& TargetOf(DbmsTablePlan::Column& column) = 0;
    virtual DbmsTablePlan& TargetOf(DbmsTablePlan::Collection& collection) = 0;
};

// Copies `rows` of the source data source in sets of rows, with SQL over the source file
// attached to the destination's connection, when that gives exactly what copying them one by
// one gives; reports every row to `progress`. False, having written nothing, when the rows
// must go one by one. Runs inside the transfer's transaction on the destination.
bool DbmsTransferInBulk(itfTransferPlans& plans, DbmsDataSource& source, DbmsDatabase& to,
                        bool keepOids, const std::vector<OID>& rows, itfProgress* progress,
                        const QString& operation);

// Lets go of the source files attached by earlier transfers, once the destination's
// connection is outside any transaction.
void DbmsDetachTransferSources(DbmsStorage& to) noexcept;
