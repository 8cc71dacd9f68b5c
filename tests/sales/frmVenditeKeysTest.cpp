// The sale window's keys: the reader's Ctrl, "+", "-", F2, Enter and Esc depending on where the
// focus is; codes as long as the customer field allows; a window that keeps its size.
#include "SaleWindowFixture.h"

#include <QCheckBox>
#include <QHeaderView>

TEST_F(SaleWindowTest, PlusAndMinusChangeTheLineOnlyFromTheEmptyArticleFieldOrTheGrid) {
    frmVendite& w = Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    ReadArticle("A1");
    ASSERT_EQ(Pieces(), 2);
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
        EXPECT_EQ(Pieces(), 2);
    }
    w.txtCode_Articolo->clear();
    w.txtCode_Articolo->setFocus();
    Key('+');
    EXPECT_EQ(Pieces(), 3);
    EXPECT_TRUE(w.txtCode_Articolo->text().isEmpty());
    w.dgArticoli->setFocus();
    Key('-');
    EXPECT_EQ(Pieces(), 2);
    EXPECT_EQ(w.lblTotale->text(), "200,00");
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
    for (int key : {int(Qt::Key_Space), int(Qt::Key_Tab), 0xE9}) // 0xE9: beyond 127
        Send(QEvent::KeyPress, key, Qt::ControlModifier);
    Send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(w.CaptureMode());
    EXPECT_TRUE(w.txtCode_Articolo->text().isEmpty());
    EXPECT_EQ(Pieces(), 0);
}

TEST_F(SaleWindowTest, EscAsksBeforeThrowingAwayWhatTheSaleHolds) {
    Prize("Borsa", 30, false, 5);
    // Lines, or the customer's prize alone: asked; nothing to lose: closed at once.
    for (const char* article : std::initializer_list<const char*>{"A1", "", nullptr}) {
        SCOPED_TRACE(article ? article : "nothing");
        settings.AutoIdentify_Premi = article != nullptr;
        frmVendite& w = Open();
        TypeCustomer("C001");
        if (article && *article) ReadArticle(article);
        const size_t asked = prompter.History().size();
        if (article) {
            prompter.Answer(PromptAnswer::No);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            EXPECT_EQ(prompter.LastMessage().Text, "Confermi l'annullamento della vendita ?");
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 1);
            prompter.Answer(PromptAnswer::Yes);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(prompter.History().size(), asked + (article ? 2 : 0));
        EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 0);
        EXPECT_EQ(a.Scalar("SELECT COUNT(*) FROM PremiAssegnati"), 0);
    }
}

TEST_F(SaleWindowTest, ACodeAsLongAsTheFieldIsLookedUpReadOrTyped) {
    const QString code(32, '7');
    Add("Clienti", {{"Codice", code}, {"Cognome", "Verdi"}, {"Nome", "Ugo"}});
    frmVendite& w = Open();
    w.txtCode_Cliente->setText(code + "\r"); // as the serial reader delivers it
    EXPECT_EQ(w.txtCliente->text(), "Verdi Ugo");
    TypeCustomer("C001");
    EXPECT_EQ(w.txtCliente->text(), "Rossi Ada");
    TypeCustomer(code);
    EXPECT_EQ(w.txtCliente->text(), "Verdi Ugo");
    // One more character is no card, an unknown one not wanted: the sale keeps its customer.
    for (const QString& other : {code + "7", QString("12'3")}) {
        prompter.Answer(other.size() > 32 ? PromptAnswer::Ok : PromptAnswer::No);
        TypeCustomer(other);
        EXPECT_EQ(w.txtCode_Cliente->text(), code);
    }
    EXPECT_EQ(prompter.Beeps(), 2);
}

TEST_F(SaleWindowTest, F2InTheEmptyArticleFieldSearchesTheDescriptions) {
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
    EXPECT_EQ(a.Scalar("SELECT OID_Articoli FROM ArticoliVenduti"), visa);
    EXPECT_EQ(w.lblTotale->text(), "80,00");
}

TEST_F(SaleWindowTest, TheWindowKeepsItsSizeAndShowsEveryAssignedRow) {
    for (int i = 1; i <= 13; ++i)
        Prize(QString("Premio numero %1 della raccolta punti").arg(i), 1, false, 5);
    a.Exec("UPDATE Clienti SET Punti = 1000, Cognome = 'Rossi Bianchi Verdi De Gasperis'");
    frmVendite& w = Open();
    const QSize size = w.size();
    for (int sale = 0; sale < 2; ++sale) {
        TypeCustomer("C001");
        for (const char* code : {"A1", "A2", "A1", "A2"})
            ReadArticle(code);
        ASSERT_EQ(w.dgPremi->model()->rowCount(), 13);
        QApplication::processEvents(); // the layout's own requests, as the event loop runs them
        EXPECT_EQ(w.size(), size);
        const int rowHeight = w.dgPremi->verticalHeader()->defaultSectionSize();
        EXPECT_GE(w.dgPremi->viewport()->height() / rowHeight, 6);
        EXPECT_GE(w.dgBonus->viewport()->height() / rowHeight, 6);
        const QString shots = qEnvironmentVariable("TESSARIN_SHOTS");
        if (!shots.isEmpty()) w.grab().save(QString("%1/frmVendite-%2.png").arg(shots).arg(sale));
        prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
        w.cmdConfirm->click();
        QApplication::processEvents();
        EXPECT_EQ(w.size(), size);
    }
}
