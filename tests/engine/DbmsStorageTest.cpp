#include "EngineTestSchema.h"

using Structure = ArchiveTest;

TEST(DbmsStorage, RefusesForeignFilesWithoutTouchingThem) {
    QTemporaryDir dir;
    const QString text = dir.filePath("notes.mdb"), foreign = dir.filePath("other.db");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096);
    f.close();
    SQLite::Database(foreign.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
        .exec("CREATE TABLE Clienti (x)");
    const QByteArray textBefore = ReadAll(text), foreignBefore = ReadAll(foreign);
    DbmsStorage s;
    const std::pair<std::function<void()>, int> cases[] = {
        {[&] { s.Open(3, text); }, DbmsError::FileNotArchive},
        {[&] { s.Open(3, foreign); }, DbmsError::FileNotOurs},
        {[&] { s.Open(3, "/nonexistent/Tessarin.mdb"); }, DbmsError::FileOpen},
        {[&] { s.CreateFile(3, text); }, DbmsError::FileExists},
        {[&] { s.Open(7, text); }, DbmsError::FileOpen}};
    for (const auto& [action, code] : cases)
        EXPECT_EQ(Raised(action).Code(), code);
    const DbmsError missing = Raised([&] { s.Open(3, dir.filePath("missing.mdb")); });
    EXPECT_EQ(missing.Number(), 0x80040000LL + DbmsError::FileOpen);
    EXPECT_TRUE(missing.Description().startsWith("Archivio non trovato"));
    EXPECT_FALSE(s.IsOpen());
    EXPECT_EQ(ReadAll(text), textBefore);
    EXPECT_EQ(ReadAll(foreign), foreignBefore);
}

TEST_F(Structure, NestedTransactionsAFailedStatementTablesFieldsLiteralsAndCurrencies) {
    auto tipi = a.Open("Tipi");
    a.db->BeginTrans();
    const OID row = tipi->AddRow({{"Descrizione", "tenuto"}});
    a.db->BeginTrans();
    tipi->AddRow({{"Descrizione", "scartato"}});
    a.db->Rollback();
    a.db->CommitTrans();
    EXPECT_EQ(a.Rows("SELECT Descrizione FROM Tipi"), QStringList{"tenuto"});
    a.Exec("CREATE TRIGGER guasto BEFORE UPDATE ON Tipi "
           "BEGIN SELECT RAISE(ABORT, 'disco guasto'); END");
    for (bool broken : {true, false}) { // the same cached update, once the disk is back
        if (!broken) a.Exec("DROP TRIGGER guasto");
        tipi->Locate(row);
        tipi->SetValue("Descrizione", "seconda");
        EXPECT_EQ(Raised([&] { tipi->Update(); }).Code() != 0, broken);
        if (broken) tipi->CancelUpdate();
    }
    EXPECT_EQ(a.Rows("SELECT Descrizione FROM Tipi"), QStringList{"seconda"});
    // Tables and fields are listed with their type codes; literals quote; currencies convert.
    std::vector<QString> names;
    for (auto& t : a.db->Tables())
        names.push_back(t->Name());
    EXPECT_EQ(names, a.schema.order);
    EXPECT_EQ(a.db->Item("righe")->ParentTable(), "Prodotti"); // any case names the table
    EXPECT_EQ(a.db->Find("Nessuna"), nullptr);
    EXPECT_THROW(a.db->Item("Nessuna"), DbmsError);
    auto ds = a.Open("Righe");
    EXPECT_EQ(ds->FieldInfo("Prezzo")->Type, DbmsType::Money);
    EXPECT_EQ(ds->FieldInfo("Quantita")->Type, DbmsType::Integer);
    EXPECT_EQ(ds->FieldInfo("Tipo")->Type, DbmsType::Text); // shown through the target
    EXPECT_TRUE(ds->FieldInfo("OID_Prodotti")->Excluded);
    EXPECT_EQ(DbmsDatabase::TextLiteral("O'Brien"), "'O''Brien'");
    EXPECT_EQ(DbmsDatabase::NumberLiteral(1936.27), "1936.27");
    EXPECT_EQ(DbmsDatabase::NumberLiteral(-3.0), "-3");
    EXPECT_EQ(DbmsDatabase::DateLiteral(QDateTime(QDate(2005, 12, 31), QTime(18, 30))),
              "#12/31/2005#");
    EXPECT_EQ(DbmsDatabase::PatternLiteral("*ros?"), "'*ros?'");
    EXPECT_EQ(a.db->MainCurrency()->Name(), "Euro");
    a.db->SetConversionCurrency(a.engine.NewLiraCurrency());
    EXPECT_EQ(a.db->ConversionCurrency()->Name(), "Lire");
    EXPECT_EQ(a.db->ToConversionCurrency(Money::FromWhole(1)), Money::FromDouble(1936.27));
}

TEST(DbmsAttach, CreatesTablesOnceUpgradesOlderOnesAndAFailedUpgradeLeavesTheFileAsItWas) {
    TestArchive a;
    QStringList log;
    for (auto name : {"Tipi", "Persone"})
        a.schema.Table(name).log = &log;
    a.schema.Table("Tipi").onStruct = [](DbmsDataSource& ds, double, double, bool created) {
        if (created) ds.AddRow({{"Descrizione", "Base"}});
    };
    a.Create();
    EXPECT_EQ(log, (QStringList{"Tipi.Struct(1,0,1)", "Tipi.NewRow", "Tipi.Field(Descrizione)",
                                "Persone.Struct(1,0,1)"}));
    EXPECT_EQ(a.Count("sqlite_master WHERE name IN ('Vendite__Righe','Vendite__Tags')"), 2);
    EXPECT_EQ(a.Count("pragma_table_info('Righe') WHERE name='OID_Prodotti'"), 1);
    EXPECT_EQ(a.Count("pragma_table_info('Vendite') WHERE name='OID_Persona'"), 1);
    a.Open("Persone")->AddRow({{"Codice", "A1"}, {"Nome", "Anna"}});
    log.clear();
    a.Reopen();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(a.Count("Tipi"), 1);
    EXPECT_EQ(a.db->State(), DbmsDatabase::StateOpen);
    // An older table is upgraded once.
    a.schema.Table("Persone").SetVersion(1.3);
    a.Reopen();
    a.Reopen();
    EXPECT_EQ(log, QStringList{"Persone.Struct(1.3,1,0)"});
    EXPECT_EQ(a.Scalar("SELECT Version * 10 FROM _Tables WHERE Name = 'Persone'"), 13);
    a.schema.Table("Persone").SetVersion(2.0);
    a.schema.Table("Persone").onStruct = [](DbmsDataSource& ds, double, double, bool) {
        ds.MoveFirst();
        ds.SetValue("Nome", "Cambiato");
        ds.Update();
        throw DbmsError(DbmsError::Generic, "aggiornamento fallito");
    };
    EXPECT_THROW(a.Reopen(), DbmsError);
    EXPECT_EQ(a.db->State(), DbmsDatabase::StateClosed);
    EXPECT_EQ(a.Rows("SELECT Nome FROM Persone UNION ALL SELECT Version * 10 FROM _Tables "
                     "WHERE Name='Persone'"),
              (QStringList{"Anna", "13.0"}));
}
