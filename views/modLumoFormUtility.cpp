#include "modLumoFormUtility.h"

#include "DbmsDataSource.h"
#include "DbmsDatabase.h"

#include <QStringList>

namespace {

// Whether an order item ("Data DESC", "OperazioniVendite.Data") orders by `name`.
bool OrdersBy(const QString& item, const QString& name) {
    const QString field = item.trimmed().section(' ', 0, 0);
    return field.compare(name, Qt::CaseInsensitive) == 0 ||
           field.endsWith("." + name, Qt::CaseInsensitive);
}

bool Descending(const QString& item) {
    return item.trimmed().section(' ', -1).compare("DESC", Qt::CaseInsensitive) == 0;
}

} // namespace

QString NextOrder(const QString& current, const QString& text) {
    const QString name = text.trimmed();
    if (name.isEmpty()) return QString();
    if (name.contains(' ') || name.contains(',')) return text;
    for (const QString& item : current.split(',', Qt::SkipEmptyParts))
        if (OrdersBy(item, name)) return name + (Descending(item) ? " ASC" : " DESC");
    return name;
}

void SetDataSourceOrder(DbmsDataSource& ds, const QString& text) {
    ds.SetOrder(NextOrder(ds.Order(), text));
}

QString SearchPattern(const QString& text, bool internal) {
    return internal ? "*" + text + "*" : text + "*";
}

QString LikeCondition(const QString& field, const QString& pattern) {
    return field + " Like " + DbmsDatabase::PatternLiteral(pattern);
}
