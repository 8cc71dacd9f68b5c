// One sale without its window: lines, customer lookup, confirm all or nothing, failures undone.
#include "SaleRulesFixture.h"

namespace {

using Esito = clsVendita::Esito;

// The clerk's message of a refusal (DbmsError BadValue); empty when nothing was refused.
QString Refusal(const std::function<void()>& action) {
    try {
        action();
    } catch (const DbmsError& e) {
        if (e.Code() == DbmsError::BadValue) return e.Description();
        throw;
    }
    return {};
}

Money Whole(qint64 value) {
    return Money::FromWhole(value);
}

TEST_F(SaleRulesTest, LinesCountThePiecesOfPricedArticles) {
    Add("Articoli", {{"Codice", "Z0"}, {"Importo", Amount(0)}});
    // The clerk's steps: a code read (its line becomes the current one), "+" or "-" on the
    // current line, "x" removes it, "x0" and "e0" remove or edit no line at all.
    struct Case {
        const char* steps;
        std::optional<DbmsFieldValues> edit; // what the one editor saves; nullopt: given up
        qint64 lines, pieces, amount, balance;
        int beeps;
        const char* name;
    };
    const Case cases[] = {
        {"A1 A1 A2 + - +", {}, 2, 4, 700, 110, 0, "the same article on its line; +/- on a line"},
        {"A1 -", {}, 0, 0, 0, 40, 0, "the last piece taken away removes the line"},
        {"Z0 +", DbmsFieldValues{{"ImportoVendita", Amount(15)}}, 1, 1, 15, 40, 1,
         "a price-less article is priced by hand and counts no pieces"},
        {"X'9", DbmsFieldValues{{"Importo", Amount(20)}}, 1, 1, 20, 40, 0,
         "an unknown code makes the article; a quote is just a quote"},
        {"X'8", std::nullopt, 0, 0, 0, 40, 0, "an unknown code given up adds nothing"},
        {"A2 A1 x x0 e0", {}, 1, 1, 250, 65, 2, "a line removed; none to remove or edit beeps"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sale.Open(customer);
        clerk.edits = {c.edit};
        const int beeps = clerk.beeps;
        OID line = 0;
        for (const QString& step : QString(c.steps).split(' ')) {
            if (step == "+" || step == "-")
                line = sale.ChangeQuantity(line, step == "+" ? 1 : -1);
            else if (step.startsWith('x'))
                sale.RemoveLine(step == "x" ? line : 0);
            else if (step == "e0")
                sale.EditLine(0);
            else
                line = sale.AddArticle(step);
        }
        EXPECT_EQ(sale.SoldArticles()->RowCount(), c.lines);
        EXPECT_EQ(a.Scalar("SELECT IFNULL(SUM(Quantita), 0) FROM ArticoliVenduti"), c.pieces);
        EXPECT_EQ(ToMoney(sale.Sale()->GetValue("Importo")), Whole(c.amount));
        EXPECT_EQ(sale.BalanceAfterSale(), c.balance);
        EXPECT_EQ(clerk.beeps - beeps, c.beeps);
        // Cancel deletes the unconfirmed sale with its lines.
        sale.Cancel();
        EXPECT_FALSE(sale.IsOpen());
        EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
        EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), 0);
    }
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Articoli WHERE Codice = 'X''9'"), 1);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Articoli WHERE Codice = 'X''8'"), 0);
}

TEST_F(SaleRulesTest, TheCustomerByHisCard) {
    const QString longest(32, '7');
    const OID quoted = Add("Clienti", {{"Codice", "O'Brien"}, {"Cognome", "O'Brien"}});
    const OID longCard = Add("Clienti", {{"Codice", longest}, {"Cognome", "Verdi"}});
    struct Case {
        QString code;
        std::deque<bool> answers;
        OID found;
        QString asked, said;
    };
    const Case cases[] = {
        {"O'Brien", {}, quoted, {}, {}},
        {longest, {}, longCard, {}, {}},
        {longest + "7", {}, 0, {}, "Il codice cliente può avere al massimo 32 caratteri."},
        {"12'3", {false}, 0, "Codice cliente non presente...\r\rVuoi immetterlo?", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code.toStdString());
        clerk.asked.clear();
        clerk.said.clear();
        clerk.answers = c.answers;
        EXPECT_EQ(sale.LookupCustomer(c.code), c.found);
        EXPECT_EQ(clerk.asked.join(""), c.asked);
        EXPECT_EQ(clerk.said.join(""), c.said);
    }
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Clienti"), 3);
    // Answered Yes: the new customer, his card filled in.
    clerk.answers = {true};
    clerk.edits.push_back(DbmsFieldValues{{"Cognome", "Neri"}});
    const OID added = sale.LookupCustomer("12'3");
    EXPECT_EQ(a.Text("SELECT Codice FROM Clienti WHERE OID = " + QString::number(added)), "12'3");
}

TEST_F(SaleRulesTest, AConfirmStoresTheSaleItsPaymentAndTheBalance) {
    const OID card = Add("TipiPagamento", {{"Descrizione", "Carta"}});
    sale.Open(customer);
    sale.AddArticle("A1");
    sale.AddArticle("A2");
    // The clerk pays by card in the payment's editor: the next sale's default.
    clerk.edits.push_back(DbmsFieldValues{{"OID_Pagamento", card}});
    EXPECT_EQ(sale.Confirm("Nota", "VCH7"), Esito::Confermata);
    EXPECT_FALSE(sale.IsOpen());
    EXPECT_EQ(a.Text("SELECT Note || '/' || RiferimentoVoucher FROM OperazioniVendite"),
              "Nota/VCH7");
    EXPECT_EQ(a.Scalar("SELECT Importo FROM OperazioniVendite"), 350 * 10000);
    EXPECT_EQ(a.Scalar("SELECT PuntiAssegnati FROM OperazioniVendite"), 35);
    EXPECT_EQ(
        a.Scalar("SELECT COUNT(*) FROM Pagamenti WHERE Importo = 3500000 AND OID_Pagamento = " +
                 QString::number(card)),
        1);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite__Pagamento"), 1);
    EXPECT_EQ(a.Scalar("SELECT Punti FROM Clienti"), 75);
    EXPECT_EQ(settings.ReadSetting("OperazioniVendite", "PagamentoDefault"), QString::number(card));
}

TEST_F(SaleRulesTest, WhatAConfirmAsksAndWhenItStoresNothing) {
    const OID bag = Prize("Borsa", 30, false, 5);
    // Prizes alone: no payment asked, the stock taken.
    sale.Open(customer);
    ASSERT_EQ(sale.AssignedPrizes()->RowCount(), 1);
    EXPECT_EQ(sale.Confirm({}, {}), Esito::Confermata);
    EXPECT_EQ(clerk.editors + clerk.lists, 0);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Pagamenti"), 0);
    EXPECT_EQ(a.Scalar("SELECT Punti FROM Clienti"), 10);
    EXPECT_EQ(
        a.Scalar("SELECT Disponibilita FROM TabellaPremi WHERE OID = " + QString::number(bag)), 4);

    // Nothing at all: said so, and the sale stays open.
    sale.Open(customer);
    EXPECT_EQ(sale.Confirm({}, {}), Esito::Vuota);
    EXPECT_EQ(clerk.said, QStringList{"Nessun articolo o premiazione\r\rDevi inserire gli "
                                      "articoli della vendita o effettuare una premiazione..."});
    EXPECT_TRUE(sale.IsOpen());

    // A stale default payment: the list of types; none chosen, no sale.
    settings.WriteSetting("OperazioniVendite", "PagamentoDefault", "999999");
    sale.AddArticle("A1");
    EXPECT_EQ(sale.Confirm({}, {}), Esito::NonPagata);
    EXPECT_EQ(clerk.lists, 1);
    EXPECT_TRUE(sale.IsOpen());
    EXPECT_EQ(sale.SoldArticles()->RowCount(), 1);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Pagamenti"), 0);
    EXPECT_EQ(a.Scalar("SELECT Punti FROM Clienti"), 10);
}

TEST_F(SaleRulesTest, AFailedConfirmLeavesTheArchiveAsItWas) {
    Prize("Borsa", 30, false, 5);
    struct Case {
        const char* name;
        QStringList fail;
        const char* cause;
    };
    const Case cases[] = {
        {"the balance cannot be written", {}, "disco guasto"},
        // A check the archive makes only when the transaction ends.
        {"the commit fails",
         {"PRAGMA foreign_keys = ON", "CREATE TABLE Nessuno (y INTEGER PRIMARY KEY)",
          "CREATE TABLE Guasto (x INTEGER REFERENCES Nessuno(y) DEFERRABLE INITIALLY DEFERRED)",
          "CREATE TRIGGER guasto AFTER UPDATE ON Clienti BEGIN INSERT INTO Guasto VALUES (1); END"},
         "FOREIGN KEY"},
    };
    const QString state = "SELECT Punti * 1000 + (SELECT Disponibilita FROM TabellaPremi) * 100 + "
                          "(SELECT COUNT(*) FROM Pagamenti) * 10 + (SELECT COUNT(*) FROM "
                          "OperazioniVendite__Pagamento) FROM Clienti";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sale.Open(customer);
        sale.AddArticle("A1");
        ASSERT_EQ(sale.AssignedPrizes()->RowCount(), 1);
        const qint64 before = Committed(state);
        if (c.fail.isEmpty()) Break("BEFORE UPDATE ON Clienti");
        for (const QString& sql : c.fail)
            a.Exec(sql);
        try {
            sale.Confirm("Nota", {});
            ADD_FAILURE() << "confirmed";
        } catch (const std::exception& e) {
            EXPECT_TRUE(QString(e.what()).contains(c.cause, Qt::CaseInsensitive)) << e.what();
        }
        EXPECT_EQ(Committed(state), before);
        // The sale is still there, whole, and can be confirmed once the archive is mended.
        ASSERT_TRUE(sale.Resync("Nota", {}));
        EXPECT_EQ(sale.SoldArticles()->RowCount(), 1);
        EXPECT_EQ(ToMoney(sale.Sale()->GetValue("Importo")), Whole(100));
        Mend();
        EXPECT_EQ(sale.Confirm("Nota", {}), Esito::Confermata);
    }
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite WHERE Note = 'Nota'"), 2);
}

TEST_F(SaleRulesTest, BalancesAreThirtyTwoBitWholeNumbers) {
    Add("Articoli", {{"Codice", "VIAGGIO"}, {"Importo", Amount(400000)}, {"Punti", scheme}});
    const OID gift = Prize("Omaggio", 100, false);
    settings.AutoIdentify_Premi = false;
    struct Case {
        qint64 points;
        std::function<void()> fill;
        qint64 balance;
        bool accepted;
    };
    const Case cases[] = {
        {40, [&] { sale.AddArticle("VIAGGIO"); }, 40040, true},
        {2147483640, [&] { sale.AddArticle("A1"); }, 2147483650, false},
        {-2147483600,
         [&] {
             clerk.choices.push_back(gift);
             sale.AddPremio();
         },
         -2147483700, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.balance);
        a.Exec(QString("UPDATE Clienti SET Punti = %1").arg(c.points));
        sale.Open(customer);
        c.fill();
        EXPECT_EQ(sale.BalanceAfterSale(), c.balance);
        const qint64 payments = a.Scalar("SELECT COUNT(*) FROM Pagamenti");
        const QString refusal = Refusal([&] { sale.Confirm({}, {}); });
        if (c.accepted) {
            EXPECT_EQ(refusal, "");
        } else {
            EXPECT_EQ(refusal, QString("Il nuovo punteggio del cliente (%1) è fuori dai limiti "
                                       "ammessi (da -2147483648 a 2147483647): la vendita non è "
                                       "stata registrata.")
                                   .arg(c.balance));
            EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM Pagamenti"), payments);
            EXPECT_TRUE(sale.IsOpen());
            sale.Cancel();
        }
        EXPECT_EQ(a.Scalar("SELECT Punti FROM Clienti"), c.accepted ? c.balance : c.points);
    }
}

TEST_F(SaleRulesTest, PrizesNeverGoBeyondTheirStock) {
    const OID bag = Prize("Borsa", 10, true, 2);
    const QString stock = "SELECT Disponibilita FROM TabellaPremi";
    a.Exec("UPDATE Clienti SET Punti = 100");
    sale.Open(customer);
    EXPECT_EQ(Assigned("PremiAssegnati", bag), 2); // 100 points, 2 pieces

    // One more by hand: refused, and the sale keeps its two.
    clerk.choices.push_back(bag);
    EXPECT_EQ(Refusal([&] { sale.AddPremio(); }),
              "Disponibilità insufficiente per il premio \"Borsa\": richiesti 3 pezzi, "
              "disponibili 2.");
    sale.Resync({}, {});
    EXPECT_EQ(Assigned("PremiAssegnati", bag), 2);
    EXPECT_EQ(sale.Sale()->GetValue("PuntiSpesi").toLongLong(), 20);

    // Another counter took a piece meanwhile: the confirm is refused whole.
    a.Exec("UPDATE TabellaPremi SET Disponibilita = 1");
    EXPECT_EQ(Refusal([&] { sale.Confirm({}, {}); }),
              "Disponibilità insufficiente per il premio \"Borsa\": richiesti 2 pezzi, "
              "disponibili 1.");
    sale.Resync({}, {});
    EXPECT_EQ(a.Scalar(stock), 1);
    EXPECT_EQ(a.Scalar("SELECT Punti FROM Clienti"), 100);

    // Every piece in stock may go.
    a.Exec("UPDATE TabellaPremi SET Disponibilita = 2");
    EXPECT_EQ(sale.Confirm({}, {}), Esito::Confermata);
    EXPECT_EQ(a.Scalar(stock), 0);
    EXPECT_EQ(a.Scalar("SELECT Punti FROM Clienti"), 80);
}

TEST_F(SaleRulesTest, AFailedActionIsUndoneWhole) {
    Prize("Borsa", 30, false, 5);
    // A sale that cannot be opened whole is not opened.
    Break("BEFORE INSERT ON PremiAssegnati");
    EXPECT_THROW(sale.Open(customer), DbmsError);
    EXPECT_FALSE(sale.IsOpen());
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
    Mend();
    sale.Open(customer);
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM PremiAssegnati"), 1);

    // One more piece that cannot be written: the line keeps its one.
    sale.AddArticle("A1");
    Break("BEFORE UPDATE ON ArticoliVenduti");
    EXPECT_THROW(sale.AddArticle("A1"), DbmsError);
    ASSERT_TRUE(sale.Resync({}, {}));
    EXPECT_EQ(a.Scalar("SELECT Quantita FROM ArticoliVenduti"), 1);
    EXPECT_EQ(ToMoney(sale.Sale()->GetValue("Importo")), Whole(100));
    Mend();
    sale.AddArticle("A1");
    EXPECT_EQ(a.Scalar("SELECT Quantita FROM ArticoliVenduti"), 2);
}

} // namespace
