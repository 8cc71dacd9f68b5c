#pragma once
// A real archive file of the program's own definition in a temporary folder, with the clock
// frozen so the rules' "now" is known.

#include "DB.h"
#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsEngine.h"

#include <QTemporaryDir>
#include <functional>

class ModelArchive {
public:
    explicit ModelArchive(const QDateTime& now = QDateTime(QDate(2024, 3, 15), QTime(10, 30)));
    ~ModelArchive();

    QString Path() const { return m_dir.filePath("Tessarin.mdb"); }
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
    void Exec(const QString& sql) { storage->Execute(sql); }
    qint64 Scalar(const QString& sql);
    QString Text(const QString& sql);

    std::shared_ptr<DbmsStorage> storage;
    std::shared_ptr<DbmsDatabase> db;

private:
    void Attach();

    QTemporaryDir m_dir;
    DbmsEngine m_engine;
};

inline QVariant Amount(qint64 whole) {
    return QVariant::fromValue(Money::FromWhole(whole));
}
