// The sale window's lifecycle: a whole sale from the keyboard, what it shows after a failure,
// cancel and close. The rules behind it are clsVendita's own tests.
#include "SaleWindowFixture.h"

TEST_F(SaleWindowTest, AWholeSaleFromTheKeyboardAlone) {
    Add("Clienti", {{"Codice", "C002"}, {"Cognome", "Bianchi"}, {"Nome", "Eva"}});
    frmVendite& w = Open();
    EXPECT_FALSE(w.txtCode_Articolo->isEnabled()); // no sale yet: only the customer choice
    EXPECT_TRUE(w.cmdCancel->isEnabled());
    TypeCustomer("C001");
    ASSERT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(w.txtCliente->text(), "Rossi Ada");
    EXPECT_EQ(w.lblPunti->text(), "40");

    ReadArticle("A1");
    ReadArticle("A1");
    EXPECT_EQ(barcodeTarget, w.txtCode_Articolo);
    // Enter after a code typed by hand reads that code.
    QTest::keyClicks(w.txtCode_Articolo, "A2");
    QTest::keyClick(w.txtCode_Articolo, Qt::Key_Return);
    Key('+'); // on the current line, the hotel: two nights
    EXPECT_EQ(w.lblTotale->text(), "700,00");
    EXPECT_EQ(w.lblTot_Punti->text(), "110"); // 40 + 20 + 50

    // Another customer's card typed by hand: the sale changes hands, it is not confirmed.
    TypeCustomer("C002");
    EXPECT_EQ(w.txtCliente->text(), "Bianchi Eva");
    EXPECT_EQ(w.lblTot_Punti->text(), "70");
    // Enter in the empty article field confirms; the next customer's card goes in at once.
    prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
    w.txtCode_Articolo->setFocus();
    QTest::keyClick(w.txtCode_Articolo, Qt::Key_Return);
    EXPECT_EQ(prompter.History()[0].DialogName, "DbmsRowEditor");
    EXPECT_EQ(prompter.LastMessage().Text,
              "Operazione confermata.\r\rVuoi effettuarne una nuova ?");
    EXPECT_EQ(prompter.Beeps(), 1);
    EXPECT_EQ(a.Scalar("SELECT Importo FROM OperazioniVendite"), 700 * 10000);
    ASSERT_FALSE(w.IsSaleOpen());
    EXPECT_TRUE(w.txtCode_Cliente->hasFocus());
    QTest::keyClicks(w.txtCode_Cliente, "C001");
    QTest::keyClick(w.txtCode_Cliente, Qt::Key_Return);
    EXPECT_EQ(w.txtCliente->text(), "Rossi Ada");

    // No further sale: the window closes.
    ReadArticle("A1");
    prompter.Dialog(Accept).Answer(PromptAnswer::No);
    w.cmdConfirm->click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SaleWindowTest, AFailedConfirmKeepsWhatTheWindowShows) {
    struct Case {
        const char* note;
        std::function<void()> fail;
    };
    const Case cases[] = {
        {"Pagamento annullato",
         [&] { prompter.Dialog([](QDialog&) { return int(QDialog::Rejected); }); }},
        {"Disco guasto",
         [&] {
             Break("BEFORE UPDATE ON Clienti");
             prompter.Dialog(Accept).Answer(PromptAnswer::No); // payment; no details
         }},
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
        w.cmdConfirm->click();
        ASSERT_TRUE(w.IsSaleOpen());
        EXPECT_EQ(w.txtNote->toPlainText(), c.note);
        EXPECT_EQ(w.txtRiferimento->text(), "VCH7");
        EXPECT_EQ(w.lblTotale->text(), "250,00");
        a.Exec("DROP TRIGGER IF EXISTS guasto");
        prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
        w.cmdConfirm->click();
        ASSERT_FALSE(w.IsSaleOpen());
        EXPECT_EQ(a.Text("SELECT Note || RiferimentoVoucher FROM OperazioniVendite WHERE OID = "
                         "(SELECT MAX(OID) FROM OperazioniVendite)"),
                  QString(c.note) + "VCH7");
    }
    EXPECT_TRUE(prompter.Messages()[1].startsWith("Errore in conferma dati: \r\r"));
}

TEST_F(SaleWindowTest, FailuresAndRefusalsAreSaidAndTheWindowGoesOn) {
    // An opening that fails leaves no sale: only the customer choice again.
    Prize("Borsa", 30, false, 5);
    Break("BEFORE INSERT ON PremiAssegnati");
    frmVendite& w = Open();
    prompter.Answer(PromptAnswer::No); // no details
    TypeCustomer("C001");
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Si e' verificato un errore:\r\r"));
    EXPECT_FALSE(w.IsSaleOpen());
    EXPECT_FALSE(w.txtCode_Articolo->isEnabled());
    EXPECT_TRUE(w.txtCliente->text().isEmpty());
    Mend();

    // A refusal is said plainly, as a warning.
    a.Exec("UPDATE Clienti SET Punti = 2147483640");
    settings.AutoIdentify_Premi = false;
    TypeCustomer("C001");
    ReadArticle("A1");
    EXPECT_EQ(w.lblTot_Punti->text(), "2147483650");
    prompter.Answer(PromptAnswer::Ok);
    w.cmdConfirm->click();
    EXPECT_EQ(prompter.LastMessage().Text,
              "Il nuovo punteggio del cliente (2147483650) è fuori dai limiti ammessi (da "
              "-2147483648 a 2147483647): la vendita non è stata registrata.");
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
    EXPECT_TRUE(w.IsSaleOpen());
}

TEST_F(SaleWindowTest, CancelAsksThenTheCloseBoxDeletesTheUnconfirmedSale) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    w.txtCode_Articolo->setText("A2");
    prompter.Answer(PromptAnswer::No);
    w.cmdCancel->click();
    EXPECT_EQ(prompter.LastMessage().Text, "Confermi l'annullamento della vendita ?");
    EXPECT_EQ(Pieces(), 1);
    EXPECT_TRUE(w.txtCode_Articolo->text().isEmpty());
    prompter.Answer(PromptAnswer::Yes);
    w.cmdCancel->click();
    EXPECT_FALSE(w.IsSaleOpen());
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);

    TypeCustomer("C001");
    ReadArticle("A1");
    w.close();
    EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
    EXPECT_EQ(Pieces(), 0);
    EXPECT_EQ(barcodeTarget, nullptr);
}
