// The sale window's lines, prizes and layout: the article chosen from the search, prize stock
// by hand and at confirm, and a window that keeps its size whatever it shows.
#include "SaleWindowFixture.h"

#include <QCheckBox>
#include <QHeaderView>

TEST_F(SaleWindowTest, AnArticleChosenByDescriptionIsTheOneAdded) {
    // Neither has a code: only the chosen row tells them apart.
    Add("Articoli", {{"Descrizione", "Assicurazione"}, {"Importo", Amount(30)}});
    const OID visa = Add("Articoli", {{"Descrizione", "Visto consolare"}, {"Importo", Amount(80)}});
    frmVendite& w = Open();
    TypeCustomer("C001");
    prompter.Dialog([](QDialog& search) {
        search.findChild<QLineEdit*>("txtSearch")->setText("Visto");
        search.findChild<QCheckBox*>("chkInternal")->setChecked(true);
        search.findChild<QPushButton*>("cmdOk")->click();
        return int(QDialog::Accepted);
    });
    prompter.Dialog(Accept); // the list, on the one article found
    w.txtCode_Articolo->setFocus();
    QTest::keyClick(w.txtCode_Articolo, Qt::Key_F2);
    EXPECT_EQ(Scalar("SELECT OID_Articoli FROM ArticoliVenduti"), visa);
    EXPECT_EQ(w.lblTotale->text(), "80,00");
}

TEST_F(SaleWindowTest, PrizesNeverGoBeyondTheirStock) {
    const OID bag = Prize("Borsa", 10, 2, true);
    const QString stock =
        "SELECT Disponibilita FROM TabellaPremi WHERE OID = " + QString::number(bag);
    Exec("UPDATE Clienti SET Punti = 100");
    frmVendite& w = Open();
    TypeCustomer("C001");
    EXPECT_EQ(Scalar("SELECT SUM(Quantita) FROM PremiAssegnati"), 2); // 100 points, 2 pieces

    // One more by hand: refused, and the sale keeps its two.
    prompter.Dialog(Accept).Dialog(Accept).Answer(PromptAnswer::Ok);
    w.cmdAdd_Premi->click();
    EXPECT_EQ(prompter.LastMessage().Text,
              "Disponibilità insufficiente per il premio \"Borsa\": richiesti 3 pezzi, "
              "disponibili 2.");
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
    EXPECT_EQ(Scalar("SELECT SUM(Quantita) FROM PremiAssegnati"), 2);
    EXPECT_EQ(w.lblTot_PuntiNecessari->text(), "20");

    // Another counter took a piece meanwhile: the confirm is refused whole.
    Exec("UPDATE TabellaPremi SET Disponibilita = 1");
    prompter.Answer(PromptAnswer::Ok);
    w.cmdConfirm_Click();
    EXPECT_EQ(prompter.LastMessage().Text,
              "Disponibilità insufficiente per il premio \"Borsa\": richiesti 2 pezzi, "
              "disponibili 1.");
    EXPECT_TRUE(w.IsSaleOpen());
    EXPECT_EQ(Scalar(stock), 1);
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti"), 100);

    // Every piece handed out leaves the stock.
    Exec("UPDATE TabellaPremi SET Disponibilita = 2");
    prompter.Answer(PromptAnswer::Yes);
    w.cmdConfirm_Click();
    EXPECT_FALSE(w.IsSaleOpen());
    EXPECT_EQ(Scalar(stock), 0);
    EXPECT_EQ(Scalar("SELECT Punti FROM Clienti"), 80);
}

TEST_F(SaleWindowTest, TheWindowKeepsItsSizeAndShowsEveryAssignedRow) {
    for (int i = 1; i <= 13; ++i)
        Prize(QString("Premio numero %1 della raccolta punti").arg(i), 1, 5, false);
    Exec("UPDATE Clienti SET Punti = 1000, Cognome = 'Rossi Bianchi Verdi De Gasperis'");
    frmVendite& w = Open();
    const QSize size = w.size();
    for (int sale = 0; sale < 2; ++sale) {
        TypeCustomer("C001");
        for (const char* code : {"A1", "A2", "A1", "A2"})
            ReadArticle(code);
        ASSERT_EQ(w.Vendita().AssignedPrizes()->RowCount(), 13);
        QApplication::processEvents(); // the layout's own requests, as the event loop runs them
        EXPECT_EQ(w.size(), size);
        const int rowHeight = w.dgPremi->verticalHeader()->defaultSectionSize();
        EXPECT_GE(w.dgPremi->viewport()->height() / rowHeight, 6);
        EXPECT_GE(w.dgBonus->viewport()->height() / rowHeight, 6);
        const QString shots = qEnvironmentVariable("TESSARIN_SHOTS");
        if (!shots.isEmpty()) w.grab().save(QString("%1/frmVendite-%2.png").arg(shots).arg(sale));
        prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
        w.cmdConfirm_Click();
        QApplication::processEvents();
        EXPECT_EQ(w.size(), size);
    }
}
