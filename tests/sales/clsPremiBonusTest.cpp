// Bonuses earned and prizes handed out on a sale, on a real archive with the clock frozen on
// 15 March 2024 at 10:30. Definitions are read in the order they were created.
#include "clsPremiBonus.h"
#include "TempArchive.h"

#include <gtest/gtest.h>

namespace {

const QDateTime Now(QDate(2024, 3, 15), QTime(10, 30));
const QDateTime NextYear = Now.addYears(1);

QVariant Units(qint64 units) {
    return QVariant::fromValue(Money::FromUnits(units));
}

class PremiBonusTest : public ::testing::Test {
protected:
    void SetUp() override {
        a.Create();
        sales = a.Open("OperazioniVendite");
        sale = sales->AddRow({{"Importo", Amount(0)}});
        ASSERT_TRUE(sales->Locate(sale));
    }

    OID Prize(const QString& name, qint64 needed, bool cumulative, int stock = 10,
              const QDateTime& expiry = NextYear) {
        return a.Open("TabellaPremi")
            ->AddRow({{"Descrizione", name},
                      {"PuntiNecessari", needed},
                      {"Cumulabile", cumulative},
                      {"Disponibilita", stock},
                      {"Scadenza", expiry}});
    }
    OID Bonus(const QString& name, int points, const QVariant& minimum, bool cumulative,
              const std::vector<OID>& articles = {}, const QDateTime& expiry = NextYear) {
        auto bonuses = a.Open("TabellaBonus");
        const OID oid = bonuses->AddRow({{"Descrizione", name},
                                         {"Punti", points},
                                         {"ImportoMinimo", minimum},
                                         {"Cumulabile", cumulative},
                                         {"Scadenza", expiry}});
        for (OID article : articles)
            bonuses->SetReference("Articoli", article);
        return oid;
    }
    OID Article(const QString& code) {
        return a.Open("Articoli")->AddRow({{"Codice", code}, {"Importo", Amount(10)}});
    }
    void Line(OID article, int quantity, int points = 0) {
        sales->GetReference("Articoli")
            ->AddRow(
                {{"OID_Articoli", article}, {"Quantita", quantity}, {"PuntiAssegnati", points}});
    }
    qint64 Assigned(const QString& table, OID definition) {
        const QString link = table == "PremiAssegnati" ? "OID_TabellaPremi" : "OID_TabellaBonus";
        return a.Scalar("SELECT IFNULL(SUM(Quantita), 0) FROM " + table + " WHERE " + link + " = " +
                        QString::number(definition));
    }
    qint64 SaleValue(const QString& field) { return sales->GetValue(field).toLongLong(); }

    TempArchive a{Now};
    std::shared_ptr<DbmsDataSource> sales;
    OID sale = 0;
};

TEST_F(PremiBonusTest, CumulativePrizesAreTakenInPassesWhilePointsLast) {
    const OID hundred = Prize("Zaino", 100, true);
    const OID thirty = Prize("Borraccia", 30, true);
    clsPremiBonus rules(*sales, 250);
    auto prizes = rules.IdentifyPrizes(true);

    EXPECT_EQ(Assigned("PremiAssegnati", hundred), 2);
    EXPECT_EQ(Assigned("PremiAssegnati", thirty), 1);
    EXPECT_EQ(prizes->RowCount(), 2);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 230);
    EXPECT_EQ(rules.Available(), 250);
    EXPECT_EQ(rules.FinalBalance(), 20);
    // The total waits in the sale's buffer for the window to confirm the sale.
    EXPECT_EQ(a.Scalar("SELECT PuntiSpesi FROM OperazioniVendite"), 0);
}

TEST_F(PremiBonusTest, NoMorePiecesThanInStock) {
    const OID one = Prize("Ombrello", 10, true, 1);
    const OID three = Prize("Cappello", 10, true, 3);
    clsPremiBonus rules(*sales, 1000);
    rules.IdentifyPrizes(true);
    EXPECT_EQ(Assigned("PremiAssegnati", one), 1);
    EXPECT_EQ(Assigned("PremiAssegnati", three), 3);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 40);
    EXPECT_EQ(rules.FinalBalance(), 960);
}

TEST_F(PremiBonusTest, PointsBeyondSixteenBitsAreCountedWhole) {
    Line(Article("A1"), 1, 2000000000);
    sales->SetValue("PuntiBonus", 100000);
    const OID prize = Prize("Giro del mondo", 2100000000, false);
    clsPremiBonus rules(*sales, 200000000);
    rules.IdentifyPrizes(true);
    EXPECT_EQ(rules.Available(), 2200100000LL);
    EXPECT_EQ(Assigned("PremiAssegnati", prize), 1);
    EXPECT_EQ(rules.FinalBalance(), 100100000);
}

TEST_F(PremiBonusTest, ReadingOrderDecidesWhichPrizeTakesThePoints) {
    const OID thirty = Prize("Borraccia", 30, true);
    const OID hundred = Prize("Zaino", 100, true);
    clsPremiBonus rules(*sales, 250);
    rules.IdentifyPrizes(true);
    EXPECT_EQ(Assigned("PremiAssegnati", thirty), 5);
    EXPECT_EQ(Assigned("PremiAssegnati", hundred), 1);
    EXPECT_EQ(rules.FinalBalance(), 0);
}

TEST_F(PremiBonusTest, SinglePrizeIsGivenOnceAndFreePrizesNever) {
    const OID free = Prize("Omaggio", 0, true, 5);
    const OID single = Prize("Viaggio", 100, false);
    clsPremiBonus rules(*sales, 1000);
    rules.IdentifyPrizes(true);
    EXPECT_EQ(Assigned("PremiAssegnati", free), 0);
    EXPECT_EQ(Assigned("PremiAssegnati", single), 1);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 100);
    EXPECT_EQ(rules.FinalBalance(), 900);
}

TEST_F(PremiBonusTest, ExpiredOutOfStockOrUnaffordablePrizesAreNotCandidates) {
    const OID expired = Prize("Scaduto", 10, false, 1, Now.addDays(-1));
    const OID outOfStock = Prize("Esaurito", 10, false, 0);
    const OID tooDear = Prize("Caro", 101, false);
    // The date literal drops the time: expiring earlier today still counts.
    const OID lastDay = Prize("Ultimo giorno", 10, false, 1, Now.addSecs(-3600));
    clsPremiBonus rules(*sales, 100);
    rules.IdentifyPrizes(true);
    EXPECT_EQ(Assigned("PremiAssegnati", expired), 0);
    EXPECT_EQ(Assigned("PremiAssegnati", outOfStock), 0);
    EXPECT_EQ(Assigned("PremiAssegnati", tooDear), 0);
    EXPECT_EQ(Assigned("PremiAssegnati", lastDay), 1);
}

TEST_F(PremiBonusTest, AvailablePointsCountBonusAndLinePoints) {
    Line(Article("A1"), 1, 30);
    Line(Article("A2"), 2, 9);
    sales->SetValue("PuntiBonus", 50);
    const OID prize = Prize("Viaggio", 99, false);
    clsPremiBonus rules(*sales, 10);
    rules.IdentifyPrizes(true);
    EXPECT_EQ(rules.Available(), 99);
    EXPECT_EQ(Assigned("PremiAssegnati", prize), 1);
    EXPECT_EQ(rules.FinalBalance(), 0);
}

TEST_F(PremiBonusTest, ManualPrizesAreTakenAsChosenAndAutomaticReplacesThem) {
    const OID dear = Prize("Crociera", 500, false);
    const OID cheap = Prize("Borraccia", 30, false);
    sales->GetReference("Premi")->AddRow({{"OID_TabellaPremi", dear}, {"Quantita", 1}});

    clsPremiBonus rules(*sales, 100);
    auto manual = rules.IdentifyPrizes(false);
    EXPECT_EQ(manual->RowCount(), 1);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 500);
    EXPECT_EQ(rules.FinalBalance(), -400);

    auto automatic = rules.IdentifyPrizes(true);
    EXPECT_EQ(automatic->RowCount(), 1);
    EXPECT_EQ(Assigned("PremiAssegnati", dear), 0);
    EXPECT_EQ(Assigned("PremiAssegnati", cheap), 1);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM PremiAssegnati"), 1);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 30);
    EXPECT_EQ(rules.FinalBalance(), 70);
}

// A sale of 100 and two bonuses without articles, a cumulative one with minimum 60 and a
// single one with minimum 50.
TEST_F(PremiBonusTest, CumulativeBonusUsesUpTheAmountForLaterOnes) {
    const OID cumulative = Bonus("Sessanta", 7, Amount(60), true);
    const OID single = Bonus("Cinquanta", 5, Amount(50), false);
    sales->SetValue("Importo", Amount(100));
    auto granted = clsPremiBonus(*sales, 0).IdentifyBonus(true);
    EXPECT_EQ(granted->RowCount(), 1);
    EXPECT_EQ(Assigned("BonusAssegnati", cumulative), 1);
    EXPECT_EQ(Assigned("BonusAssegnati", single), 0);
    EXPECT_EQ(SaleValue("PuntiBonus"), 7);
}

TEST_F(PremiBonusTest, SingleBonusReadFirstLeavesTheAmountWhole) {
    const OID single = Bonus("Cinquanta", 5, Amount(50), false);
    const OID cumulative = Bonus("Sessanta", 7, Amount(60), true);
    sales->SetValue("Importo", Amount(100));
    auto granted = clsPremiBonus(*sales, 0).IdentifyBonus(true);
    EXPECT_EQ(granted->RowCount(), 2);
    EXPECT_EQ(Assigned("BonusAssegnati", cumulative), 1);
    EXPECT_EQ(Assigned("BonusAssegnati", single), 1);
    EXPECT_EQ(SaleValue("PuntiBonus"), 12);
    EXPECT_EQ(a.Scalar("SELECT PuntiBonus FROM OperazioniVendite"), 0);
}

TEST_F(PremiBonusTest, BonusMinimumIsComparedToTheExactAmount) {
    const OID reached = Bonus("Raggiunto", 3, Units(1005000), false);
    const OID missed = Bonus("Mancato", 4, Units(1005001), false);
    const OID expired = Bonus("Scaduto", 5, Amount(1), false, {}, Now.addDays(-1));
    const OID noMinimum = Bonus("Sempre", 6, Amount(0), true);
    sales->SetValue("Importo", Units(1005000)); // 100,50
    clsPremiBonus(*sales, 0).IdentifyBonus(true);
    EXPECT_EQ(Assigned("BonusAssegnati", reached), 1);
    EXPECT_EQ(Assigned("BonusAssegnati", missed), 0);
    EXPECT_EQ(Assigned("BonusAssegnati", expired), 0);
    // Without articles and without a minimum there is nothing to earn it with.
    EXPECT_EQ(Assigned("BonusAssegnati", noMinimum), 0);
    EXPECT_EQ(SaleValue("PuntiBonus"), 3);
}

TEST_F(PremiBonusTest, ArticleBonusTakesTheQuantityOfItsLine) {
    const OID sold = Article("VOLO");
    const OID other = Article("HOTEL");
    Line(Article("ALTRO"), 1);
    Line(sold, 3);
    const OID cumulative = Bonus("Volo", 10, Amount(0), true, {sold});
    const OID single = Bonus("Volo singolo", 4, Amount(0), false, {sold});
    const OID unsold = Bonus("Hotel", 20, Amount(0), true, {other});
    sales->SetValue("Importo", Amount(40));
    clsPremiBonus(*sales, 0).IdentifyBonus(true);
    EXPECT_EQ(Assigned("BonusAssegnati", cumulative), 3);
    EXPECT_EQ(a.Scalar("SELECT PuntiAssegnati FROM BonusAssegnati WHERE OID_TabellaBonus = " +
                       QString::number(cumulative)),
              30);
    EXPECT_EQ(Assigned("BonusAssegnati", single), 1);
    EXPECT_EQ(Assigned("BonusAssegnati", unsold), 0);
    // The sale earns what its bonus rows say, whichever way they were identified.
    clsPremiBonus rules(*sales, 0);
    for (bool automatic : {true, false}) {
        rules.IdentifyBonus(automatic);
        EXPECT_EQ(SaleValue("PuntiBonus"), 34) << automatic;
    }
}

TEST_F(PremiBonusTest, ManualBonusesAreSummedAndAutomaticReplacesThem) {
    const OID handPicked = Bonus("A mano", 50, Amount(1000), false);
    const OID earned = Bonus("Cinquanta", 5, Amount(50), false);
    sales->GetReference("Bonus")->AddRow({{"OID_TabellaBonus", handPicked}, {"Quantita", 2}});
    sales->SetValue("Importo", Amount(100));

    clsPremiBonus rules(*sales, 0);
    EXPECT_EQ(rules.IdentifyBonus(false)->RowCount(), 1);
    EXPECT_EQ(SaleValue("PuntiBonus"), 100);

    auto granted = rules.IdentifyBonus(true);
    EXPECT_EQ(granted->RowCount(), 1);
    EXPECT_EQ(Assigned("BonusAssegnati", handPicked), 0);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM BonusAssegnati"), 1);
    EXPECT_EQ(SaleValue("PuntiBonus"), 5);
    // Identifying again grants the same, not twice as much.
    rules.IdentifyBonus(true);
    EXPECT_EQ(Assigned("BonusAssegnati", earned), 1);
    EXPECT_EQ(SaleValue("PuntiBonus"), 5);
}

} // namespace
