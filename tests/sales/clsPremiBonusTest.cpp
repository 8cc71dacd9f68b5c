// Bonuses earned and prizes handed out on a sale. Definitions are read in the order they were
// created.
#include "clsPremiBonus.h"
#include "SaleRulesFixture.h"

namespace {

QVariant Units(qint64 units) {
    return QVariant::fromValue(Money::FromUnits(units));
}

class PremiBonusTest : public SaleRulesTest {
protected:
    void SetUp() override {
        SaleRulesTest::SetUp();
        sales = a.Open("OperazioniVendite");
        ASSERT_TRUE(sales->Locate(sales->AddRow({{"Importo", Amount(0)}})));
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
    OID Article(const QString& code) { return Add("Articoli", {{"Codice", code}}); }
    void Line(OID article, int quantity, qint64 points = 0) {
        sales->GetReference("Articoli")
            ->AddRow(
                {{"OID_Articoli", article}, {"Quantita", quantity}, {"PuntiAssegnati", points}});
    }
    qint64 SaleValue(const QString& field) { return sales->GetValue(field).toLongLong(); }

    std::shared_ptr<DbmsDataSource> sales;
};

TEST_F(PremiBonusTest, AutomaticPrizesAreTakenInPassesWithinPointsAndStock) {
    struct Def {
        qint64 needed;
        bool cumulative;
        int stock;
        qint64 expiresIn; // seconds from now
    };
    const qint64 year = Now.secsTo(NextYear);
    struct Case {
        const char* name;
        qint64 customer, lines, bonus;
        std::vector<Def> prizes;
        std::vector<qint64> pieces;
        qint64 final;
    };
    const Case cases[] = {
        {"cumulative, in passes while points last",
         250,
         0,
         0,
         {{100, true, 10, year}, {30, true, 10, year}},
         {2, 1},
         20},
        {"reading order decides who takes the points",
         250,
         0,
         0,
         {{30, true, 10, year}, {100, true, 10, year}},
         {5, 1},
         0},
        {"no more pieces than in stock",
         1000,
         0,
         0,
         {{10, true, 1, year}, {10, true, 3, year}},
         {1, 3},
         960},
        {"a single prize once, a free one never",
         1000,
         0,
         0,
         {{0, true, 5, year}, {100, false, 10, year}},
         {0, 1},
         900},
        // The date literal drops the time: expiring earlier today still counts.
        {"expired, out of stock, too dear, last day",
         100,
         0,
         0,
         {{10, false, 1, -86400},
          {10, false, 0, year},
          {101, false, 10, year},
          {10, false, 1, -3600}},
         {0, 0, 0, 1},
         90},
        {"bonus and line points count, exactly enough",
         10,
         39,
         50,
         {{99, false, 10, year}},
         {1},
         0},
        {"beyond sixteen bits, counted whole",
         200000000,
         2000000000,
         100000,
         {{2100000000, false, 10, year}},
         {1},
         100100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        a.Exec("DELETE FROM PremiAssegnati");
        a.Exec("DELETE FROM TabellaPremi");
        a.Exec("DELETE FROM ArticoliVenduti");
        std::vector<OID> prizes;
        for (const Def& d : c.prizes)
            prizes.push_back(
                Prize("Premio", d.needed, d.cumulative, d.stock, Now.addSecs(d.expiresIn)));
        if (c.lines) Line(Article("L" + QString::number(prizes.front())), 1, c.lines);
        sales->SetValue("PuntiBonus", c.bonus);
        clsPremiBonus rules(*sales, c.customer);
        rules.IdentifyPrizes(true);
        for (size_t i = 0; i < prizes.size(); ++i)
            EXPECT_EQ(Assigned("PremiAssegnati", prizes[i]), c.pieces[i]) << i;
        EXPECT_EQ(rules.Available(), c.customer + c.lines + c.bonus);
        EXPECT_EQ(SaleValue("PuntiSpesi"), rules.Available() - c.final);
        EXPECT_EQ(rules.FinalBalance(), c.final);
    }
    // The total waits in the sale's buffer for the confirm.
    EXPECT_EQ(a.Scalar("SELECT PuntiSpesi FROM OperazioniVendite"), 0);
}

TEST_F(PremiBonusTest, ManualPrizesAreTakenAsChosenAndAutomaticReplacesThem) {
    const OID dear = Prize("Crociera", 500, false);
    const OID cheap = Prize("Borraccia", 30, false);
    sales->GetReference("Premi")->AddRow({{"OID_TabellaPremi", dear}, {"Quantita", 1}});

    clsPremiBonus rules(*sales, 100);
    EXPECT_EQ(rules.IdentifyPrizes(false)->RowCount(), 1);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 500);
    EXPECT_EQ(rules.FinalBalance(), -400);

    EXPECT_EQ(rules.IdentifyPrizes(true)->RowCount(), 1);
    EXPECT_EQ(Assigned("PremiAssegnati", dear), 0);
    EXPECT_EQ(Assigned("PremiAssegnati", cheap), 1);
    EXPECT_EQ(SaleValue("PuntiSpesi"), 30);
    EXPECT_EQ(rules.FinalBalance(), 70);
}

TEST_F(PremiBonusTest, BonusesByMinimumAmountArticlesAndReadingOrder) {
    struct Def {
        int points;
        qint64 minimum; // units
        bool cumulative;
        const char* article; // the bonus is tied to it; nullptr: to none
        qint64 expiresIn;
    };
    const qint64 year = Now.secsTo(NextYear), whole = 10000;
    struct Case {
        const char* name;
        qint64 amount; // units
        std::vector<Def> bonuses;
        std::vector<qint64> pieces;
        qint64 points;
    };
    const Case cases[] = {
        {"a cumulative bonus uses up the amount for later ones",
         100 * whole,
         {{7, 60 * whole, true, nullptr, year}, {5, 50 * whole, false, nullptr, year}},
         {1, 0},
         7},
        {"a single bonus read first leaves the amount whole",
         100 * whole,
         {{5, 50 * whole, false, nullptr, year}, {7, 60 * whole, true, nullptr, year}},
         {1, 1},
         12},
        // Without articles and without a minimum there is nothing to earn it with.
        {"the minimum against the exact amount",
         1005000,
         {{3, 1005000, false, nullptr, year},
          {4, 1005001, false, nullptr, year},
          {5, whole, false, nullptr, -86400},
          {6, 0, true, nullptr, year}},
         {1, 0, 0, 0},
         3},
        {"an article's bonus counts the pieces of its line when cumulative",
         40 * whole,
         {{10, 0, true, "A1", year}, {4, 0, false, "A1", year}, {20, 0, true, "A2", year}},
         {3, 1, 0},
         34},
    };
    const OID flight = a.Scalar("SELECT OID FROM Articoli WHERE Codice = 'A1'");
    Line(Add("Articoli", {{"Codice", "ALTRO"}}), 1);
    Line(flight, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        a.Exec("DELETE FROM BonusAssegnati");
        a.Exec("DELETE FROM TabellaBonus");
        std::vector<OID> bonuses;
        for (const Def& d : c.bonuses) {
            std::vector<OID> tied;
            if (d.article)
                tied.push_back(a.Scalar(
                    QString("SELECT OID FROM Articoli WHERE Codice = '%1'").arg(d.article)));
            bonuses.push_back(Bonus("Bonus", d.points, Units(d.minimum), d.cumulative, tied,
                                    Now.addSecs(d.expiresIn)));
        }
        sales->SetValue("Importo", Units(c.amount));
        clsPremiBonus rules(*sales, 0);
        // The sale earns what its bonus rows say, whichever way they were identified.
        for (bool automatic : {true, false}) {
            rules.IdentifyBonus(automatic);
            for (size_t i = 0; i < bonuses.size(); ++i)
                EXPECT_EQ(Assigned("BonusAssegnati", bonuses[i]), c.pieces[i]) << i;
            EXPECT_EQ(SaleValue("PuntiBonus"), c.points) << automatic;
        }
    }
    EXPECT_EQ(a.Scalar("SELECT PuntiBonus FROM OperazioniVendite"), 0);
}

TEST_F(PremiBonusTest, ManualBonusesAreSummedAndAutomaticReplacesThem) {
    const OID handPicked = Bonus("A mano", 50, Amount(1000), false);
    const OID earned = Bonus("Cinquanta", 5, Amount(50), false);
    sales->GetReference("Bonus")->AddRow({{"OID_TabellaBonus", handPicked}, {"Quantita", 2}});
    sales->SetValue("Importo", Amount(100));

    clsPremiBonus rules(*sales, 0);
    EXPECT_EQ(rules.IdentifyBonus(false)->RowCount(), 1);
    EXPECT_EQ(SaleValue("PuntiBonus"), 100);
    // Automatic replaces them, and identifying again grants the same, not twice as much.
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(rules.IdentifyBonus(true)->RowCount(), 1);
        EXPECT_EQ(Assigned("BonusAssegnati", handPicked), 0);
        EXPECT_EQ(Assigned("BonusAssegnati", earned), 1);
        EXPECT_EQ(SaleValue("PuntiBonus"), 5);
    }
}

} // namespace
