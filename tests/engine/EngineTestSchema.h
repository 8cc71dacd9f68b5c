#pragma once
#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "TestValues.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>

// A table whose rules are lambdas, so each test installs only what it looks at.
class TestTable : public itfDefTable, public itfSetData {
public:
    using Structure = std::function<void(DbmsColumns&, DbmsIndexes&, DbmsReferences&)>;
    TestTable(QString name, Structure structure, double version = 0, QString parent = {})
        : m_name(std::move(name)), m_structure(std::move(structure)), m_version(version),
          m_parent(std::move(parent)) {}

    QString TableName() const override { return m_name; }
    void DefineIdentity(DbmsTableIdentity& id) override {
        id.SetCaption(caption.isEmpty() ? "Tabella " + m_name : caption);
        if (!m_parent.isEmpty()) {
            id.SetParentTable(m_parent);
            id.SetChildListCaption("Elenco " + m_name);
        }
        if (m_version > 0) id.SetVersion(m_version);
    }
    void DefineStructure(DbmsColumns& c, DbmsIndexes& i, DbmsReferences& r) override {
        m_structure(c, i, r);
        if (more) more(c, i, r);
    }
    itfSetData* DefineDefaultData() override { return this; }
    void SetVersion(double v) { m_version = v; }

    Structure more; // a test's own additions to the shared structure
    std::function<void(DbmsDataSource&, double, double, bool)> onStruct;
    QString caption;
    std::function<void(DbmsDataSource&)> onNewRow;
    std::function<void(DbmsDataSource&)> onUpdateRow; // not logged: every store runs it
    std::function<void(DbmsDataSource&, const QString&)> onField;
    QStringList* log = nullptr; // the rules called, in order

    void OnUpdatedTableStruct(DbmsDataSource& ds, double cur, double old, bool created) override {
        if (log) *log << QString("%1.Struct(%2,%3,%4)").arg(m_name).arg(cur).arg(old).arg(created);
        if (onStruct) onStruct(ds, cur, old, created);
    }
    void OnNewRow(DbmsDataSource& ds) override {
        if (log) *log << m_name + ".NewRow";
        if (onNewRow) onNewRow(ds);
    }
    void OnUpdateRow(DbmsDataSource& ds) override {
        if (onUpdateRow) onUpdateRow(ds);
    }
    void OnUpdateField(DbmsDataSource& ds, const QString& f) override {
        if (log) *log << m_name + ".Field(" + f + ")";
        if (onField) onField(ds, f);
    }
    void OnUpdateReference(DbmsDataSource&, const QString&, const QString& ref, OID,
                           bool) override {
        if (log) *log << m_name + ".Ref(" + ref + ")";
    }

private:
    QString m_name;
    Structure m_structure;
    double m_version;
    QString m_parent;
};

// Plain fields as "Codice Text 8, Punti Integer", then whatever `more` adds.
inline TestTable::Structure Fields(const QString& spec, TestTable::Structure more = {}) {
    return [=](DbmsColumns& c, DbmsIndexes& i, DbmsReferences& r) {
        static const std::map<QString, int> types{{"Text", DbmsType::Text},
                                                  {"Integer", DbmsType::Integer},
                                                  {"Boolean", DbmsType::Boolean},
                                                  {"Date", DbmsType::Date},
                                                  {"Money", DbmsType::Money}};
        for (const QString& field : spec.split(',')) {
            const QStringList words = field.simplified().split(' ');
            c.AddField(words[0], types.at(words[1]), words.value(2).toInt());
        }
        if (more) more(c, i, r);
    };
}

// Tipi ← Prodotti(Tipo) ← Righe (children of Prodotti); Persone; Vendite(Persona; Righe owned;
// Tags not owned → Tipi).
class TestSchema : public itfDefDatabase {
public:
    TestSchema();
    bool Define(DbmsDefinition& def) override;
    TestTable& Table(const QString& name) { return *m_tables.at(name); }
    std::vector<QString> order{"Tipi", "Persone", "Prodotti", "Righe", "Vendite"};

private:
    std::map<QString, std::shared_ptr<TestTable>> m_tables;
};

// Each row a query gives, its values joined by "|" (NULL as "-").
QStringList RowsOf(SQLite::Database& db, const QString& sql);

// A fresh archive in a temporary folder, attached with the test schema or another definition.
struct TestArchive {
    QTemporaryDir dir;
    TestSchema schema;
    itfDefDatabase* def = &schema;
    DbmsEngine engine;
    std::shared_ptr<DbmsStorage> storage;
    std::shared_ptr<DbmsDatabase> db;

    QString Path() const { return dir.filePath("Tessarin.mdb"); }
    void Create();
    void Reopen(); // drops and reattaches with the same definition
    std::shared_ptr<DbmsDataSource> Open(const QString& table, const QString& filter = {},
                                         const QString& order = {}) {
        return db->Item(table)->OpenDataSource(filter, order);
    }
    void Exec(const QString& sql) { storage->Execute(sql); }
    qint64 Scalar(const QString& sql);
    qint64 Count(const QString& from) { return Scalar("SELECT COUNT(*) FROM " + from); }
    QStringList Rows(const QString& sql) { return RowsOf(storage->Connection(), sql); }
    void Close() { // lets go of the file
        db.reset();
        storage.reset();
    }
};

struct ArchiveTest : ::testing::Test {
    void SetUp() override { a.Create(); }
    TestArchive a;
};

// One field of every row, as shown, from the first row on.
inline QStringList Column(DbmsDataSource& ds, const QString& field) {
    QStringList values;
    for (ds.MoveFirst(); !ds.AtEnd(); ds.MoveNext())
        values << ds.GetText(field);
    return values;
}

inline QVariant M(double v) {
    return QVariant::fromValue(Money::FromDouble(v));
}

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Stops a long operation at its n-th step, as the progress window's stop button does.
struct StopAfter : itfProgress {
    explicit StopAfter(qint64 steps) : Steps(steps) {}
    void OnStart(const QString&, qint64 max) override { Started = max; }
    void OnProgress(const QString&, qint64 pos, bool& go) override { go = (Last = pos) < Steps; }
    void OnEnd(const QString&) override { Ended = true; }
    void OnStopped(bool&) override {}
    qint64 Steps, Started = -1, Last = 0;
    bool Ended = false;
};
