// Related data of a row: the entries behind the association menus and the rows they open.
#include "DbmsRelations.h"
#include "EngineTestSchema.h"

#include <gtest/gtest.h>

namespace {

using Kind = DbmsRelationKind;

// "number:Text1/Text2", or with a trailing "-" when disabled: one readable line per entry.
QStringList Describe(DbmsDataSource& ds, Kind kind) {
    QStringList lines;
    for (const DbmsRelatedEntry& e : DbmsRelatedEntries(ds, kind))
        lines << QString("%1:%2/%3%4").arg(e.Number).arg(e.Text1, e.Text2, e.Enabled ? "" : "-");
    return lines;
}

std::vector<OID> Rows(DbmsDataSource& ds) {
    std::vector<OID> oids;
    for (ds.MoveFirst(); !ds.AtEnd(); ds.MoveNext())
        oids.push_back(ds.CurrentOID());
    return oids;
}

class RelationsTest : public ::testing::Test {
protected:
    // Tipi t1, t2; Prodotti p1(t1), p2(t2), p3(t1); Righe r1, r2 of p1, r3 of p3;
    // Persone pa, pb; Vendite v1(pa; tags t1 t2), v2(pb; tag t1), v3(pa; no tags), v4 (nobody).
    void SetUp() override {
        a.Create();
        auto tipi = a.Open("Tipi");
        t1 = tipi->AddRow({{"Descrizione", "Mare"}});
        t2 = tipi->AddRow({{"Descrizione", "Monti"}});
        auto prodotti = a.Open("Prodotti");
        p1 = prodotti->AddRow({{"Codice", "P1"}, {"Tipo", t1}});
        p2 = prodotti->AddRow({{"Codice", "P2"}, {"Tipo", t2}});
        p3 = prodotti->AddRow({{"Codice", "P3"}, {"Tipo", t1}});
        auto righe = a.Open("Righe");
        r1 = righe->AddRow({{"OID_Prodotti", p1}});
        r2 = righe->AddRow({{"OID_Prodotti", p1}});
        r3 = righe->AddRow({{"OID_Prodotti", p3}});
        auto persone = a.Open("Persone");
        pa = persone->AddRow({{"Nome", "Anna"}});
        pb = persone->AddRow({{"Nome", "Bruno"}});
        auto vendite = a.Open("Vendite");
        v1 = vendite->AddRow({{"Persona", pa}});
        vendite->SetReference("Tags", t1);
        vendite->SetReference("Tags", t2);
        v2 = vendite->AddRow({{"Persona", pb}});
        vendite->SetReference("Tags", t1);
        v3 = vendite->AddRow({{"Persona", pa}});
        v4 = vendite->AddRow({{"Note", "anonima"}});
    }

    // A data source on one row of a table.
    std::shared_ptr<DbmsDataSource> At(const QString& table, OID oid) {
        auto ds = a.Open(table);
        EXPECT_TRUE(ds->Locate(oid));
        return ds;
    }

    TestArchive a;
    OID t1 = 0, t2 = 0, p1 = 0, p2 = 0, p3 = 0, r1 = 0, r2 = 0, r3 = 0, pa = 0, pb = 0;
    OID v1 = 0, v2 = 0, v3 = 0, v4 = 0;
};

TEST_F(RelationsTest, EntriesFollowTheDefinitionAndLeaveOwnedCollectionsOut) {
    // Single references, and a child table pointing at its parent.
    auto prodotti = At("Prodotti", p1);
    EXPECT_EQ(Describe(*prodotti, Kind::Reference), QStringList{"1:Tabella Tipi/Tipo"});
    EXPECT_EQ(Describe(*prodotti, Kind::Container), QStringList{"1:Tabella Prodotti/Tipo"});
    EXPECT_EQ(Describe(*prodotti, Kind::Referenced), QStringList{"1:Tabella Righe/Elenco Righe"});

    // The owned lines of a sale are not related data; its not-owned tags are references but
    // never containers.
    auto vendite = At("Vendite", v1);
    EXPECT_EQ(Describe(*vendite, Kind::Reference),
              (QStringList{"1:Tabella Persone/Persona", "2:Tabella Tipi/Tags"}));
    EXPECT_EQ(Describe(*vendite, Kind::Container), QStringList{"1:Tabella Vendite/Persona"});
    EXPECT_TRUE(Describe(*vendite, Kind::Referenced).isEmpty());

    // A child table: its parent is a reference and a container; the sale owning it is no one.
    auto righe = At("Righe", r3);
    EXPECT_EQ(Describe(*righe, Kind::Reference), QStringList{"1:Tabella Prodotti/Prodotti"});
    EXPECT_EQ(Describe(*righe, Kind::Container), QStringList{"1:Tabella Righe/Prodotti"});
    EXPECT_TRUE(Describe(*righe, Kind::Referenced).isEmpty());

    // Pointed at by a single and a multiple reference, in definition order.
    auto tipi = At("Tipi", t1);
    EXPECT_EQ(Describe(*tipi, Kind::Referenced),
              (QStringList{"1:Tabella Prodotti/Tipo", "2:Tabella Vendite/Tags"}));
    EXPECT_TRUE(Describe(*tipi, Kind::Reference).isEmpty());
    EXPECT_TRUE(Describe(*tipi, Kind::Container).isEmpty());
}

TEST_F(RelationsTest, EntriesAreDisabledWhenTheRowHasNothingToShow) {
    auto vendite = At("Vendite", v4); // nobody: an empty single reference
    EXPECT_EQ(Describe(*vendite, Kind::Reference),
              (QStringList{"1:Tabella Persone/Persona-", "2:Tabella Tipi/Tags"}));
    EXPECT_EQ(Describe(*vendite, Kind::Container), QStringList{"1:Tabella Vendite/Persona-"});

    // A row not stored yet: nothing can point at it and its collections cannot be read, but
    // what it already names is there.
    vendite->AddNew();
    vendite->SetValue("Persona", pb);
    EXPECT_EQ(Describe(*vendite, Kind::Reference),
              (QStringList{"1:Tabella Persone/Persona", "2:Tabella Tipi/Tags-"}));
    EXPECT_EQ(Describe(*vendite, Kind::Container), QStringList{"1:Tabella Vendite/Persona"});
    vendite->CancelUpdate();

    // No current row at all: the entries are still listed, every one disabled.
    auto none = a.Open("Tipi", "Descrizione = 'Nessuno'");
    EXPECT_EQ(Describe(*none, Kind::Referenced),
              (QStringList{"1:Tabella Prodotti/Tipo-", "2:Tabella Vendite/Tags-"}));
}

TEST_F(RelationsTest, OpensTheRowsRelatedToTheCurrentRow) {
    auto tipi = At("Tipi", t1);
    EXPECT_EQ(Rows(*DbmsOpenRelated(*tipi, Kind::Referenced, 1)), (std::vector{p1, p3}));
    EXPECT_EQ(Rows(*DbmsOpenRelated(*tipi, Kind::Referenced, 2)), (std::vector{v1, v2}));

    auto prodotti = At("Prodotti", p1);
    EXPECT_EQ(Rows(*DbmsOpenRelated(*prodotti, Kind::Reference, 1)), std::vector{t1});
    EXPECT_EQ(Rows(*DbmsOpenRelated(*prodotti, Kind::Container, 1)), (std::vector{p1, p3}));
    EXPECT_EQ(Rows(*DbmsOpenRelated(*prodotti, Kind::Referenced, 1)), (std::vector{r1, r2}));
    // A product nobody's lines point at opens an empty list.
    ASSERT_TRUE(prodotti->Locate(p2));
    EXPECT_TRUE(DbmsOpenRelated(*prodotti, Kind::Referenced, 1)->IsEmpty());

    auto righe = At("Righe", r3);
    EXPECT_EQ(Rows(*DbmsOpenRelated(*righe, Kind::Reference, 1)), std::vector{p3});
    EXPECT_EQ(Rows(*DbmsOpenRelated(*righe, Kind::Container, 1)), std::vector{r3});

    auto vendite = At("Vendite", v1);
    EXPECT_EQ(Rows(*DbmsOpenRelated(*vendite, Kind::Reference, 1)), std::vector{pa});
    EXPECT_EQ(Rows(*DbmsOpenRelated(*vendite, Kind::Reference, 2)), (std::vector{t1, t2}));
    EXPECT_EQ(Rows(*DbmsOpenRelated(*vendite, Kind::Container, 1)), (std::vector{v1, v3}));
    // Opening reads the archive as it is now, not as it was when the menus were filled.
    vendite->SetReference("Persona", pb);
    EXPECT_EQ(Rows(*DbmsOpenRelated(*vendite, Kind::Container, 1)), (std::vector{v1, v2}));
}

TEST_F(RelationsTest, ManyRowsLinkedThroughACollectionOpenWhole) {
    // Far more scattered owners than SQLite allows terms in one flat OR chain, plus a run.
    a.storage->Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                       "WHERE i < 3000) INSERT INTO Vendite (Note) SELECT 'massa' FROM n");
    const qint64 first = a.Scalar("SELECT MIN(OID) FROM Vendite WHERE Note = 'massa'");
    a.storage->Execute(QString("INSERT INTO Vendite__Tags (OID_Owner, OID_Item) SELECT OID, %1 "
                               "FROM Vendite WHERE Note = 'massa' AND ((OID - %2) % 2 = 0 OR "
                               "OID - %2 BETWEEN 2000 AND 2100)")
                           .arg(t2)
                           .arg(first));
    auto linked = DbmsOpenRelated(*At("Tipi", t2), Kind::Referenced, 2);
    EXPECT_EQ(linked->RowCount(), 1 + 1500 + 50); // v1, every other one, the odd ones of the run
    EXPECT_TRUE(linked->Locate(v1));
    EXPECT_TRUE(linked->Locate(first + 2050));
    EXPECT_TRUE(linked->Locate(first + 2051));
    EXPECT_FALSE(linked->Locate(first + 1));
    EXPECT_FALSE(linked->Locate(v2));
}

TEST_F(RelationsTest, OpeningRefusesUnknownEntriesAndMissingRows) {
    auto prodotti = At("Prodotti", p1);
    for (int number : {0, 2, -1}) {
        const DbmsError e = Raised([&] { DbmsOpenRelated(*prodotti, Kind::Container, number); });
        EXPECT_EQ(e.Code(), DbmsError::UnknownReference) << number;
        EXPECT_TRUE(e.Description().contains("Prodotti")) << e.Description().toStdString();
    }
    auto none = a.Open("Prodotti", "Codice = 'X'");
    EXPECT_EQ(Raised([&] { DbmsOpenRelated(*none, Kind::Reference, 1); }).Code(),
              DbmsError::NoCurrentRow);
}

TEST_F(RelationsTest, BusyWhileTheCurrentRowHasUnstoredChanges) {
    auto persone = At("Persone", pa);
    EXPECT_FALSE(DbmsIsBusy(*persone));
    persone->SetValue("Nome", "Annalisa");
    EXPECT_TRUE(DbmsIsBusy(*persone));
    persone->Update();
    EXPECT_FALSE(DbmsIsBusy(*persone));

    persone->AddNew();
    EXPECT_TRUE(DbmsIsBusy(*persone)); // even before anything is typed
    persone->SetValue("Nome", "Carla");
    persone->Update();
    EXPECT_FALSE(DbmsIsBusy(*persone));
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Persone"), 3);
}

} // namespace
