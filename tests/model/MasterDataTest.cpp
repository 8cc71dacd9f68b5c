// The definition as the engine records it, the default rows of a new archive, and the rules
// of the master-data tables (customers, suppliers, articles).
#include "TempArchive.h"

#include <gtest/gtest.h>

namespace {

QStringList Column(DbmsDataSource& ds, const QString& field) {
    QStringList values;
    for (ds.MoveFirst(); !ds.EOF_(); ds.MoveNext())
        values << ds.GetText(field);
    return values;
}

class MasterDataTest : public ::testing::Test {
protected:
    void SetUp() override { a.Create(); }
    TempArchive a;
};

TEST_F(MasterDataTest, TablesAreRegisteredInOrderWithTheirIdentities) {
    struct Identity {
        const char* name;
        const char* caption;
        const char* parent;
        double version;
    };
    const Identity expected[] = {
        {"TipiPagamento", "Tipi Pagamento", "", 1.0},
        {"TabellaPunti", "Tabella Punti", "", 1.0},
        {"Fornitori", "Fornitori", "", 1.5},
        {"Articoli", "Articoli", "", 1.0},
        {"ArticoliVenduti", "Articoli Venduti", "Articoli", 1.0},
        {"TabellaPremi", "Tabella Premi", "", 1.0},
        {"PremiAssegnati", "Premi Assegnati", "TabellaPremi", 1.0},
        {"TabellaBonus", "Tabella Bonus", "", 1.0},
        {"BonusAssegnati", "Bonus Assegnati", "TabellaBonus", 1.0},
        {"Clienti", "Clienti", "", 1.3},
        {"Pagamenti", "Pagamenti del Cliente", "", 1.0},
        {"OperazioniVendite", "Vendite / Premiazioni", "", 1.3},
    };
    const auto& defs = a.db->TableDefs();
    ASSERT_EQ(defs.size(), std::size(expected));
    for (size_t i = 0; i < defs.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(defs[i]->Name, expected[i].name);
        EXPECT_EQ(defs[i]->Caption, expected[i].caption);
        EXPECT_EQ(defs[i]->ParentTable, expected[i].parent);
        // A child list is captioned like the child table.
        EXPECT_EQ(defs[i]->ChildListCaption, *expected[i].parent ? expected[i].caption : "");
        EXPECT_EQ(
            a.Text(QString("SELECT Version FROM _Tables WHERE Name = '%1'").arg(expected[i].name)),
            QString::number(expected[i].version, 'f', 1));
    }
    // Links as other tools see them in the file.
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM pragma_table_info('ArticoliVenduti') "
                       "WHERE name = 'OID_Articoli'"),
              1);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM pragma_table_info('OperazioniVendite') "
                       "WHERE name = 'OID_Cliente'"),
              1);
    for (const char* link :
         {"OperazioniVendite__Articoli", "OperazioniVendite__Bonus", "OperazioniVendite__Premi",
          "OperazioniVendite__Pagamento", "TabellaBonus__Articoli"})
        EXPECT_EQ(
            a.Scalar(QString("SELECT COUNT(*) FROM sqlite_master WHERE name = '%1'").arg(link)), 1)
            << link;
}

TEST_F(MasterDataTest, NewArchiveHoldsTheDefaultRowsOnceOnly) {
    auto check = [&] {
        EXPECT_EQ(Column(*a.Open("TipiPagamento"), "Descrizione"),
                  (QStringList{"Contanti", "Assegno", "Bonifico", "Posticipato", "Altro"}));
        auto schemes = a.Open("TabellaPunti");
        EXPECT_EQ(Column(*schemes, "Descrizione"),
                  (QStringList{"Nessun punteggio previsto",
                               "Punteggio articoli standard - ogni L 100.000",
                               "Punteggio articoli in promozione - ogni L 80.000",
                               "Punteggio articoli particolari - ogni L 10.000"}));
        EXPECT_EQ(Column(*schemes, "ValorePunto"),
                  (QStringList{"0,00", "100.000,00", "80.000,00", "10.000,00"}));
        EXPECT_EQ(Column(*schemes, "Note"), (QStringList{"", "", "", ""}));
        auto suppliers = a.Open("Fornitori");
        ASSERT_EQ(suppliers->RowCount(), 1);
        suppliers->MoveFirst();
        EXPECT_EQ(suppliers->GetValue("Codice").toString(), "0");
        EXPECT_EQ(suppliers->GetValue("Descrizione").toString(), "Fornitore generico");
        EXPECT_EQ(suppliers->GetValue("EMail").toString(), "");
        for (const char* empty : {"Articoli", "Clienti", "OperazioniVendite", "TabellaPremi"})
            EXPECT_TRUE(a.Open(empty)->IsEmpty()) << empty;
    };
    {
        SCOPED_TRACE("new archive");
        check();
    }
    a.Reopen();
    SCOPED_TRACE("reopened");
    check();
}

TEST_F(MasterDataTest, NewRowsStartWithTheirDefaults) {
    auto customers = a.Open("Clienti");
    customers->AddNew();
    EXPECT_EQ(customers->GetValue("Titolo").toString(), "Sig");
    EXPECT_EQ(customers->GetValue("Punti").toLongLong(), 0);
    EXPECT_EQ(customers->GetValue("CAP").toLongLong(), 0);
    EXPECT_EQ(customers->GetValue("Descrizione").toString(), "");
    EXPECT_FALSE(customers->GetValue("Note").isNull());
    customers->CancelUpdate();

    auto suppliers = a.Open("Fornitori");
    suppliers->AddNew();
    EXPECT_EQ(suppliers->GetValue("Telefono").toString(), "");
    EXPECT_FALSE(suppliers->GetValue("Note").isNull());
    EXPECT_TRUE(suppliers->GetValue("Descrizione").isNull());
    suppliers->CancelUpdate();

    auto articles = a.Open("Articoli");
    articles->AddNew();
    EXPECT_FALSE(articles->GetValue("Codice").isNull());
    EXPECT_TRUE(articles->GetValue("Importo").isNull());
    articles->CancelUpdate();
}

TEST_F(MasterDataTest, DisplayNameFollowsSurnameAndFirstName) {
    auto customers = a.Open("Clienti");
    const OID oid = customers->AddRow({{"Cognome", "Rossi"}, {"Nome", "Mario"}});
    EXPECT_EQ(a.Text("SELECT Descrizione FROM Clienti WHERE OID = " + QString::number(oid)),
              "Rossi Mario");

    customers->SetValue("Nome", "");
    EXPECT_EQ(customers->GetValue("Descrizione").toString(), "Rossi ");
    customers->SetValue("Cognome", "");
    // Both empty: the last display name stays.
    EXPECT_EQ(customers->GetValue("Descrizione").toString(), "Rossi ");
    customers->SetValue("Descrizione", "Agenzia Sole");
    customers->SetValue("Nome", "");
    EXPECT_EQ(customers->GetValue("Descrizione").toString(), "Agenzia Sole");
    customers->SetValue("Nome", "Mario");
    EXPECT_EQ(customers->GetValue("Descrizione").toString(), "Mario");
    customers->Update();
    EXPECT_EQ(a.Text("SELECT Descrizione FROM Clienti WHERE OID = " + QString::number(oid)),
              "Mario");

    // The 32 + 1 + 32 characters of a long name are cut to the field's 64.
    customers->AddRow({{"Cognome", QString(40, 'C')}, {"Nome", QString(40, 'N')}});
    EXPECT_EQ(customers->GetValue("Cognome").toString(), QString(32, 'C'));
    EXPECT_EQ(customers->GetValue("Descrizione").toString(),
              QString(32, 'C') + ' ' + QString(31, 'N'));
}

TEST_F(MasterDataTest, TextLongerThanItsFieldIsCut) {
    const OID oid = a.Open("Clienti")->AddRow({{"Provincia", "Milano"}, {"Codice", "C001"}});
    EXPECT_EQ(a.Text("SELECT Provincia FROM Clienti WHERE OID = " + QString::number(oid)), "Milan");
    const OID type = a.Open("TipiPagamento")->AddRow({{"Descrizione", QString(70, 'x')}});
    EXPECT_EQ(a.Scalar("SELECT length(Descrizione) FROM TipiPagamento WHERE OID = " +
                       QString::number(type)),
              64);
}

class CustomerUpgradeTest : public MasterDataTest {
protected:
    void SetUp() override {
        MasterDataTest::SetUp();
        auto customers = a.Open("Clienti");
        // Archives of version 1.0 had only the display name.
        bianchi = customers->AddRow({{"Descrizione", "Bianchi Anna Maria"}});
        spaced = customers->AddRow({{"Descrizione", "De  Luca"}});
        single = customers->AddRow({{"Cognome", "X"}, {"Nome", "Y"}, {"Descrizione", "Verdi"}});
    }
    void ReopenAs(const QString& version) {
        a.Reopen([&](DbmsStorage& s) {
            s.Execute("UPDATE _Tables SET Version = " + version + " WHERE Name = 'Clienti'");
        });
    }
    QString Field(OID oid, const QString& field) {
        return a.Row("Clienti", oid)->GetValue(field).toString();
    }
    OID bianchi = 0, spaced = 0, single = 0;
};

TEST_F(CustomerUpgradeTest, FromVersion10SplitsTheDisplayNameAtItsFirstBlank) {
    ReopenAs("1.0");
    EXPECT_EQ(Field(bianchi, "Cognome"), "Bianchi");
    EXPECT_EQ(Field(bianchi, "Nome"), "Anna Maria");
    EXPECT_EQ(Field(bianchi, "Descrizione"), "Bianchi Anna Maria");
    EXPECT_EQ(Field(spaced, "Cognome"), "De");
    EXPECT_EQ(Field(spaced, "Nome"), "Luca");
    EXPECT_EQ(Field(spaced, "Descrizione"), "De  Luca");
    EXPECT_EQ(Field(single, "Cognome"), "X");
    EXPECT_EQ(Field(single, "Nome"), "Y");
    EXPECT_EQ(Field(single, "Descrizione"), "Verdi");
    EXPECT_EQ(a.Text("SELECT Version FROM _Tables WHERE Name = 'Clienti'"), "1.3");

    // Once the upgrade is over the display name follows the names again.
    auto row = a.Row("Clienti", bianchi);
    row->SetValue("Nome", "Anna");
    EXPECT_EQ(row->GetValue("Descrizione").toString(), "Bianchi Anna");
}

TEST_F(CustomerUpgradeTest, OtherVersionsLeaveTheRowsAlone) {
    for (const char* version : {"1.2", "0.9", "1.3"}) {
        SCOPED_TRACE(version);
        ReopenAs(version);
        EXPECT_EQ(Field(bianchi, "Cognome"), "");
        EXPECT_EQ(Field(bianchi, "Nome"), "");
        EXPECT_EQ(Field(bianchi, "Descrizione"), "Bianchi Anna Maria");
    }
}

} // namespace
