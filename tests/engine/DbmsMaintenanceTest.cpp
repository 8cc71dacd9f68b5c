#include "DbmsMaintenance.h"
#include "EngineTestSchema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <optional>

namespace {

// Several tables, the people spread over many pages, sales with lines and tags.
struct Filled : ArchiveTest {
    void SetUp() override {
        ArchiveTest::SetUp();
        a.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
               "INSERT INTO Persone (OID, Codice, Nome, Punti) SELECT i, 'C' || i, "
               "'Cliente numero ' || i, i % 97 FROM n; "
               "INSERT INTO Tipi VALUES (1, 'Alfa'), (2, 'Beta'); "
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
               "INSERT INTO Prodotti (OID, Codice, Prezzo, OID_Tipo) SELECT i, 'A' || i, "
               "i * 12345, 1 + i % 2 FROM n; "
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
               "INSERT INTO Vendite (OID, Data, Importo, OID_Persona) SELECT i, "
               "'2005-03-01 10:00:00', i * 100, i * 5 FROM n; "
               "INSERT INTO Righe (OID, Quantita, OID_Prodotti) SELECT OID, 1, 1 + OID % 40 "
               "FROM Vendite; INSERT INTO Vendite__Righe SELECT OID, OID FROM Vendite; "
               "INSERT INTO Vendite__Tags SELECT OID, 1 FROM Vendite WHERE OID % 3 = 0");
    }
    QStringList Tables() {
        return a.Rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                      "'sqlite%' ORDER BY rowid");
    }
    std::map<QString, QStringList> Dumps(SQLite::Database& db, const QStringList& tables) {
        std::map<QString, QStringList> out;
        for (const QString& t : tables)
            out[t] = RowsOf(db, "SELECT _rowid_, * FROM " + t + " ORDER BY 1");
        return out;
    }
    // Garbage over every page of one table's b-tree, the archive closed.
    void Damage(const QString& table) {
        const int pageSize = int(a.Scalar("PRAGMA page_size"));
        const QStringList pages =
            a.Rows("SELECT pageno FROM dbstat WHERE name = '" + table + "' ORDER BY pageno");
        ASSERT_GT(pages.size(), 3);
        EXPECT_EQ(pages.first().toLongLong(),
                  a.Scalar("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'"));
        a.Close();
        QFile file(a.Path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        for (const QString& page : pages) {
            file.seek((page.toLongLong() - 1) * pageSize);
            file.write(QByteArray(pageSize, char(0x5a)));
        }
    }
};

TEST_F(Filled, ACompactCopyHoldsTheSameRowsAndNeverOverwritesAFile) {
    const QString copy = a.dir.filePath("Copia.mdb");
    DbmsCompactInto(*a.storage, copy);
    EXPECT_EQ(DbmsIntegrityCheck(copy), "ok");
    auto storage = std::make_shared<DbmsStorage>();
    storage->Open(DbmsStorage::FormatSQLite, copy);
    auto db = a.engine.DefineDatabase(a.schema, "test", nullptr, nullptr);
    db->Attach(storage);
    EXPECT_EQ(Dumps(storage->Connection(), Tables()), Dumps(a.storage->Connection(), Tables()));
    EXPECT_EQ(db->Item("Persone")->OpenDataSource()->RowCount(), 3000);
    const QByteArray before = ReadAll(copy);
    EXPECT_THROW(DbmsCompactInto(*a.storage, copy), DbmsError);
    EXPECT_EQ(ReadAll(copy), before);
}

// A sqlite3 program in a folder of its own put first on the search path while it lives.
struct FakeSqlite {
    explicit FakeSqlite(const QString& script) {
        const QString real = QStandardPaths::findExecutable("sqlite3");
        QFile file(dir.filePath("sqlite3"));
        if (!script.isNull() && file.open(QIODevice::WriteOnly)) {
            file.write(("#!/bin/sh\n" + QString(script).replace("REAL", real)).toUtf8());
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
        qputenv("PATH", (dir.path() + (script.isNull() ? "" : ":" + path)).toUtf8());
    }
    ~FakeSqlite() { qputenv("PATH", path.toUtf8()); }
    QTemporaryDir dir;
    QString path = qEnvironmentVariable("PATH");
};

// Debian's sqlite3 lacks the page reader .recover needs: there the plumbing is tested with the
// program's .dump standing in for it (arguments as the engine passes them).
const char* const kStandIn =
    "case \"$6\" in .recover*) REAL -batch -init /dev/null -readonly \"$5\" '.dump "
    "--preserve-rowids' | "
    "sed '$s/^ROLLBACK; -- due to errors$/COMMIT;/' ;; *) exec REAL \"$@\" ;; esac\n";
const char* const kBroken = "echo 'Error: no such table: sqlite_dbpage' >&2; exit 1\n";

TEST_F(Filled, ADamagedTableLosesItsRowsAndEveryOtherRowIsRecovered) {
    SQLite::Database original(a.Path().toStdString(), SQLite::OPEN_READONLY);
    const QStringList tables = Tables();
    const auto before = Dumps(original, tables);
    Damage("Persone");
    EXPECT_NE(DbmsIntegrityCheck(a.Path()), "ok");
    QProcess probe; // can the installed program recover at all?
    probe.setStandardOutputFile(QProcess::nullDevice());
    probe.setStandardErrorFile(QProcess::nullDevice());
    probe.start(QStandardPaths::findExecutable("sqlite3"), {":memory:", ".recover"});
    const bool realRecovers = probe.waitForFinished() && probe.exitCode() == 0;
    const struct {
        const char* name;
        DbmsRecovery how;
        const char* program; // nullptr: the installed one; "": none at all
        const char* refused; // the error when the program cannot recover
    } cases[] = {
        {"salvage", DbmsRecovery::OwnSalvage, kBroken, nullptr},
        {"program", DbmsRecovery::SqliteProgram, realRecovers ? nullptr : kStandIn, nullptr},
        {"missing program", DbmsRecovery::SqliteProgram, "", "non è installato"},
        {"broken program", DbmsRecovery::SqliteProgram, kBroken, "sqlite_dbpage"},
        {"fallback", DbmsRecovery::Any, kBroken, nullptr},
        {"either", DbmsRecovery::Any, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<FakeSqlite> fake;
        if (c.program) fake.emplace(*c.program ? QString(c.program) : QString());
        const QString out = a.dir.filePath(QString(c.name) + ".mdb");
        if (c.refused) {
            const QString error =
                Raised([&] { DbmsRecoverUsing(c.how, a.Path(), out); }).Description();
            EXPECT_TRUE(error.contains(c.refused)) << error.toStdString();
            EXPECT_EQ(QDir(a.dir.path()).entryList({QString(c.name) + "*"}), QStringList{});
            continue;
        }
        const auto recovered = DbmsRecoverUsing(c.how, a.Path(), out);
        EXPECT_EQ(DbmsIntegrityCheck(out), "ok");
        SQLite::Database result(out.toStdString(), SQLite::OPEN_READONLY);
        const auto after = Dumps(result, tables);
        QStringList names;
        for (const auto& [name, rows] : recovered) {
            names << name;
            EXPECT_EQ(rows, after.at(name).size()) << name.toStdString();
            if (name != "Persone") {
                EXPECT_EQ(after.at(name), before.at(name)) << name.toStdString();
            }
        }
        EXPECT_EQ(names, tables);
        EXPECT_LT(after.at("Persone").size(), 3000);
        EXPECT_EQ(RowsOf(result, "SELECT seq FROM sqlite_sequence WHERE name = 'Persone'"),
                  QStringList{"3000"});
    }
    // The result is an archive again.
    auto storage = std::make_shared<DbmsStorage>();
    storage->Open(DbmsStorage::FormatSQLite, a.dir.filePath("salvage.mdb"));
    auto db = a.engine.DefineDatabase(a.schema, "test", nullptr, nullptr);
    db->Attach(storage);
    EXPECT_EQ(db->Item("Vendite")->OpenDataSource()->RowCount(), 600);
    EXPECT_THROW(DbmsRecoverInto(a.Path(), a.dir.filePath("salvage.mdb")), DbmsError);
}

TEST_F(ArchiveTest, ASalvageGoesOnPastADamagedRangeOfRows) {
    a.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
           "INSERT INTO Persone (OID, Codice, Nome) SELECT i, 'C' || i, printf('%.80c', 'x') "
           "FROM n");
    // One leaf in the middle of the table: the rows before and after it come across.
    const int pageSize = int(a.Scalar("PRAGMA page_size"));
    const QString leafOf = "FROM dbstat WHERE name = 'Persone' AND pagetype = 'leaf' ORDER BY "
                           "path LIMIT 1 OFFSET 20";
    const qint64 leaf = a.Scalar("SELECT pageno " + leafOf),
                 lost = a.Scalar("SELECT ncell " + leafOf);
    a.Close();
    QFile file(a.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek((leaf - 1) * pageSize);
    file.write(QByteArray(pageSize, char(0x5a)));
    file.close();
    const QString out = a.dir.filePath("out.mdb");
    qint64 rows = -1;
    for (const auto& t : DbmsRecoverUsing(DbmsRecovery::OwnSalvage, a.Path(), out))
        if (t.Name == "Persone") rows = t.Rows;
    EXPECT_GT(lost, 10);
    EXPECT_EQ(rows, 4000 - lost);
    SQLite::Database result(out.toStdString(), SQLite::OPEN_READONLY);
    EXPECT_EQ(RowsOf(result, "SELECT MIN(OID), MAX(OID) FROM Persone"), QStringList{"1|4000"});
}

TEST_F(ArchiveTest, MoneyIsDividedRoundingToTheTenThousandthAndOnlyWhereThereIsMoney) {
    // Stored units, and units after dividing by 2 (halves go away from zero) or by the rate.
    const struct {
        qint64 units, half, euro;
    } cases[] = {{3, 2, 0},
                 {-3, -2, 0},
                 {5, 3, 0},
                 {1, 1, 0},
                 {-1, -1, 0},
                 {0, 0, 0},
                 {19362700, 9681350, 10000},
                 {15000000000, 7500000000, 7746853},
                 {-50000, -25000, -26}};
    for (const auto& c : cases)
        a.Exec(QString("INSERT INTO Prodotti (Codice, Prezzo) VALUES ('%1', %1)").arg(c.units));
    a.Exec("INSERT INTO Prodotti (Codice) VALUES ('vuoto'); INSERT INTO Tipi VALUES (1, '7')");
    auto prices = [&] { return a.Rows("SELECT Prezzo FROM Prodotti ORDER BY OID"); };
    const QStringList stored = prices();
    a.db->BeginTrans();
    EXPECT_TRUE(DbmsDivideMoney(*a.db, "Prodotti", 2));
    a.db->Rollback();
    EXPECT_EQ(prices(), stored);
    EXPECT_FALSE(DbmsDivideMoney(*a.db, "Tipi", 2));
    EXPECT_EQ(a.Rows("SELECT * FROM Tipi"), QStringList{"1|7"});
    for (const bool euro : {false, true}) {
        a.Exec("UPDATE Prodotti SET Prezzo = CAST(Codice AS INTEGER) WHERE Codice <> 'vuoto'");
        EXPECT_TRUE(DbmsDivideMoney(*a.db, "prodotti", euro ? DbmsCurrency::LirePerEuro : 2));
        QStringList expected;
        for (const auto& c : cases)
            expected << QString::number(euro ? c.euro : c.half);
        EXPECT_EQ(prices(), expected << "-");
    }
    EXPECT_THROW(DbmsDivideMoney(*a.db, "Nessuna", 2), DbmsError);
}

} // namespace
