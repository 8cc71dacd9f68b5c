// The sale window on the archive of the rules' tests, shown offscreen and driven from the
// keyboard, the scripted prompter answering: its wiring, keys, focus and texts. The rules
// behind it are clsVendita's own tests.
#include "frmVendite.h"
#include "SaleRulesFixture.h"
#include "ScriptedPrompter.h"
#include "frmMessage.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

int Accept(QDialog&) {
    return QDialog::Accepted;
}

class SaleWindowTest : public SaleRulesTest {
protected:
    void TearDown() override {
        window.reset();
        frmMessage::Unload();
        SaleRulesTest::TearDown();
        EXPECT_TRUE(prompter.Failures().isEmpty()) << prompter.Failures().join("\n").toStdString();
    }

    frmVendite& Open() {
        window = std::make_unique<frmVendite>(
            session, settings, nullptr, [this](QLineEdit* target) { barcodeTarget = target; });
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    // The card or code typed into the customer field over what it shows, ended by Enter.
    void TypeCustomer(const QString& code) {
        window->txtCode_Cliente->setFocus();
        window->txtCode_Cliente->selectAll();
        QTest::keyClicks(window->txtCode_Cliente, code);
        QTest::keyClick(window->txtCode_Cliente, Qt::Key_Return);
    }
    // One key event to the focused control, as the keyboard sends it (QTest's own clicks
    // would press and release Ctrl around every key).
    static void Send(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(type, key, modifiers);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }
    // A reader that types like a keyboard: Ctrl down, the code, Ctrl up, wherever the focus.
    void ReadArticle(const QString& code) {
        Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        for (QChar c : code) {
            Send(QEvent::KeyPress, c.toUpper().unicode(), Qt::ControlModifier);
            Send(QEvent::KeyRelease, c.toUpper().unicode(), Qt::ControlModifier);
        }
        Send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    }
    void Key(char key) { QTest::keyClick(QApplication::focusWidget(), key); }
    qint64 Pieces() { return a.Scalar("SELECT IFNULL(SUM(Quantita), 0) FROM ArticoliVenduti"); }

    ScriptedPrompter prompter;
    std::unique_ptr<frmVendite> window;
    QLineEdit* barcodeTarget = nullptr;
};

// --- a sale, failures, cancel and close ---

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

// --- keys, codes, what the window shows ---

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

} // namespace
