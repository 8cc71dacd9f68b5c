// One sale without its window: lines, customer lookup, confirm all or nothing, failures undone.
#include "SaleRulesFixture.h"
#include "modCode.h"

namespace {

using Esito = clsVendita::Esito;

// The clerk's message of a refusal (DbmsError BadValue); empty when nothing was refused.
QString Refusal(const std::function<void()>& action) {
    const DbmsError e = Raised(action);
    if (e.Code() == 0) return {};
    return (e.Code() == DbmsError::BadValue ? "" : "not a refusal: ") + e.Description();
}

Money Total(const clsVendita& sale) {
    return ToMoney(sale.Sale()->GetValue("Importo"));
}

TEST(ExtractCode, EndsAtTheFirstCarriageReturnOrLineFeed) {
    const std::pair<QString, QString> cases[] = {
        {"C1", ""}, {"C1\r", "C1"}, {"C1\n", "C1"}, {"C1\nC2\r", "C1"}, {"\rC1\r", ""}};
    for (const auto& [text, code] : cases)
        EXPECT_EQ(ExtractCode(text), code) << text.toStdString();
}

TEST_F(SaleRulesTest, LinesCountThePiecesOfPricedArticlesTheCustomerIsFoundByHisCard) {
    a.Add("Articoli", {{"Codice", "Z0"}, {"Importo", Amount(0)}});
    // The clerk's steps: a code read (its line becomes the current one), "+" or "-" on the
    // current line, "x" removes it, "x0" and "e0" remove or edit no line at all. The one editor
    // saves `price` into `field`; a null field: the clerk gives up.
    const std::tuple<const char*, const char*, int, int, int, int, int, int> cases[] = {
        {"A1 A1 A2 + - +", "", 0, 2, 4, 700, 110, 0},    // the same article on its line
        {"A1 -", "", 0, 0, 0, 0, 40, 0},                 // the last piece taken away
        {"Z0 +", "ImportoVendita", 15, 1, 1, 15, 40, 1}, // price-less: priced by hand, no pieces
        {"X'9", "Importo", 20, 1, 1, 20, 40, 0},         // an unknown code makes the article
        {"X'8", nullptr, 0, 0, 0, 0, 40, 0},             // ... unless the clerk gives up
        {"A2 A1 x x0 e0", "", 0, 1, 1, 250, 65, 2},
        {"ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ", "", 0, 0, 0, 0, 40, 1}, // no code is that long
    };
    for (const auto& [steps, field, price, lines, pieces, amount, balance, beeps] : cases) {
        SCOPED_TRACE(steps);
        sale.Open(customer);
        clerk.edits = {field ? std::optional(DbmsFieldValues{}) : std::nullopt};
        if (price) clerk.edits = {DbmsFieldValues{{field, Amount(price)}}};
        const int beeped = clerk.beeps;
        OID line = 0;
        for (const QString& step : QString(steps).split(' ')) {
            if (step == "+" || step == "-")
                line = sale.ChangeQuantity(line, step == "+" ? 1 : -1);
            else if (step.startsWith('x'))
                sale.RemoveLine(step == "x" ? line : 0);
            else if (step == "e0")
                sale.EditLine(0);
            else
                line = sale.AddArticle(step);
        }
        EXPECT_EQ(sale.SoldArticles()->RowCount(), lines);
        EXPECT_EQ(Pieces(), pieces);
        EXPECT_EQ(Total(sale), Money::FromWhole(amount));
        EXPECT_EQ(sale.BalanceAfterSale(), balance);
        EXPECT_EQ(clerk.beeps - beeped, beeps);
        // Cancel deletes the unconfirmed sale with its lines.
        sale.Cancel();
        EXPECT_FALSE(sale.IsOpen());
        EXPECT_EQ(a.Count("OperazioniVendite") + a.Count("ArticoliVenduti"), 0);
    }
    EXPECT_EQ(a.Count("Articoli WHERE Codice = 'X''9'"), 1);
    EXPECT_EQ(a.Count("Articoli WHERE Codice = 'X''8'"), 0);
    EXPECT_EQ(a.Count("Articoli WHERE Codice LIKE 'ZZZ%'"), 0); // nor one cut short
    EXPECT_EQ(clerk.said, QStringList{"Il codice articolo può avere al massimo 32 caratteri."});
    // The customer by his card.
    const QString longest(32, '7');
    const OID quoted = a.Add("Clienti", {{"Codice", "O'Brien"}, {"Cognome", "O'Brien"}});
    const OID longCard = a.Add("Clienti", {{"Codice", longest}, {"Cognome", "Verdi"}});
    // The card, the customer found, the question asked (answered No), what the clerk is told.
    const std::tuple<QString, OID, QString, QString> cards[] = {
        {"O'Brien", quoted, {}, {}},
        {longest, longCard, {}, {}},
        {longest + "7", 0, {}, "Il codice cliente può avere al massimo 32 caratteri."},
        {"12'3", 0, "Codice cliente non presente...\r\rVuoi immetterlo?", {}},
    };
    for (const auto& [code, found, asked, said] : cards) {
        SCOPED_TRACE(code.toStdString());
        clerk.asked.clear();
        clerk.said.clear();
        if (!asked.isEmpty()) clerk.answers = {false};
        EXPECT_EQ(sale.LookupCustomer(code), found);
        EXPECT_EQ(clerk.asked.join(""), asked);
        EXPECT_EQ(clerk.said.join(""), said);
    }
    EXPECT_EQ(a.Count("Clienti"), 3);
    // Answered Yes: the new customer, his card filled in.
    clerk.answers = {true};
    clerk.edits.push_back(DbmsFieldValues{{"Cognome", "Neri"}});
    const OID added = sale.LookupCustomer("12'3");
    EXPECT_EQ(a.Text("SELECT Codice FROM Clienti WHERE OID = " + QString::number(added)), "12'3");
    // Two lines as large as an amount can be: their total does not fit, and is refused.
    const OID largest = a.Add("Articoli", {{"Codice", "MAX"}, {"Importo", AmountUnits(INT64_MAX)}});
    sale.Open(customer);
    sale.AddArticle("MAX");
    clerk.edits = {DbmsFieldValues{{"OID_Articoli", largest}}};
    EXPECT_EQ(Refusal([&] { sale.AddLine(); }),
              "Il totale della vendita è fuori dai limiti ammessi.");
    EXPECT_EQ(Pieces(), 1);
}

TEST_F(SaleRulesTest, AConfirmStoresTheSaleItsPaymentAndTheBalanceAllOrNothing) {
    const OID card = a.Add("TipiPagamento", {{"Descrizione", "Carta"}});
    // Nothing at all: said so, and the sale stays open.
    sale.Open(customer);
    EXPECT_EQ(sale.Confirm({}, {}), Esito::Vuota);
    EXPECT_EQ(clerk.said, QStringList{"Nessun articolo o premiazione\r\rDevi inserire gli "
                                      "articoli della vendita o effettuare una premiazione..."});
    EXPECT_TRUE(sale.IsOpen());
    // The clerk pays by card in the payment's editor: the next sale's default.
    sale.AddArticle("A1");
    sale.AddArticle("A2");
    clerk.edits.push_back(DbmsFieldValues{{"OID_Pagamento", card}});
    EXPECT_EQ(sale.Confirm("Nota", "VCH7"), Esito::Confermata);
    EXPECT_FALSE(sale.IsOpen());
    EXPECT_EQ(a.Text("SELECT Note || '/' || RiferimentoVoucher || '/' || Importo || '/' || "
                     "PuntiAssegnati || '/' || (SELECT Punti FROM Clienti) FROM OperazioniVendite"),
              "Nota/VCH7/3500000/35/75");
    EXPECT_EQ(
        a.Count("Pagamenti WHERE Importo = 3500000 AND OID_Pagamento = " + QString::number(card)),
        1);
    EXPECT_EQ(a.Count("OperazioniVendite__Pagamento"), 1);
    EXPECT_EQ(settings.ReadSetting("OperazioniVendite", "PagamentoDefault"), QString::number(card));
    // A stale default payment: the list of types; none chosen, no sale.
    settings.WriteSetting("OperazioniVendite", "PagamentoDefault", "999999");
    sale.Open(customer);
    sale.AddArticle("A1");
    EXPECT_EQ(sale.Confirm({}, {}), Esito::NonPagata);
    EXPECT_EQ(clerk.lists, 1);
    EXPECT_TRUE(sale.IsOpen());
    EXPECT_EQ(sale.SoldArticles()->RowCount(), 1);
    sale.Cancel();
    // Prizes alone: no payment asked, the stock taken.
    Prize("Borsa", 30, false, 5);
    sale.Open(customer);
    ASSERT_EQ(sale.AssignedPrizes()->RowCount(), 1);
    EXPECT_EQ(sale.Confirm({}, {}), Esito::Confermata);
    EXPECT_EQ(clerk.editors + clerk.lists + a.Count("Pagamenti"), 3);
    EXPECT_EQ(PointsAndStock(), "45/4");
}

TEST_F(SaleRulesTest, AnOpenSaleIsStoredAddingUpAfterEachAction) {
    // The program may end at any moment: the open sale's row must agree with its rows then.
    Prize("Borsa", 30, false, 5);
    const QString stored = "SELECT Importo || '/' || PuntiAssegnati || '/' || PuntiSpesi FROM "
                           "OperazioniVendite";
    sale.Open(customer);
    EXPECT_EQ(a.Text(stored), "0/0/30");
    sale.AddArticle("A2");
    EXPECT_EQ(a.Text(stored), "2500000/25/30");
}

TEST_F(SaleRulesTest, AFailedActionLeavesTheArchiveAsItWas) {
    Prize("Borsa", 30, false, 5);
    // A sale that cannot be opened whole is not opened.
    Break("BEFORE INSERT ON PremiAssegnati");
    EXPECT_THROW(sale.Open(customer), DbmsError);
    EXPECT_FALSE(sale.IsOpen());
    EXPECT_EQ(a.Count("OperazioniVendite"), 0);
    Mend();
    // One more piece that cannot be written: the line keeps its one.
    sale.Open(customer);
    sale.AddArticle("A1");
    Break("BEFORE UPDATE ON ArticoliVenduti");
    EXPECT_THROW(sale.AddArticle("A1"), DbmsError);
    ASSERT_TRUE(sale.Resync({}, {}));
    EXPECT_EQ(Pieces(), 1);
    EXPECT_EQ(Total(sale), Money::FromWhole(100));
    Mend();
    sale.AddArticle("A1");
    EXPECT_EQ(Pieces(), 2);
    sale.Cancel();
    // A confirm that fails, the second on a check the archive makes only when the transaction
    // ends.
    const std::pair<QStringList, QString> cases[] = {
        {{"CREATE TRIGGER guasto BEFORE UPDATE ON Clienti BEGIN SELECT RAISE(ABORT, 'disco "
          "guasto'); END"},
         "disco guasto"},
        {{"PRAGMA foreign_keys = ON", "CREATE TABLE Nessuno (y INTEGER PRIMARY KEY)",
          "CREATE TABLE Guasto (x INTEGER REFERENCES Nessuno(y) DEFERRABLE INITIALLY DEFERRED)",
          "CREATE TRIGGER guasto AFTER UPDATE ON Clienti BEGIN INSERT INTO Guasto VALUES (1); END"},
         "FOREIGN KEY"},
    };
    // Through a connection of its own: what is on disk, not what a transaction holds.
    const auto committed = [this] {
        SQLite::Database other(a.Path().toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement st(other, "SELECT Punti || '/' || (SELECT Disponibilita FROM "
                                    "TabellaPremi) || '/' || (SELECT COUNT(*) FROM Pagamenti) || "
                                    "'/' || (SELECT COUNT(*) FROM OperazioniVendite__Pagamento) "
                                    "FROM Clienti");
        return st.executeStep() ? st.getColumn(0).getString() : "";
    };
    for (const auto& [fail, cause] : cases) {
        SCOPED_TRACE(cause.toStdString());
        sale.Open(customer);
        sale.AddArticle("A1");
        ASSERT_EQ(sale.AssignedPrizes()->RowCount(), 1);
        const std::string before = committed();
        for (const QString& sql : fail)
            a.Exec(sql);
        try {
            sale.Confirm("Nota", {});
            ADD_FAILURE() << "confirmed";
        } catch (const std::exception& e) {
            EXPECT_TRUE(QString(e.what()).contains(cause, Qt::CaseInsensitive)) << e.what();
        }
        EXPECT_EQ(committed(), before);
        // The sale is still there, whole, and can be confirmed once the archive is mended.
        ASSERT_TRUE(sale.Resync("Nota", {}));
        EXPECT_EQ(sale.SoldArticles()->RowCount(), 1);
        EXPECT_EQ(Total(sale), Money::FromWhole(100));
        Mend();
        EXPECT_EQ(sale.Confirm("Nota", {}), Esito::Confermata);
    }
    EXPECT_EQ(a.Count("OperazioniVendite WHERE Note = 'Nota'"), 2);
}

TEST_F(SaleRulesTest, BalancesAreThirtyTwoBitWholeNumbers) {
    a.Add("Articoli", {{"Codice", "VIAGGIO"}, {"Importo", Amount(400000)}, {"Punti", scheme}});
    const OID gift = Prize("Omaggio", 100, false);
    settings.AutoIdentify_Premi = false;
    // An empty code: the prize "Omaggio" chosen by hand.
    const std::tuple<qint64, const char*, qint64> cases[] = {
        {40, "VIAGGIO", 40040}, {2147483640, "A1", 2147483650}, {-2147483600, "", -2147483700}};
    for (const auto& [points, code, balance] : cases) {
        SCOPED_TRACE(balance);
        a.Exec(QString("UPDATE Clienti SET Punti = %1").arg(points));
        sale.Open(customer);
        clerk.choices = {gift};
        *code ? (void)sale.AddArticle(code) : sale.AddPremio();
        EXPECT_EQ(sale.BalanceAfterSale(), balance);
        const bool accepted = balance == 40040;
        EXPECT_EQ(Refusal([&] { sale.Confirm({}, {}); }),
                  accepted ? ""
                           : QString("Il nuovo punteggio del cliente (%1) è fuori dai limiti "
                                     "ammessi (da -2147483648 a 2147483647): la vendita non è "
                                     "stata registrata.")
                                 .arg(balance));
        EXPECT_EQ(a.Count("Pagamenti"), 1);
        EXPECT_EQ(sale.IsOpen(), !accepted);
        if (!accepted) sale.Cancel();
        EXPECT_EQ(a.Scalar("SELECT Punti FROM Clienti"), accepted ? balance : points);
    }
}

TEST_F(SaleRulesTest, PrizesNeverGoBeyondTheirStock) {
    const OID bag = Prize("Borsa", 10, true, 2);
    a.Exec("UPDATE Clienti SET Punti = 100");
    sale.Open(customer);
    EXPECT_EQ(Assigned("PremiAssegnati", bag), 2); // 100 points, 2 pieces
    const QString refused = "Disponibilità insufficiente per il premio \"Borsa\": richiesti %1 "
                            "pezzi, disponibili %2.";
    // One more by hand: refused, and the sale keeps its two.
    clerk.choices.push_back(bag);
    EXPECT_EQ(Refusal([&] { sale.AddPremio(); }), refused.arg(3).arg(2));
    sale.Resync({}, {});
    EXPECT_EQ(Assigned("PremiAssegnati", bag), 2);
    EXPECT_EQ(sale.Sale()->GetValue("PuntiSpesi").toLongLong(), 20);
    // Whole pieces only: a prize given back would fill the stock and the card.
    const OID extra = a.Add("TabellaBonus", {{"Descrizione", "Extra"}, {"Punti", 5}});
    for (const int pieces : {0, -1}) {
        clerk.choices = {bag, extra};
        clerk.edits = {DbmsFieldValues{{"Quantita", pieces}},
                       DbmsFieldValues{{"Quantita", pieces}}};
        const QString said = QString("La quantità deve essere almeno 1 (indicata %1).").arg(pieces);
        EXPECT_EQ(Refusal([&] { sale.AddPremio(); }), said);
        EXPECT_EQ(Refusal([&] { sale.AddBonus(); }), said);
        sale.Resync({}, {});
    }
    EXPECT_EQ(Assigned("PremiAssegnati", bag) + a.Count("BonusAssegnati"), 2);
    // Another counter took a piece meanwhile: the confirm is refused whole.
    a.Exec("UPDATE TabellaPremi SET Disponibilita = 1");
    EXPECT_EQ(Refusal([&] { sale.Confirm({}, {}); }), refused.arg(2).arg(1));
    sale.Resync({}, {});
    EXPECT_EQ(PointsAndStock(), "100/1");
    // Every piece in stock may go.
    a.Exec("UPDATE TabellaPremi SET Disponibilita = 2");
    EXPECT_EQ(sale.Confirm({}, {}), Esito::Confermata);
    EXPECT_EQ(PointsAndStock(), "80/0");
}

} // namespace
