// The quick customer window on a real archive: new codes through the row editor, known codes
// refused, quoted codes taken as values, and the barcode reader's target while it is open.
#include "frmAddClienti.h"
#include "TempArchive.h"
#include "WindowTest.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"

#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace {
class AddClientiTest : public WindowTest {
protected:
    void SetUp() override {
        archive.Create();
        session.SetDatabase(archive.db);
        session.SetStorage(archive.storage);
    }
    void TearDown() override {
        session.Release();
        WindowTest::TearDown();
    }

    qint64 Customers(const QString& code) {
        return archive.Scalar("SELECT COUNT(*) FROM Clienti WHERE Codice = '" +
                              QString(code).replace('\'', "''") + "'");
    }
    qint64 Customers() { return archive.Scalar("SELECT COUNT(*) FROM Clienti"); }

    // The row editor opens on the code and is saved with a surname, or cancelled.
    void EditorFor(const QString& code, bool save) {
        prompter.Dialog([code, save](QDialog& d) {
            EXPECT_EQ(d.objectName(), "DbmsRowEditor");
            ShowWindow(d);
            EXPECT_EQ(Child<QLineEdit>(d, "Codice")->text(), code);
            Child<QLineEdit>(d, "Cognome")->setFocus();
            QTest::keyClicks(d.focusWidget(), "Rossi");
            Press(d, save ? Qt::Key_Return : Qt::Key_Escape);
            return d.result();
        });
    }

    TempArchive archive;
    clsArchiveSession session;
    clsSettings settings;
    std::vector<QLineEdit*> targets;
    frmAddClienti window{session, settings, nullptr,
                         [this](QLineEdit* target) { targets.push_back(target); }};
};
} // namespace

TEST_F(AddClientiTest, ANewCodeTypedOrReadIsAddedThroughTheRowEditor) {
    EXPECT_EQ(window.windowTitle(), "Aggiunta Clienti");
    EXPECT_EQ(window.cmdAutoAdd->text(), "&Aggiungi");
    ShowWindow(window);
    EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);

    // Typed by hand: the keys alone start nothing, Enter adds.
    EditorFor("C100", true);
    QTest::keyClicks(window.txtCode_Cliente, "C100");
    EXPECT_EQ(prompter.Pending(), 1u);
    Press(window, Qt::Key_Return);
    EXPECT_EQ(Customers("C100"), 1);
    EXPECT_EQ(archive.Text("SELECT Cognome FROM Clienti WHERE Codice = 'C100'"), "Rossi");
    EXPECT_EQ(window.txtCode_Cliente->text(), "");

    // Read by the barcode reader: the code and its carriage return arrive at once.
    EditorFor("C101", true);
    window.txtCode_Cliente->setText("C101\r");
    EXPECT_EQ(Customers("C101"), 1);
    EXPECT_EQ(window.txtCode_Cliente->text(), "");
    EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);
    EXPECT_TRUE(prompter.Messages().isEmpty());
}

TEST_F(AddClientiTest, AKnownCodeIsReportedAndClearedAndAnEmptyOneAskedFor) {
    archive.Open("Clienti")->AddRow({{"Codice", "C1"}, {"Cognome", "Bianchi"}});
    ShowWindow(window);

    prompter.Answer(PromptAnswer::Ok);
    window.txtCode_Cliente->setText("C1\n");
    EXPECT_EQ(prompter.LastMessage().Text, "Il cliente esiste in archivio");
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
    EXPECT_EQ(window.txtCode_Cliente->text(), "");
    EXPECT_EQ(Customers(), 1);

    // A line break with no code before it is no read at all.
    window.txtCode_Cliente->setText("\r");
    EXPECT_EQ(prompter.Messages().size(), 1);

    prompter.Answer(PromptAnswer::Ok);
    window.txtCode_Cliente->clear();
    Press(window, Qt::Key_Return);
    EXPECT_EQ(prompter.LastMessage().Text, "Devi inserire il codice del cliente da aggiungere");
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
    EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);
    EXPECT_EQ(Customers(), 1);
}

TEST_F(AddClientiTest, EveryKnownCardIsRefusedBeforeAnythingIsWritten) {
    ShowWindow(window);
    // Quotes and pattern characters are values; a card's 13 digits or the field's 32 are
    // looked up whole.
    const QString codes[] = {"O'Brien", "2900000000017", "A%1_*", QString(32, '9')};
    for (const QString& code : codes) {
        SCOPED_TRACE(code.toStdString());
        EditorFor(code, true);
        window.txtCode_Cliente->setText(code + "\r");
        EXPECT_EQ(Customers(code), 1);
        prompter.Answer(PromptAnswer::Ok);
        window.txtCode_Cliente->setText(code + "\r");
        EXPECT_EQ(prompter.LastMessage().Text, "Il cliente esiste in archivio");
        EXPECT_EQ(Customers(code), 1);
    }
    EXPECT_EQ(Customers(), 4);
}

TEST_F(AddClientiTest, ACancelledEditorKeepsTheCodeForAnotherTry) {
    ShowWindow(window);
    EditorFor("C7", false);
    window.txtCode_Cliente->setText("C7\r");
    EXPECT_EQ(window.txtCode_Cliente->text(), "C7");
    EXPECT_EQ(window.focusWidget(), window.txtCode_Cliente);
    EXPECT_EQ(Customers(), 0);

    // The code kept is added by the button once the editor is saved.
    EditorFor("C7", true);
    window.cmdAutoAdd->click();
    EXPECT_EQ(Customers("C7"), 1);
    EXPECT_EQ(window.txtCode_Cliente->text(), "");
}

TEST_F(AddClientiTest, TheCodeFieldIsTheReadersTargetExactlyWhileTheWindowIsOpen) {
    ShowWindow(window);
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets.back(), window.txtCode_Cliente);
    EXPECT_EQ(std::count(targets.begin(), targets.end(), nullptr), 0);
    Press(window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(targets.back(), nullptr);
    EXPECT_EQ(std::count(targets.begin(), targets.end(), nullptr), 1);

    // The modal run from the main window, closed from the title bar this time.
    std::vector<QLineEdit*> modal;
    QLineEdit* field = nullptr;
    prompter.Dialog([&field](QDialog& d) {
        ShowWindow(d);
        field = Child<QLineEdit>(d, "txtCode_Cliente");
        d.close();
        return d.result();
    });
    frmAddClienti::ShowModal(nullptr, session, settings,
                             [&modal](QLineEdit* target) { modal.push_back(target); });
    ASSERT_GE(modal.size(), 2u);
    EXPECT_EQ(modal.front(), field);
    EXPECT_EQ(modal.back(), nullptr);
    EXPECT_EQ(std::count(modal.begin(), modal.end(), nullptr), 1);
}
