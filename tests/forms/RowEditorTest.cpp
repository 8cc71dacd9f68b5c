// The row editor: new rows with the rules' defaults and pre-filled values, cancelling that
// leaves nothing behind, references and a child's parent chosen from their lists, refusals
// that keep the window open.
#include "DbmsFieldEditor.h"
#include "DbmsFormService.h"
#include "FormsSchema.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

namespace {
class RowEditorTest : public WindowTest {
protected:
    WindowsArchive archive;

    QStringList Customer(const QVariant& oid, const QStringList& fields) {
        return Stored(archive, "Clienti", oid, fields);
    }
    qint64 Count(const QString& table) { return archive.Count(table); }
    // A nested selection list: types the start of a row and chooses it with Enter.
    void ChooseInList(const QString& typed) {
        OnWindow([typed](QDialog& d) {
            EXPECT_EQ(d.objectName(), "DbmsSelectionList");
            QTest::keyClicks(Child<QTableView>(d, "dgRows"), typed);
            Press(d, Qt::Key_Return);
        });
    }
};
} // namespace

TEST_F(RowEditorTest, NewRowShowsTheRulesDefaultsKeepsPrefilledValuesAndStores) {
    auto ds = archive.Open("Clienti");
    const qint64 before = ds->RowCount();
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsRowEditor");
        EXPECT_EQ(d.windowTitle(), "Anagrafica Clienti");
        EXPECT_EQ(Texts(d, {"Codice", "Punti", "Categoria"}), QStringList({"C042", "0", ""}));
        EXPECT_EQ(Child<QLineEdit>(d, "Codice")->maxLength(), 8);
        EXPECT_TRUE(Child<QCheckBox>(d, "Attivo")->isChecked());
        EXPECT_EQ(Child<QDateTimeEdit>(d, "DataIscrizione")->dateTime(), WindowsToday());
        // The links need the row's OID: the list waits for the row to be stored.
        EXPECT_FALSE(Child<QListWidget>(d, "lstPreferiti")->isEnabled());
        // The code was given: the user starts on the first field still to fill.
        EXPECT_EQ(d.focusWidget(), Child<QLineEdit>(d, "Nome"));
        QTest::keyClicks(d.focusWidget(), "Carla Neri");
        Press(d, Qt::Key_Tab);
        TypeOver(d, "Credito", "1.500.000,5");
        Press(d, Qt::Key_Return);
    });
    const QVariant oid = FormService().ShowRowEditor(nullptr, *ds, true, {{"Codice", "C042"}});

    ASSERT_TRUE(oid.isValid());
    EXPECT_EQ(ds->RowCount(), before + 1);
    EXPECT_EQ(ds->CurrentOID(), oid.toLongLong());
    EXPECT_FALSE(ds->IsNewRow());
    EXPECT_EQ(Customer(oid, {"Codice", "Nome", "Punti", "Attivo", "DataIscrizione", "Credito",
                             "OID_Categoria"}),
              QStringList(
                  {"C042", "Carla Neri", "0", "1", "2024-02-29 10:30:00", "15000005000", "NULL"}));
}

TEST_F(RowEditorTest, CancellingANewRowLeavesNothingBehind) {
    auto ds = archive.Open("Clienti");
    ds->Locate(archive.oid["C2"]);
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
        SCOPED_TRACE(key);
        OnWindow([key](QDialog& d) {
            QTest::keyClicks(Child<QLineEdit>(d, "Nome"), "Da non salvare");
            // Annulla pressed from the keyboard: Tab to it, Enter presses it.
            if (key == Qt::Key_Return) Child<QPushButton>(d, "cmdCancel")->setFocus();
            Press(d, key);
            EXPECT_FALSE(d.isVisible());
        });
        const QVariant oid = FormService().ShowRowEditor(nullptr, *ds, true, {{"Codice", "C9"}});
        EXPECT_FALSE(oid.isValid());
        EXPECT_EQ(Count("Clienti"), 2);
        EXPECT_FALSE(ds->IsNewRow());
        EXPECT_TRUE(ds->CanLeave());
        EXPECT_EQ(ds->RowCount(), 2);
    }
}

TEST_F(RowEditorTest, ExistingRowStoresTheChosenReferenceAndLinksOrDiscardsThemAll) {
    auto ds = archive.Open("Clienti");
    for (bool save : {false, true}) {
        SCOPED_TRACE(save ? "OK" : "Esc");
        ASSERT_TRUE(ds->Locate(archive.oid["C1"]));
        OnWindow([&](QDialog& d) {
            EXPECT_EQ(Child<QLineEdit>(d, "Categoria")->text(), "Argento");
            EXPECT_TRUE(Child<QListWidget>(d, "lstPreferiti")->isEnabled());
            TypeOver(d, "Nome", "Anna Rossi");
            // F4 on the reference opens its list; the choice shows at once.
            Child<QLineEdit>(d, "Categoria")->setFocus();
            Press(d, Qt::Key_F4);
            EXPECT_EQ(Child<QLineEdit>(d, "Categoria")->text(), "Platino");
            // Enter on a button reached with Tab presses that button, not OK.
            Child<QPushButton>(d, "cmdAdd_Preferiti")->setFocus();
            Press(d, Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(Texts(Child<QListWidget>(d, "lstPreferiti")), QStringList{"A2 - Penna blu"});
            if (save) Look(d, "row-editor-customer.png");
            Press(d, save ? Qt::Key_Return : Qt::Key_Escape);
        });
        ChooseInList("Pla");
        ChooseInList("A2");
        const QVariant oid = FormService().ShowRowEditor(nullptr, *ds, false);

        EXPECT_EQ(oid.isValid(), save);
        EXPECT_EQ(Customer(archive.oid["C1"], {"Nome", "OID_Categoria"}),
                  QStringList({save ? "Anna Rossi" : "Anna Bianchi",
                               QString::number(archive.oid[save ? "Platino" : "Argento"])}));
        EXPECT_EQ(Count("Clienti__Preferiti"), save ? 1 : 0);
        EXPECT_EQ(ds->GetText("Categoria"), save ? "Platino" : "Argento");
        EXPECT_FALSE(ds->IsDirty());
    }
    // Rimuovi (Del on the list) takes the link away again.
    OnWindow([](QDialog& d) {
        Child<QListWidget>(d, "lstPreferiti")->setFocus();
        Press(d, Qt::Key_Delete);
        EXPECT_EQ(Child<QListWidget>(d, "lstPreferiti")->count(), 0);
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *ds, false).isValid());
    EXPECT_EQ(Count("Clienti__Preferiti"), 0);
    EXPECT_EQ(Count("Articoli"), 4); // a link, not the article
}

TEST_F(RowEditorTest, ChildRowTakesItsParentWhoseValuesTheRulesUse) {
    auto ds = archive.Open("Righe");
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Righe di vendita");
        Look(d, "row-editor-child.png");
        // The parent comes first and was not given: the user starts there.
        EXPECT_EQ(d.focusWidget(), Child<QLineEdit>(d, "OID_Articoli"));
        Press(d, Qt::Key_F4);
        EXPECT_EQ(Child<QLineEdit>(d, "OID_Articoli")->text(), "A2 - Penna blu");
        auto* parent = Child<QGroupBox>(d, "grpParent");
        EXPECT_EQ(Child<QLineEdit>(*parent, "Descrizione")->text(), "Penna blu");
        EXPECT_EQ(Child<QLineEdit>(*parent, "Prezzo")->text(), "1,25");
        EXPECT_TRUE(Child<QLineEdit>(*parent, "Prezzo")->isReadOnly());
        // Three pieces at the article's price, computed by the rules while the window is open.
        EXPECT_EQ(Child<QLineEdit>(d, "Importo")->text(), "3,75");
        Child<QLineEdit>(d, "Cliente")->setFocus();
        Press(d, Qt::Key_Space);
        EXPECT_EQ(Child<QLineEdit>(d, "Cliente")->text(), "C2 - Bruno Verdi");
        Press(d, Qt::Key_Return);
    });
    ChooseInList("A2");
    ChooseInList("C2");
    const QVariant oid = FormService().ShowRowEditor(nullptr, *ds, true, {{"Quantita", 3}});

    ASSERT_TRUE(oid.isValid());
    EXPECT_EQ(Stored(archive, "Righe", oid, {"OID_Articoli", "OID_Cliente", "Quantita", "Importo"}),
              QStringList({QString::number(archive.oid["A2"]), QString::number(archive.oid["C2"]),
                           "3", "37500"}));
}

TEST_F(RowEditorTest, ARowTheRulesRefuseKeepsTheWindowOpenOrCountsAsACancelWithoutOk) {
    auto ds = archive.Open("Clienti");
    OnWindow([&](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "Nome"), "Senza codice");
        Child<QLineEdit>(d, "Credito")->setText("12,5");
        // The table's rules refuse a customer without a code.
        Press(d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_EQ(prompter.LastMessage().Text,
                  "Impossibile salvare i dati:\n\nIl codice del cliente è obbligatorio");
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(Count("Clienti"), 2);
        TypeOver(d, "Codice", "C9");
        Press(d, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    prompter.Answer(PromptAnswer::Ok);
    const QVariant oid = FormService().ShowRowEditor(nullptr, *ds, true);

    ASSERT_TRUE(oid.isValid());
    EXPECT_EQ(Count("Clienti"), 3);
    EXPECT_EQ(Customer(oid, {"Codice", "Credito"}), QStringList({"C9", "125000"}));
    EXPECT_EQ(prompter.Messages().size(), 1);

    // A prompter may answer Accepted without OK having run: the row is stored then, and a
    // refusal counts as a cancel.
    prompter.Dialog([](QDialog& d) {
        Child<QLineEdit>(d, "Nome")->setText("Nessun codice");
        return int(QDialog::Accepted);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *ds, true).isValid());
    EXPECT_EQ(Count("Clienti"), 3);
    EXPECT_FALSE(ds->IsNewRow());

    prompter.Dialog([](QDialog&) { return int(QDialog::Accepted); });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *ds, true, {{"Codice", "C7"}}).isValid());
    EXPECT_EQ(Count("Clienti"), 4);
}

TEST(FieldEditorTexts, AmountsAreReadTheItalianWayAndExactlyNamesAsLabels) {
    auto units = [](const QString& text) {
        const auto m = DbmsFieldEditor::ParseMoney(text);
        return m ? m->Units : qint64(-999);
    };
    EXPECT_EQ(units("1.500.000,00"), qint64(15000000000));
    EXPECT_EQ(units("1500000,5"), qint64(15000005000));
    EXPECT_EQ(units("0,1234"), 1234);
    EXPECT_EQ(units("-3,25"), -32500);
    EXPECT_EQ(units("12"), 120000);
    EXPECT_EQ(units(" 7,5 "), 75000);
    for (const char* bad :
         {"", "1.50", "12.34.567", "1,23456", "abc", "1 000", "1,2,3", ",5", "1234567890123456"})
        EXPECT_EQ(units(bad), -999) << bad;
    // Field names read as labels.
    EXPECT_EQ(DbmsFieldEditor::Label("ImportoVendita"), "Importo Vendita");
    EXPECT_EQ(DbmsFieldEditor::Label("CAP"), "CAP");
    EXPECT_EQ(DbmsFieldEditor::Label("CodiceFiscale"), "Codice Fiscale");
    EXPECT_EQ(DbmsFieldEditor::Label("OID_Articoli"), "OID Articoli");
    EXPECT_EQ(DbmsFieldEditor::Label("Note"), "Note");
}
