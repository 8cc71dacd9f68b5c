// The sale window's lifecycle: a whole sale, confirm, cancel, failures on the way.
#include "SaleWindowFixture.h"

TEST_F(SaleWindowTest, AWholeSaleFromTheKeyboardAlone) {
    frmVendite& w = Open();
    EXPECT_FALSE(w.txtCode_Articolo->isEnabled()); // no sale yet: only the customer choice
    EXPECT_TRUE(w.cmdCancel->isEnabled());

    TypeCustomer("C001");
    ASSERT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(w.txtCliente->text(), "Rossi Ada");
    EXPECT_EQ(w.lblPunti->text(), "40");

    ReadArticle("A1");
    ReadArticle("A1"); // the same article again: one line, two pieces
    ReadArticle("A2");
    EXPECT_EQ(barcodeTarget, w.txtCode_Articolo);
    ASSERT_EQ(w.Vendita().SoldArticles()->RowCount(), 2);
    Key("+"); // on the current line, the hotel: two nights
    Key("-");
    Key("+");
    EXPECT_EQ(w.lblTotale->text(), "700,00");
    EXPECT_EQ(w.lblTot_Punti->text(), "110"); // 40 + 20 + 50

    prompter.Dialog(Accept);           // the payment, as proposed
    prompter.Answer(PromptAnswer::No); // no further sale
    QTest::keyClick(w.txtCode_Articolo, Qt::Key_Return);
    EXPECT_EQ(prompter.History()[0].DialogName, "DbmsRowEditor");
    EXPECT_EQ(prompter.LastMessage().Text,
              "Operazione confermata.\r\rVuoi effettuarne una nuova ?");
    EXPECT_EQ(prompter.Beeps(), 1);
    EXPECT_FALSE(w.isVisible());

    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 1);
    EXPECT_EQ(Scalar("SELECT Importo FROM OperazioniVendite"), 700 * 10000);
    EXPECT_EQ(Scalar("SELECT PuntiAssegnati FROM OperazioniVendite"), 70);
    EXPECT_EQ(Scalar("SELECT SUM(Quantita) FROM ArticoliVenduti"), 4);
    EXPECT_EQ(Scalar("SELECT Quantita FROM ArticoliVenduti WHERE OID_Articoli = " +
                     QString::number(hotel)),
              2);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Pagamenti WHERE Importo = 7000000 AND OID_Pagamento = " +
                     QString::number(cash)),
              1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite__Pagamento"), 1);
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti WHERE OID = " + QString::number(customer)), 110);
    EXPECT_EQ(settings.ReadSetting("OperazioniVendite", "PagamentoDefault"), QString::number(cash));
}

TEST_F(SaleWindowTest, PrizesOnlyAskNoPaymentAndTakeTheStock) {
    const OID prize = Add("TabellaPremi", {{"Descrizione", "Borsa"},
                                           {"PuntiNecessari", 30},
                                           {"Disponibilita", 5},
                                           {"Cumulabile", false}});
    frmVendite& w = Open();
    TypeCustomer("C001");
    w.Vendita().Identify_Premi(true);
    ASSERT_EQ(w.Vendita().AssignedPrizes()->RowCount(), 1);
    prompter.Answer(PromptAnswer::Yes); // another sale: the window stays
    w.cmdConfirm_Click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.IsSaleOpen());
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Pagamenti"), 0);
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti WHERE OID = " + QString::number(customer)), 10);
    EXPECT_EQ(
        Scalar("SELECT Disponibilita FROM TabellaPremi WHERE OID = " + QString::number(prize)), 4);
}

TEST_F(SaleWindowTest, NothingToConfirm) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    prompter.Answer(PromptAnswer::Ok);
    w.cmdConfirm_Click();
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Nessun articolo o premiazione\r\r"));
    EXPECT_TRUE(w.IsSaleOpen());
}

TEST_F(SaleWindowTest, AStaleDefaultPaymentFallsBackToTheList) {
    settings.WriteSetting("OperazioniVendite", "PagamentoDefault", "999999");
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    prompter.Dialog([](QDialog& list) {
        EXPECT_EQ(list.objectName(), "DbmsSelectionList");
        return int(QDialog::Rejected); // no type chosen: the sale stays open
    });
    w.cmdConfirm_Click();
    EXPECT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Pagamenti"), 0);
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti WHERE OID = " + QString::number(customer)), 40);
    EXPECT_EQ(w.Vendita().SoldArticles()->RowCount(), 1);
}

TEST_F(SaleWindowTest, AFailureInTheMiddleOfConfirmLeavesTheArchiveAsItWas) {
    const OID prize = Add("TabellaPremi", {{"Descrizione", "Borsa"},
                                           {"PuntiNecessari", 30},
                                           {"Disponibilita", 5},
                                           {"Cumulabile", false}});
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    ASSERT_EQ(w.Vendita().AssignedPrizes()->RowCount(), 1);
    // The customer's balance cannot be written: the payment is already recorded by then.
    Exec("CREATE TRIGGER guasto BEFORE UPDATE ON Clienti BEGIN SELECT RAISE(ABORT, 'disco "
         "guasto'); END");
    prompter.Dialog(Accept).Answer(PromptAnswer::No); // payment; no details of the error
    w.cmdConfirm_Click();
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Errore in conferma dati: \r\r"));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Pagamenti"), 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite__Pagamento"), 0);
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti"), 40);
    EXPECT_EQ(
        Scalar("SELECT Disponibilita FROM TabellaPremi WHERE OID = " + QString::number(prize)), 5);
    // The sale is still open in the window, whole, and can be confirmed once the disk is back.
    ASSERT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(w.Vendita().SoldArticles()->RowCount(), 1);
    EXPECT_EQ(w.lblTotale->text(), "100,00");
    Exec("DROP TRIGGER guasto");
    prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
    w.cmdConfirm_Click();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Pagamenti"), 1);
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti"), 20); // 40 + 10 - 30
}

TEST_F(SaleWindowTest, PointsAndBalancesAreThirtyTwoBitWholeNumbers) {
    Article("VIAGGIO", 400000); // 40 000 points on one line
    struct Case {
        qint64 points;
        const char* article;
        qint64 balance;
        bool accepted;
    };
    const Case cases[] = {{40, "VIAGGIO", 40040, true}, {2147483640, "A1", 2147483650, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.balance);
        Exec(QString("UPDATE Clienti SET Punti = %1").arg(c.points));
        frmVendite& w = Open();
        TypeCustomer("C001");
        ReadArticle(c.article);
        EXPECT_EQ(w.lblTot_Punti->text(), QString::number(c.balance));
        if (c.accepted) {
            prompter.Dialog(Accept).Answer(PromptAnswer::No);
            w.cmdConfirm_Click();
            EXPECT_EQ(Scalar("SELECT Punti FROM Clienti"), c.balance);
            continue;
        }
        const qint64 payments = Scalar("SELECT COUNT(*) FROM Pagamenti");
        prompter.Answer(PromptAnswer::Ok);
        w.cmdConfirm_Click();
        EXPECT_EQ(prompter.LastMessage().Text,
                  "Il nuovo punteggio del cliente (2147483650) è fuori dai limiti ammessi (da "
                  "-2147483648 a 2147483647): la vendita non è stata registrata.");
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(Scalar("SELECT Punti FROM Clienti"), c.points);
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Pagamenti"), payments);
        EXPECT_TRUE(w.IsSaleOpen());
    }
}

TEST_F(SaleWindowTest, AConfirmAfterAFailedStepStoresWhatTheWindowShows) {
    struct Case {
        const char* note;
        std::function<void()> fail, mend;
    };
    const Case cases[] = {
        {"Pagamento annullato",
         [&] { prompter.Dialog([](QDialog&) { return int(QDialog::Rejected); }); }, [] {}},
        {"Disco guasto",
         [&] {
             Exec("CREATE TRIGGER guasto BEFORE UPDATE ON Clienti BEGIN SELECT RAISE(ABORT, "
                  "'disco guasto'); END");
             prompter.Dialog(Accept).Answer(PromptAnswer::No);
         },
         [&] { Exec("DROP TRIGGER guasto"); }},
    };
    frmVendite& w = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        TypeCustomer("C001");
        ReadArticle("A2");
        w.txtRiferimento->setFocus();
        QTest::keyClicks(w.txtRiferimento, "VCH7");
        w.txtNote->setFocus();
        QTest::keyClicks(w.txtNote, c.note);
        c.fail();
        w.cmdConfirm_Click();
        ASSERT_TRUE(w.IsSaleOpen());
        EXPECT_EQ(w.txtNote->toPlainText(), c.note);
        EXPECT_EQ(w.lblTotale->text(), "250,00");
        c.mend();
        prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
        w.cmdConfirm_Click();
        ASSERT_FALSE(w.IsSaleOpen());
        const QString sale = "FROM OperazioniVendite WHERE OID = (SELECT MAX(OID) FROM "
                             "OperazioniVendite)";
        EXPECT_EQ(Text("SELECT Note " + sale), c.note);
        EXPECT_EQ(Text("SELECT RiferimentoVoucher " + sale), "VCH7");
        EXPECT_EQ(Scalar("SELECT Importo " + sale), 250 * 10000);
        EXPECT_EQ(Scalar("SELECT PuntiAssegnati " + sale), 25);
    }
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti"), 90);
}

TEST_F(SaleWindowTest, ACommitThatFailsIsReportedAndTheSaleStaysOpen) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    // A check the archive makes only when the transaction ends.
    Exec("PRAGMA foreign_keys = ON");
    Exec("CREATE TABLE Nessuno (y INTEGER PRIMARY KEY)");
    Exec("CREATE TABLE Guasto (x INTEGER REFERENCES Nessuno(y) DEFERRABLE INITIALLY DEFERRED)");
    Exec("CREATE TRIGGER guasto AFTER UPDATE ON Clienti BEGIN INSERT INTO Guasto VALUES (1); END");
    prompter.Dialog(Accept).Answer(PromptAnswer::No);
    w.cmdConfirm_Click();
    const QString text = prompter.LastMessage().Text;
    EXPECT_TRUE(text.startsWith("Errore in conferma dati: \r\r")) << text.toStdString();
    EXPECT_TRUE(text.contains("FOREIGN KEY", Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(Committed("SELECT Punti FROM Clienti"), 40);
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Pagamenti"), 0);
}

TEST_F(SaleWindowTest, AFailedOpeningLeavesNoSaleBehind) {
    Prize("Borsa", 30, 5, false);
    Exec("CREATE TRIGGER guasto BEFORE INSERT ON PremiAssegnati BEGIN SELECT RAISE(ABORT, "
         "'disco guasto'); END");
    frmVendite& w = Open();
    prompter.Answer(PromptAnswer::No); // no details
    TypeCustomer("C001");
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Si e' verificato un errore:\r\r"));
    EXPECT_FALSE(w.IsSaleOpen());
    EXPECT_FALSE(w.txtCode_Articolo->isEnabled());
    EXPECT_TRUE(w.txtCliente->text().isEmpty());
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);

    Exec("DROP TRIGGER guasto");
    TypeCustomer("C001");
    EXPECT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM PremiAssegnati"), 1);
}

TEST_F(SaleWindowTest, CancelAnsweredNoKeepsTheLines) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    w.txtCode_Articolo->setText("A2");
    prompter.Answer(PromptAnswer::No);
    w.cmdCancel_Click();
    EXPECT_EQ(prompter.LastMessage().Text, "Confermi l'annullamento della vendita ?");
    EXPECT_EQ(w.Vendita().SoldArticles()->RowCount(), 1);
    EXPECT_TRUE(w.txtCode_Articolo->text().isEmpty());

    prompter.Answer(PromptAnswer::Yes);
    w.cmdCancel_Click();
    EXPECT_FALSE(w.IsSaleOpen());
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), 0);
}

TEST_F(SaleWindowTest, TheCloseBoxDeletesTheUnconfirmedSale) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    ASSERT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 1);
    w.close();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), 0);
    EXPECT_EQ(barcodeTarget, nullptr);
}

TEST_F(SaleWindowTest, CodesWithQuotesAndUnknownCodes) {
    Add("Clienti", {{"Codice", "O'Brien"}, {"Cognome", "O'Brien"}, {"Nome", "Ian"}});
    frmVendite& w = Open();
    TypeCustomer("O'Brien");
    ASSERT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(w.txtCliente->text(), "O'Brien Ian");

    // An unknown code answered No: no new customer, the sale keeps its customer.
    prompter.Answer(PromptAnswer::No);
    w.txtCode_Cliente->setText("12'3\r");
    EXPECT_EQ(prompter.LastMessage().Text, "Codice cliente non presente...\r\rVuoi immetterlo?");
    EXPECT_EQ(w.txtCode_Cliente->text(), "O'Brien");
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Clienti"), 2);

    // An unknown article code offers the new article, with the code filled in.
    prompter.Dialog([](QDialog& editor) {
        EXPECT_EQ(editor.findChild<QLineEdit*>("Codice")->text(), "X'9");
        editor.findChild<QLineEdit*>("Importo")->setText("20");
        return int(QDialog::Accepted);
    });
    w.txtCode_Articolo->setText("X'9\r");
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Articoli WHERE Codice = 'X''9'"), 1);
    EXPECT_EQ(w.Vendita().SoldArticles()->RowCount(), 1);
}

TEST_F(SaleWindowTest, CtrlAloneAndKeysOutsideTheCodeRange) {
    frmVendite& w = Open();
    w.txtCode_Cliente->setFocus();
    Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier); // no sale: Ctrl does nothing
    Send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(w.CaptureMode());
    TypeCustomer("C001");
    w.txtRiferimento->setFocus();
    Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(w.CaptureMode());
    EXPECT_TRUE(w.txtCode_Articolo->hasFocus());
    Send(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    Send(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    Send(QEvent::KeyPress, 0xE9, Qt::ControlModifier); // beyond 127
    Send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(w.CaptureMode());
    EXPECT_TRUE(w.txtCode_Articolo->text().isEmpty());
    EXPECT_EQ(w.Vendita().SoldArticles()->RowCount(), 0);
}

TEST_F(SaleWindowTest, MinusOnASinglePieceRemovesTheLine) {
    const OID free = Article("Z0", 0);
    Q_UNUSED(free);
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    Key("-");
    EXPECT_EQ(w.Vendita().SoldArticles()->RowCount(), 0);
    EXPECT_EQ(w.lblTotale->text(), "0,00");

    // A price-less article opens the line editor; "+" on it only beeps.
    prompter.Dialog([](QDialog& editor) {
        editor.findChild<QLineEdit*>("ImportoVendita")->setText("15");
        return int(QDialog::Accepted);
    });
    ReadArticle("Z0");
    ASSERT_EQ(w.Vendita().SoldArticles()->RowCount(), 1);
    const int beeps = prompter.Beeps();
    Key("+");
    EXPECT_EQ(prompter.Beeps(), beeps + 1);
    EXPECT_EQ(Scalar("SELECT Quantita FROM ArticoliVenduti"), 1);
}

TEST_F(SaleWindowTest, TheNextCustomerRightAfterAConfirm) {
    Add("Clienti", {{"Codice", "C002"}, {"Cognome", "Bianchi"}, {"Nome", "Eva"}});
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
    QTest::keyClick(w.txtCode_Articolo, Qt::Key_Return);
    ASSERT_FALSE(w.IsSaleOpen());
    EXPECT_TRUE(w.txtCode_Cliente->hasFocus());
    QTest::keyClicks(w.txtCode_Cliente, "C002");
    QTest::keyClick(w.txtCode_Cliente, Qt::Key_Return);
    ASSERT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(w.txtCliente->text(), "Bianchi Eva");
}

TEST_F(SaleWindowTest, AFailureWhileAddingALineIsReportedAndUndone) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    Exec("CREATE TRIGGER guasto BEFORE UPDATE ON ArticoliVenduti BEGIN SELECT RAISE(ABORT, "
         "'disco guasto'); END");
    prompter.Answer(PromptAnswer::No); // no details
    ReadArticle("A1");                 // one more piece: the line cannot be written
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Si e' verificato un errore:\r\r"));
    EXPECT_EQ(Scalar("SELECT Quantita FROM ArticoliVenduti"), 1);
    ASSERT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(w.lblTotale->text(), "100,00");
    Exec("DROP TRIGGER guasto");
    ReadArticle("A1");
    EXPECT_EQ(Scalar("SELECT Quantita FROM ArticoliVenduti"), 2);
}
