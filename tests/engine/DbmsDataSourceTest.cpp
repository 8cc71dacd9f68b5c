#include "EngineTestSchema.h"

#include <set>

using DataSourceTest = ArchiveTest;

// Products A (type Viaggi) and B; sales 1 (lines of A and B) and 2 (a line of A) of Rossi.
const QString kSales =
    "INSERT INTO Tipi VALUES (1, 'Viaggi'); INSERT INTO Prodotti (OID, Codice, Prezzo, OID_Tipo) "
    "VALUES (1, 'A', 15000000000, 1), (2, 'B', 20000, NULL); INSERT INTO Persone (OID, Nome) "
    "VALUES (1, 'Rossi'); INSERT INTO Vendite (OID, OID_Persona) VALUES (1, 1), (2, 1); INSERT "
    "INTO Righe (OID, Quantita, OID_Prodotti) VALUES (1, 1, 1), (2, 1, 2), (3, 1, 1); INSERT INTO "
    "Vendite__Righe VALUES (1, 1), (1, 2), (2, 3)";

TEST_F(DataSourceTest, AddRowRunsNewRowThenFieldEventsInOrderNestedOnesToo) {
    auto& persone = a.schema.Table("Persone");
    QStringList log;
    persone.log = &log;
    persone.onNewRow = [](DbmsDataSource& ds) { ds.SetValue("Attivo", true); };
    persone.onField = [](DbmsDataSource& ds, const QString& f) {
        if (f == "Nome") ds.SetValue("Codice", ds.GetValue("Nome").toString().left(3).toUpper());
    };
    auto ds = a.Open("Persone");
    const OID oid = ds->AddRow({{"Punti", 7}, {"Nome", "Lucia"}});
    EXPECT_EQ(log, (QStringList{"Persone.NewRow", "Persone.Field(Attivo)", "Persone.Field(Punti)",
                                "Persone.Field(Nome)", "Persone.Field(Codice)"}));
    EXPECT_EQ(a.Rows("SELECT OID, Punti, Codice, Attivo FROM Persone"),
              QStringList{QString("%1|7|LUC|1").arg(oid)});

    persone.onField = [](DbmsDataSource& ds, const QString&) {
        ds.SetValue("Punti", ds.GetValue("Punti").toLongLong() + 1);
    };
    EXPECT_EQ(Raised([&] { ds->AddRow({{"Punti", 0}}); }).Code(), DbmsError::EventNesting);
    EXPECT_EQ(a.Count("Persone"), 1); // nothing half-stored
}

TEST_F(DataSourceTest, ChildRowsShowAndWriteTheirParentsFields) {
    a.Exec(kSales);
    QStringList log;
    a.schema.Table("Righe").log = &log;
    auto righe = a.Open("Righe");
    righe->AddRow({{"Quantita", 2}, {"OID_Prodotti", 1}});
    EXPECT_TRUE(log.contains("Righe.Field(Prezzo)"));
    EXPECT_TRUE(log.contains("Righe.Ref(Tipo)"));
    EXPECT_EQ(ToMoney(righe->GetValue("Totale")), Money::FromWhole(3000000));
    EXPECT_EQ(righe->GetValue("Codice").toString(), "A");
    EXPECT_EQ(righe->GetText("Tipo"), "Viaggi");
    EXPECT_EQ(righe->GetReference("Tipo")->GetValue("OID").toLongLong(), 1);

    righe->SetValue("Descrizione", "Crociera");
    righe->Update();
    EXPECT_EQ(a.Rows("SELECT Descrizione FROM Prodotti"), (QStringList{"Crociera", "-"}));
    EXPECT_EQ(a.Open("Righe", "Prodotti.Codice = 'a'")->RowCount(), 3);
    EXPECT_EQ(a.Open("Righe", "Prezzo > 1000000")->RowCount(), 3);
}

TEST_F(DataSourceTest, CollectionsLinkAndUnlinkAndSingleReferencesRebind) {
    a.Exec("INSERT INTO Prodotti (OID, Prezzo) VALUES (1, 100000)");
    const OID prod = 1;
    auto persone = a.Open("Persone");
    const OID p1 = persone->AddRow({{"Nome", "Uno"}}), p2 = persone->AddRow({{"Nome", "Due"}});
    auto vendite = a.Open("Vendite");
    const OID sale = vendite->AddRow({{"Persona", p1}, {"Importo", M(0)}});
    auto lines = vendite->GetReference("Righe");
    const OID l1 = lines->AddRow({{"Quantita", 1}, {"OID_Prodotti", prod}});
    const OID l2 = lines->AddRow({{"Quantita", 3}, {"OID_Prodotti", prod}});
    vendite->SetReference("Righe", l1, false); // already linked: nothing changes
    EXPECT_EQ(a.Count("Vendite__Righe WHERE OID_Owner = " + QString::number(sale)), 2);
    EXPECT_EQ(ToMoney(vendite->GetReference("Righe")->Sum("Totale")), Money::FromWhole(40));
    // Removing a row of an owned collection deletes it; of a not-owned one only drops the link.
    vendite->SetReference("Righe", l1, true);
    EXPECT_EQ(a.Rows("SELECT OID FROM Righe"), QStringList{QString::number(l2)});
    const OID tag = a.Open("Tipi")->AddRow({{"Descrizione", "Estate"}});
    vendite->SetReference("Tags", tag, false);
    vendite->SetReference("Tags", tag, true);
    EXPECT_EQ(a.Count("Tipi") * 10 + a.Count("Vendite__Tags"), 10);
    vendite->SetReference("Righe", *vendite->GetReference("Righe"), true);
    EXPECT_TRUE(vendite->GetReference("Righe")->IsEmpty());
    EXPECT_EQ(a.Count("Righe"), 0);

    vendite->SetReference("Persona", p2, false);
    EXPECT_EQ(vendite->GetText("Persona"), "Due");
    EXPECT_EQ(vendite->GetReference("Persona")->GetValue("Nome").toString(), "Due");
    EXPECT_EQ(a.Scalar("SELECT OID_Persona FROM Vendite"), p2);
    vendite->SetReference("Persona", p2, true);
    EXPECT_TRUE(vendite->GetReference("Persona")->IsEmpty());
    EXPECT_EQ(a.Open("Vendite", "OID_Persona Is Null")->RowCount(), 1);
}

TEST_F(DataSourceTest, DeletingCascadesToOwnedAndChildRowsAndClearsReferences) {
    a.Exec(kSales);
    const QString counts = "SELECT (SELECT COUNT(*) FROM Righe), (SELECT COUNT(*) FROM Vendite__"
                           "Righe), COUNT(*), COUNT(OID_Persona) FROM Vendite";
    a.Open("Prodotti", "Codice = 'B'")->Delete();
    EXPECT_EQ(a.Rows(counts), QStringList{"2|2|2|2"});
    a.Open("Persone")->Delete();
    EXPECT_EQ(a.Rows(counts), QStringList{"2|2|2|0"});
    a.Open("Vendite", "OID = 1")->Delete();
    EXPECT_EQ(a.Rows(counts), QStringList{"1|1|1|0"});
}

TEST_F(DataSourceTest, NavigationOrderLocateFindRefreshAndAddingToALongList) {
    a.Exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 999) "
           "INSERT INTO Persone (Codice, Punti) SELECT printf('C%04d', i), i % 10 FROM n");
    const auto oidOf = [&](const QString& code) {
        return a.Scalar("SELECT OID FROM Persone WHERE Codice = '" + code + "'");
    };
    auto ds = a.Open("Persone", "Punti >= 5", "Codice DESC");
    const auto code = [&] { return ds->GetValue("Codice").toString(); };
    EXPECT_EQ(ds->RowCount(), 500);
    EXPECT_EQ(code(), "C0999");

    ASSERT_TRUE(ds->Locate(oidOf("C0505")));
    EXPECT_EQ(code(), "C0505");
    EXPECT_FALSE(ds->Locate(oidOf("C0504")));
    EXPECT_EQ(ds->CurrentOID(), oidOf("C0505"));

    ds->SetOrder("Codice"); // the row stays current at its new place
    EXPECT_EQ(ds->CurrentOID(), oidOf("C0505"));
    ds->Refresh(true, 0, 0);
    EXPECT_EQ(code(), "C0505");
    auto copy = ds->Clone();
    EXPECT_EQ(copy->CurrentOID(), ds->CurrentOID());
    copy->MoveFirst();
    EXPECT_EQ(code(), "C0505");
    EXPECT_EQ(ds->ValueAt(0, "Codice").toString(), "C0005");
    EXPECT_EQ(ds->ValueAt(499, "Codice").toString(), "C0999");
    EXPECT_FALSE(ds->ValueAt(500, "Codice").isValid());

    ds->ApplyFilter("Punti = 9");
    EXPECT_EQ(ds->RowCount(), 100);
    EXPECT_THROW(ds->ApplyFilter("Punti = = 9"), DbmsError);
    EXPECT_EQ(ds->RowCount(), 100); // a refused filter keeps the one in force

    // Adding to a list unread or read in part (a grid's first screen) lists nothing more, and
    // the new row comes once when the rest is read.
    for (const qint64 read : {0, 20}) {
        SCOPED_TRACE(read);
        auto rows = a.Open("Persone");
        if (read) rows->OIDAt(read - 1);
        const OID oid = rows->AddRow({{"Nome", "Nuovo"}});
        EXPECT_FALSE(rows->IsLoaded());
        EXPECT_EQ(rows->CurrentOID(), oid);
        EXPECT_EQ(rows->GetValue("Nome").toString(), "Nuovo");
        EXPECT_EQ(rows->RowCount(), 1001 + (read ? 1 : 0));
        std::set<OID> seen;
        qint64 n = 0;
        for (rows->MoveFirst(); !rows->EOF_(); rows->MoveNext(), ++n)
            seen.insert(rows->CurrentOID());
        EXPECT_EQ(n, qint64(seen.size()));
        EXPECT_TRUE(seen.count(oid));
        EXPECT_EQ(rows->RowCount(), n);
        EXPECT_TRUE(rows->Locate(oid));
    }
}

// A list read a screen at a time comes out as one read whole; every match of a condition, by
// FindNext from the first row and then from each one found, against the positions of the
// matching rows in that list: keys in either direction, texts differing only in case, NULLs,
// duplicates; rows added, changed, being added and being changed keep the place they were given.
TEST_F(DataSourceTest, FindNextVisitsTheMatchesInTheListsOrder) {
    a.Exec("PRAGMA synchronous = OFF"); // many small writes; nothing here is about syncing
    a.Exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 599) "
           "INSERT INTO Persone (Codice, Nome, Punti, Nato) SELECT printf('C%03d', i), "
           "CASE i % 7 WHEN 0 THEN 'rossi' WHEN 1 THEN 'Rossi' WHEN 2 THEN 'bianchi' WHEN 3 THEN "
           "NULL WHEN 4 THEN 'Verdi' WHEN 5 THEN 'ROSSI' ELSE 'neri' END, CASE WHEN i % 6 = 0 "
           "THEN NULL ELSE i % 5 END, CASE WHEN i % 4 = 0 THEN NULL ELSE '2020-01-0' || "
           "(i % 3 + 1) || ' 00:00:00' END FROM n");
    const QString orders[] = {"",
                              "Nome",
                              "Nome DESC",
                              "Punti DESC, Nome",
                              "Nato, Punti DESC",
                              "Nato DESC, Nome DESC, Punti"};
    const QString conditions[] = {"Nome Like 'r*' AND Punti = 1", "Punti = 2 AND Nato Is Null",
                                  "Nome Is Null AND Punti Is Null", "Codice = 'C599'",
                                  "Punti > 10"};
    for (const QString& order : orders) {
        auto whole = a.Open("Persone", {}, order), screens = a.Open("Persone", {}, order);
        whole->MoveLast();
        for (qint64 p = 0; p <= whole->Position(); ++p)
            ASSERT_EQ(screens->OIDAt(p), whole->OIDAt(p)) << order.toStdString() << " " << p;
        EXPECT_EQ(screens->OIDAt(whole->Position() + 1), 0);
        EXPECT_EQ(a.Open("Persone", {}, order)->PositionOf(whole->OIDAt(5)), 5);
    }
    for (int edits = 0; edits < 2; ++edits)
        for (const QString& order : orders)
            for (const QString& condition : conditions) {
                SCOPED_TRACE((order + " / " + condition).toStdString() + (edits ? " / edits" : ""));
                auto ds = a.Open("Persone", "Punti <> 4 OR Punti Is Null", order);
                std::vector<qint64> found;
                if (edits) { // rows added and changed after part of the list was read
                    ds->OIDAt(9);
                    ds->AddRow({{"Nome", "aaa"}, {"Punti", 2}, {"Codice", "N1"}});
                    ASSERT_TRUE(ds->MoveTo(3));
                    ds->SetValue("Nome", "zzz");
                    ds->SetValue("Punti", 2);
                    ds->MoveTo(1); // stores the change, the row stays third
                }
                ds->MoveFirst();
                for (bool more = ds->FindNext(condition); more;) {
                    found.push_back(ds->Position());
                    if (found.size() == 2) ds->SetValue("Attivo", true); // left dirty
                    if (found.size() == 3) ds->AddNew();                 // left being added
                    more = ds->FindNext(condition, 0, true);
                }
                const qint64 last = found.empty() ? 0 : found.back();
                EXPECT_EQ(ds->Position(), last); // a miss moves nothing
                std::set<OID> matching;
                for (auto rows = a.Open("Persone", condition); !rows->AtEnd(); rows->MoveNext())
                    matching.insert(rows->CurrentOID());
                std::vector<qint64> expected;
                for (qint64 p = 0; ds->OIDAt(p); ++p)
                    if (matching.count(ds->OIDAt(p))) expected.push_back(p);
                EXPECT_EQ(found, expected);
                EXPECT_EQ(a.Count("Persone WHERE Attivo = 1"), found.size() >= 3 ? 1 : 0);
                a.Exec("UPDATE Persone SET Attivo = NULL; DELETE FROM Persone WHERE Codice "
                       "IS NULL OR Codice = 'N1'; UPDATE Persone SET Nome = 'neri', Punti = 3 "
                       "WHERE Nome = 'zzz'");
            }
}

TEST_F(DataSourceTest, MoneyIsExactAndShownTheItalianWay) {
    auto prodotti = a.Open("Prodotti");
    for (int i = 0; i < 10; ++i)
        prodotti->AddRow({{"Codice", "X"}, {"Prezzo", M(0.1)}});
    prodotti->AddRow({{"Codice", "Y"}, {"Prezzo", M(1500000)}});
    prodotti->AddRow({{"Codice", "Z"}, {"Prezzo", M(-1234.565)}});
    EXPECT_EQ(ToMoney(a.Open("Prodotti", "Codice = 'X'")->Sum("Prezzo")), Money::FromWhole(1));
    auto y = a.Open("Prodotti", "Codice = 'Y'");
    EXPECT_EQ(y->GetText("Prezzo"), "1.500.000,00");
    a.db->SetConversionCurrency(a.engine.NewLiraCurrency());
    EXPECT_EQ(y->GetText("Prezzo", true), "2.904.405.000,00");
    EXPECT_EQ(a.Open("Prodotti", "Codice = 'Z'")->GetText("Prezzo"), "-1.234,57");
    EXPECT_EQ(Money::FromWhole(-50000).FloorDiv(Money::FromWhole(100000)), -1);
    EXPECT_EQ(Money::FromWhole(199999).FloorDiv(Money::FromWhole(100000)), 1);
    EXPECT_EQ(a.Open("Vendite")->Sum("Importo").value<Money>(), Money{}); // empty: zero
    EXPECT_THROW(a.Open("Prodotti")->Sum("Codice"), DbmsError);
}

TEST_F(DataSourceTest, ValuesAreFittedToTheirFields) {
    auto ds = a.Open("Persone");
    ds->AddRow({{"Codice", "ABCDEFGHIJK"},
                {"Nato", QDateTime(QDate(2024, 2, 29), QTime(9, 5, 7, 123))},
                {"Attivo", "Vero"},
                {"Punti", "42"}});
    EXPECT_EQ(ds->GetValue("Codice").toString(), "ABCDEFGH");
    EXPECT_EQ(ds->GetText("Nato"), "29/02/2024 09:05");
    EXPECT_EQ(ds->GetValue("Nato").toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(9, 5, 7)));
    EXPECT_EQ(ds->GetText("Attivo"), "Sì");
    EXPECT_EQ(ds->GetValue("Punti").toLongLong(), 42);
    for (const auto& [field, value] :
         {std::pair<QString, QVariant>{"Punti", "molti"}, {"OID", 3}, {"Nessuno", 1}})
        EXPECT_THROW(ds->SetValue(field, value), DbmsError) << field.toStdString();
    EXPECT_THROW(ds->GetValue("Nessuno"), DbmsError);
    EXPECT_EQ(a.Open("Persone", "Nato >= #02/29/2024# AND Nato < #03/01/2024#")->RowCount(), 1);
}

TEST_F(DataSourceTest, WholeNumbersKeepTheir32BitRangeAndRefuseWhatLiesOutside) {
    auto ds = a.Open("Persone");
    for (const qint64 v : {qint64(INT32_MAX), qint64(INT32_MIN)}) {
        const OID oid = ds->AddRow({{"Punti", v}});
        EXPECT_EQ(a.Scalar("SELECT Punti FROM Persone WHERE OID = " + QString::number(oid)), v);
        EXPECT_EQ(a.Open("Persone", "OID = " + QString::number(oid))->GetValue("Punti"),
                  QVariant(v));
    }
    const OID kept = ds->AddRow({{"Punti", 7}});
    const std::pair<QVariant, QString> outside[] = {
        {qint64(INT32_MAX) + 1, "2147483648"},
        {qint64(INT32_MIN) - 1, "-2147483649"},
        {"3000000000", "3000000000"},
        {1e10, "10000000000"},
        {QVariant::fromValue(Money::FromWhole(5000000000)), "5000000000"}};
    for (const auto& [v, shown] : outside) {
        SCOPED_TRACE(shown.toStdString());
        const DbmsError e = Raised([&] { ds->AddRow({{"Punti", v}}); });
        EXPECT_EQ(e.Code(), DbmsError::BadValue);
        EXPECT_EQ(e.Description(), QString("Valore fuori dai limiti per il campo Punti: %1 "
                                           "(ammessi da -2147483648 a 2147483647)")
                                       .arg(shown));
        ASSERT_TRUE(ds->Locate(kept));
        EXPECT_THROW(ds->SetValue("Punti", v), DbmsError);
        ds->Update();
    }
    EXPECT_EQ(a.Count("Persone"), 3);
    EXPECT_EQ(a.Scalar("SELECT Punti FROM Persone WHERE OID = " + QString::number(kept)), 7);
}

TEST_F(DataSourceTest, ChangesAreKeptWhenMovingAwayAndDroppedOnCancel) {
    auto ds = a.Open("Persone");
    ds->AddRow({{"Nome", "Uno"}});
    ds->AddRow({{"Nome", "Due"}});
    ds->MoveFirst();
    ds->SetValue("Nome", "Primo");
    ds->MoveNext(); // leaving a changed row stores it
    ds->AddNew();
    ds->SetValue("Nome", "Mai");
    ds->CancelUpdate();
    EXPECT_EQ(a.Rows("SELECT Nome FROM Persone"), (QStringList{"Primo", "Due"}));
    // A deleted newest row does not hand its OID to the next one: backups key rows by OID.
    ds->MoveLast();
    const OID newest = ds->CurrentOID();
    ds->Delete();
    EXPECT_GT(ds->AddRow({{"Nome", "Tre"}}), newest);
}

TEST_F(DataSourceTest, DeleteAllIsAllOrNothing) {
    a.Exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19) "
           "INSERT INTO Persone (Punti) SELECT i FROM n");
    StopAfter stop(5), never(1000);
    auto some = a.Open("Persone", "Punti < 10");
    EXPECT_THROW(some->DeleteAll(&stop), DbmsError);
    EXPECT_EQ(a.Count("Persone"), 20);
    some->DeleteAll(&never);
    EXPECT_EQ(a.Count("Persone"), 10);
    EXPECT_TRUE(some->IsEmpty());
}
