#include "DbmsTransfer.h"
#include "DbmsExport.h"
#include "EngineTestSchema.h"

#include <QDir>
#include <QRegularExpression>
#include <sqlite3.h>

// An archive of the shared schema whose rules are logged: a transfer copies stored values and
// must not fire any. `persone` adds fields of another version of the archive.
struct Shop : TestArchive {
    explicit Shop(TestTable::Structure persone = {}) {
        schema.Table("Persone").more = std::move(persone);
        schema.Table("Vendite").caption = "Vendite & co.";
        for (const QString& t : schema.order) {
            schema.Table(t).log = &rules;
            schema.Table(t).onUpdateRow = [this](DbmsDataSource&) { rules << "UpdateRow"; };
        }
        Create();
        rules.clear(); // the tables' creation
    }
    QStringList rules;

    QStringList Dump() {
        QStringList out;
        for (const QString& t :
             Rows("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                  "name NOT LIKE '\\_%' ESCAPE '\\' AND name NOT LIKE 'sqlite%' ORDER BY name"))
            out << "== " + t << Rows("SELECT * FROM " + t + " ORDER BY 1, 2");
        return out;
    }
    // References naming a row that is not there.
    qint64 Dangling() {
        qint64 n = 0;
        auto missing = [&](const QString& table, const QString& column, const QString& target) {
            n += Count(QString("%1 x WHERE x.%2 IS NOT NULL AND NOT EXISTS (SELECT 1 FROM %3 y "
                               "WHERE y.OID = x.%2)")
                           .arg(table, column, target));
        };
        for (const auto& t : db->TableDefs()) {
            if (!t->ParentTable.isEmpty()) missing(t->Name, t->ParentLinkField(), t->ParentTable);
            for (const auto& r : t->References) {
                if (!r.Multiple) missing(t->Name, "OID_" + r.Name, r.Target);
                if (r.Multiple) missing(t->Name + "__" + r.Name, "OID_Owner", t->Name);
                if (r.Multiple) missing(t->Name + "__" + r.Name, "OID_Item", r.Target);
            }
        }
        return n;
    }
};

void FillShop(TestArchive& a) {
    a.Exec("INSERT INTO Tipi VALUES (1, 'Alfa'), (2, 'Beta'), (3, 'Estate'), (4, 'Natale'); INSERT "
           "INTO Persone (OID, Codice, Nome) VALUES (1, 'C1', 'Rossi'), (2, 'C2', 'Bianchi'), (3, "
           "'C3', 'Verdi'); INSERT INTO Prodotti (OID, Codice, Prezzo, OID_Tipo) VALUES (1, 'A1', "
           "15000000000, 1), (2, 'A2', 30000, 2), (3, 'A3', 10000, 1); INSERT INTO Righe (OID, "
           "Quantita, OID_Prodotti) VALUES (1, 1, 1), (2, 2, 2), (3, 1, 2), (4, 1, 3), (5, 3, 1);"
           "INSERT INTO Vendite (OID, Data, Importo, Note, OID_Persona) VALUES (1, '2005-03-01 "
           "10:00:00', 7500000, 'uno', 1), (2, '2005-03-31 18:30:00', -50000, '<b>&\"''', 2), (3, "
           "'2005-04-01 09:00:00', 14500, 'tre', 3); INSERT INTO Vendite__Righe VALUES (1, 1), (1, "
           "2), (2, 3), (3, 4), (3, 5); INSERT INTO Vendite__Tags VALUES (1, 3), (3, 3), (3, 4)");
}

const QString kMarch = "Data > #02/28/2005# AND Data < #04/01/2005#";

void Transfer(Shop& from, Shop& to, const QString& table, DbmsTransferMode mode,
              itfProgress* progress = nullptr) {
    DbmsTransferRows(*from.Open(table), *to.Open(table), mode, progress);
}

TEST(DbmsTransfer, SavingEverythingTwiceReplacesRowsAndCollectionsColumnsOneSideLacksAreSkipped) {
    Shop work, backup;
    FillShop(work);
    for (int round = 0;; ++round) {
        for (const QString& t : work.schema.order)
            Transfer(work, backup, t, DbmsTransferMode::KeepOids);
        // Line 5, held by no sale after the second round, is gone rather than left ownerless.
        backup.Exec("DELETE FROM Persone WHERE OID = 9");
        EXPECT_EQ(backup.Dump(), work.Dump()) << round;
        if (round == 1) break;
        work.Exec("UPDATE Persone SET Nome = 'Rossi Mario' WHERE OID = 1; DELETE FROM Righe WHERE "
                  "OID = 5; INSERT INTO Righe (OID, Quantita, OID_Prodotti) VALUES (6, 2, 2); "
                  "UPDATE Vendite__Righe SET OID_Item = 6 WHERE OID_Item = 5");
        backup.Exec("INSERT INTO Persone (OID, Codice, Nome) VALUES (9, 'C9', 'Solo qui')");
    }
    EXPECT_EQ(work.rules + backup.rules, QStringList{});
    // Columns one side lacks are skipped.
    Shop older, newer(Fields("Email Text 60")), back;
    FillShop(older);
    newer.Exec("INSERT INTO Persone (OID, Codice, Nome, Email) VALUES (1, 'C1', 'x', 'r@x.it')");
    Transfer(older, newer, "Persone", DbmsTransferMode::KeepOids);
    EXPECT_EQ(newer.Rows("SELECT Nome, Email FROM Persone"),
              (QStringList{"Rossi|r@x.it", "Bianchi|-", "Verdi|-"}));
    Transfer(newer, back, "Persone", DbmsTransferMode::KeepOids);
    EXPECT_EQ(back.Count("Persone"), 3);
}

TEST(DbmsTransfer, APeriodBringsWhatItsSalesNeedButNoOtherChildRows) {
    Shop stored, work;
    FillShop(stored);
    // References even the backup cannot satisfy.
    stored.Exec("INSERT INTO Vendite__Tags VALUES (2, 77); UPDATE Vendite SET OID_Persona = 99 "
                "WHERE OID = 2");
    stored.Close();
    // A restore reads the backup as it is stored, without the program's definition.
    auto storage = std::make_shared<DbmsStorage>();
    storage->Open(DbmsStorage::FormatSQLite, stored.Path());
    auto backup = DbmsEngine().OpenDatabase(storage);
    work.Exec("INSERT INTO Persone (OID, Codice, Nome) VALUES (1, 'C1', 'Rossi Mario')");
    auto destination = work.Open("Vendite", kMarch);
    DbmsTransferRows(*backup->Item("Vendite")->OpenDataSource(kMarch), *destination,
                     DbmsTransferMode::KeepOids, nullptr);
    EXPECT_EQ(destination->RowCount(), 2);
    EXPECT_EQ(work.Rows("SELECT OID, Data, Importo, OID_Persona FROM Vendite"),
              (QStringList{"1|2005-03-01 10:00:00|7500000|1", "2|2005-03-31 18:30:00|-50000|-"}));
    EXPECT_EQ(work.Rows("SELECT OID FROM Righe"), (QStringList{"1", "2", "3"}));
    // The destination's own row is used; products bring their types, not their April lines.
    EXPECT_EQ(work.Rows("SELECT Nome FROM Persone"), QStringList{"Rossi Mario"});
    EXPECT_EQ(work.Rows("SELECT OID, OID_Tipo FROM Prodotti"), (QStringList{"1|1", "2|2"}));
    EXPECT_EQ(work.Rows("SELECT * FROM Tipi"), (QStringList{"1|Alfa", "2|Beta", "3|Estate"}));
    EXPECT_EQ(work.Rows("SELECT * FROM Vendite__Tags"), (QStringList{"1|3"}));
    EXPECT_EQ(work.Dangling(), 0);
}

// People may name a sponsor among themselves.
void Padrino(DbmsColumns&, DbmsIndexes&, DbmsReferences& r) {
    r.AddReference("Padrino", "Persone", false, false, "", "Nome");
}

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        source.Exec(
            "INSERT INTO Tipi VALUES (1, 'Alfa'), (2, 'Estate'), (3, 'Natale'); INSERT INTO "
            "Persone (OID, Codice) VALUES (2, 'C2'), (6, 'C6'); INSERT INTO Prodotti (OID, "
            "Codice, Prezzo, OID_Tipo, Descrizione) VALUES (1, 'A1', 1, 1, NULL), (2, 'A2',"
            " 2, 1, 'Viaggio'); INSERT INTO Righe (OID, Quantita, OID_Prodotti) VALUES (1, "
            "1, 1), (2, 2, 2), (3, 3, 2); INSERT INTO Vendite (OID, Note, OID_Persona) "
            "VALUES (1, 'uno', 2), (2, 'due', 6), (3, 'tre', 2); INSERT INTO Vendite__Righe"
            " VALUES (1, 1), (1, 2), (2, 3); INSERT INTO Vendite__Tags VALUES (1, 2), (1, "
            "3), (2, 3)");
        // The current archive has rows of its own under the same OIDs.
        current.Exec("INSERT INTO Tipi VALUES (1, 'Tau'), (2, 'Saldi'); INSERT INTO Persone (OID, "
                     "Codice) VALUES (1, 'X1'), (5, 'X5'); INSERT INTO Prodotti (OID, Codice, "
                     "Prezzo, OID_Tipo, Descrizione) VALUES (1, 'B1', 5, 1, 'Viaggio'); INSERT INTO"
                     " Righe (OID, Quantita, OID_Prodotti) VALUES (1, 9, 1); INSERT INTO Vendite "
                     "(OID, Note, OID_Persona) VALUES (1, 'mia', 1); INSERT INTO Vendite__Righe "
                     "VALUES (1, 1); INSERT INTO Vendite__Tags VALUES (1, 2)");
    }
    // What an imported sale, found by its note, points at: person, lines' products and
    // quantities, tags.
    QStringList Sale(const QString& note) {
        auto sale = current.Open("Vendite", "Note = '" + note + "'");
        auto lines = sale->GetReference("Righe");
        return QStringList{sale->GetReference("Persona")->GetText("Codice")} +
               Column(*lines, "Codice") + Column(*lines, "Quantita") +
               Column(*sale->GetReference("Tags"), "Descrizione");
    }

    Shop source{Padrino}, current{Padrino};
};

TEST_F(ImportTest, RowsComeInUnderNewOidsAndNothingIsOverwritten) {
    // The current archive also holds person C6 and type Natale, under other OIDs.
    current.Exec("INSERT INTO Persone (OID, Codice) VALUES (3, 'C6'); INSERT INTO Tipi VALUES (4, "
                 "'Natale')");
    const QStringList before = current.Dump();
    Transfer(source, current, "Vendite", DbmsTransferMode::Import);
    QStringList kept; // every row that was there is still there, unchanged
    for (const QString& line : current.Dump())
        if (line.startsWith("==") || before.contains(line)) kept << line;
    EXPECT_EQ(kept, before);
    EXPECT_EQ(current.Rows("SELECT OID, Note FROM Vendite"),
              (QStringList{"1|mia", "2|uno", "3|due", "4|tre"}));
    // A row is reused only on the same code, else the same description; never on the same OID
    // or on a description under another code. Lines (neither field) always come.
    EXPECT_EQ(Sale("uno"), (QStringList{"C2", "A1", "A2", "1", "2", "Natale", "Estate"}));
    EXPECT_EQ(Sale("due"), (QStringList{"C6", "A2", "3", "Natale"}));
    EXPECT_EQ(Sale("tre"), (QStringList{"C2"}));
    EXPECT_EQ(current.Rows("SELECT a.Codice, s.Descrizione FROM Prodotti a JOIN Tipi s"
                           " ON s.OID = a.OID_Tipo ORDER BY a.OID"),
              (QStringList{"B1|Tau", "A1|Alfa", "A2|Alfa"}));
    EXPECT_EQ(current.Rows("SELECT * FROM Tipi"),
              (QStringList{"1|Tau", "2|Saldi", "4|Natale", "5|Alfa", "6|Estate"}));
    EXPECT_EQ(current.Count("Righe"), 4);
    EXPECT_EQ(current.Rows("SELECT OID, Codice FROM Persone ORDER BY OID"),
              (QStringList{"1|X1", "3|C6", "5|X5", "6|C2"}));
    EXPECT_EQ(current.Dangling(), 0);
    EXPECT_EQ(source.rules + current.rules, QStringList{});
}

TEST_F(ImportTest, RowsNamingEachOtherPointAtEachOthersNewRows) {
    source.Exec("UPDATE Persone SET OID_Padrino = 8 - OID"); // 2 <-> 6
    Transfer(source, current, "Vendite", DbmsTransferMode::Import);
    EXPECT_EQ(current.Rows("SELECT c.Codice, r.Codice FROM Persone c JOIN Persone r"
                           " ON r.OID = c.OID_Padrino ORDER BY 1"),
              (QStringList{"C2|C6", "C6|C2"}));
    EXPECT_EQ(current.Dangling(), 0);
}

TEST_F(ImportTest, AStopLeavesTheDestinationExactlyAsItWas) {
    const QStringList before = current.Dump();
    for (const auto mode : {DbmsTransferMode::Import, DbmsTransferMode::KeepOids}) {
        auto to = current.Open("Vendite");
        StopAfter stop(2);
        EXPECT_EQ(
            Raised([&] { DbmsTransferRows(*source.Open("Vendite"), *to, mode, &stop); }).Code(),
            DbmsError::Stopped);
        EXPECT_EQ(stop.Started, 3);
        EXPECT_EQ(stop.Last, 2);
        EXPECT_FALSE(stop.Ended);
        EXPECT_EQ(current.Dump(), before);
        EXPECT_EQ(current.storage->TransactionDepth() + source.storage->TransactionDepth(), 0);
        EXPECT_EQ(to->RowCount(), 1);
    }
    StopAfter never(100);
    auto to = current.Open("Vendite");
    DbmsTransferRows(*source.Open("Vendite"), *to, DbmsTransferMode::Import, &never);
    EXPECT_TRUE(never.Ended); // the destination then lists the rows: see the period's restore
}

// The exported table as cell texts, row by row, the header first.
std::vector<QStringList> Cells(const QString& path) {
    static const QRegularExpression row("<tr>(.*?)</tr>"), cell("<t[hd][^>]*>(.*?)</t[hd]>");
    std::vector<QStringList> rows;
    for (auto r = row.globalMatch(QString::fromUtf8(ReadAll(path))); r.hasNext();) {
        rows.emplace_back();
        for (auto c = cell.globalMatch(r.next().captured(1)); c.hasNext();)
            rows.back() << c.next().captured(1);
    }
    return rows;
}

TEST(DbmsExport, AnEscapedPageFollowingFilterOrderFieldsAndParentsOrNoFileAtAll) {
    Shop shop;
    FillShop(shop);
    const QString path = shop.dir.filePath("TableData.htm");
    DbmsExport(*shop.Open("Vendite"), path, DbmsExportFormat::Html);
    const QString html = QString::fromUtf8(ReadAll(path));
    EXPECT_TRUE(html.startsWith("<!DOCTYPE html>") && html.trimmed().endsWith("</html>"));
    EXPECT_TRUE(html.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(html.contains("<title>Vendite &amp; co.</title>"));
    // Keys and links stay out; the customer shows through its name.
    const auto rows = Cells(path);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (QStringList{"Data", "Importo", "Note", "Persona"}));
    EXPECT_EQ(rows[1], (QStringList{"01/03/2005 10:00", "750,00", "uno", "Rossi"}));
    EXPECT_EQ(rows[2],
              (QStringList{"31/03/2005 18:30", "-5,00", "&lt;b&gt;&amp;&quot;&#39;", "Bianchi"}));
    DbmsExport(*shop.Open("Righe", "Quantita > 1", "Codice DESC"), path, DbmsExportFormat::Html);
    EXPECT_EQ(Cells(path), (std::vector<QStringList>{
                               {"Quantita", "Totale", "Codice", "Descrizione", "Prezzo", "Tipo"},
                               {"2", "", "A2", "", "3,00", "Beta"},
                               {"3", "", "A1", "", "1.500.000,00", "Alfa"}}));
    DbmsExport(*shop.Open("Vendite"), path, DbmsExportFormat::Html, nullptr, {"note", "OID"});
    EXPECT_EQ(Cells(path)[3], (QStringList{"tre", "3"}));
    EXPECT_THROW(DbmsExport(*shop.Open("Vendite"), path, DbmsExportFormat::Html, nullptr, {"X"}),
                 DbmsError);
    QFile::remove(path);
    const QString error = Raised([&] { DbmsExport(*shop.Open("Vendite"), path, 1); }).Description();
    EXPECT_TRUE(error.contains("Formato di esportazione")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
    StopAfter stop(2);
    EXPECT_THROW(DbmsExport(*shop.Open("Vendite"), path, DbmsExportFormat::Html, &stop), DbmsError);
    EXPECT_EQ(stop.Last, 2);
    EXPECT_EQ(QDir(shop.dir.path()).entryList(QDir::Files), QStringList{"Tessarin.mdb"});
}

// ---- Copying in sets against copying row by row ----------------------------------------------

// The statements a connection runs while it lives.
struct Traced {
    explicit Traced(DbmsStorage& storage) : db(storage.Connection().getHandle()) {
        sqlite3_trace_v2(
            db, SQLITE_TRACE_STMT,
            [](unsigned, void* self, void* st, void*) {
                static_cast<Traced*>(self)->sql << sqlite3_sql(static_cast<sqlite3_stmt*>(st));
                return 0;
            },
            this);
    }
    ~Traced() { sqlite3_trace_v2(db, 0, nullptr, nullptr); }
    // Rows written with INSERT ... SELECT from the source file.
    qint64 InSets() const {
        return sql.filter(QRegularExpression("^INSERT INTO main.*transfer_source")).size();
    }
    sqlite3* db;
    QStringList sql;
};

TEST(DbmsTransfer, CopyingInSetsGivesWhatCopyingRowByRowGives) {
    Shop source{Padrino}, sets{Padrino}, rows{Padrino};
    FillShop(source);
    // People naming each other, a sale's line the source no longer has, a tag of no sale.
    source.Exec("UPDATE Persone SET OID_Padrino = 4 - OID; INSERT INTO Vendite__Righe VALUES (2, "
                "77); INSERT INTO Vendite__Tags VALUES (99, 1)");
    auto dump = [](Shop& shop) {
        return shop.Dump() << shop.Rows("SELECT * FROM sqlite_sequence");
    };
    // Each step on both destinations: in sets, and row by row since the source's connection
    // then holds a transaction of its own.
    const auto everything = [&](Shop& to) { // in one transaction, as a save does
        to.db->BeginTrans();
        for (const QString& t : to.schema.order)
            Transfer(source, to, t, DbmsTransferMode::KeepOids);
        to.db->CommitTrans();
    };
    const std::function<void(Shop&)> steps[] = {
        everything,     // into empty tables
        [&](Shop& to) { // again, over rows of the destination's own
            to.Exec("UPDATE Tipi SET Descrizione = 'ALFA' WHERE OID = 1; INSERT INTO Tipi VALUES "
                    "(7, 'Solo qui'); UPDATE Persone SET Nome = 'Rossi vecchio', OID_Padrino = "
                    "NULL WHERE OID = 1; INSERT INTO Persone (OID, Codice, Nome) VALUES (9, 'C9', "
                    "'Solo qui'); UPDATE Prodotti SET Prezzo = 1, OID_Tipo = 7 WHERE OID = 2; "
                    "UPDATE Righe SET Quantita = 5 WHERE OID = 1; INSERT INTO Righe (OID, "
                    "Quantita, OID_Prodotti) VALUES (8, 1, 2); UPDATE Vendite SET Note = "
                    "'vecchia', OID_Persona = 9 WHERE OID = 1; INSERT INTO Vendite (OID, Note, "
                    "OID_Persona) VALUES (4, 'solo qui', 9); DELETE FROM Vendite__Righe WHERE "
                    "OID_Item = 2; INSERT INTO Vendite__Righe VALUES (4, 8); DELETE FROM "
                    "Vendite__Tags WHERE OID_Owner = 1; INSERT INTO Vendite__Tags VALUES (1, 7), "
                    "(4, 7)");
            everything(to);
        },
        [&](Shop& to) { // a period again, after the source changed
            DbmsTransferRows(*source.Open("Vendite", kMarch), *to.Open("Vendite", kMarch),
                             DbmsTransferMode::KeepOids);
        },
        [&](Shop& to) { // new rows, numbered in the source data source's order
            DbmsTransferRows(*source.Open("Tipi", {}, "Descrizione DESC"), *to.Open("Tipi"),
                             DbmsTransferMode::Import);
        },
    };
    for (size_t step = 0; step < std::size(steps); ++step) {
        if (step == 2)
            source.Exec("UPDATE Vendite SET Note = 'cambiata' WHERE OID = 2; INSERT INTO Righe "
                        "(OID, Quantita, OID_Prodotti) VALUES (6, 4, 3); INSERT INTO "
                        "Vendite__Righe VALUES (2, 6)");
        {
            Traced traced(*sets.storage);
            steps[step](sets);
            EXPECT_GT(traced.InSets(), 0) << step;
        }
        source.storage->Begin();
        {
            Traced traced(*rows.storage);
            steps[step](rows);
            EXPECT_EQ(traced.InSets(), 0) << step;
        }
        source.storage->Rollback();
        EXPECT_EQ(dump(sets), dump(rows)) << step;
    }
    EXPECT_EQ(sets.Dangling(), 0);
    EXPECT_EQ(sets.rules, QStringList{});
    // The source file is let go once no transaction needs it.
    EXPECT_EQ(sets.Rows("PRAGMA database_list").filter("transfer_source"), QStringList{});
    // A stop undoes a copy in sets too.
    const QStringList before = dump(sets);
    source.Exec("UPDATE Vendite SET Note = 'ancora'");
    StopAfter stop(2);
    EXPECT_EQ(Raised([&] {
                  Transfer(source, sets, "Vendite", DbmsTransferMode::KeepOids, &stop);
              }).Code(),
              DbmsError::Stopped);
    EXPECT_EQ(stop.Last, 2);
    EXPECT_EQ(dump(sets), before);
}
