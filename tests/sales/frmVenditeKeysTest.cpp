// The sale window's keys: what "+", "-", Enter and Esc do depending on where the focus is, and
// codes as long as the customer field allows.
#include "SaleWindowFixture.h"

namespace {

qint64 LineQuantity(frmVendite& w) {
    return w.Vendita().SoldArticles()->Sum("Quantita").toLongLong();
}

void Esc(frmVendite& w) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &w, Qt::Key_Escape);
}

} // namespace

TEST_F(SaleWindowTest, PlusAndMinusChangeTheLineOnlyFromTheEmptyArticleFieldOrTheGrid) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    ReadArticle("A1");
    ASSERT_EQ(LineQuantity(w), 2);

    // Every text field keeps what is typed into it.
    struct Field {
        QWidget* control;
        std::function<QString()> text;
    };
    const Field fields[] = {
        {w.txtRiferimento, [&] { return w.txtRiferimento->text(); }},
        {w.txtNote, [&] { return w.txtNote->toPlainText(); }},
        {w.txtCode_Articolo, [&] { return w.txtCode_Articolo->text(); }},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.control->objectName().toStdString());
        f.control->setFocus();
        QTest::keyClicks(f.control, "VCH-7+");
        EXPECT_EQ(f.text(), "VCH-7+");
        EXPECT_EQ(LineQuantity(w), 2);
    }

    w.txtCode_Articolo->clear();
    w.txtCode_Articolo->setFocus();
    Key("+");
    EXPECT_EQ(LineQuantity(w), 3);
    EXPECT_TRUE(w.txtCode_Articolo->text().isEmpty());
    w.dgArticoli->setFocus();
    Key("-");
    EXPECT_EQ(LineQuantity(w), 2);
}

TEST_F(SaleWindowTest, EnterReadsAHandTypedCodeBeforeItConfirms) {
    Add("Clienti", {{"Codice", "C002"}, {"Cognome", "Bianchi"}, {"Nome", "Eva"}});
    frmVendite& w = Open();
    TypeCustomer("C001");
    QTest::keyClicks(w.txtCode_Articolo, "A2");
    QTest::keyClick(w.txtCode_Articolo, Qt::Key_Return);
    ASSERT_EQ(w.Vendita().SoldArticles()->RowCount(), 1);
    EXPECT_EQ(w.lblTotale->text(), "250,00");
    EXPECT_TRUE(w.IsSaleOpen());

    // Another customer's card typed by hand: the sale changes hands, it is not confirmed.
    TypeCustomer("C002");
    EXPECT_EQ(w.txtCliente->text(), "Bianchi Eva");
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Pagamenti"), 0);

    // Enter in the empty article field confirms.
    prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
    w.txtCode_Articolo->setFocus();
    QTest::keyClick(w.txtCode_Articolo, Qt::Key_Return);
    EXPECT_FALSE(w.IsSaleOpen());
    EXPECT_EQ(Scalar("SELECT Importo FROM OperazioniVendite"), 250 * 10000);
}

TEST_F(SaleWindowTest, EscAsksBeforeThrowingAwayWhatTheSaleHolds) {
    Prize("Borsa", 30, 5, false);
    struct Case {
        const char* name;
        const char* article; // nullptr: the customer's prize alone
        bool prizes;
    };
    const Case cases[] = {{"lines", "A1", false}, {"prizes only", nullptr, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.AutoIdentify_Premi = c.prizes;
        frmVendite& w = Open();
        TypeCustomer("C001");
        if (c.article) ReadArticle(c.article);
        ASSERT_EQ(w.Vendita().AssignedPrizes()->IsEmpty(), !c.prizes);

        prompter.Answer(PromptAnswer::No);
        Esc(w);
        EXPECT_EQ(prompter.LastMessage().Text, "Confermi l'annullamento della vendita ?");
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.IsSaleOpen());
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 1);

        prompter.Answer(PromptAnswer::Yes);
        Esc(w);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM PremiAssegnati"), 0);
    }

    // Nothing to lose: Esc closes at once.
    settings.AutoIdentify_Premi = false;
    const size_t asked = prompter.History().size();
    frmVendite& w = Open();
    TypeCustomer("C001");
    Esc(w);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(prompter.History().size(), asked);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
}

TEST_F(SaleWindowTest, ACodeAsLongAsTheFieldIsLookedUpReadOrTyped) {
    const QString code(32, '7');
    Add("Clienti", {{"Codice", code}, {"Cognome", "Verdi"}, {"Nome", "Ugo"}});
    frmVendite& w = Open();
    w.txtCode_Cliente->setText(code + "\r"); // as the serial reader delivers it
    ASSERT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(w.txtCliente->text(), "Verdi Ugo");

    TypeCustomer("C001");
    EXPECT_EQ(w.txtCliente->text(), "Rossi Ada");
    TypeCustomer(code);
    EXPECT_EQ(w.txtCliente->text(), "Verdi Ugo");

    // One more character is no card: said so, and the sale keeps its customer.
    prompter.Answer(PromptAnswer::Ok);
    TypeCustomer(code + "7");
    EXPECT_EQ(prompter.LastMessage().Text, "Il codice cliente può avere al massimo 32 caratteri.");
    EXPECT_EQ(w.txtCode_Cliente->text(), code);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Clienti"), 2);
}
