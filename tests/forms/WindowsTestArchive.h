#pragma once
// A small archive for the window tests: categories; customers with defaults, a reference to
// their category and a list of favourite articles; articles; sale lines as children of the
// articles (their amount follows the price and the quantity) with a reference to a customer.
// Customers refuse to be stored without a code, so a save can fail on purpose.

#include "DbmsDataSource.h"
#include "DbmsEngine.h"

#include <QTemporaryDir>
#include <functional>
#include <map>

class WindowsTable : public itfDefTable, public itfSetData {
public:
    using Structure = std::function<void(DbmsColumns&, DbmsReferences&)>;
    WindowsTable(QString name, QString caption, Structure structure, QString parent = {})
        : m_name(std::move(name)), m_caption(std::move(caption)), m_structure(std::move(structure)),
          m_parent(std::move(parent)) {}

    QString TableName() const override { return m_name; }
    void DefineIdentity(DbmsTableIdentity& id) override {
        id.SetCaption(m_caption);
        if (!m_parent.isEmpty()) id.SetParentTable(m_parent);
    }
    void DefineStructure(DbmsColumns& c, DbmsIndexes&, DbmsReferences& r) override {
        m_structure(c, r);
    }
    itfSetData* DefineDefaultData() override { return this; }

    std::function<void(DbmsDataSource&)> onNewRow;
    std::function<void(DbmsDataSource&)> onUpdateRow;
    std::function<void(DbmsDataSource&, const QString&)> onField;

    void OnNewRow(DbmsDataSource& ds) override {
        if (onNewRow) onNewRow(ds);
    }
    void OnUpdateRow(DbmsDataSource& ds) override {
        if (onUpdateRow) onUpdateRow(ds);
    }
    void OnUpdateField(DbmsDataSource& ds, const QString& f) override {
        if (onField) onField(ds, f);
    }

private:
    QString m_name;
    QString m_caption;
    Structure m_structure;
    QString m_parent;
};

class WindowsSchema : public itfDefDatabase {
public:
    WindowsSchema();
    bool Define(DbmsDefinition& def) override;
    WindowsTable& Table(const QString& name) { return *m_tables.at(name); }

private:
    std::map<QString, std::shared_ptr<WindowsTable>> m_tables;
};

// The date new customers and sale lines get from the rules.
inline QDateTime WindowsToday() {
    return QDateTime(QDate(2024, 2, 29), QTime(10, 30));
}

struct WindowsArchive {
    QTemporaryDir dir;
    WindowsSchema schema;
    DbmsEngine engine;
    std::shared_ptr<DbmsStorage> storage;
    std::shared_ptr<DbmsDatabase> db;

    WindowsArchive(); // created and filled with a few rows
    std::shared_ptr<DbmsDataSource> Open(const QString& table, const QString& filter = {},
                                         const QString& order = {}) {
        return db->Item(table)->OpenDataSource(filter, order);
    }
    QVariant Scalar(const QString& sql);
    OID Add(const QString& table, const DbmsFieldValues& values) {
        return Open(table)->AddRow(values);
    }
    // OIDs of the rows the archive starts with.
    std::map<QString, OID> oid;
};

// An empty archive of the program's own definition.
struct ProgramArchive {
    QTemporaryDir dir;
    DbmsEngine engine;
    std::shared_ptr<DbmsStorage> storage;
    std::shared_ptr<DbmsDatabase> db;

    ProgramArchive();
    std::shared_ptr<DbmsDataSource> Open(const QString& table, const QString& order = {}) {
        return db->Item(table)->OpenDataSource(QString(), order);
    }
    qint64 Scalar(const QString& sql);
};

inline QVariant Amount(qint64 units) {
    return QVariant::fromValue(Money::FromUnits(units));
}
