#include "clsFieldFilters.h"

#include "modLumoFormUtility.h"

void clsFieldFilters::Reset(const QStringList& fields) {
    m_items.clear();
    for (const QString& field : fields)
        m_items.push_back({field, QString()});
}

int clsFieldFilters::IndexOf(const QString& field) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].Field.compare(field, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

void clsFieldFilters::Set(int index, const QString& text, bool internal) {
    if (index < 0 || index >= Count()) return;
    m_items[size_t(index)].Pattern = text.isEmpty() ? QString() : SearchPattern(text, internal);
}

void clsFieldFilters::Clear() {
    for (Item& item : m_items)
        item.Pattern.clear();
}

QString clsFieldFilters::Caption(int index) const {
    if (index < 0 || index >= Count()) return QString();
    const Item& item = m_items[size_t(index)];
    return item.Pattern.isEmpty() ? item.Field : item.Field + " = " + item.Pattern;
}

QString clsFieldFilters::Shown() const {
    QStringList parts;
    for (int i = 0; i < Count(); ++i)
        if (!m_items[size_t(i)].Pattern.isEmpty()) parts << Caption(i);
    return parts.join(" AND ");
}

QString clsFieldFilters::Applied() const {
    QStringList parts;
    for (const Item& item : m_items)
        if (!item.Pattern.isEmpty()) parts << LikeCondition(item.Field, item.Pattern);
    return parts.join(" AND ");
}

QString clsFieldFilters::StatusText(const QString& shown) {
    return shown.isEmpty() ? QString("Nessun filtro") : "Attivato filtro (" + shown + ")";
}
