// Sold-article lines (their amount and points) and the upgrades that recompute a sale's
// stored points.
#include "TempArchive.h"

#include <gtest/gtest.h>

namespace {

class SalesTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        a.Create();
        sales = a.Open("OperazioniVendite");
        sale = sales->AddRow({{"Importo", Amount(0)}});
    }
    OID Scheme(const QString& description) {
        auto ds = a.Open("TabellaPunti", "Descrizione = " + DbmsDatabase::TextLiteral(description));
        EXPECT_FALSE(ds->IsEmpty()) << description.toStdString();
        return ds->CurrentOID();
    }
    OID NewScheme(qint64 pointValue) {
        return a.Open("TabellaPunti")
            ->AddRow({{"Descrizione", QString("Prova %1").arg(pointValue)},
                      {"ValorePunto", Amount(pointValue)}});
    }
    OID Article(qint64 price, OID scheme) {
        DbmsFieldValues pairs{{"Codice", "A" + QString::number(++articles)},
                              {"Descrizione", "Viaggio"},
                              {"Importo", Amount(price)}};
        if (scheme) pairs.push_back({"Punti", scheme});
        return a.Open("Articoli")->AddRow(pairs);
    }
    std::shared_ptr<DbmsDataSource> Lines() {
        sales->Locate(sale);
        return sales->GetReference("Articoli");
    }
    TempArchive a;
    std::shared_ptr<DbmsDataSource> sales;
    OID sale = 0;
    int articles = 0;
};

TEST_F(SalesTablesTest, LinePointsAreTheAmountOverThePointValueRoundedDown) {
    struct Case {
        qint64 price, quantity, pointValue, amount, points;
    };
    const Case cases[] = {
        {1500000, 2, 100000, 3000000, 30}, {99999, 1, 100000, 99999, 0},
        {199999, 1, 100000, 199999, 1},    {-50000, 1, 100000, -50000, -1},
        {-100000, 1, 100000, -100000, -1}, {250000, 3, 80000, 750000, 9},
        {1500000, 2, 0, 3000000, 0},       {1500000, 2, -10, 3000000, 0},
        {40000, 1, 1, 40000, 40000},
    };
    auto lines = Lines();
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QString("%1 x %2 at %3").arg(c.price).arg(c.quantity).arg(c.pointValue).toStdString());
        const OID line =
            lines->AddRow({{"Quantita", c.quantity},
                           {"ImportoVendita", Amount(c.price * c.quantity)},
                           {"OID_Articoli", Article(c.price, NewScheme(c.pointValue))}});
        auto stored = a.Row("ArticoliVenduti", line);
        EXPECT_EQ(ToMoney(stored->GetValue("ImportoVendita")), Money::FromWhole(c.amount));
        EXPECT_EQ(stored->GetValue("PuntiAssegnati").toLongLong(), c.points);
    }
    // Past 32 bits the line is refused, and says why.
    const DbmsError e = Raised([&] {
        lines->AddRow({{"OID_Articoli", Article(3000000000LL, NewScheme(1))}});
    });
    EXPECT_EQ(e.Code(), DbmsError::BadValue);
    EXPECT_EQ(e.Description(), "Il punteggio della riga (3000000000) è fuori dai limiti ammessi "
                               "(da -2147483648 a 2147483647).");
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), qint64(std::size(cases)));
}

TEST_F(SalesTablesTest, LineFollowsQuantityAndPriceChanges) {
    const OID standard = Scheme("Punteggio articoli standard - ogni L 100.000");
    auto lines = Lines();
    lines->AddRow({{"OID_Articoli", Article(1500000, standard)}, {"Quantita", 2}});
    const auto expect = [&](qint64 amount, qint64 points) {
        EXPECT_EQ(ToMoney(lines->GetValue("ImportoVendita")), Money::FromWhole(amount));
        EXPECT_EQ(lines->GetValue("PuntiAssegnati").toLongLong(), points);
    };
    expect(3000000, 30);
    lines->SetValue("Quantita", 3);
    expect(4500000, 45);
    // The article's price, changed through the line.
    lines->SetValue("Importo", Amount(1000000));
    expect(3000000, 30);
    // A hand-typed amount earns its own points.
    lines->SetValue("ImportoVendita", Amount(250000));
    expect(250000, 2);
    lines->Update();
    EXPECT_EQ(a.Scalar("SELECT PuntiAssegnati FROM ArticoliVenduti"), 2);
    EXPECT_EQ(a.Scalar("SELECT ImportoVendita FROM ArticoliVenduti"), 250000 * Money::Scale);
    // An article without a scheme leaves the points as they are.
    lines->AddRow({{"PuntiAssegnati", 7}, {"OID_Articoli", Article(1500000, 0)}, {"Quantita", 2}});
    expect(3000000, 7);
    // A quantity whose amount would not fit is refused, never wrapped around.
    lines->AddRow({{"OID_Articoli", Article(922337203685477, 0)}});
    const DbmsError e = Raised([&] { lines->SetValue("Quantita", 2); });
    EXPECT_EQ(e.Code(), DbmsError::BadValue);
    EXPECT_EQ(e.Description(),
              "L'importo della riga (922.337.203.685.477,00 x 2) è fuori dai limiti ammessi.");
    expect(922337203685477, 0);
}

// A sale with two lines (30 + 9 points) and one bonus of 50 points granted twice, and one
// without lines or bonuses; the stored sums spoilt, then the table's version set back.
class SaleUpgradeTest : public SalesTablesTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        SalesTablesTest::SetUp();
        auto lines = Lines();
        lines->AddRow({{"OID_Articoli",
                        Article(1500000, Scheme("Punteggio articoli standard - ogni L 100.000"))},
                       {"Quantita", 2}});
        lines->AddRow(
            {{"OID_Articoli",
              Article(250000, Scheme("Punteggio articoli in promozione - ogni L 80.000"))},
             {"Quantita", 3}});
        const OID bonus =
            a.Open("TabellaBonus")->AddRow({{"Descrizione", "Estate"}, {"Punti", 50}});
        sales->Locate(sale);
        sales->GetReference("Bonus")->AddRow({{"OID_TabellaBonus", bonus}, {"Quantita", 2}});
        sales->AddRow({{"Importo", Amount(0)}});
    }
};

TEST_P(SaleUpgradeTest, RecomputesWhatItsVersionLacked) {
    a.Reopen([&](DbmsStorage& s) {
        s.Execute("UPDATE OperazioniVendite SET PuntiAssegnati = 999, PuntiBonus = 999");
        s.Execute(QString("UPDATE _Tables SET Version = %1 WHERE Name = 'OperazioniVendite'")
                      .arg(GetParam()));
    });
    // Line points since 1.0, bonus points (the sum of the bonus rows) since 1.2.
    const QString expected = QString(GetParam()) == "1.0"   ? "39|100,0|0"
                             : QString(GetParam()) == "1.2" ? "999|100,999|0"
                                                            : "999|999,999|999";
    EXPECT_EQ(a.Text("SELECT group_concat(PuntiAssegnati || '|' || PuntiBonus) FROM "
                     "OperazioniVendite ORDER BY OID"),
              expected);
    EXPECT_EQ(a.Text("SELECT Version FROM _Tables WHERE Name = 'OperazioniVendite'"), "1.3");
}
INSTANTIATE_TEST_SUITE_P(Versions, SaleUpgradeTest, ::testing::Values("1.0", "1.2", "1.3"));

TEST_F(SaleUpgradeTest, DeletingASaleTakesItsOwnedRowsWithIt) {
    sales->Locate(sale);
    sales->Delete();
    EXPECT_EQ(a.Text("SELECT (SELECT COUNT(*) FROM ArticoliVenduti) || (SELECT COUNT(*) FROM "
                     "BonusAssegnati) || (SELECT COUNT(*) FROM Articoli) || (SELECT COUNT(*) "
                     "FROM TabellaBonus)"),
              "0021");
}

} // namespace
