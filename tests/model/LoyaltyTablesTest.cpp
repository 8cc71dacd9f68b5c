// Prizes and bonuses: their new-row defaults (expiry one calendar year on) and the points of
// the rows assigned within a sale.
#include "TempArchive.h"
#include "modDateUtil.h"

#include <gtest/gtest.h>

namespace {

QDateTime At(int y, int m, int d, int h = 0, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

TEST(AddOneYearTest, KeepsDayMonthAndTimeOfDay) {
    EXPECT_EQ(AddOneYear(At(2024, 3, 15, 10, 30)), At(2025, 3, 15, 10, 30));
    EXPECT_EQ(AddOneYear(At(2023, 12, 31, 23, 59)), At(2024, 12, 31, 23, 59));
    EXPECT_EQ(AddOneYear(At(2023, 2, 28)), At(2024, 2, 28));
    EXPECT_EQ(AddOneYear(At(2023, 3, 1)), At(2024, 3, 1));
}

TEST(AddOneYearTest, TwentyNinthOfFebruaryBecomesTheTwentyEighth) {
    EXPECT_EQ(AddOneYear(At(2024, 2, 29, 8, 15)), At(2025, 2, 28, 8, 15));
    EXPECT_EQ(AddOneYear(At(2000, 2, 29)), At(2001, 2, 28));
}

class LoyaltyTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        a.Create();
        sales = a.Open("OperazioniVendite");
        sales->AddRow({{"Importo", Amount(0)}});
    }
    TempArchive a{At(2024, 3, 15, 10, 30)};
    std::shared_ptr<DbmsDataSource> sales;
};

TEST_F(LoyaltyTablesTest, NewPrizeAndBonusExpireOneYearOn) {
    const OID prize =
        a.Open("TabellaPremi")->AddRow({{"Descrizione", "Zaino"}, {"PuntiNecessari", 500}});
    auto p = a.Row("TabellaPremi", prize);
    EXPECT_EQ(p->GetValue("Scadenza").toDateTime(), At(2025, 3, 15, 10, 30));
    EXPECT_EQ(p->GetValue("Disponibilita").toLongLong(), 1);
    EXPECT_EQ(p->GetValue("Cumulabile").toBool(), false);
    EXPECT_FALSE(p->GetValue("Cumulabile").isNull());
    EXPECT_EQ(p->GetValue("Note").toString(), "");

    DbmsClock::SetFixed(At(2024, 2, 29, 9, 0));
    const OID bonus = a.Open("TabellaBonus")->AddRow({{"Descrizione", "Estate"}, {"Punti", 50}});
    auto b = a.Row("TabellaBonus", bonus);
    EXPECT_EQ(b->GetValue("Scadenza").toDateTime(), At(2025, 2, 28, 9, 0));
    EXPECT_EQ(ToMoney(b->GetValue("ImportoMinimo")), Money{});
    EXPECT_FALSE(b->GetValue("ImportoMinimo").isNull());
    EXPECT_EQ(b->GetValue("Cumulabile").toBool(), false);
}

TEST_F(LoyaltyTablesTest, AssignedPrizeSpendsQuantityTimesItsPoints) {
    const OID prize =
        a.Open("TabellaPremi")->AddRow({{"Descrizione", "Zaino"}, {"PuntiNecessari", 500}});
    auto prizes = sales->GetReference("Premi");
    prizes->AddNew();
    EXPECT_EQ(prizes->GetValue("Data").toDateTime(), At(2024, 3, 15, 10, 30));
    EXPECT_EQ(prizes->GetValue("Quantita").toLongLong(), 1);
    prizes->CancelUpdate();

    const OID row = prizes->AddRow({{"OID_TabellaPremi", prize}, {"Quantita", 3}});
    EXPECT_EQ(a.Scalar("SELECT PuntiSpesi FROM PremiAssegnati WHERE OID = " + QString::number(row)),
              1500);
    prizes->Locate(row);
    prizes->SetValue("Quantita", 1);
    prizes->Update();
    EXPECT_EQ(a.Scalar("SELECT PuntiSpesi FROM PremiAssegnati WHERE OID = " + QString::number(row)),
              500);
    // The prize's points, changed through the assigned row.
    prizes->SetValue("PuntiNecessari", 200);
    EXPECT_EQ(prizes->GetValue("PuntiSpesi").toLongLong(), 200);

    // Linking the prize after the quantity gives the same result.
    const OID late = prizes->AddRow({{"Quantita", 2}, {"OID_TabellaPremi", prize}});
    EXPECT_EQ(
        a.Scalar("SELECT PuntiSpesi FROM PremiAssegnati WHERE OID = " + QString::number(late)),
        400);
}

TEST_F(LoyaltyTablesTest, GrantedBonusEarnsQuantityTimesItsPoints) {
    const OID bonus = a.Open("TabellaBonus")->AddRow({{"Descrizione", "Estate"}, {"Punti", 50}});
    auto bonuses = sales->GetReference("Bonus");
    const OID row = bonuses->AddRow({{"OID_TabellaBonus", bonus}, {"Quantita", 2}});
    EXPECT_EQ(
        a.Scalar("SELECT PuntiAssegnati FROM BonusAssegnati WHERE OID = " + QString::number(row)),
        100);
    EXPECT_EQ(a.Text("SELECT Data FROM BonusAssegnati WHERE OID = " + QString::number(row)),
              "2024-03-15 10:30:00");
    bonuses->Locate(row);
    bonuses->SetValue("Quantita", 1);
    EXPECT_EQ(bonuses->GetValue("PuntiAssegnati").toLongLong(), 50);
    bonuses->SetValue("Punti", 20);
    EXPECT_EQ(bonuses->GetValue("PuntiAssegnati").toLongLong(), 20);
}

TEST_F(LoyaltyTablesTest, AssignedPointsBeyondThirtyTwoBitsAreRefused) {
    struct Case {
        const char* definitions;
        const char* points;
        const char* collection;
        const char* link;
        const char* table;
    };
    const Case cases[] = {
        {"TabellaPremi", "PuntiNecessari", "Premi", "OID_TabellaPremi", "PremiAssegnati"},
        {"TabellaBonus", "Punti", "Bonus", "OID_TabellaBonus", "BonusAssegnati"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        const OID definition =
            a.Open(c.definitions)->AddRow({{"Descrizione", "Enorme"}, {c.points, 2000000000}});
        auto rows = sales->GetReference(c.collection);
        EXPECT_THROW(rows->AddRow({{c.link, definition}, {"Quantita", 2}}), DbmsError);
        EXPECT_EQ(a.Scalar(QString("SELECT COUNT(*) FROM ") + c.table), 0);
        rows->CancelUpdate();
    }
}

} // namespace
