// The quick customer window on a real archive: new codes through the row editor, known codes
// refused, quoted codes taken as values, and the barcode reader's target while it is open.
#include "frmAddClienti.h"
#include "TempArchive.h"
#include "WindowTest.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
class AddClientiTest : public WindowTest {
protected:
    void SetUp() override {
        archive.Create();
        session.SetDatabase(archive.db);
        session.SetStorage(archive.storage);
        ShowWindow(window);
    }
    void TearDown() override {
        session.Release();
        WindowTest::TearDown();
    }
    qint64 Customers(const QString& code) {
        return archive.Count("Clienti WHERE Codice = '" + QString(code).replace('\'', "''") + "'");
    }
    // The row editor opens on the code and is saved with a surname, or cancelled.
    void EditorFor(const QString& code, bool save) {
        OnWindow([code, save](QDialog& d) {
            EXPECT_EQ(d.objectName(), "DbmsRowEditor");
            EXPECT_EQ(Child<QLineEdit>(d, "Codice")->text(), code);
            Child<QLineEdit>(d, "Cognome")->setFocus();
            QTest::keyClicks(d.focusWidget(), "Rossi");
            Press(d, save ? Qt::Key_Return : Qt::Key_Escape);
        });
    }
    void Expect(const QString& text) {
        EXPECT_EQ(prompter.LastMessage(),
                  (PromptMessage{text, "Tessarin", PromptIcon::Information}));
    }
    TempArchive archive;
    clsArchiveSession session;
    clsSettings settings;
    std::vector<QLineEdit*> targets;
    frmAddClienti window{session, settings, nullptr,
                         [this](QLineEdit* target) { targets.push_back(target); }};
};
} // namespace

TEST_F(AddClientiTest,
       ANewCodeIsAddedAKnownOneRefusedNoneAskedForTheFieldIsTheReadersTargetWhileOpen) {
    EXPECT_EQ(window.windowTitle() + "/" + window.cmdAutoAdd->text(), "Aggiunta Clienti/&Aggiungi");
    EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);
    // Typed by hand: the keys alone start nothing, Enter adds.
    EditorFor("C100", true);
    QTest::keyClicks(window.txtCode_Cliente, "C100");
    EXPECT_EQ(prompter.Pending(), 1u);
    Press(window, Qt::Key_Return);
    EXPECT_EQ(archive.Text("SELECT Cognome FROM Clienti WHERE Codice = 'C100'"), "Rossi");
    EXPECT_EQ(window.txtCode_Cliente->text(), "");
    // Quotes and pattern characters are values; a card's 13 digits or the field's 32 are
    // looked up whole. Each is read as the reader delivers it, with its line end.
    for (const QString& code :
         {QString("O'Brien"), QString("2900000000017"), QString("A%1_*"), QString(32, '9')}) {
        SCOPED_TRACE(code.toStdString());
        EditorFor(code, true);
        window.txtCode_Cliente->setText(code + "\r");
        EXPECT_EQ(Customers(code), 1);
        EXPECT_EQ(window.txtCode_Cliente->text(), "");
        EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);
        prompter.Answer(PromptAnswer::Ok);
        window.txtCode_Cliente->setText(code + "\n");
        Expect("Il cliente esiste in archivio");
        EXPECT_EQ(window.txtCode_Cliente->text(), "");
    }
    EXPECT_EQ(archive.Count("Clienti"), 5);
    // A line break with no code before it is no read at all; Enter on nothing asks for one.
    window.txtCode_Cliente->setText("\r");
    EXPECT_EQ(prompter.Messages().size(), 4);
    prompter.Answer(PromptAnswer::Ok);
    window.txtCode_Cliente->clear();
    Press(window, Qt::Key_Return);
    Expect("Devi inserire il codice del cliente da aggiungere");
    EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);
    EditorFor("C7", false);
    window.txtCode_Cliente->setText("C7\r");
    EXPECT_EQ(window.txtCode_Cliente->text(), "C7");
    EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);
    EXPECT_EQ(archive.Count("Clienti"), 5);
    // The code kept is added by the button once the editor is saved.
    EditorFor("C7", true);
    window.cmdAutoAdd->click();
    EXPECT_EQ(Customers("C7"), 1);
    EXPECT_EQ(window.txtCode_Cliente->text(), "");
    // Closed by Esc here, from the title bar when run modal from the main window.
    Press(window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    std::vector<QLineEdit*> modal;
    QLineEdit* field = nullptr;
    OnWindow([&field](QDialog& d) {
        field = Child<QLineEdit>(d, "txtCode_Cliente");
        d.close();
    });
    frmAddClienti::ShowModal(nullptr, session, settings,
                             [&modal](QLineEdit* target) { modal.push_back(target); });
    for (const auto& [seen, shown] : {std::pair{targets, window.txtCode_Cliente}, {modal, field}}) {
        ASSERT_GE(seen.size(), 2u);
        EXPECT_EQ(seen.front(), shown);
        EXPECT_EQ(seen.back(), nullptr);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), nullptr), 1);
    }
}
