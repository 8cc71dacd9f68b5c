#include "DbmsMaintenance.h"

#include "DbmsDatabase.h"
#include "DbmsStorage.h"

#include <QFileInfo>
#include <sqlite3.h>

void DbmsCompactInto(DbmsStorage& storage, const QString& path) {
    if (QFileInfo::exists(path))
        throw DbmsError(DbmsError::Generic, "Il file " + path + " esiste già");
    try {
        SQLite::Statement vacuum(storage.Connection(), "VACUUM INTO ?");
        vacuum.bind(1, path.toStdString());
        vacuum.exec();
    } catch (const SQLite::Exception& e) {
        throw storage.Failure(e, "Errore nella compattazione dell'archivio");
    }
}

QString DbmsIntegrityCheck(const QString& path) {
    try {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement check(db, "PRAGMA integrity_check");
        QStringList problems;
        while (check.executeStep())
            problems << QString::fromStdString(check.getColumn(0).getString());
        return problems.join('\n');
    } catch (const SQLite::Exception& e) {
        return QString::fromUtf8(e.what());
    }
}

std::vector<DbmsRecoveredTable> DbmsRecoverInto(const QString& damaged, const QString& path) {
    Q_UNUSED(damaged);
    Q_UNUSED(path);
    throw DbmsError(DbmsError::Generic, "Recupero non ancora disponibile");
}

bool DbmsDivideMoney(DbmsDatabase& db, const QString& table, double rate) {
    const DbmsTableDef* def = db.TableDef(table);
    if (!def) throw DbmsError(DbmsError::UnknownTable, "Tabella sconosciuta: " + table);
    QStringList sets;
    // Amounts are whole ten-thousandths: the quotient is rounded back to one.
    for (const auto& field : def->Fields)
        if (field.Type == DbmsType::Money)
            sets << DbmsQuoteId(field.Name) + " = CAST(round(" + DbmsQuoteId(field.Name) + " / " +
                        DbmsDatabase::NumberLiteral(rate) + ") AS INTEGER)";
    if (sets.isEmpty()) return false;
    DbmsStorage& storage = *db.Storage();
    storage.CheckWritable();
    try {
        storage.Connection().exec(
            ("UPDATE " + DbmsQuoteId(def->Name) + " SET " + sets.join(", ")).toStdString());
    } catch (const SQLite::Exception& e) {
        throw storage.Failure(e, "Errore nella conversione degli importi");
    }
    db.Touch();
    return true;
}
