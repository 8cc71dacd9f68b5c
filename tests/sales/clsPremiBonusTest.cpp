// Bonuses earned and prizes handed out on a sale. Definitions are read in the order they were
// created.
#include "clsPremiBonus.h"
#include "SaleRulesFixture.h"

namespace {

const bool C = true, S = false; // cumulative, single
const qint64 Year = Now.secsTo(NextYear), Day = 86400, W = Money::Scale;

class PremiBonusTest : public SaleRulesTest {
protected:
    void SetUp() override {
        SaleRulesTest::SetUp();
        sales = a.Open("OperazioniVendite");
        ASSERT_TRUE(sales->Locate(sales->AddRow({{"Importo", Amount(0)}})));
    }
    OID Bonus(int points, qint64 minimum, bool cumulative, const QString& article = {},
              qint64 expiresIn = Year) {
        auto bonuses = a.Open("TabellaBonus");
        const OID oid = bonuses->AddRow({{"Descrizione", "Bonus"},
                                         {"Punti", points},
                                         {"ImportoMinimo", AmountUnits(minimum)},
                                         {"Cumulabile", cumulative},
                                         {"Scadenza", Now.addSecs(expiresIn)}});
        if (!article.isEmpty()) bonuses->SetReference("Articoli", Article(article));
        return oid;
    }
    OID Article(const QString& code) {
        return a.Scalar("SELECT IFNULL(MAX(OID), 0) FROM Articoli WHERE Codice = '" + code + "'");
    }
    void Line(OID article, int quantity, qint64 points = 0) {
        sales->GetReference("Articoli")
            ->AddRow(
                {{"OID_Articoli", article}, {"Quantita", quantity}, {"PuntiAssegnati", points}});
    }
    qint64 SaleValue(const QString& field) { return sales->GetValue(field).toLongLong(); }
    // The pieces assigned of each definition, in order.
    std::vector<qint64> Pieces(const QString& table, const std::vector<OID>& definitions) {
        std::vector<qint64> pieces;
        for (OID d : definitions)
            pieces.push_back(Assigned(table, d));
        return pieces;
    }
    std::shared_ptr<DbmsDataSource> sales;
};

TEST_F(PremiBonusTest, AutomaticPrizesAreTakenInPassesWithinPointsAndStock) {
    struct Def {
        qint64 needed;
        bool cumulative;
        int stock = 10;
        qint64 expiresIn = Year;
    };
    // The customer's points, the sale's line and bonus points; the prizes, the pieces of each
    // and the final balance. The date literal drops the time: expiring earlier today counts.
    using Prizes = std::vector<Def>;
    const std::tuple<qint64, qint64, qint64, Prizes, std::vector<qint64>, qint64> cases[] = {
        {250, 0, 0, {{100, C}, {30, C}}, {2, 1}, 20},        // cumulative, in passes
        {250, 0, 0, {{30, C}, {100, C}}, {5, 1}, 0},         // the reading order decides
        {1000, 0, 0, {{10, C, 1}, {10, C, 3}}, {1, 3}, 960}, // no more than in stock
        {1000, 0, 0, {{0, C, 5}, {100, S}}, {0, 1}, 900},    // single once, free never
        // expired, out of stock, too dear; the last day
        {100, 0, 0, {{10, S, 1, -Day}, {10, S, 0}, {101, S}, {10, S, 1, -3600}}, {0, 0, 0, 1}, 90},
        {10, 39, 50, {{99, S}}, {1}, 0}, // bonus and line points count; exactly enough
        {200000000, 2000000000, 100000, {{2100000000, S}}, {1}, 100100000}, // beyond 16 bits
    };
    for (const auto& [customer, lines, bonus, defs, pieces, final] : cases) {
        SCOPED_TRACE(final);
        a.Exec("DELETE FROM PremiAssegnati; DELETE FROM TabellaPremi; DELETE FROM ArticoliVenduti");
        std::vector<OID> prizes;
        for (const Def& d : defs)
            prizes.push_back(
                Prize("Premio", d.needed, d.cumulative, d.stock, Now.addSecs(d.expiresIn)));
        if (lines) Line(Article("A1"), 1, lines);
        sales->SetValue("PuntiBonus", bonus);
        clsPremiBonus rules(*sales, customer);
        rules.IdentifyPrizes(true);
        EXPECT_EQ(Pieces("PremiAssegnati", prizes), pieces);
        EXPECT_EQ(rules.Available(), customer + lines + bonus);
        EXPECT_EQ(SaleValue("PuntiSpesi"), rules.Available() - final);
        EXPECT_EQ(rules.FinalBalance(), final);
    }
    // The total waits in the sale's buffer for the confirm.
    EXPECT_EQ(a.Scalar("SELECT PuntiSpesi FROM OperazioniVendite"), 0);
}

TEST_F(PremiBonusTest, BonusesByMinimumAmountArticlesAndReadingOrder) {
    struct Def {
        int points;
        qint64 minimum; // units
        bool cumulative;
        const char* article = ""; // the one it is tied to
        qint64 expiresIn = Year;
    };
    // The sale's amount in units, the bonuses, the pieces of each and the points earned.
    // Without articles and without a minimum there is nothing to earn a bonus with.
    const std::tuple<qint64, std::vector<Def>, std::vector<qint64>, qint64> cases[] = {
        {100 * W, {{7, 60 * W, C}, {5, 50 * W, S}}, {1, 0}, 7},  // cumulative uses the amount up
        {100 * W, {{5, 50 * W, S}, {7, 60 * W, C}}, {1, 1}, 12}, // single leaves it whole
        {1005000,
         {{3, 1005000, S}, {4, 1005001, S}, {5, W, S, "", -Day}, {6, 0, C}},
         {1, 0, 0, 0},
         3}, // the minimum against the exact amount
        {INT64_MAX, {{9, 50 * W, S}, {8, INT64_MAX, S}}, {1, 1}, 17}, // however large
        // an article's bonus counts its line's pieces when cumulative, once when single
        {40 * W, {{10, 0, C, "A1"}, {4, 0, S, "A1"}, {20, 0, C, "A2"}}, {3, 1, 0}, 34},
    };
    Line(a.Add("Articoli", {{"Codice", "ALTRO"}}), 1);
    Line(Article("A1"), 3);
    for (const auto& [amount, defs, pieces, points] : cases) {
        SCOPED_TRACE(points);
        a.Exec("DELETE FROM BonusAssegnati; DELETE FROM TabellaBonus");
        std::vector<OID> bonuses;
        for (const Def& d : defs)
            bonuses.push_back(Bonus(d.points, d.minimum, d.cumulative, d.article, d.expiresIn));
        sales->SetValue("Importo", AmountUnits(amount));
        clsPremiBonus rules(*sales, 0);
        // The sale earns what its bonus rows say, whichever way they were identified.
        for (bool automatic : {true, false}) {
            rules.IdentifyBonus(automatic);
            EXPECT_EQ(Pieces("BonusAssegnati", bonuses), pieces) << automatic;
            EXPECT_EQ(SaleValue("PuntiBonus"), points) << automatic;
        }
    }
    EXPECT_EQ(a.Scalar("SELECT PuntiBonus FROM OperazioniVendite"), 0);
}

TEST_F(PremiBonusTest, ManualRowsAreSummedAndAutomaticReplacesThem) {
    const OID dear = Prize("Crociera", 500, false), cheap = Prize("Borraccia", 30, false);
    const OID handPicked = Bonus(50, 1000 * W, S), earned = Bonus(5, 50 * W, S);
    sales->GetReference("Premi")->AddRow({{"OID_TabellaPremi", dear}, {"Quantita", 1}});
    sales->GetReference("Bonus")->AddRow({{"OID_TabellaBonus", handPicked}, {"Quantita", 2}});
    sales->SetValue("Importo", Amount(100));
    clsPremiBonus rules(*sales, 100);
    EXPECT_EQ(rules.IdentifyBonus(false)->RowCount(), 1);
    EXPECT_EQ(SaleValue("PuntiBonus"), 100);
    EXPECT_EQ(rules.IdentifyPrizes(false)->RowCount(), 1);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 500);
    EXPECT_EQ(rules.FinalBalance(), -300);
    // Identifying again grants the same, not twice as much.
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(rules.IdentifyBonus(true)->RowCount(), 1);
        EXPECT_EQ(Pieces("BonusAssegnati", {handPicked, earned}), (std::vector<qint64>{0, 1}));
        EXPECT_EQ(SaleValue("PuntiBonus"), 5);
    }
    EXPECT_EQ(rules.IdentifyPrizes(true)->RowCount(), 1);
    EXPECT_EQ(Pieces("PremiAssegnati", {dear, cheap}), (std::vector<qint64>{0, 1}));
    EXPECT_EQ(SaleValue("PuntiSpesi"), 30);
    EXPECT_EQ(rules.FinalBalance(), 75);
}

} // namespace
