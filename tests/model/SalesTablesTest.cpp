// Sale operations and their lines: new-row defaults, the amount and points of a sold-article
// line, and the upgrades that recompute a sale's stored points.
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

TEST_F(SalesTablesTest, NewRowsTakeTheClockAndTheirDefaults) {
    const QDateTime now = DbmsClock::Now();
    auto s = a.Row("OperazioniVendite", sale);
    EXPECT_EQ(s->GetValue("Data").toDateTime(), now);
    EXPECT_EQ(s->GetValue("PuntiAssegnati").toLongLong(), 0);
    EXPECT_EQ(s->GetValue("PuntiBonus").toLongLong(), 0);
    EXPECT_EQ(s->GetValue("PuntiSpesi").toLongLong(), 0);
    EXPECT_EQ(s->GetValue("RiferimentoVoucher").toString(), "");
    EXPECT_FALSE(s->GetValue("Note").isNull());

    auto lines = Lines();
    lines->AddNew();
    EXPECT_EQ(lines->GetValue("Data").toDateTime(), now);
    EXPECT_EQ(lines->GetValue("Quantita").toLongLong(), 1);
    lines->CancelUpdate();

    auto payments = a.Open("Pagamenti");
    payments->AddNew();
    EXPECT_EQ(payments->GetValue("Data").toDateTime(), now);
    EXPECT_EQ(payments->GetValue("Note").toString(), "");
    EXPECT_TRUE(payments->GetValue("Importo").isNull());
    payments->CancelUpdate();
}

TEST_F(SalesTablesTest, LinePointsAreTheAmountOverThePointValueRoundedDown) {
    struct Case {
        qint64 price, quantity, pointValue, amount, points;
    };
    const Case cases[] = {
        {1500000, 2, 100000, 3000000, 30}, {99999, 1, 100000, 99999, 0},
        {199999, 1, 100000, 199999, 1},    {-50000, 1, 100000, -50000, -1},
        {-100000, 1, 100000, -100000, -1}, {250000, 3, 80000, 750000, 9},
        {1500000, 2, 0, 3000000, 0},       {1500000, 2, -10, 3000000, 0},
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
}

TEST_F(SalesTablesTest, LineFollowsQuantityAndPriceChanges) {
    const OID standard = Scheme("Punteggio articoli standard - ogni L 100.000");
    auto lines = Lines();
    lines->AddRow({{"OID_Articoli", Article(1500000, standard)}, {"Quantita", 2}});
    EXPECT_EQ(ToMoney(lines->GetValue("ImportoVendita")), Money::FromWhole(3000000));
    EXPECT_EQ(lines->GetValue("PuntiAssegnati").toLongLong(), 30);

    lines->SetValue("Quantita", 3);
    EXPECT_EQ(ToMoney(lines->GetValue("ImportoVendita")), Money::FromWhole(4500000));
    EXPECT_EQ(lines->GetValue("PuntiAssegnati").toLongLong(), 45);
    // The article's price, changed through the line.
    lines->SetValue("Importo", Amount(1000000));
    EXPECT_EQ(ToMoney(lines->GetValue("ImportoVendita")), Money::FromWhole(3000000));
    EXPECT_EQ(lines->GetValue("PuntiAssegnati").toLongLong(), 30);
    // A hand-typed amount earns its own points.
    lines->SetValue("ImportoVendita", Amount(250000));
    EXPECT_EQ(lines->GetValue("PuntiAssegnati").toLongLong(), 2);
    lines->Update();
    EXPECT_EQ(a.Scalar("SELECT PuntiAssegnati FROM ArticoliVenduti"), 2);
    EXPECT_EQ(a.Scalar("SELECT ImportoVendita FROM ArticoliVenduti"), 250000 * Money::Scale);
}

TEST_F(SalesTablesTest, LinePointsAreThirtyTwoBitWholeNumbers) {
    const OID onePerUnit = NewScheme(1);
    auto lines = Lines();
    const OID line = lines->AddRow({{"OID_Articoli", Article(40000, onePerUnit)}});
    EXPECT_EQ(
        a.Scalar("SELECT PuntiAssegnati FROM ArticoliVenduti WHERE OID = " + QString::number(line)),
        40000);
    try {
        lines->AddRow({{"OID_Articoli", Article(3000000000LL, onePerUnit)}});
        ADD_FAILURE() << "accepted";
    } catch (const DbmsError& e) {
        EXPECT_EQ(e.Code(), DbmsError::BadValue);
        EXPECT_EQ(e.Description(),
                  "Il punteggio della riga (3000000000) è fuori dai limiti ammessi "
                  "(da -2147483648 a 2147483647).");
    }
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), 1);
}

TEST_F(SalesTablesTest, ArticleWithoutSchemeLeavesThePointsAsTheyAre) {
    auto lines = Lines();
    lines->AddRow({{"PuntiAssegnati", 7}, {"OID_Articoli", Article(1500000, 0)}, {"Quantita", 2}});
    EXPECT_EQ(ToMoney(lines->GetValue("ImportoVendita")), Money::FromWhole(3000000));
    EXPECT_EQ(lines->GetValue("PuntiAssegnati").toLongLong(), 7);
}

// A sale with two lines (30 + 9 points) and one bonus of 50 points granted twice.
class SaleUpgradeTest : public SalesTablesTest {
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
        // An operation without lines or bonuses gets zeros.
        empty = sales->AddRow({{"Importo", Amount(0)}});
    }
    void ReopenWithWrongSums(const QString& version) {
        a.Reopen([&](DbmsStorage& s) {
            s.Execute("UPDATE OperazioniVendite SET PuntiAssegnati = 999, PuntiBonus = 999");
            s.Execute("UPDATE _Tables SET Version = " + version +
                      " WHERE Name = 'OperazioniVendite'");
        });
    }
    qint64 Stored(OID oid, const QString& field) {
        return a.Scalar("SELECT " + field +
                        " FROM OperazioniVendite WHERE OID = " + QString::number(oid));
    }
    OID empty = 0;
};

TEST_F(SaleUpgradeTest, FromVersion10RecomputesLinePointsAndBonusPoints) {
    ReopenWithWrongSums("1.0");
    EXPECT_EQ(Stored(sale, "PuntiAssegnati"), 39);
    // The sum of the bonus rows: 50 points granted twice.
    EXPECT_EQ(Stored(sale, "PuntiBonus"), 100);
    EXPECT_EQ(Stored(empty, "PuntiAssegnati"), 0);
    EXPECT_EQ(Stored(empty, "PuntiBonus"), 0);
    EXPECT_EQ(a.Text("SELECT Version FROM _Tables WHERE Name = 'OperazioniVendite'"), "1.3");
}

TEST_F(SaleUpgradeTest, FromVersion12RecomputesOnlyBonusPoints) {
    ReopenWithWrongSums("1.2");
    EXPECT_EQ(Stored(sale, "PuntiAssegnati"), 999);
    EXPECT_EQ(Stored(sale, "PuntiBonus"), 100);
    EXPECT_EQ(Stored(empty, "PuntiBonus"), 0);
}

TEST_F(SaleUpgradeTest, FromVersion13ChangesNothing) {
    ReopenWithWrongSums("1.3");
    EXPECT_EQ(Stored(sale, "PuntiAssegnati"), 999);
    EXPECT_EQ(Stored(sale, "PuntiBonus"), 999);
}

TEST_F(SaleUpgradeTest, DeletingASaleTakesItsOwnedRowsWithIt) {
    sales->Locate(sale);
    sales->Delete();
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), 0);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM BonusAssegnati"), 0);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Articoli"), 2);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM TabellaBonus"), 1);
}

} // namespace
