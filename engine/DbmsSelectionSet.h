#pragma once
// Conditions kept for one table in the archive's _Selections table: the predefined selections
// of a section (stored under the section's display text) or the named complex filters of a
// table. Each condition is a filter text in the engine's dialect; the set's condition is the
// conjunction of the active ones.
//
// Stored form, one row per condition, in the set's order:
//   Name = the set's name, TableName = the table's defined name,
//   Kind = "Predefined" or "Complex", with ".Off" appended for a condition left unticked,
//   Condition = the dialect text, so other tools reading the file see plain filters.

#include "DbmsTypes.h"

#include <QStringList>
#include <memory>
#include <vector>

class DbmsDatabase;
class DbmsDataSource;
class DbmsStorage;

struct DbmsSelectionItem {
    QString Condition;
    bool Active = true;
    friend bool operator==(const DbmsSelectionItem&, const DbmsSelectionItem&) = default;
};

class DbmsSelectionSet {
public:
    enum Kind { Predefined, Complex };

    DbmsSelectionSet(std::shared_ptr<DbmsDatabase> db, const QString& tableName, Kind kind);

    // A set bound to the data source's table.
    static std::shared_ptr<DbmsSelectionSet> FromDataSource(const DbmsDataSource& ds,
                                                            Kind kind = Complex);

    const QString& TableName() const { return m_table; }
    Kind SelectionKind() const { return m_kind; }
    const QString& Name() const { return m_name; }
    // Renames the set in memory; what is stored moves only with the next Save.
    void SetName(const QString& name) { m_name = name; }

    // --- the conditions ---
    const std::vector<DbmsSelectionItem>& Items() const { return m_items; }
    // Every condition is checked first; on an error nothing changes.
    void SetItems(const std::vector<DbmsSelectionItem>& items);
    void Clear() { m_items.clear(); }
    // Throws DbmsError (FilterSyntax, UnknownField, BadValue) when `condition` cannot filter
    // this table; lets a dialog refuse a condition before it reaches the set.
    void Validate(const QString& condition) const;

    // The active conditions, each in parentheses, joined with " AND "; empty when none.
    QString Condition() const;
    // Whether the condition names `field`, plain or qualified ("Table.Field"), ignoring case.
    bool Involves(const QString& field) const;

    // "field equals text" as the table builds it, in place of the conditions on that field.
    void AddCondition(const QString& field, const QString& text);
    // Drops every condition that names the field.
    void RemoveField(const QString& field);

    // --- what is stored in the archive ---
    // Loads the conditions stored under `name` for this table and kind; when there are some
    // they replace the set's own and the set takes that name. Returns whether there were any.
    bool Restore(const QString& name);
    // The same, in the words of the complex filter commands.
    bool Load(const QString& name) { return Restore(name); }
    // Replaces what is stored under the set's name (or `name`, which the set then takes).
    void Save();
    void Save(const QString& name);
    // Deletes what is stored under `name` for this table and kind; returns whether there was any.
    bool Remove(const QString& name);
    // Names stored for this table and kind, sorted, joined with "|".
    QString StoredNames() const;

private:
    DbmsStorage& Storage() const; // throws NotOpen
    QString KindText(bool active) const;
    // The item positions whose condition names `field`.
    std::vector<size_t> ItemsNaming(const QString& field) const;

    std::shared_ptr<DbmsDatabase> m_db;
    QString m_table;
    Kind m_kind;
    QString m_name;
    std::vector<DbmsSelectionItem> m_items;
};
