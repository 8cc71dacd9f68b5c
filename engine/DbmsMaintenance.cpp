#include "DbmsMaintenance.h"

#include "DbmsDatabase.h"
#include "DbmsStorage.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <limits>

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

namespace {

// How long one run of the sqlite3 program may take on a big archive.
constexpr int kProgramTimeoutMs = 20 * 60 * 1000;
// Rows the program's recovery could not place in any table land here; the name keeps them
// apart from the archive's own tables, and the table is dropped: rows whose table is unknown
// cannot be put back by the program.
constexpr const char* kOrphans = "_RecoverOrphans";
// Consecutive failed probes after which the rest of a table is given up; the probes jump
// 1, 16, 256... rows past the last good one.
constexpr int kProbes = 7;
constexpr qint64 kProbeGrowth = 16;

DbmsError RecoverError(const QString& text) {
    return DbmsError(DbmsError::Generic, "Recupero dell'archivio non riuscito: " + text);
}

void RemoveWithJournal(const QString& file) {
    QFile::remove(file + "-journal");
    QFile::remove(file);
}

// The tables of an archive's structure, in the order it lists them; SQLite's own left out.
QStringList TablesOf(SQLite::Database& db) {
    SQLite::Statement st(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                             "LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
    QStringList names;
    while (st.executeStep())
        names << QString::fromStdString(st.getColumn(0).getString());
    return names;
}

// --- the sqlite3 program's recovery ---

void RunProgram(QProcess& process, const QString& what) {
    process.start();
    if (!process.waitForStarted())
        throw RecoverError("impossibile avviare sqlite3 (" + process.errorString() + ")");
    if (!process.waitForFinished(kProgramTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        throw RecoverError("sqlite3 non ha finito " + what + " nel tempo previsto");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        throw RecoverError("sqlite3 non è riuscito " + what +
                           (said.isEmpty() ? QString() : " (" + said.left(400) + ")"));
    }
}

// `.recover` reads every page of the file, so it finds rows even under a broken b-tree; its
// script is then played into the new file.
void RecoverWithProgram(const QString& damaged, const QString& target) {
    const QString program = QStandardPaths::findExecutable("sqlite3");
    if (program.isEmpty()) throw RecoverError("il programma sqlite3 non è installato");
    QTemporaryFile script(target + ".XXXXXX.sql");
    if (!script.open()) throw RecoverError("impossibile scrivere " + script.fileName());
    script.close();
    // No ~/.sqliterc: the user's settings must not change the script.
    const QStringList quiet{"-batch", "-init", "/dev/null"};
    QProcess recover;
    recover.setProgram(program);
    recover.setArguments(quiet + QStringList{"-readonly", damaged,
                                             QString(".recover --lost-and-found ") + kOrphans});
    recover.setStandardOutputFile(script.fileName());
    RunProgram(recover, "a leggere l'archivio danneggiato");
    QProcess load;
    load.setProgram(program);
    load.setArguments(quiet + QStringList{"-bail", target});
    load.setStandardInputFile(script.fileName());
    RunProgram(load, "a scrivere l'archivio recuperato");
    SQLite::Database db(target.toStdString(), SQLite::OPEN_READWRITE);
    db.exec(QString("DROP TABLE IF EXISTS %1").arg(DbmsQuoteId(kOrphans)).toStdString());
}

// --- the salvage table by table ---

class RawStatement {
public:
    RawStatement(sqlite3* db, const QString& sql) {
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &m_st, nullptr) != SQLITE_OK) {
            const QString why = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_finalize(m_st);
            throw RecoverError(why);
        }
    }
    ~RawStatement() { sqlite3_finalize(m_st); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;
    sqlite3_stmt* operator*() const { return m_st; }

private:
    sqlite3_stmt* m_st = nullptr;
};

// Copies the rows a read gives until it ends or fails; a write that fails is a real error and
// ends the salvage.
struct Pass {
    int Result = SQLITE_DONE;
    qint64 Rows = 0, First = 0, Last = 0; // rowids of the first and last row read
};

Pass CopyRows(sqlite3_stmt* read, sqlite3* to, sqlite3_stmt* write, bool byRowid) {
    Pass pass;
    const int columns = sqlite3_column_count(read);
    while ((pass.Result = sqlite3_step(read)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c)
            sqlite3_bind_value(write, c + 1, sqlite3_column_value(read, c));
        if (sqlite3_step(write) != SQLITE_DONE)
            throw RecoverError(QString::fromUtf8(sqlite3_errmsg(to)));
        sqlite3_reset(write);
        const qint64 rowid = byRowid ? sqlite3_column_int64(read, 0) : 0;
        if (pass.Rows++ == 0) pass.First = rowid;
        pass.Last = rowid;
    }
    sqlite3_reset(read);
    return pass;
}

// Copies the rows of one table by rowid until a read fails, then probes ever further past the
// last good row; where a probe finds rows again, the gap it jumped is read back downwards as
// far as the damage allows.
void SalvageRows(sqlite3* from, sqlite3* to, const QString& table) {
    const QString t = DbmsQuoteId(table);
    std::unique_ptr<RawStatement> forward, back;
    bool byRowid = true;
    try {
        forward = std::make_unique<RawStatement>(from, "SELECT _rowid_, * FROM " + t +
                                                           " WHERE _rowid_ > ? ORDER BY _rowid_");
        back = std::make_unique<RawStatement>(from, "SELECT _rowid_, * FROM " + t +
                                                        " WHERE _rowid_ > ? AND _rowid_ < ? "
                                                        "ORDER BY _rowid_ DESC");
    } catch (const DbmsError&) {
        byRowid = false; // a table without rowids: read in one pass, as far as it goes
        forward = std::make_unique<RawStatement>(from, "SELECT * FROM " + t);
    }
    sqlite3_stmt* read = **forward;
    QStringList names, marks;
    for (int c = 0; c < sqlite3_column_count(read); ++c) {
        names << (byRowid && c == 0 ? QString("_rowid_")
                                    : DbmsQuoteId(QString::fromUtf8(sqlite3_column_name(read, c))));
        marks << "?";
    }
    // Garbage read as rows may repeat a key or break a constraint: such a row is left out.
    RawStatement write(to, "INSERT OR IGNORE INTO " + t + " (" + names.join(", ") + ") VALUES (" +
                               marks.join(", ") + ")");
    constexpr qint64 kNone = std::numeric_limits<qint64>::min();
    qint64 after = kNone, gap = kNone, skip = 1;
    for (int failures = 0;;) {
        if (byRowid) sqlite3_bind_int64(read, 1, after);
        const Pass pass = CopyRows(read, to, *write, byRowid);
        if (pass.Rows > 0) {
            if (gap != kNone) {
                sqlite3_bind_int64(**back, 1, gap);
                sqlite3_bind_int64(**back, 2, pass.First);
                CopyRows(**back, to, *write, true);
            }
            gap = pass.Last;
            failures = 0;
            skip = 1;
        }
        if (pass.Result == SQLITE_DONE || !byRowid || ++failures > kProbes) break;
        if (gap == kNone) gap = 0; // not even the first row could be read
        after = gap + skip;
        skip *= kProbeGrowth;
    }
}

// Raises each table's last given OID to what the damaged file recorded, where it can still
// be read: an OID is never given out twice.
void SalvageSequences(sqlite3* from, sqlite3* to) {
    try {
        RawStatement read(from, "SELECT name, seq FROM sqlite_sequence");
        RawStatement add(to, "INSERT INTO sqlite_sequence (name, seq) SELECT ?1, ?2 WHERE NOT "
                             "EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = ?1)");
        RawStatement raise(to, "UPDATE sqlite_sequence SET seq = ?2 WHERE name = ?1 AND seq < ?2");
        while (sqlite3_step(*read) == SQLITE_ROW)
            for (sqlite3_stmt* st : {*add, *raise}) {
                sqlite3_bind_value(st, 1, sqlite3_column_value(*read, 0));
                sqlite3_bind_value(st, 2, sqlite3_column_value(*read, 1));
                sqlite3_step(st);
                sqlite3_reset(st);
            }
    } catch (const DbmsError&) {
        // No sequence to read (or none left): the new file counts from its highest OID.
    }
}

void Salvage(const QString& damaged, const QString& target) {
    SQLite::Database from(damaged.toStdString(), SQLite::OPEN_READONLY);
    struct Object {
        QString Type, Name, Sql;
    };
    std::vector<Object> objects;
    try {
        SQLite::Statement st(from, "SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT "
                                   "NULL ORDER BY rowid");
        while (st.executeStep())
            objects.push_back({QString::fromStdString(st.getColumn(0).getString()),
                               QString::fromStdString(st.getColumn(1).getString()),
                               QString::fromStdString(st.getColumn(2).getString())});
    } catch (const SQLite::Exception& e) {
        throw RecoverError("la struttura dell'archivio è illeggibile (" +
                           QString::fromUtf8(e.what()) + ")");
    }
    SQLite::Database to(target.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    to.exec("PRAGMA cache_size=-131072");
    SQLite::Transaction tr(to);
    for (const Object& o : objects)
        if (o.Type == "table" && !o.Name.startsWith("sqlite_")) to.exec(o.Sql.toStdString());
    for (const Object& o : objects)
        if (o.Type == "table" && !o.Name.startsWith("sqlite_"))
            SalvageRows(from.getHandle(), to.getHandle(), o.Name);
    // Indexes are made again from the rows that came across.
    for (const Object& o : objects) {
        if (o.Type == "table") continue;
        try {
            to.exec(o.Sql.toStdString());
        } catch (const SQLite::Exception& e) {
            // A unique index that garbage read as rows now breaks: the rows matter more.
            qWarning("%s: %s", qPrintable(o.Name), e.what());
        }
    }
    SalvageSequences(from.getHandle(), to.getHandle());
    tr.commit();
}

} // namespace

std::vector<DbmsRecoveredTable> DbmsRecoverUsing(DbmsRecovery how, const QString& damaged,
                                                 const QString& path) {
    if (!QFileInfo(damaged).isFile())
        throw DbmsError(DbmsError::FileOpen, "Archivio non trovato: " + damaged);
    if (QFileInfo::exists(path))
        throw DbmsError(DbmsError::FileExists, "Il file " + path + " esiste già");
    // Made under another name and put in place only when whole and sound.
    const QString work = path + ".recovering";
    RemoveWithJournal(work);
    try {
        bool done = false;
        if (how != DbmsRecovery::OwnSalvage) {
            try {
                RecoverWithProgram(damaged, work);
                done = true;
            } catch (const std::exception& e) {
                RemoveWithJournal(work);
                if (how == DbmsRecovery::SqliteProgram) throw;
                qWarning("%s; si recupera tabella per tabella", e.what());
            }
        }
        if (!done) Salvage(damaged, work);
        const QString check = DbmsIntegrityCheck(work);
        if (check != "ok")
            throw RecoverError("l'archivio recuperato non è integro (" + check + ")");
        std::vector<DbmsRecoveredTable> counts;
        {
            SQLite::Database result(work.toStdString(), SQLite::OPEN_READONLY);
            QStringList tables;
            try {
                SQLite::Database source(damaged.toStdString(), SQLite::OPEN_READONLY);
                tables = TablesOf(source);
            } catch (const SQLite::Exception&) {
                tables = TablesOf(result); // the damaged file's own list is unreadable
            }
            for (const QString& table : tables) {
                qint64 rows = 0;
                try {
                    rows = result
                               .execAndGet(
                                   ("SELECT COUNT(*) FROM " + DbmsQuoteId(table)).toStdString())
                               .getInt64();
                } catch (const SQLite::Exception&) {
                    // Not made again: none of its rows came across.
                }
                counts.push_back({table, rows});
            }
        }
        if (!QFile::rename(work, path)) throw RecoverError("impossibile creare " + path);
        return counts;
    } catch (const DbmsError&) {
        RemoveWithJournal(work);
        throw;
    } catch (const std::exception& e) {
        RemoveWithJournal(work);
        throw RecoverError(QString::fromUtf8(e.what()));
    }
}

std::vector<DbmsRecoveredTable> DbmsRecoverInto(const QString& damaged, const QString& path) {
    return DbmsRecoverUsing(DbmsRecovery::Any, damaged, path);
}

bool DbmsDivideMoney(DbmsDatabase& db, const QString& table, double rate) {
    const DbmsTableDef* def = db.TableDef(table);
    if (!def) throw DbmsError(DbmsError::UnknownTable, "Tabella sconosciuta: " + table);
    QStringList sets;
    // Amounts are whole ten-thousandths: the quotient is rounded back to one, halves away from
    // zero. The rate is made real, or a whole rate would divide without a remainder.
    const QString divisor = "CAST(" + DbmsDatabase::NumberLiteral(rate) + " AS REAL)";
    for (const auto& field : def->Fields)
        if (field.Type == DbmsType::Money)
            sets << DbmsQuoteId(field.Name) + " = CAST(round(" + DbmsQuoteId(field.Name) + " / " +
                        divisor + ") AS INTEGER)";
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
