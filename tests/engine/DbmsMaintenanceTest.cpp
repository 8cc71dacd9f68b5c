#include "DbmsMaintenance.h"
#include "EngineTestSchema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Debian's sqlite3 lacks .recover's page reader: its .dump stands in, called as .recover is.
const char* const kStandIn =
    "case \"$6\" in .recover*) REAL -batch -init /dev/null -readonly \"$5\" '.dump "
    "--preserve-rowids' | sed '$s/^ROLLBACK; -- due to errors$/COMMIT;/' ;; "
    "*) exec REAL \"$@\" ;; esac\n";
const char* const kBroken = "echo 'Error: no such table: sqlite_dbpage' >&2; exit 1\n";

// People over many pages and links after them: a compact copy keeps every row; with the first,
// a middle and the last leaf of people's table damaged, a recovery keeps all the rest.
TEST_F(ArchiveTest, ACompactCopyKeepsEveryRowAndARecoveryLosesOnlyTheDamagedPages) {
    a.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
           "INSERT INTO Persone (OID, Codice, Nome, Punti) SELECT i, 'C' || i, "
           "'Cliente numero ' || i, i % 97 FROM n; "
           "INSERT INTO Vendite__Righe SELECT OID, OID % 7 FROM Persone WHERE OID <= 600");
    const QStringList tables = a.Rows("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                      "name NOT LIKE 'sqlite%' ORDER BY rowid");
    auto dumps = [&](const QString& file) {
        SQLite::Database db(file.toStdString(), SQLite::OPEN_READONLY);
        std::map<QString, QStringList> out;
        for (const QString& t : tables)
            out[t] = RowsOf(db, "SELECT _rowid_, * FROM " + t + " ORDER BY 1");
        // The last OID given out, even where its row is lost: never given out again.
        out["sqlite_sequence"] = RowsOf(db, "SELECT * FROM sqlite_sequence ORDER BY name");
        return out;
    };
    const auto before = dumps(a.Path());
    const QString copy = a.dir.filePath("Copia.mdb");
    DbmsCompactInto(*a.storage, copy);
    EXPECT_THROW(DbmsCompactInto(*a.storage, copy), DbmsError);
    EXPECT_EQ(dumps(copy), before);

    const int size = int(a.Scalar("PRAGMA page_size"));
    const QStringList leaves = a.Rows("SELECT pageno, ncell FROM dbstat WHERE name = 'Persone' "
                                      "AND pagetype = 'leaf' ORDER BY path");
    a.Close();
    QFile file(a.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)); // seen at once
    qint64 lost = 0;
    for (const QString& leaf : {leaves[0], leaves[10], leaves.last()}) {
        file.seek((leaf.section('|', 0, 0).toLongLong() - 1) * size);
        file.write(QByteArray(size, char(0x5a)));
        lost += leaf.section('|', 1).toLongLong();
    }
    EXPECT_NE(DbmsIntegrityCheck(a.Path()), "ok");

    const QString real = QStandardPaths::findExecutable("sqlite3");
    QProcess probe; // can the installed program recover at all?
    probe.start(real, {":memory:", ".recover"});
    const bool realRecovers = probe.waitForFinished() && probe.exitCode() == 0;
    // The way, the sqlite3 program put first on the search path (none: the installed one; "":
    // no program at all), the error when recovery is refused.
    const std::vector<std::tuple<QString, DbmsRecovery, const char*, const char*>> cases = {
        {"salvage", DbmsRecovery::OwnSalvage, kBroken, nullptr},
        {"program", DbmsRecovery::SqliteProgram, realRecovers ? nullptr : kStandIn, nullptr},
        {"missing", DbmsRecovery::SqliteProgram, "", "non è installato"},
        {"broken", DbmsRecovery::SqliteProgram, kBroken, "sqlite_dbpage"},
        {"fallback", DbmsRecovery::Any, kBroken, nullptr},
    };
    const QByteArray path = qgetenv("PATH");
    for (const auto& [name, how, program, refused] : cases) {
        SCOPED_TRACE(name.toStdString());
        const QString out = a.dir.filePath(name + ".mdb");
        qputenv("PATH", path);
        QTemporaryDir bin;
        QFile fake(bin.filePath("sqlite3"));
        if (program && *program && fake.open(QIODevice::WriteOnly)) {
            fake.write(("#!/bin/sh\n" + QString(program).replace("REAL", real)).toUtf8());
            fake.setPermissions(fake.permissions() | QFileDevice::ExeOwner);
            fake.close(); // or it cannot run
        }
        if (program) qputenv("PATH", bin.path().toUtf8() + (*program ? ":" + path : ""));
        if (refused) {
            const QString error =
                Raised([&] { DbmsRecoverUsing(how, a.Path(), out); }).Description();
            EXPECT_TRUE(error.contains(refused)) << error.toStdString();
            EXPECT_EQ(QDir(a.dir.path()).entryList({name + "*"}), QStringList{});
            continue;
        }
        const auto recovered = DbmsRecoverUsing(how, a.Path(), out);
        auto after = dumps(out);
        QStringList names;
        for (const auto& [table, rows] : recovered) {
            names << table;
            EXPECT_EQ(rows, after.at(table).size()) << table.toStdString();
        }
        EXPECT_EQ(names, tables);
        if (how != DbmsRecovery::SqliteProgram) { // the salvage reads past each damaged leaf
            EXPECT_EQ(after.at("Persone").size(), 3000 - lost);
        }
        after["Persone"] = before.at("Persone");
        for (const auto& [table, rows] : before)
            EXPECT_EQ(after.at(table), rows) << table.toStdString();
    }
    qputenv("PATH", path);
    EXPECT_THROW(DbmsRecoverInto(a.Path(), a.dir.filePath("salvage.mdb")), DbmsError);
}

TEST_F(ArchiveTest, MoneyIsDividedRoundingToTheTenThousandthAndOnlyWhereThereIsMoney) {
    // Stored units and units after dividing by 2: halves go away from zero, no amount stays so.
    const QStringList units{"3", "-3", "5", "15000000000"}, half{"2", "-2", "3", "7500000000", "-"};
    a.Exec("INSERT INTO Prodotti (Prezzo) VALUES (" + units.join("), (") + "), (NULL)");
    auto prices = [&] { return a.Rows("SELECT Prezzo FROM Prodotti ORDER BY OID"); };
    a.db->BeginTrans();
    EXPECT_TRUE(DbmsDivideMoney(*a.db, "prodotti", 2));
    EXPECT_EQ(prices(), half);
    a.db->Rollback();
    EXPECT_EQ(prices(), units + QStringList{"-"});
    EXPECT_FALSE(DbmsDivideMoney(*a.db, "Tipi", 2));
    EXPECT_THROW(DbmsDivideMoney(*a.db, "Nessuna", 2), DbmsError);
}

} // namespace
