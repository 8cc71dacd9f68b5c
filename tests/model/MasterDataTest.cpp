// The definition as the engine records it, the default rows of a new archive, the new-row
// defaults of every table and the rules of the customers.
#include "TempArchive.h"

#include <gtest/gtest.h>

namespace {

// The fields of the current row as shown, "|" between them and "-" for a null.
QString Shown(DbmsDataSource& ds, const QString& fields) {
    QStringList out;
    for (const QString& f : fields.split('|'))
        out << (ds.GetValue(f).isNull() ? "-" : ds.GetText(f));
    return out.join('|');
}

QStringList Column(DbmsDataSource& ds, const QString& field) {
    QStringList values;
    for (ds.MoveFirst(); !ds.EOF_(); ds.MoveNext())
        values << Shown(ds, field);
    return values;
}

class MasterDataTest : public ::testing::Test {
protected:
    void SetUp() override { a.Create(); }
    TempArchive a;
};

TEST_F(MasterDataTest,
       TablesAreRegisteredWithTheirIdentitiesTheDefaultRowsOnceNewRowsWithTheirDefaults) {
    struct Identity {
        const char *name, *caption, *parent;
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
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM pragma_table_info('ArticoliVenduti') WHERE name = "
                       "'OID_Articoli' UNION ALL SELECT COUNT(*) FROM "
                       "pragma_table_info('OperazioniVendite') WHERE name = 'OID_Cliente'"),
              1);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM sqlite_master WHERE name IN "
                       "('OperazioniVendite__Articoli', 'OperazioniVendite__Bonus', "
                       "'OperazioniVendite__Premi', 'OperazioniVendite__Pagamento', "
                       "'TabellaBonus__Articoli')"),
              5);
    for (const char* when : {"new archive", "reopened"}) {
        SCOPED_TRACE(when);
        EXPECT_EQ(Column(*a.Open("TipiPagamento"), "Descrizione"),
                  (QStringList{"Contanti", "Assegno", "Bonifico", "Posticipato", "Altro"}));
        EXPECT_EQ(Column(*a.Open("TabellaPunti"), "Descrizione|ValorePunto|Note"),
                  (QStringList{"Nessun punteggio previsto|0,00|",
                               "Punteggio articoli standard - ogni L 100.000|100.000,00|",
                               "Punteggio articoli in promozione - ogni L 80.000|80.000,00|",
                               "Punteggio articoli particolari - ogni L 10.000|10.000,00|"}));
        EXPECT_EQ(Column(*a.Open("Fornitori"), "Codice|Descrizione|EMail"),
                  QStringList{"0|Fornitore generico|"});
        for (const char* empty : {"Articoli", "Clienti", "OperazioniVendite", "TabellaPremi"})
            EXPECT_TRUE(a.Open(empty)->IsEmpty()) << empty;
        a.Reopen();
    }
    // The clock stands at 15/03/2024 10:30; prizes and bonuses expire one year on.
    const char* cases[][3] = {
        {"Clienti", "Titolo|Punti|CAP|Descrizione|Note", "Sig|0|00000||"},
        {"Fornitori", "Telefono|Note|Descrizione", "||-"},
        {"Articoli", "Codice|Importo", "|-"},
        {"TabellaPremi", "Scadenza|Disponibilita|Cumulabile|Note", "15/03/2025 10:30|1|No|"},
        {"TabellaBonus", "Scadenza|ImportoMinimo|Cumulabile", "15/03/2025 10:30|0,00|No"},
        {"OperazioniVendite", "Data|PuntiAssegnati|PuntiBonus|PuntiSpesi|RiferimentoVoucher|Note",
         "15/03/2024 10:30|0|0|0||"},
        {"ArticoliVenduti", "Data|Quantita", "15/03/2024 10:30|1"},
        {"PremiAssegnati", "Data|Quantita", "15/03/2024 10:30|1"},
        {"BonusAssegnati", "Data|Quantita", "15/03/2024 10:30|1"},
        {"Pagamenti", "Data|Note|Importo", "15/03/2024 10:30||-"},
    };
    for (const auto& [table, fields, values] : cases) {
        auto ds = a.Open(table);
        ds->AddNew();
        EXPECT_EQ(Shown(*ds, fields), values) << table;
        ds->CancelUpdate();
    }
}

TEST_F(MasterDataTest, DisplayNameFollowsSurnameAndFirstName) {
    auto customers = a.Open("Clienti");
    const OID oid = customers->AddRow({{"Cognome", "Rossi"}, {"Nome", "Mario"}});
    const QString stored = "SELECT Descrizione FROM Clienti WHERE OID = " + QString::number(oid);
    EXPECT_EQ(a.Text(stored), "Rossi Mario");
    // Both names empty: the last display name stays.
    const std::pair<const char*, QString> steps[] = {{"Nome", ""},
                                                     {"Cognome", ""},
                                                     {"Descrizione", "Agenzia Sole"},
                                                     {"Nome", ""},
                                                     {"Nome", "Mario"}};
    const char* shown[] = {"Rossi ", "Rossi ", "Agenzia Sole", "Agenzia Sole", "Mario"};
    for (size_t i = 0; i < std::size(steps); ++i) {
        customers->SetValue(steps[i].first, steps[i].second);
        EXPECT_EQ(customers->GetValue("Descrizione").toString(), shown[i]) << i;
    }
    customers->Update();
    EXPECT_EQ(a.Text(stored), "Mario");
    // Text longer than its field is cut: 32 + 1 + 32 characters of a long name to 64.
    customers->AddRow(
        {{"Cognome", QString(40, 'C')}, {"Nome", QString(40, 'N')}, {"Provincia", "Milano"}});
    EXPECT_EQ(Shown(*customers, "Cognome|Descrizione|Provincia"),
              QString(32, 'C') + '|' + QString(32, 'C') + ' ' + QString(31, 'N') + "|Milan");
}

class CustomerUpgradeTest : public MasterDataTest {
protected:
    void SetUp() override {
        MasterDataTest::SetUp();
        auto customers = a.Open("Clienti");
        // Archives of version 1.0 had only the display name.
        customers->AddRow({{"Descrizione", "Bianchi Anna Maria"}});
        customers->AddRow({{"Descrizione", "De  Luca"}});
        customers->AddRow({{"Cognome", "X"}, {"Nome", "Y"}, {"Descrizione", "Verdi"}});
    }
    QStringList ReopenAs(const QString& version) {
        a.Reopen([&](DbmsStorage& s) {
            s.Execute("UPDATE _Tables SET Version = " + version + " WHERE Name = 'Clienti'");
        });
        EXPECT_EQ(a.Text("SELECT Version FROM _Tables WHERE Name = 'Clienti'"), "1.3");
        return Column(*a.Open("Clienti", {}, "OID"), "Cognome|Nome|Descrizione");
    }
};

TEST_F(CustomerUpgradeTest, OnlyFromVersion10IsTheDisplayNameSplitAtItsFirstBlank) {
    for (const char* version : {"1.2", "0.9", "1.3"})
        EXPECT_EQ(ReopenAs(version).value(0), "||Bianchi Anna Maria") << version;
    EXPECT_EQ(ReopenAs("1.0"), (QStringList{"Bianchi|Anna Maria|Bianchi Anna Maria",
                                            "De|Luca|De  Luca", "X|Y|Verdi"}));
    // Once the upgrade is over the display name follows the names again.
    auto row = a.Open("Clienti", {}, "OID");
    row->SetValue("Nome", "Anna");
    EXPECT_EQ(row->GetValue("Descrizione").toString(), "Bianchi Anna");
}

} // namespace
