#pragma once
// What the application's definition classes describe: tables, their fields, indexes and
// references. Filled through the definition objects during DefineDatabase.

#include "DbmsInterfaces.h"

#include <QStringList>
#include <memory>
#include <vector>

struct DbmsFieldDef {
    QString Name;
    int Type = DbmsType::Text;
    int Size = 0; // maximum characters of a text field
    // A whole number shown with at least this many digits, zeros in front (a postal code);
    // the archive keeps the number.
    int Digits = 0;
    // When set, windows refuse to store a row whose value another row already holds, with this
    // message. The engine itself never refuses a row for it.
    QString Duplicate = QString();
};

struct DbmsIndexDef {
    QString Field;
    bool Flag = false; // an ordered index; never a uniqueness constraint
    QString Name;
};

struct DbmsReferenceDef {
    QString Name;
    QString Target;
    bool Multiple = false;
    bool Owned = false;
    QString ShownField1;
    QString ShownField2;
    // The field of the target shown for this reference (the second, else the first).
    QString ShownField() const { return ShownField2.isEmpty() ? ShownField1 : ShownField2; }
};

struct DbmsTableDef {
    QString Name;
    QString Caption;
    QString ParentTable;
    QString ChildListCaption;
    double Version = 1.0; // a table that declares none gets 1.0
    std::vector<DbmsFieldDef> Fields;
    std::vector<DbmsIndexDef> Indexes;
    std::vector<DbmsReferenceDef> References;
    std::shared_ptr<itfDefTable> Definition;
    itfSetData* Rules = nullptr;

    const DbmsFieldDef* Field(const QString& name) const;         // exact name
    const DbmsReferenceDef* Reference(const QString& name) const; // exact name
    // Column of the link to the parent row, e.g. "OID_Articoli"; empty without a parent.
    QString ParentLinkField() const {
        return ParentTable.isEmpty() ? QString() : "OID_" + ParentTable;
    }
};

class DbmsTableIdentity {
public:
    explicit DbmsTableIdentity(DbmsTableDef& def) : m_def(def) {}
    void SetCaption(const QString& v) { m_def.Caption = v; }
    void SetParentTable(const QString& v) { m_def.ParentTable = v; }
    void SetChildListCaption(const QString& v) { m_def.ChildListCaption = v; }
    void SetVersion(double v) { m_def.Version = v; }
    QString Caption() const { return m_def.Caption; }
    QString ParentTable() const { return m_def.ParentTable; }
    QString ChildListCaption() const { return m_def.ChildListCaption; }
    double Version() const { return m_def.Version; }

private:
    DbmsTableDef& m_def;
};

class DbmsColumns {
public:
    explicit DbmsColumns(DbmsTableDef& def) : m_def(def) {}
    // The further fixed arguments of the original call are accepted and have no meaning here.
    template <typename... Ignored>
    void AddField(const QString& name, int type, int size, Ignored&&...) {
        Add(name, type, size);
    }
    // How windows show and check a field already added (see DbmsFieldDef).
    void SetDigits(const QString& field, int digits);
    void SetUnique(const QString& field, const QString& duplicate);

private:
    void Add(const QString& name, int type, int size);
    DbmsFieldDef& Added(const QString& field);
    DbmsTableDef& m_def;
};

class DbmsIndexes {
public:
    explicit DbmsIndexes(DbmsTableDef& def) : m_def(def) {}
    void AddIndex(const QString& field, bool flag, const QString& name = QString()) {
        m_def.Indexes.push_back({field, flag, name});
    }

private:
    DbmsTableDef& m_def;
};

class DbmsReferences {
public:
    explicit DbmsReferences(DbmsTableDef& def) : m_def(def) {}
    template <typename... Ignored>
    void AddReference(const QString& name, const QString& target, bool multiple, bool owned,
                      const QString& shown1, const QString& shown2, Ignored&&...) {
        Add({name, target, multiple, owned, shown1, shown2});
    }

private:
    void Add(DbmsReferenceDef ref);
    DbmsTableDef& m_def;
};

// The database definition being built by itfDefDatabase::Define.
class DbmsDefinition {
public:
    // Runs the table's DefineIdentity and DefineStructure at once, so an error in a table
    // stops Define where it happens.
    void AddTable(std::shared_ptr<itfDefTable> table);

    const std::vector<std::shared_ptr<DbmsTableDef>>& Tables() const { return m_tables; }

private:
    std::vector<std::shared_ptr<DbmsTableDef>> m_tables;
};
