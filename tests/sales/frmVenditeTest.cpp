// The sale window offscreen, driven from the keyboard through the scripted prompter: its wiring,
// keys, focus and texts. The rules behind it are clsVendita's own tests.
#include "frmVendite.h"
#include "SaleRulesFixture.h"
#include "WindowTest.h"
#include "frmMessage.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>

namespace {

class SaleWindowTest : public SaleRulesTest {
protected:
    static int Accept(QDialog&) { return QDialog::Accepted; }
    static int Reject(QDialog&) { return QDialog::Rejected; }
    void TearDown() override {
        w.reset();
        frmMessage::Unload();
        SaleRulesTest::TearDown();
        EXPECT_TRUE(prompter.Failures().isEmpty()) << prompter.Failures().join("\n").toStdString();
        EXPECT_EQ(prompter.Pending(), 0u);
    }
    void Open() {
        w = std::make_unique<frmVendite>(session, settings, nullptr,
                                         [this](QLineEdit* target) { barcodeTarget = target; });
        w->show();
        QApplication::setActiveWindow(w.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    // Text typed into a field over what it shows, ended by Enter if asked.
    void Type(QWidget* field, const QString& text, bool enter = false) {
        field->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
        QTest::keyClicks(field, text);
        if (enter) QTest::keyClick(field, Qt::Key_Return);
    }
    void TypeCustomer(const QString& code) { Type(w->txtCode_Cliente, code, true); }
    // One key event to the focused control, as the keyboard sends it (QTest's own clicks
    // would press and release Ctrl around every key).
    static void Send(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(type, key, modifiers);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }
    // A reader that types like a keyboard: Ctrl down, the code, Ctrl up, wherever the focus.
    void ReadArticle(const QString& code) {
        Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        for (QChar c : code)
            Send(QEvent::KeyPress, c.toUpper().unicode(), Qt::ControlModifier);
        Send(QEvent::KeyRelease, Qt::Key_Control);
    }
    void Key(int key) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)); }
    // The payment's editor saved, and the question of a new sale answered.
    void Confirm(bool another) {
        prompter.Dialog(Accept).Answer(another ? PromptAnswer::Yes : PromptAnswer::No);
        w->cmdConfirm->click();
    }
    ScriptedPrompter prompter;
    std::unique_ptr<frmVendite> w;
    QLineEdit* barcodeTarget = nullptr;
};

TEST_F(SaleWindowTest, AWholeSaleFromTheKeyboardAlone) {
    const QString card(32, '7'); // as long as the field
    a.Add("Clienti", {{"Codice", card}, {"Cognome", "Bianchi"}, {"Nome", "Eva"}});
    // Neither has a code: only the chosen row tells them apart.
    a.Add("Articoli", {{"Descrizione", "Assicurazione"}, {"Importo", Amount(30)}});
    const OID visa = a.Add("Articoli", {{"Descrizione", "Visto"}, {"Importo", Amount(80)}});
    Open();
    EXPECT_FALSE(w->txtCode_Articolo->isEnabled()); // no sale yet: only the customer choice
    EXPECT_TRUE(w->cmdCancel->isEnabled());
    Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier); // nor does Ctrl start a read
    Send(QEvent::KeyRelease, Qt::Key_Control);
    EXPECT_FALSE(w->CaptureMode());
    TypeCustomer("C001");
    ASSERT_TRUE(w->IsSaleOpen());
    EXPECT_EQ(w->txtCliente->text() + "/" + w->lblPunti->text(), "Rossi Ada/40");
    // Ctrl alone, and keys outside the code range (0xE9: beyond 127), read nothing.
    w->txtRiferimento->setFocus();
    Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(w->CaptureMode());
    EXPECT_TRUE(w->txtCode_Articolo->hasFocus());
    for (int key : {int(Qt::Key_Space), int(Qt::Key_Tab), 0xE9})
        Send(QEvent::KeyPress, key, Qt::ControlModifier);
    Send(QEvent::KeyRelease, Qt::Key_Control);
    EXPECT_FALSE(w->CaptureMode());
    EXPECT_TRUE(w->txtCode_Articolo->text().isEmpty());
    EXPECT_EQ(Pieces(), 0);
    ReadArticle("A1");
    ReadArticle("A1");
    EXPECT_EQ(barcodeTarget, w->txtCode_Articolo);
    // Every text field keeps what is typed into it, "+" and "-" too.
    Type(w->txtRiferimento, "VCH-7+");
    Type(w->txtNote, "VCH-7+");
    Type(w->txtCode_Articolo, "VCH-7+");
    EXPECT_EQ(w->txtRiferimento->text() + w->txtNote->toPlainText() + w->txtCode_Articolo->text(),
              "VCH-7+VCH-7+VCH-7+");
    EXPECT_EQ(Pieces(), 2);
    Type(w->txtCode_Articolo, "A2", true); // Enter after a code typed by hand reads it
    Key('+');                              // in the empty field, on the current line
    EXPECT_EQ(w->lblTotale->text() + "/" + w->lblTot_Punti->text(), "700,00/110");
    w->dgArticoli->setFocus();
    Key('-'); // in the grid too
    EXPECT_EQ(Pieces(), 3);
    // F2 in the empty article field searches the descriptions.
    prompter.Dialog([](QDialog& search) {
        Child<QLineEdit>(search, "txtSearch")->setText("Visto");
        Child<QCheckBox>(search, "chkInternal")->setChecked(true);
        Child<QPushButton>(search, "cmdOk")->click();
        return int(QDialog::Accepted);
    });
    prompter.Dialog(Accept); // the list, on the one article found
    w->txtCode_Articolo->setFocus();
    Key(Qt::Key_F2);
    EXPECT_EQ(a.Scalar("SELECT OID_Articoli FROM ArticoliVenduti ORDER BY OID DESC"), visa);
    EXPECT_EQ(w->lblTotale->text() + "/" + w->lblTot_Punti->text(), "530,00/85");
    // Another customer's card typed by hand: the sale changes hands, it is not confirmed.
    TypeCustomer(card);
    EXPECT_EQ(w->txtCliente->text() + "/" + w->lblTot_Punti->text(), "Bianchi Eva/45");
    // An unknown card not wanted: the sale keeps its customer, the field shows his card.
    prompter.Answer(PromptAnswer::No);
    TypeCustomer("12'3");
    EXPECT_EQ(w->txtCode_Cliente->text(), card);
    // Enter in the empty article field confirms; the next customer's card goes in at once.
    prompter.Dialog(Accept).Answer(PromptAnswer::Yes);
    Type(w->txtCode_Articolo, "", true);
    EXPECT_EQ(prompter.History()[4].DialogName, "DbmsRowEditor");
    EXPECT_EQ(prompter.LastMessage().Text,
              "Operazione confermata.\r\rVuoi effettuarne una nuova ?");
    EXPECT_EQ(prompter.Beeps(), 2);
    ASSERT_FALSE(w->IsSaleOpen());
    EXPECT_TRUE(w->txtCode_Cliente->hasFocus());
    QTest::keyClicks(w->txtCode_Cliente, "C001");
    QTest::keyClick(w->txtCode_Cliente, Qt::Key_Return);
    EXPECT_EQ(w->txtCliente->text(), "Rossi Ada");
    // No further sale: the window closes.
    ReadArticle("A1");
    Confirm(false);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(SaleWindowTest, FailuresAreSaidAndTheWindowKeepsWhatItShows) {
    // An opening that fails leaves no sale: only the customer choice again.
    Prize("Borsa", 30, false, 5);
    Break("BEFORE INSERT ON PremiAssegnati");
    Open();
    prompter.Answer(PromptAnswer::No); // no details
    TypeCustomer("C001");
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Si e' verificato un errore:\r\r"));
    EXPECT_FALSE(w->IsSaleOpen());
    EXPECT_FALSE(w->txtCode_Articolo->isEnabled());
    EXPECT_TRUE(w->txtCliente->text().isEmpty());
    Mend();
    // A payment given up, a confirm that fails: the note and voucher typed stay for the next.
    for (const char* note : {"Pagamento annullato", "Disco guasto"}) {
        SCOPED_TRACE(note);
        const bool broken = note[0] == 'D';
        TypeCustomer("C001");
        ReadArticle("A2");
        Type(w->txtRiferimento, "VCH7");
        Type(w->txtNote, note);
        if (broken) Break("BEFORE UPDATE ON Clienti");
        prompter.Dialog(broken ? Accept : Reject);
        if (broken) prompter.Answer(PromptAnswer::No); // no details
        w->cmdConfirm->click();
        ASSERT_TRUE(w->IsSaleOpen());
        EXPECT_EQ(prompter.LastMessage().Text.startsWith("Errore in conferma dati: \r\r"), broken);
        EXPECT_EQ(w->txtNote->toPlainText() + w->txtRiferimento->text(), note + QString("VCH7"));
        EXPECT_EQ(w->lblTotale->text(), "250,00");
        Mend();
        Confirm(true);
        ASSERT_FALSE(w->IsSaleOpen());
        EXPECT_EQ(a.Text("SELECT Note || RiferimentoVoucher FROM OperazioniVendite ORDER BY "
                         "OID DESC"),
                  note + QString("VCH7"));
    }
    // A refusal is said plainly, as a warning.
    a.Exec("UPDATE Clienti SET Punti = 2147483640");
    settings.AutoIdentify_Premi = false;
    TypeCustomer("C001");
    ReadArticle("A1");
    EXPECT_EQ(w->lblTot_Punti->text(), "2147483650");
    prompter.Answer(PromptAnswer::Ok);
    w->cmdConfirm->click();
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Il nuovo punteggio del cliente"));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
    EXPECT_TRUE(w->IsSaleOpen());
}

TEST_F(SaleWindowTest, NoteAndVoucherTakeNoMoreThanTheirFieldsAndKeepEveryCharacter) {
    QString note;
    while (note.size() < 250)
        note += "Già € 漢字 😀 ";
    note = note.leftJustified(255, 'x', true);
    const QString voucher = QString(63, 'V'); // one short of full: no room for two halves
    Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    // Typed key by key, as the keyboard sends any script: what does not fit is refused aloud,
    // a character that needs two halves as a whole.
    const int beeps = prompter.Beeps();
    for (auto [field, text] : {std::pair<QWidget*, QString>{w->txtNote, note + "😀ab"},
                               std::pair<QWidget*, QString>{w->txtRiferimento, voucher + "😀"}}) {
        field->setFocus();
        for (const QString& key : text.split(QRegularExpression("(?=.)"), Qt::SkipEmptyParts)) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
            QApplication::sendEvent(field, &press);
        }
    }
    QTest::keyClick(w->txtRiferimento, 'W'); // the last place taken, then given back
    QTest::keyClick(w->txtRiferimento, Qt::Key_Backspace);
    EXPECT_EQ(w->txtNote->toPlainText() + "|" + w->txtRiferimento->text(), note + "|" + voucher);
    EXPECT_EQ(prompter.Beeps() - beeps, 4);
    a.Add("Clienti", {{"Codice", "C002"}, {"Cognome", "Neri"}});
    TypeCustomer("C002"); // the window shown afresh keeps the note whole
    EXPECT_EQ(w->txtNote->toPlainText(), note);
    Confirm(true);
    EXPECT_EQ(a.Text("SELECT Note || '|' || RiferimentoVoucher FROM OperazioniVendite"),
              note + "|" + voucher);
}

TEST_F(SaleWindowTest, CancelAndEscAskBeforeThrowingAwayTheSaleTheCloseBoxDoesNot) {
    Prize("Borsa", 30, false, 5);
    Open();
    TypeCustomer("C001");
    ReadArticle("A1");
    w->txtCode_Articolo->setText("A2");
    prompter.Answer(PromptAnswer::No);
    w->cmdCancel->click();
    EXPECT_EQ(prompter.LastMessage().Text, "Confermi l'annullamento della vendita ?");
    EXPECT_EQ(Pieces(), 1);
    EXPECT_TRUE(w->txtCode_Articolo->text().isEmpty());
    prompter.Answer(PromptAnswer::Yes);
    w->cmdCancel->click();
    EXPECT_FALSE(w->IsSaleOpen());
    EXPECT_EQ(a.Count("OperazioniVendite"), 0);
    TypeCustomer("C001");
    ReadArticle("A1");
    w->close();
    EXPECT_EQ(a.Count("OperazioniVendite") + Pieces(), 0);
    EXPECT_EQ(barcodeTarget, nullptr);
    // Esc: lines, or the customer's prize alone, asked about (No, then Yes); an empty sale
    // closes at once.
    for (const char* article : {"A1", "", "-"}) {
        SCOPED_TRACE(article);
        const bool empty = *article == '-';
        settings.AutoIdentify_Premi = !empty;
        Open();
        TypeCustomer("C001");
        if (*article == 'A') ReadArticle(article);
        if (!empty) prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes);
        Key(Qt::Key_Escape);
        EXPECT_EQ(w->isVisible(), !empty);
        EXPECT_EQ(a.Count("OperazioniVendite"), empty ? 0 : 1);
        if (!empty) Key(Qt::Key_Escape);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(a.Count("OperazioniVendite") + a.Count("PremiAssegnati"), 0);
    }
}

TEST_F(SaleWindowTest, TheWindowKeepsItsSizeAndShowsEveryAssignedRow) {
    for (int i = 1; i <= 13; ++i)
        Prize(QString("Premio numero %1 della raccolta punti").arg(i), 1, false, 5);
    a.Exec("UPDATE Clienti SET Punti = 1000, Cognome = 'Rossi Bianchi Verdi De Gasperis'");
    Open();
    const QSize size = w->size();
    for (int sale = 0; sale < 2; ++sale) {
        TypeCustomer("C001");
        for (const char* code : {"A1", "A2", "A1", "A2"})
            ReadArticle(code);
        ASSERT_EQ(w->dgPremi->model()->rowCount(), 13);
        QApplication::processEvents(); // the layout's own requests, as the event loop runs them
        EXPECT_EQ(w->size(), size);
        const int rowHeight = w->dgPremi->verticalHeader()->defaultSectionSize();
        EXPECT_GE(w->dgPremi->viewport()->height() / rowHeight, 6);
        EXPECT_GE(w->dgBonus->viewport()->height() / rowHeight, 6);
        Confirm(true);
        QApplication::processEvents();
        EXPECT_EQ(w->size(), size);
    }
}

} // namespace
