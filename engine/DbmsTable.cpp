#include "DbmsTable.h"

#include "DbmsDataSource.h"

std::shared_ptr<DbmsDataSource> DbmsTable::OpenDataSource(std::shared_ptr<DbmsStorage> storage,
                                                          const DbmsOpenOptions& options) {
    if (m_db->State() != DbmsDatabase::StateOpen)
        throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    if (storage && storage != m_db->Storage())
        throw DbmsError(DbmsError::Generic,
                        "L'archivio indicato non è quello a cui il database è collegato");
    m_db->NotifyEvent(DbmsEvent::ReadingData, m_def.Caption);
    return std::make_shared<DbmsDataSource>(m_db, m_def, options);
}

std::shared_ptr<DbmsDataSource> DbmsTable::OpenDataSource(const QString& filter,
                                                          const QString& order) {
    DbmsOpenOptions options;
    options.Filter = filter;
    options.Order = order;
    return OpenDataSource(nullptr, options);
}

std::shared_ptr<DbmsSelectionSet> DbmsTable::CreateSelectionSet(DbmsSelectionSet::Kind kind) const {
    return std::make_shared<DbmsSelectionSet>(m_db, m_def.Name, kind);
}

QString DbmsTable::MakeCondition(const QString& field, const QString& text) const {
    // Every row has an OID; the field is named so the condition still says what it is about.
    const QString never = "(" + field + " Is Null AND OID Is Null)";
    int type = DbmsType::Text;
    const QString bare = field.mid(field.indexOf('.') + 1);
    auto lookup = [&](const DbmsTableDef* def) -> const DbmsFieldDef* {
        if (def)
            for (const auto& f : def->Fields)
                if (f.Name.compare(bare, Qt::CaseInsensitive) == 0) return &f;
        return nullptr;
    };
    if (bare.compare("OID", Qt::CaseInsensitive) == 0 ||
        bare.startsWith("OID_", Qt::CaseInsensitive))
        type = DbmsType::Integer;
    else if (const DbmsFieldDef* f = lookup(&m_def))
        type = f->Type;
    else if (const DbmsFieldDef* pf = lookup(m_db->TableDef(m_def.ParentTable)))
        type = pf->Type;
    bool ok = false;
    switch (type) {
    case DbmsType::Integer: {
        const qint64 v = text.trimmed().toLongLong(&ok);
        return ok ? field + " = " + DbmsDatabase::NumberLiteral(v) : never;
    }
    case DbmsType::Money: {
        const double v = QLocale(QLocale::Italian).toDouble(text.trimmed(), &ok);
        return ok ? field + " = " + DbmsDatabase::NumberLiteral(v) : never;
    }
    case DbmsType::Boolean: {
        const QString t = text.trimmed().toLower();
        if (t == "sì" || t == "si" || t == "true" || t == "vero") return field + " = True";
        if (t == "no" || t == "false" || t == "falso") return field + " = False";
        return never;
    }
    case DbmsType::Date: {
        const QDate d = QDate::fromString(text.trimmed().left(10), "dd/MM/yyyy");
        if (!d.isValid()) return never;
        return field + " >= " + DbmsDatabase::DateLiteral(d) + " AND " + field + " < " +
               DbmsDatabase::DateLiteral(d.addDays(1));
    }
    default:
        return field + " = " + DbmsDatabase::TextLiteral(text);
    }
}

QString DbmsTable::FieldFormat(const QString& field) const {
    const DbmsFieldDef* f = m_def.Field(field);
    if (!f) return QString();
    switch (f->Type) {
    case DbmsType::Money:
        return "#,##0.00";
    case DbmsType::Date:
        return "dd/mm/yyyy hh:mm";
    case DbmsType::Integer:
        return "0";
    default:
        return QString();
    }
}
