// Related data of a row: the entries behind the association menus and the rows they open.
#include "DbmsRelations.h"
#include "EngineTestSchema.h"

#include <gtest/gtest.h>

namespace {

using Kind = DbmsRelationKind;

// The references, containers and referencing tables of the current row, "|" between the
// kinds: "number:Text1/Text2", with a trailing "-" when disabled.
QString Describe(DbmsDataSource& ds) {
    QStringList kinds;
    for (Kind kind : {Kind::Reference, Kind::Container, Kind::Referenced}) {
        QStringList entries;
        for (const DbmsRelatedEntry& e : DbmsRelatedEntries(ds, kind))
            entries
                << QString("%1:%2/%3%4").arg(e.Number).arg(e.Text1, e.Text2, e.Enabled ? "" : "-");
        kinds << entries.join(", ");
    }
    return kinds.join(" | ");
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
    EXPECT_EQ(Describe(*At("Prodotti", p1)),
              "1:Tabella Tipi/Tipo | 1:Tabella Prodotti/Tipo | 1:Tabella Righe/Elenco Righe");
    // The owned lines of a sale are not related data; its not-owned tags are references but
    // never containers.
    EXPECT_EQ(Describe(*At("Vendite", v1)),
              "1:Tabella Persone/Persona, 2:Tabella Tipi/Tags | 1:Tabella Vendite/Persona | ");
    // A child table: its parent is a reference and a container; the sale owning it is no one.
    EXPECT_EQ(Describe(*At("Righe", r3)),
              "1:Tabella Prodotti/Prodotti | 1:Tabella Righe/Prodotti | ");
    // Pointed at by a single and a multiple reference, in definition order.
    EXPECT_EQ(Describe(*At("Tipi", t1)), " |  | 1:Tabella Prodotti/Tipo, 2:Tabella Vendite/Tags");
    // Nobody: an empty single reference is disabled.
    EXPECT_EQ(Describe(*At("Vendite", v4)),
              "1:Tabella Persone/Persona-, 2:Tabella Tipi/Tags | 1:Tabella Vendite/Persona- | ");
    // A row not stored yet: nothing can point at it and its collections cannot be read, but
    // what it already names is there.
    auto vendite = a.Open("Vendite");
    vendite->AddNew();
    vendite->SetValue("Persona", pb);
    EXPECT_EQ(Describe(*vendite),
              "1:Tabella Persone/Persona, 2:Tabella Tipi/Tags- | 1:Tabella Vendite/Persona | ");
    vendite->CancelUpdate();
    // No current row at all: the entries are still listed, every one disabled.
    EXPECT_EQ(Describe(*a.Open("Tipi", "Descrizione = 'Nessuno'")),
              " |  | 1:Tabella Prodotti/Tipo-, 2:Tabella Vendite/Tags-");
}

TEST_F(RelationsTest, OpensTheRowsRelatedToTheCurrentRow) {
    // A product nobody's lines point at (p2) opens an empty list.
    const std::tuple<const char*, OID, Kind, int, std::vector<OID>> cases[] = {
        {"Tipi", t1, Kind::Referenced, 1, {p1, p3}},
        {"Tipi", t1, Kind::Referenced, 2, {v1, v2}},
        {"Prodotti", p1, Kind::Reference, 1, {t1}},
        {"Prodotti", p1, Kind::Container, 1, {p1, p3}},
        {"Prodotti", p1, Kind::Referenced, 1, {r1, r2}},
        {"Prodotti", p2, Kind::Referenced, 1, {}},
        {"Righe", r3, Kind::Reference, 1, {p3}},
        {"Righe", r3, Kind::Container, 1, {r3}},
        {"Vendite", v1, Kind::Reference, 1, {pa}},
        {"Vendite", v1, Kind::Reference, 2, {t1, t2}},
        {"Vendite", v1, Kind::Container, 1, {v1, v3}},
    };
    for (const auto& [table, oid, kind, number, rows] : cases)
        EXPECT_EQ(Rows(*DbmsOpenRelated(*At(table, oid), kind, number)), rows)
            << table << ' ' << oid << ' ' << int(kind) << ' ' << number;
    // Opening reads the archive as it is now, not as it was when the menus were filled.
    auto vendite = At("Vendite", v1);
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
