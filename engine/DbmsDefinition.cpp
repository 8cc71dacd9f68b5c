#include "DbmsDefinition.h"

namespace {
bool IsValidName(const QString& name) {
    if (name.isEmpty() || !(name[0].isLetter() || name[0] == '_')) return false;
    for (QChar c : name)
        if (!(c.isLetterOrNumber() || c == '_')) return false;
    return true;
}
} // namespace

const DbmsFieldDef* DbmsTableDef::Field(const QString& name) const {
    for (const auto& f : Fields)
        if (f.Name == name) return &f;
    return nullptr;
}

const DbmsReferenceDef* DbmsTableDef::Reference(const QString& name) const {
    for (const auto& r : References)
        if (r.Name == name) return &r;
    return nullptr;
}

void DbmsColumns::Add(const QString& name, int type, int size) {
    if (!IsValidName(name))
        throw DbmsError(
            DbmsError::Definition,
            QString("Nome di campo non valido nella tabella %1: '%2'").arg(m_def.Name, name));
    if (type != DbmsType::Text && type != DbmsType::Integer && type != DbmsType::Boolean &&
        type != DbmsType::Date && type != DbmsType::Money)
        throw DbmsError(
            DbmsError::Definition,
            QString("Tipo %1 non previsto per il campo %2.%3").arg(type).arg(m_def.Name, name));
    if (m_def.Field(name))
        throw DbmsError(
            DbmsError::Definition,
            QString("Campo %1 definito due volte nella tabella %2").arg(name, m_def.Name));
    m_def.Fields.push_back({name, type, type == DbmsType::Text ? size : 0});
}

DbmsFieldDef& DbmsColumns::Added(const QString& field) {
    for (auto& f : m_def.Fields)
        if (f.Name == field) return f;
    throw DbmsError(DbmsError::Definition,
                    QString("Campo %1 non definito nella tabella %2").arg(field, m_def.Name));
}

void DbmsColumns::SetDigits(const QString& field, int digits) {
    DbmsFieldDef& f = Added(field);
    if (f.Type != DbmsType::Integer)
        throw DbmsError(DbmsError::Definition,
                        QString("Il campo %1.%2 non è un numero intero").arg(m_def.Name, field));
    f.Digits = digits;
}

void DbmsColumns::SetUnique(const QString& field, const QString& duplicate) {
    Added(field).Duplicate = duplicate;
}

void DbmsReferences::Add(DbmsReferenceDef ref) {
    if (!IsValidName(ref.Name) || !IsValidName(ref.Target))
        throw DbmsError(
            DbmsError::Definition,
            QString("Riferimento non valido nella tabella %1: '%2'").arg(m_def.Name, ref.Name));
    if (m_def.Reference(ref.Name))
        throw DbmsError(DbmsError::Definition,
                        QString("Riferimento %1 definito due volte nella tabella %2")
                            .arg(ref.Name, m_def.Name));
    m_def.References.push_back(std::move(ref));
}

void DbmsDefinition::AddTable(std::shared_ptr<itfDefTable> table) {
    auto def = std::make_shared<DbmsTableDef>();
    def->Name = table->TableName();
    if (!IsValidName(def->Name))
        throw DbmsError(DbmsError::Definition,
                        QString("Nome di tabella non valido: '%1'").arg(def->Name));
    for (const auto& t : m_tables)
        if (t->Name.compare(def->Name, Qt::CaseInsensitive) == 0)
            throw DbmsError(DbmsError::Definition,
                            QString("Tabella %1 definita due volte").arg(def->Name));
    DbmsTableIdentity identity(*def);
    table->DefineIdentity(identity);
    DbmsColumns cols(*def);
    DbmsIndexes inx(*def);
    DbmsReferences refs(*def);
    table->DefineStructure(cols, inx, refs);
    // Targets and parents must already be known: tables come after what they name.
    auto known = [&](const QString& name) {
        if (name == def->Name) return true;
        for (const auto& t : m_tables)
            if (t->Name == name) return true;
        return false;
    };
    if (!def->ParentTable.isEmpty() && !known(def->ParentTable))
        throw DbmsError(DbmsError::Definition,
                        QString("La tabella %1 nomina la tabella padre %2 non ancora definita")
                            .arg(def->Name, def->ParentTable));
    for (const auto& r : def->References)
        if (!known(r.Target))
            throw DbmsError(DbmsError::Definition,
                            QString("Il riferimento %1.%2 nomina la tabella %3 non ancora definita")
                                .arg(def->Name, r.Name, r.Target));
    for (const auto& i : def->Indexes)
        if (!def->Field(i.Field))
            throw DbmsError(DbmsError::Definition,
                            QString("Indice su campo sconosciuto %1.%2").arg(def->Name, i.Field));
    def->Definition = table;
    def->Rules = table->DefineDefaultData();
    m_tables.push_back(std::move(def));
}
