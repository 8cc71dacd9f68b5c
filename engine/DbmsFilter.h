#pragma once
// The filter and order dialect the windows speak, translated into SQL. Values never reach the
// SQL text: every literal becomes a bound parameter.

#include "DbmsTypes.h"

#include <QStringList>
#include <QVariantList>
#include <optional>
#include <vector>

// How a name in a filter maps onto SQL.
struct DbmsResolvedName {
    QString Sql; // an SQL expression, e.g. `t."Codice"` or `(SELECT COUNT(*) ...)`
    int Type = DbmsType::Text;
};

// Supplied by the data source: resolves field names (plain or `Table.Field`), `OID`,
// `OID_<reference>`, `N_<collection>` and parent fields. Names are matched without regard
// to case. Returns nothing for an unknown name.
class DbmsNameResolver {
public:
    virtual ~DbmsNameResolver() = default;
    virtual std::optional<DbmsResolvedName> Resolve(const QString& name) const = 0;
};

struct DbmsSqlFragment {
    QString Sql;         // empty for an empty filter/order
    QVariantList Params; // in the order of the `?` placeholders
};

// Parses a filter text into an SQL boolean expression. Throws DbmsError (FilterSyntax or
// UnknownField) naming what is wrong.
DbmsSqlFragment DbmsFilterToSql(const QString& filter, const DbmsNameResolver& names);

// Parses an order text ("A, B DESC", "Table.A ASC") into an SQL ORDER BY list (without the
// keywords). Throws DbmsError (OrderSyntax or UnknownField).
DbmsSqlFragment DbmsOrderToSql(const QString& order, const DbmsNameResolver& names);

// One key of an order: its SQL expression (without collation or direction), whether it sorts
// as text (NOCASE) and its direction.
struct DbmsOrderKey {
    QString Sql;
    bool Text = false;
    bool Descending = false;
};

// The keys of an order text, parsed as DbmsOrderToSql parses them (same errors).
std::vector<DbmsOrderKey> DbmsOrderKeys(const QString& order, const DbmsNameResolver& names);

// The names a filter text mentions (as written), for "does this selection involve field X".
// Throws DbmsError on bad syntax.
QStringList DbmsFilterNames(const QString& filter);
