// The row and one-field editors: new rows with defaults and given values, cancels that leave
// nothing, references and parents chosen from lists, refusals that keep the window open, the text
// box binding; on the program's tables, card codes, postal codes, a sold article priced by hand.
#include "DbmsFieldEditor.h"
#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "FormsSchema.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QTableView>

namespace {
class RowEditorTest : public WindowTest {
protected:
    void SetUp() override { ASSERT_TRUE(ds->Locate(archive.oid["C1"])); }
    WindowsArchive archive;
    std::shared_ptr<DbmsDataSource> ds = archive.Open("Clienti"); // on Anna Bianchi
    // A field of Anna Bianchi as stored.
    QString C1(const QString& field) { return Customer(archive.oid["C1"], {field})[0]; }
    QStringList Customer(const QVariant& oid, const QStringList& fields) {
        return Stored(archive, "Clienti", oid, fields);
    }
    // A nested selection list: types the start of a row and chooses it with Enter.
    void ChooseInList(const QString& typed) {
        OnWindow([typed](QDialog& d) {
            QTest::keyClicks(Child<QTableView>(d, "dgRows"), typed);
            Press(d, Qt::Key_Return);
        });
    }
};
using FieldEditorTest = RowEditorTest;

const QString kDuplicate = "Il cliente esiste in archivio";

class ProgramWindowsTest : public WindowTest {
protected:
    void SetUp() override {
        archive.Create();
        customers = archive.Open("Clienti", {}, "Codice");
        articles = archive.Open("Articoli");
        rossi = customers->AddRow({{"Codice", "0001"}, {"Cognome", "Rossi"}, {"CAP", 9121}});
        article = articles->AddRow(
            {{"Codice", "VIAGGIO"}, {"Descrizione", "Viaggio su misura"}, {"Importo", 0}});
        sale = archive.Open("OperazioniVendite");
        sale->AddRow({{"Cliente", rossi}, {"Importo", 0}});
    }
    TempArchive archive;
    std::shared_ptr<DbmsDataSource> customers, articles, sale;
    OID rossi = 0, article = 0;
};
} // namespace

TEST_F(RowEditorTest, ANewRowCancelledLeavesNothingOkStoresTheRulesDefaultsAndTheValuesGiven) {
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
        EXPECT_EQ(archive.Count("Clienti"), 2);
        EXPECT_TRUE(ds->CanLeave()); // neither new nor changed
        EXPECT_EQ(ds->RowCount(), 2);
    }
    const qint64 before = ds->RowCount();
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(Kind(d), "DbmsRowEditor: Anagrafica Clienti");
        EXPECT_EQ(Texts(d, {"Codice", "Punti", "Categoria"}), QStringList({"C042", "0", ""}));
        EXPECT_TRUE(Child<QCheckBox>(d, "Attivo")->isChecked());
        EXPECT_EQ(Child<QDateTimeEdit>(d, "DataIscrizione")->dateTime(), WindowsToday());
        // The links need the row's OID: the list waits for the row to be stored.
        EXPECT_FALSE(Child<QListWidget>(d, "lstPreferiti")->isEnabled());
        // The code was given: the user starts on the first field still to fill, the name.
        QTest::keyClicks(d.focusWidget(), "Carla Neri");
        Press(d, Qt::Key_Tab);
        TypeOver(d, "Credito", "1.500.000,5", Qt::Key_Return);
    });
    const QVariant oid = FormService().ShowRowEditor(nullptr, *ds, true, {{"Codice", "C042"}});
    ASSERT_TRUE(oid.isValid());
    EXPECT_EQ(ds->RowCount(), before + 1);
    EXPECT_EQ(ds->CurrentOID(), oid.toLongLong()); // the stored row, no longer a new one
    EXPECT_EQ(Customer(oid, {"Codice", "Nome", "Punti", "Attivo", "DataIscrizione", "Credito",
                             "OID_Categoria"}),
              QStringList(
                  {"C042", "Carla Neri", "0", "1", "2024-02-29 10:30:00", "15000005000", "NULL"}));
}

TEST_F(RowEditorTest, ExistingRowStoresTheChosenReferenceAndLinksOrDiscardsThemAll) {
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
        EXPECT_EQ(archive.Count("Clienti__Preferiti"), save ? 1 : 0);
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
    EXPECT_EQ(archive.Count("Clienti__Preferiti"), 0); // a link, not the article: the engine's
}

TEST_F(RowEditorTest, ChildRowTakesItsParentWhoseValuesTheRulesUse) {
    auto ds = archive.Open("Righe");
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Righe di vendita");
        Look(d, "row-editor-child.png");
        // The parent comes first and was not given: the user starts there, F4 opens its list.
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
    OnWindow([&](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "Nome"), "Senza codice");
        Child<QLineEdit>(d, "Credito")->setText("12,5");
        // The table's rules refuse a customer without a code.
        Press(d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompter.LastMessage().Text,
                  "Impossibile salvare i dati:\n\nIl codice del cliente è obbligatorio");
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(archive.Count("Clienti"), 2);
        TypeOver(d, "Codice", "C9", Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    prompter.Answer(PromptAnswer::Ok);
    const QVariant oid = FormService().ShowRowEditor(nullptr, *ds, true);
    ASSERT_TRUE(oid.isValid());
    EXPECT_EQ(archive.Count("Clienti"), 3);
    EXPECT_EQ(Customer(oid, {"Codice", "Credito"}), QStringList({"C9", "125000"}));
    // A prompter may answer Accepted without OK having run: the row is stored then, and a
    // refusal counts as a cancel.
    prompter.Dialog([](QDialog& d) {
        Child<QLineEdit>(d, "Nome")->setText("Nessun codice");
        return int(QDialog::Accepted);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *ds, true).isValid());
    EXPECT_EQ(archive.Count("Clienti"), 3);
    EXPECT_FALSE(ds->IsNewRow());
    prompter.Dialog([](QDialog&) { return int(QDialog::Accepted); });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *ds, true, {{"Codice", "C7"}}).isValid());
    EXPECT_EQ(archive.Count("Clienti"), 4);
}

TEST(FieldEditorTexts, AmountsAreReadTheItalianWayAndExactlyNamesAsLabels) {
    auto units = [](const QString& text) {
        const auto m = DbmsFieldEditor::ParseMoney(text);
        return m ? m->Units : qint64(-999);
    };
    QList<qint64> read;
    for (const char* text :
         {"1.500.000,00", "1500000,5", "0,1234", "-3,25", "12", " 7,5 ", "922337203685477,5807"})
        read << units(text);
    EXPECT_EQ(read,
              QList<qint64>({15000000000, 15000005000, 1234, -32500, 120000, 75000, INT64_MAX}));
    for (const char* bad : {"", "1.50", "12.34.567", "1,23456", "abc", "1 000", "1,2,3", ",5",
                            "1234567890123456", "999999999999999", "922337203685477,5808"})
        EXPECT_EQ(units(bad), -999) << bad;
    // Field names read as labels ("DataIscrizione" is the field editor's title below).
    EXPECT_EQ(DbmsFieldEditor::Label("CAP"), "CAP");
    EXPECT_EQ(DbmsFieldEditor::Label("OID_Articoli"), "OID Articoli");
}

TEST_F(FieldEditorTest, AChangedDateIsStoredAndReportedDelClearsItAnEmptyOneIsTyped) {
    const QDateTime when(QDate(2024, 3, 15), QTime(9, 45));
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(Kind(d), "DbmsFieldEditor: Data Iscrizione");
        auto* box = Child<QDateTimeEdit>(d, "DataIscrizione");
        EXPECT_EQ(d.focusWidget(), box);
        box->setDateTime(when);
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowFieldEditor(nullptr, *ds, "DataIscrizione"));
    EXPECT_EQ(C1("DataIscrizione"), "2024-03-15 09:45:00");
    EXPECT_FALSE(ds->IsDirty());
    // Del clears a date; an empty one is typed from the day on ("dd/MM/yyyy HH:mm").
    OnWindow([](QDialog& d) {
        Press(d, Qt::Key_Delete);
        EXPECT_EQ(Child<QDateTimeEdit>(d, "DataIscrizione")->text(), " ");
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowFieldEditor(nullptr, *ds, "DataIscrizione"));
    EXPECT_EQ(C1("DataIscrizione"), "NULL");
    OnWindow([](QDialog& d) {
        auto* box = Child<QDateTimeEdit>(d, "DataIscrizione");
        EXPECT_EQ(box->text(), " ");
        QTest::keyClicks(box, "150320241030");
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowFieldEditor(nullptr, *ds, "DataIscrizione"));
    EXPECT_EQ(C1("DataIscrizione"), "2024-03-15 10:30:00");
}

TEST_F(FieldEditorTest, NoChangeEscAnUnknownFieldOrARefusedRowStoreNothing) {
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        SCOPED_TRACE(key);
        OnWindow([key](QDialog& d) {
            auto* name = Child<QLineEdit>(d, "Nome");
            EXPECT_EQ(name->text(), "Anna Bianchi");
            if (key == Qt::Key_Escape) QTest::keyClicks(name, " (da scartare)");
            Press(d, key);
        });
        EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *ds, "Nome"));
        EXPECT_EQ(C1("Nome"), "Anna Bianchi");
        EXPECT_EQ(ds->GetValue("Nome"), "Anna Bianchi");
        EXPECT_FALSE(ds->IsDirty());
    }
    // A field the table lacks is reported.
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *ds, "Cognome"));
    EXPECT_EQ(prompter.LastMessage().Text, "Campo sconosciuto nella tabella Clienti: Cognome");
    // A refused row keeps the window open; a cancel then takes the value back.
    ds->SetValue("Codice", ""); // the rules will refuse the row
    OnWindow([&](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "Nome"), "!");
        Press(d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompter.LastMessage().Text,
                  "Impossibile salvare i dati:\n\nIl codice del cliente è obbligatorio");
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *ds, "Nome"));
    EXPECT_EQ(C1("Nome"), "Anna Bianchi");
    EXPECT_FALSE(ds->IsDirty());
    EXPECT_EQ(ds->GetValue("Codice"), "C1");
}

TEST_F(FieldEditorTest, ABoundTextBoxWritesThroughAsTheUserTypesUntilBoundElsewhere) {
    QLineEdit edit;
    edit.show();
    FormService().BindTextBox(&edit, ds, "Nome");
    EXPECT_EQ(edit.text(), "Anna Bianchi");
    EXPECT_EQ(edit.maxLength(), 32);
    edit.selectAll();
    QTest::keyClicks(&edit, "Anna Maria");
    // In the row at once, in the archive once the edit is finished.
    EXPECT_EQ(ds->GetValue("Nome"), "Anna Maria");
    EXPECT_EQ(C1("Nome"), "Anna Bianchi");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(C1("Nome"), "Anna Maria");
    EXPECT_FALSE(ds->IsDirty());
    // A change made elsewhere in the row shows in the line.
    ds->SetValue("Nome", "Anna M. Bianchi");
    EXPECT_EQ(edit.text(), "Anna M. Bianchi");
    ds->CancelUpdate();
    // Bound elsewhere, the line writes to the new row only; a released row is let go.
    auto other = archive.Open("Clienti");
    ASSERT_TRUE(other->Locate(archive.oid["C2"]));
    FormService().BindTextBox(&edit, other, "Codice");
    EXPECT_EQ(edit.text(), "C2");
    EXPECT_EQ(edit.maxLength(), 8);
    edit.selectAll();
    QTest::keyClicks(&edit, "C22");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_FALSE(ds->IsDirty());
    EXPECT_EQ(C1("Nome"), "Anna Maria");
    EXPECT_EQ(archive.Count("Clienti WHERE Codice = 'C22'"), 1);
    other.reset(); // the window lets the row go; the line is just a line now
    QTest::keyClicks(&edit, "3");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(archive.Count("Clienti WHERE Codice = 'C223'"), 0);
}

TEST_F(ProgramWindowsTest, NotANumberOrACardCodeAlreadyGivenIsRefusedByName) {
    const OID bianchi = customers->AddRow({{"Codice", "0002"}, {"Cognome", "Bianchi"}});
    // Refused by name before anything is written, the window open on the field; then Esc, or a
    // value that is right.
    for (const auto& [ds, row, newRow, field, typed, retyped] :
         {std::tuple{articles, article, false, "Importo", "12a,50", ""},
          {customers, rossi, false, "CAP", "20I21", ""},
          {customers, bianchi, true, "Codice", "0001", "0003"},
          {customers, bianchi, false, "Codice", "0001", "0004"}}) {
        SCOPED_TRACE(std::string(typed) + (newRow ? " new" : ""));
        ASSERT_TRUE(ds->Locate(row));
        const qint64 before = archive.Count("Clienti");
        const QString refusal =
            QString(field) == "Codice"
                ? kDuplicate
                : QString("Valore non valido per il campo %1: '%2'").arg(field, typed);
        OnWindow([&](QDialog& d) {
            QLineEdit* line = TypeOver(d, field, typed, Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(prompter.LastMessage().Text, refusal);
            EXPECT_EQ(d.focusWidget(), line);
            EXPECT_EQ(archive.Count("Clienti"), before);
            if (*retyped)
                TypeOver(d, field, retyped, Qt::Key_Return);
            else
                Press(d, Qt::Key_Escape);
        });
        prompter.Answer(PromptAnswer::Ok);
        EXPECT_EQ(FormService().ShowRowEditor(nullptr, *ds, newRow).isValid(), *retyped != 0);
    }
    EXPECT_EQ(archive.Scalar("SELECT Importo FROM Articoli"), 0);
    EXPECT_EQ(archive.Scalar("SELECT CAP FROM Clienti WHERE OID = " + QString::number(rossi)),
              9121);
    EXPECT_EQ(archive.Count("Clienti WHERE Codice IN ('0003', '0004')"), 2);
    // The one-field editor refuses it too.
    ASSERT_TRUE(customers->Locate(bianchi));
    OnWindow([](QDialog& d) {
        TypeOver(d, "Codice", "0001", Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *customers, "Codice"));
    EXPECT_EQ(prompter.LastMessage().Text, kDuplicate);
    EXPECT_EQ(archive.Count("Clienti WHERE Codice = '0001'"), 1);
}

TEST_F(ProgramWindowsTest, PostalCodesKeepTheirZerosTextsStopAtTheirSizeAmountsReadItalian) {
    DbmsGridModel grid(customers, nullptr);
    const QModelIndex cap = grid.index(0, grid.ColumnOf("CAP"));
    EXPECT_EQ(cap.data().toString(), "09121");
    EXPECT_EQ(cap.data(Qt::EditRole).toLongLong(), 9121);
    QLineEdit edit;
    edit.show();
    FormService().BindTextBox(&edit, customers, "CAP");
    EXPECT_EQ(edit.text(), "09121");
    EXPECT_EQ(edit.maxLength(), 5);
    // An amount typed in a bound line is read the Italian way, or refused by name.
    ASSERT_TRUE(articles->Locate(article));
    FormService().BindTextBox(&edit, articles, "Importo");
    prompter.Answer(PromptAnswer::Ok);
    for (const auto& [typed, stored] : {std::pair{"12a,50", 0}, {"1.250,5", 12505000}}) {
        edit.selectAll();
        QTest::keyClicks(&edit, typed);
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_EQ(archive.Scalar("SELECT Importo FROM Articoli"), stored) << typed;
    }
    EXPECT_EQ(prompter.Messages(), QStringList{"Valore non valido per il campo Importo: '12a,50'"});
    EXPECT_EQ(edit.text(), "1.250,50");
    ASSERT_TRUE(customers->Locate(rossi));
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Clienti");
        Look(d, "row-editor-clienti.png");
        auto* line = Child<QLineEdit>(d, "CAP");
        EXPECT_EQ(line->text(), "09121");
        EXPECT_EQ(line->maxLength(), 5);
        // A text stops at its field's size with a beep, while the clerk types.
        EXPECT_EQ(TypeOver(d, "Provincia", "MILANO")->text(), "MILAN");
        EXPECT_EQ(prompter.Beeps(), 1);
        TypeOver(d, "CAP", "00185", Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *customers, false).isValid());
    EXPECT_EQ(archive.Scalar("SELECT CAP FROM Clienti"), 185);
    EXPECT_EQ(customers->GetText("CAP"), "00185");
}

TEST_F(ProgramWindowsTest, ALineWithoutAListPriceIsPricedByTheClerkAndBelongsToTheSale) {
    auto lines = sale->GetReference("Articoli");
    const QString link = lines->TableDef().ParentLinkField();
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Articoli Venduti");
        EXPECT_EQ(Texts(d, {link, "Quantita"}), QStringList({"VIAGGIO - Viaggio su misura", "1"}));
        EXPECT_EQ(Child<QLineEdit>(*Child<QGroupBox>(d, "grpParent"), "Descrizione")->text(),
                  "Viaggio su misura");
        // The article and the quantity were given: the clerk starts on the price.
        QTest::keyClicks(d.focusWidget(), "1.250,00");
        Press(d, Qt::Key_Return);
    });
    const QVariant oid =
        FormService().ShowRowEditor(nullptr, *lines, true, {{"Quantita", 1}, {link, article}});
    ASSERT_TRUE(oid.isValid());
    EXPECT_EQ(Stored(archive, "ArticoliVenduti", oid, {"ImportoVendita", "OID_Articoli"}),
              QStringList({"12500000", QString::number(article)}));
    const QString pair = QString::number(sale->CurrentOID()) + " AND OID_Item = " + oid.toString();
    EXPECT_EQ(archive.Count("OperazioniVendite__Articoli WHERE OID_Owner = " + pair), 1);
    // A cancelled line leaves the sale as it was.
    OnWindow([](QDialog& d) {
        QTest::keyClicks(d.focusWidget(), "99");
        Press(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *lines, true, {{"Quantita", 1}}).isValid());
    EXPECT_EQ(archive.Count("ArticoliVenduti"), 1);
    EXPECT_EQ(archive.Count("OperazioniVendite__Articoli"), 1);
}
