#pragma once
// A real archive file in a temporary folder, of the program's own definition unless a test
// hands another one, with the clock frozen so the rules' "now" is known.

#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "FixedClock.h"
#include "TestValues.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

class TempArchive {
public:
    // The moment the clock stands at unless a test says otherwise.
    static QDateTime DefaultNow() { return QDateTime(QDate(2024, 3, 15), QTime(10, 30)); }

    explicit TempArchive(const QDateTime& now = DefaultNow());
    // Another definition; it must outlive the archive.
    explicit TempArchive(itfDefDatabase& definition, const QDateTime& now = DefaultNow());
    ~TempArchive();

    QString Path() const { return File("Tessarin.mdb"); }
    QString File(const QString& name) const { return m_dir.filePath(name); }
    void Create();
    // Releases the database and attaches a fresh definition again; `beforeAttach` runs on the
    // reopened file first (to make it look like an older archive).
    void Reopen(const std::function<void(DbmsStorage&)>& beforeAttach = {});

    std::shared_ptr<DbmsDataSource> Open(const QString& table, const QString& filter = {},
                                         const QString& order = {}) {
        return db->Item(table)->OpenDataSource(filter, order);
    }
    std::shared_ptr<DbmsDataSource> Row(const QString& table, OID oid) {
        return Open(table, "OID = " + QString::number(oid));
    }
    OID Add(const QString& table, const DbmsFieldValues& values) {
        return Open(table)->AddRow(values);
    }
    void Exec(const QString& sql) { storage->Execute(sql); }
    // The first column of the first row: as a number, as text (no row throws), or as stored
    // (NULL or no row = invalid).
    qint64 Scalar(const QString& sql) { return First(sql, As::Number).toLongLong(); }
    QString Text(const QString& sql) { return First(sql, As::Text).toString(); }
    QVariant Value(const QString& sql) { return First(sql, As::Stored); }
    qint64 Count(const QString& from) { return Scalar("SELECT COUNT(*) FROM " + from); }
    void Close() { // lets go of the file
        db.reset();
        storage.reset();
    }
    DbmsEngine& Engine() { return m_engine; }

    std::shared_ptr<DbmsStorage> storage;
    std::shared_ptr<DbmsDatabase> db;

private:
    void Attach();
    enum class As { Number, Text, Stored };
    QVariant First(const QString& sql, As as);

    FixedClock m_clock;
    QTemporaryDir m_dir;
    std::unique_ptr<itfDefDatabase> m_own;
    itfDefDatabase& m_definition;
    DbmsEngine m_engine;
};
