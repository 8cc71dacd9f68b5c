#include "DbmsRelations.h"
#include "EngineTestSchema.h"

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

// Tipi t1, t2; Prodotti p1(t1), p2(t2), p3(t1); Righe r1, r2 of p1, r3 of p3; Persone pa, pb;
// Vendite v1(pa; tags t1 t2), v2(pb; tag t1), v3(pa; no tags), v4 (nobody).
const OID t1 = 1, t2 = 2, p1 = 1, p2 = 2, p3 = 3, r1 = 1, r2 = 2, r3 = 3, pa = 1, pb = 2;
const OID v1 = 1, v2 = 2, v3 = 3, v4 = 4;

class RelationsTest : public ArchiveTest {
protected:
    void SetUp() override {
        a.Create();
        a.Exec("INSERT INTO Tipi (OID, Descrizione) VALUES (1, 'Mare'), (2, 'Monti');"
               "INSERT INTO Prodotti (OID, Codice, OID_Tipo) VALUES (1, 'P1', 1), (2, 'P2', 2), "
               "(3, 'P3', 1); INSERT INTO Righe (OID, OID_Prodotti) VALUES (1, 1), (2, 1), (3, 3);"
               "INSERT INTO Persone (OID, Nome) VALUES (1, 'Anna'), (2, 'Bruno'); INSERT INTO "
               "Vendite (OID, OID_Persona, Note) VALUES (1, 1, NULL), (2, 2, NULL), (3, 1, NULL), "
               "(4, NULL, 'anonima'); INSERT INTO Vendite__Tags VALUES (1, 1), (1, 2), (2, 1)");
    }
    std::shared_ptr<DbmsDataSource> At(const QString& table, OID oid) {
        auto ds = a.Open(table);
        EXPECT_TRUE(ds->Locate(oid));
        return ds;
    }
};

TEST_F(RelationsTest, EntriesFollowTheDefinitionLeaveOwnedCollectionsOutAndOpenTheRelatedRows) {
    EXPECT_EQ(Describe(*At("Prodotti", p1)),
              "1:Tabella Tipi/Tipo | 1:Tabella Prodotti/Tipo | 1:Tabella Righe/Elenco Righe");
    // Owned lines are not related data; not-owned tags are references, never containers.
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
    // A row not stored yet: nothing points at it, its collections are unread, its names are there.
    auto vendite = a.Open("Vendite");
    vendite->AddNew();
    vendite->SetValue("Persona", pb);
    EXPECT_EQ(Describe(*vendite),
              "1:Tabella Persone/Persona, 2:Tabella Tipi/Tags- | 1:Tabella Vendite/Persona | ");
    vendite->CancelUpdate();
    // No current row at all: the entries are still listed, every one disabled.
    EXPECT_EQ(Describe(*a.Open("Tipi", "Descrizione = 'Nessuno'")),
              " |  | 1:Tabella Prodotti/Tipo-, 2:Tabella Vendite/Tags-");
    // The rows related to the current row.
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
    vendite = At("Vendite", v1);
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

TEST_F(RelationsTest, OpeningRefusesUnknownEntriesAndMissingRowsARowBeingEditedIsBusy) {
    auto prodotti = At("Prodotti", p1);
    for (int number : {0, 2, -1}) {
        const DbmsError e = Raised([&] { DbmsOpenRelated(*prodotti, Kind::Container, number); });
        EXPECT_EQ(e.Code(), DbmsError::UnknownReference) << number;
        EXPECT_TRUE(e.Description().contains("Prodotti")) << e.Description().toStdString();
    }
    auto none = a.Open("Prodotti", "Codice = 'X'");
    EXPECT_EQ(Raised([&] { DbmsOpenRelated(*none, Kind::Reference, 1); }).Code(),
              DbmsError::NoCurrentRow);
    // Busy while the current row has changes not stored.
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
    EXPECT_EQ(a.Count("Persone"), 3);
}
