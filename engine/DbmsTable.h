#pragma once
// A table of an attached database: its identity, its fields and the data sources over it.

#include "DbmsDatabase.h"
#include "DbmsSelectionSet.h"

#include <memory>

// One column as a data source shows it.
struct DbmsFieldInfo {
    enum class Origin { Key, Own, OwnReference, ParentLink, Parent, ParentReference, Count, Shown };
    QString Name;    // as filters and GetValue name it
    QString Caption; // heading for grids
    int Type = DbmsType::Text;
    int Size = 0;
    Origin From = Origin::Own;
    QString Table;  // table the column is stored in
    QString Column; // stored column name
    // Kept out of ordering and totals (keys and links).
    bool Excluded = false;
    bool ReadOnly = false;
    int Digits = 0; // see DbmsFieldDef
};

// How a data source is opened; the defaults read every row in the engine's order (by OID).
struct DbmsOpenOptions {
    QString Filter;
    QString Order;
    bool Summary = false;
    QString Detail; // summary data sources count this collection as N_<Detail>
    bool CurrencyConversion = false;
};

class DbmsTable {
public:
    DbmsTable(std::shared_ptr<DbmsDatabase> db, const DbmsTableDef& def)
        : m_db(std::move(db)), m_def(def) {}

    const QString& Name() const { return m_def.Name; }
    const QString& Caption() const { return m_def.Caption; }
    const QString& ParentTable() const { return m_def.ParentTable; }
    const QString& ChildListCaption() const { return m_def.ChildListCaption; }
    double Version() const { return m_def.Version; }
    const DbmsTableDef& Def() const { return m_def; }
    std::shared_ptr<DbmsDatabase> Database() const { return m_db; }

    // Every table of the definition takes part in a transfer of all data.
    bool TakesPartInTransfer() const { return true; }

    std::shared_ptr<DbmsDataSource> OpenDataSource(std::shared_ptr<DbmsStorage> storage,
                                                   const DbmsOpenOptions& options = {});
    std::shared_ptr<DbmsDataSource> OpenDataSource(const QString& filter = QString(),
                                                   const QString& order = QString());

    // A selection set bound to this table, empty and unnamed (the sections' predefined
    // selections by default).
    std::shared_ptr<DbmsSelectionSet>
    CreateSelectionSet(DbmsSelectionSet::Kind kind = DbmsSelectionSet::Predefined) const;

    QString KeyField() const { return "OID"; }
    // A filter condition "field equals text", built with the literal operations. A text that
    // cannot be a value of the field gives a condition that matches no row (e.g. OID and "%").
    QString MakeCondition(const QString& field, const QString& text) const;
    // The display format of a field: "#,##0.00" for money, "dd/mm/yyyy hh:mm" for dates, "0"
    // for whole numbers, "" otherwise.
    QString FieldFormat(const QString& field) const;

private:
    std::shared_ptr<DbmsDatabase> m_db;
    const DbmsTableDef& m_def;
};
