// The engine's dialogs, driven from the keyboard: the selection and row lists (incremental
// search), predefined selections, field sequence, complex filter, combined order, data export.
#include "DbmsCsvExport.h"
#include "DbmsDatabase.h"
#include "DbmsFormService.h"
#include "FormsSchema.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTableView>

namespace {
class EngineDialogsTest : public WindowTest {
protected:
    WindowsArchive archive;
    std::shared_ptr<DbmsSelectionSet> Set(const QString& name = "Clienti attivi") {
        auto set = archive.db->Item("Clienti")->CreateSelectionSet(DbmsSelectionSet::Predefined);
        set->SetName(name);
        return set;
    }
    // In description order: "L'agenda; 2024", "Penna blu", "Penna rossa", "Quaderno".
    std::shared_ptr<DbmsDataSource> articles = archive.Open("Articoli", {}, "Articoli.Descrizione");
    static int Row(QDialog& d) { return Child<QTableView>(d, "dgRows")->currentIndex().row(); }
    std::shared_ptr<DbmsDataSource> clients = archive.Open("Clienti");
    std::shared_ptr<DbmsSelectionSet> set = DbmsSelectionSet::FromDataSource(*clients);
    // Chooses `text` in a drop-down with the arrows, as the user does.
    static void Pick(QDialog& d, const QString& name, const QString& text) {
        auto* box = Child<QComboBox>(d, name);
        box->setFocus();
        Press(d, Qt::Key_Home);
        for (int i = 0; i < box->count() && box->currentText() != text; ++i)
            Press(d, Qt::Key_Down);
        ASSERT_EQ(box->currentText(), text);
    }
    // A condition typed in and added with AND or OR.
    static void Add(QDialog& d, const QString& field, const QString& how, const QString& value,
                    bool orWithLast = false) {
        Pick(d, "cboCampo", field);
        Pick(d, "cboConfronto", how);
        TypeOver(d, "txtValore", value);
        Click(d, orWithLast ? "cmdOr" : "cmdAnd");
    }
    // The named filter line: a name typed, then a button pressed.
    static void Named(QDialog& d, const QString& name, const QString& button) {
        auto* box = Child<QComboBox>(d, "cboNome");
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), name);
        Click(d, button);
    }
};

using Items = std::vector<DbmsSelectionItem>;
} // namespace

TEST_F(EngineDialogsTest,
       PredefinedSelectionsAreTickedEditedAndStoredUnderTheSetsNameIfAnyUnlessCancelled) {
    auto set = Set();
    const Items before{{"Punti > 100", true}, {"Attivo = True", false}, {"Nome Like 'A*'", true}};
    set->SetItems(before);
    // Cancelled, with the condition window cancelled too, nothing changes.
    OnWindow([](QDialog& d) { Keys(d, {Qt::Key_Space, Qt::Key_Insert, Qt::Key_Escape}); });
    OnWindow([](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "txtCondizione"), "Punti < 5");
        Press(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(FormService().ShowPredefinedSelections(nullptr, *set, "Selezioni predefinite"));
    EXPECT_EQ(set->Items(), before);
    EXPECT_FALSE(Set("altro")->Restore("Clienti attivi"));
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(Kind(d), "DbmsPredefinedSelections: Selezioni predefinite");
        auto* list = Child<QListWidget>(d, "lstSelezioni"); // with the focus: the keys act on it
        EXPECT_EQ(Texts(list), QStringList({"Punti > 100", "Attivo = True", "Nome Like 'A*'"}));
        // Space ticks the current condition; Del removes one; Ins and F2 ask for a text.
        Keys(d, {Qt::Key_Space, Qt::Key_Down, Qt::Key_Space, Qt::Key_Down, Qt::Key_Delete,
                 Qt::Key_Insert});
        EXPECT_EQ(list->currentRow(), 2);
        Keys(d, {Qt::Key_Up, Qt::Key_F2});
        EXPECT_EQ(Texts(list), QStringList({"Punti > 100", "Attivo = False", "Codice = 'C1'"}));
        Press(d, Qt::Key_Return);
    });
    // Ins: a condition the table cannot use is refused, the window stays until it is right.
    OnWindow([&](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "txtCondizione"), "Codice = 'C1");
        Press(d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Condizione non valida:\n\n"));
        QTest::keyClicks(Child<QLineEdit>(d, "txtCondizione"), "'");
        Press(d, Qt::Key_Return);
    });
    prompter.Answer(PromptAnswer::Ok);
    // F2: the condition is changed in place.
    OnWindow([](QDialog& d) {
        EXPECT_EQ(Child<QLineEdit>(d, "txtCondizione")->text(), "Attivo = True");
        TypeOver(d, "txtCondizione", "Attivo = False", Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowPredefinedSelections(nullptr, *set, "Selezioni predefinite"));
    const Items expected{{"Punti > 100", false}, {"Attivo = False", true}, {"Codice = 'C1'", true}};
    EXPECT_EQ(set->Items(), expected);
    EXPECT_EQ(set->Condition(), "(Attivo = False) AND (Codice = 'C1')");
    auto stored = Set("altro");
    ASSERT_TRUE(stored->Restore("Clienti attivi"));
    EXPECT_EQ(stored->Items(), expected);
    // A set without a name keeps its conditions in memory only.
    const qint64 named = archive.Count("_Selections");
    auto unnamed = Set(QString());
    OnWindow([](QDialog& d) { Keys(d, {Qt::Key_Insert, Qt::Key_Return}); });
    OnWindow([](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "txtCondizione"), "Punti < 5");
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowPredefinedSelections(nullptr, *unnamed, "Selezioni"));
    EXPECT_EQ(unnamed->Condition(), "(Punti < 5)");
    EXPECT_EQ(archive.Count("_Selections"), named);
}

TEST_F(EngineDialogsTest, FieldSequenceGivesTheShownFieldsInTheirNewOrderNeverNone) {
    auto ds = archive.Open("Articoli");
    QString sequence = "descrizione, Codice,Nessuno";
    OnWindow([](QDialog& d) {
        EXPECT_EQ(Kind(d), "DbmsFieldSequence: Sequenza di Visualizzazione Campi");
        auto* shown = Child<QListWidget>(d, "lstShown");
        auto* available = Child<QListWidget>(d, "lstAvailable");
        EXPECT_EQ(Texts(shown), QStringList({"Descrizione", "Codice"}));
        EXPECT_EQ(Texts(available), QStringList({"Prezzo", "Categoria"}));
        Press(d, Qt::Key_Down, Qt::ControlModifier); // on the shown list: Descrizione after Codice
        Press(d, Qt::Key_Up);
        available->setFocus();
        Press(d, Qt::Key_Insert); // Prezzo, after the current shown field
        EXPECT_EQ(Texts(shown), QStringList({"Codice", "Prezzo", "Descrizione"}));
        Child<QPushButton>(d, "cmdDown")->click();
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowFieldSequence(nullptr, *ds, "Sequenza di Visualizzazione Campi",
                                                sequence));
    EXPECT_EQ(sequence, "Codice,Descrizione,Prezzo");
    // No sequence: everything a grid can show, in the data source's order; none is refused.
    auto lines = archive.Open("Righe");
    sequence.clear();
    OnWindow([&](QDialog& d) {
        auto* shown = Child<QListWidget>(d, "lstShown");
        EXPECT_EQ(Texts(shown), QStringList({"Quantita", "Importo", "Data", "Note", "Cliente",
                                             "Codice", "Descrizione", "Prezzo", "Categoria"}));
        while (shown->count() > 0)
            Press(d, Qt::Key_Delete);
        Press(d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompter.LastMessage().Text, "Scegli almeno un campo da visualizzare.");
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldSequence(nullptr, *lines, "Campi", sequence));
    EXPECT_EQ(sequence, "");
}

TEST_F(EngineDialogsTest, ExportWritesCsvOrHtmlByTheNameChosenAndReportsWhatFails) {
    archive.Add("Articoli", {{"Codice", "A5"},
                             {"Descrizione", "Penna \"Extra\"\nlunga"},
                             {"Prezzo", AmountUnits(-10000)},
                             {"Categoria", archive.oid["Oro"]}});
    auto ds = archive.Open("Articoli", "Codice >= 'A4'", "Codice");
    const QString csv = archive.File("articoli.csv");
    prompter.File(csv);
    FormService().ExportData(nullptr, *ds);
    ASSERT_EQ(prompter.History().front().Kind, "save");
    EXPECT_EQ(prompter.History().front().DialogName, "Esporta dati");
    EXPECT_EQ(ReadAll(csv), QByteArray("\xEF\xBB\xBF"
                                       "Codice;Descrizione;Prezzo;Categoria\r\n"
                                       "A4;\"L'agenda; 2024\";15.000,00;\r\n"
                                       "A5;\"Penna \"\"Extra\"\"\nlunga\";-1,00;Oro\r\n"));
    const QString html = archive.File("articoli.HTML");
    prompter.File(html);
    FormService().ExportData(nullptr, *ds);
    EXPECT_TRUE(ReadAll(html).contains("<td>L&#39;agenda; 2024</td>"));
    // A name without a known extension becomes an HTML page.
    prompter.File(archive.File("articoli"));
    FormService().ExportData(nullptr, *ds);
    EXPECT_TRUE(ReadAll(archive.File("articoli.htm")).startsWith("<!DOCTYPE html>"));
    // An existing file (the name with its extension) is replaced only when the user says so,
    // asked once (the chooser does not; the question is the dialogs' own, tested with them).
    const QString page = archive.File("articoli.htm");
    const QByteArray before = ReadAll(page);
    ds->ApplyFilter("Codice = 'A4'");
    prompter.File(archive.File("articoli")).Answer(PromptAnswer::No);
    FormService().ExportData(nullptr, *ds);
    EXPECT_EQ(ReadAll(page), before);
    prompter.File(archive.File("articoli")).Answer(PromptAnswer::Yes);
    FormService().ExportData(nullptr, *ds);
    EXPECT_FALSE(ReadAll(page).contains("<td>Oro</td>"));
    // Only what would split a record is quoted (separators and quotes: the file above).
    EXPECT_EQ(DbmsCsvValue("riga 1\r\nriga 2"), "\"riga 1\nriga 2\"");
    EXPECT_EQ(DbmsCsvValue(" spazio"), "\" spazio\"");
    // Cancelled, nothing happens (a question would be unscripted); a failed write is reported.
    prompter.File("");
    FormService().ExportData(nullptr, *ds);
    const QString path = archive.File("manca/articoli.csv");
    prompter.File(path).Answer(PromptAnswer::Ok);
    FormService().ExportData(nullptr, *ds);
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Esportazione dei dati non riuscita:\n\n"));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(EngineDialogsTest, TypingJumpsToTheFirstRowThatStartsWithItAndEnterChoosesIt) {
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(Kind(d), "DbmsSelectionList: Articoli");
        auto* view = Child<QTableView>(d, "dgRows");
        EXPECT_EQ(d.focusWidget(), view);
        EXPECT_EQ(view->model()->rowCount(), 4);
        EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "Descrizione");
        EXPECT_EQ(Row(d), 0);
        // The list is ordered by description, so typing searches the description.
        QTest::keyClicks(view, "pen");
        EXPECT_EQ(Child<QLineEdit>(d, "txtSearch")->text(), "pen");
        EXPECT_EQ(Row(d), 1);
        QTest::keyClicks(view, "na r");
        EXPECT_EQ(Row(d), 2);
        QTest::keyClick(view, Qt::Key_Backspace);
        QTest::keyClick(view, Qt::Key_Backspace);
        EXPECT_EQ(Child<QLineEdit>(d, "txtSearch")->text(), "penna");
        EXPECT_EQ(Row(d), 1);
        Look(d, "selection-list.png");
        for (int c = 0; c < view->model()->columnCount(); ++c)
            EXPECT_LE(view->columnViewportPosition(c) + view->columnWidth(c),
                      view->viewport()->width());
        // Nothing starts with it: a beep (the first), and the list stays where it was.
        QTest::keyClicks(view, "z");
        EXPECT_EQ(prompter.Beeps(), 1);
        EXPECT_EQ(Row(d), 1);
        QTest::keyClick(view, Qt::Key_Down);
        Press(d, Qt::Key_Return);
    });
    const QVariant oid = FormService().ShowSelectionList(nullptr, *articles);
    EXPECT_EQ(oid, QVariant(archive.oid["A3"]));
    // The data source is left on the chosen row.
    EXPECT_EQ(articles->CurrentOID(), archive.oid["A3"]);
}

TEST_F(EngineDialogsTest,
       QuotesAndWildcardsSearchedSafelyTheListStartsOnTheCurrentRowRowListShows) {
    OnWindow([&](QDialog& d) {
        auto* search = Child<QLineEdit>(d, "txtSearch");
        search->setFocus();
        QTest::keyClicks(search, "l'agenda;");
        EXPECT_EQ(Row(d), 0);
        search->clear();
        QTest::keyClicks(search, "*rossa");
        EXPECT_EQ(Row(d), 2);
        // The arrows of the search line move the list.
        QTest::keyClick(search, Qt::Key_Down);
        EXPECT_EQ(Row(d), 3);
        EXPECT_EQ(d.focusWidget(), search);
        EXPECT_EQ(prompter.Beeps(), 0);
        Press(d, Qt::Key_Return);
    });
    EXPECT_EQ(FormService().ShowSelectionList(nullptr, *articles, "Scegli l'articolo"),
              QVariant(archive.oid["A1"]));
    // The list starts on the current row; a double click chooses.
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Scegli l'articolo");
        EXPECT_EQ(Row(d), 3);
        auto* view = Child<QTableView>(d, "dgRows");
        const QRect cell = view->visualRect(view->model()->index(1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(FormService().ShowSelectionList(nullptr, *articles, "Scegli l'articolo"),
              QVariant(archive.oid["A2"]));
    // Esc or an empty list choose nothing.
    OnWindow([](QDialog& d) { Press(d, Qt::Key_Escape); });
    EXPECT_FALSE(FormService().ShowSelectionList(nullptr, *articles).isValid());
    auto none = archive.Open("Articoli", "Codice = 'X'");
    OnWindow([](QDialog& d) { Press(d, Qt::Key_Return); });
    EXPECT_FALSE(FormService().ShowSelectionList(nullptr, *none).isValid());
    // The row list only shows the rows: Enter or Esc closes it.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        OnWindow([key](QDialog& d) {
            EXPECT_EQ(Kind(d), "DbmsRowList: Articoli da importare");
            EXPECT_EQ(Child<QPushButton>(d, "cmdOK")->text(), "&Chiudi");
            EXPECT_EQ(d.findChild<QPushButton*>("cmdCancel"), nullptr);
            EXPECT_EQ(Child<QTableView>(d, "dgRows")->model()->rowCount(), 4);
            Press(d, key);
            EXPECT_FALSE(d.isVisible());
        });
        FormService().ShowRowList(nullptr, *articles, "Articoli da importare");
    }
}

TEST_F(EngineDialogsTest, ConditionsAreBuiltFromSafeLiteralsJoinedByAndOr) {
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(Kind(d), "DbmsComplexFilter: FILTRO COMPLESSO");
        EXPECT_EQ(d.focusWidget(), Child<QComboBox>(d, "cboCampo"));
        Add(d, "Punti", ">=", "100");
        Add(d, "Codice", "=", "C2", true);
        // Enter in the value adds with AND; the quote and the percent sign stay what they are.
        Pick(d, "cboCampo", "Nome");
        Pick(d, "cboConfronto", "<>");
        TypeOver(d, "txtValore", "D'Amico", Qt::Key_Return);
        Add(d, "Codice", "non è vuoto", "", true);
        Add(d, "Data Iscrizione", "=", "29/2/24");
        Add(d, "Nome", "contiene", "50%");
        auto* list = Child<QListWidget>(d, "lstCondizioni");
        list->setFocus();
        Press(d, Qt::Key_Space); // not applied, but kept
        Add(d, "Punti", "<", "12a");
        EXPECT_EQ(prompter.LastMessage().Text, "Valore non valido per il campo Punti: '12a'");
        EXPECT_EQ(list->count(), 4);
        Look(d, "complex-filter.png");
        // The refused value is left selected; with the value empty Enter is OK.
        Keys(d, {Qt::Key_Backspace, Qt::Key_Return});
    });
    prompter.Answer(PromptAnswer::Ok);
    ASSERT_TRUE(FormService().ShowComplexFilter(nullptr, *clients, *set, "FILTRO COMPLESSO"));
    EXPECT_EQ(set->Items().size(), 4u);
    EXPECT_FALSE(set->Items().back().Active);
    EXPECT_EQ(set->Items().back().Condition, "Nome Like " + DbmsDatabase::PatternLiteral("*50%*"));
    EXPECT_EQ(set->Condition(),
              "((Punti >= 100) OR (Codice = 'C2')) AND "
              "((Nome <> 'D''Amico') OR (Codice Is Not Null AND Codice <> '')) AND "
              "(DataIscrizione >= #02/29/2024# AND DataIscrizione < #03/01/2024#)");
}

TEST_F(EngineDialogsTest, NamedFiltersAreKeptInTheArchiveAndCancelLeavesTheSetAlone) {
    OnWindow([&](QDialog& d) {
        Add(d, "Punti", ">", "50");
        Named(d, "Fedeli", "cmdSave");
        Add(d, "Codice", "inizia con", "C");
        Named(d, "Fedeli", "cmdSave"); // No: the stored one stays
        Named(d, "Fedeli", "cmdSave"); // Yes
        Named(d, "Altri", "cmdSave");
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes);
    EXPECT_FALSE(FormService().ShowComplexFilter(nullptr, *clients, *set, "FILTRO COMPLESSO"));
    EXPECT_TRUE(set->Items().empty());
    EXPECT_EQ(set->Name(), "");
    const PromptMessage& asked = prompter.History()[prompter.History().size() - 2].Message;
    EXPECT_EQ(std::tuple(asked.Text, asked.Buttons, asked.Default),
              std::tuple(QString("Il filtro 'Fedeli' esiste già.\n\nVuoi sostituirlo?"),
                         PromptButtons::YesNo, PromptAnswer::No));
    EXPECT_EQ(set->StoredNames(), "Altri|Fedeli"); // in the archive: the engine's tests reopen it
    ASSERT_TRUE(set->Load("Fedeli"));
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(Child<QComboBox>(d, "cboNome")->currentText(), "Fedeli");
        EXPECT_EQ(Texts(Child<QListWidget>(d, "lstCondizioni")),
                  QStringList({"Punti > 50", "Codice Like " + DbmsDatabase::PatternLiteral("C*")}));
        Named(d, "altri", "cmdDelete"); // No
        Named(d, "Altri", "cmdDelete"); // Yes
        EXPECT_EQ(Child<QComboBox>(d, "cboNome")->count(), 1);
        Named(d, "Altri", "cmdLoad");
        EXPECT_EQ(prompter.LastMessage().Text, "Un filtro con questo nome non è presente!");
        Named(d, "Fedeli", "cmdLoad");
        Child<QListWidget>(d, "lstCondizioni")->setFocus();
        Keys(d, {Qt::Key_Delete, Qt::Key_Return});
    });
    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    ASSERT_TRUE(FormService().ShowComplexFilter(nullptr, *clients, *set, "FILTRO COMPLESSO"));
    EXPECT_EQ(set->Condition(), "(Codice Like " + DbmsDatabase::PatternLiteral("C*") + ")");
    EXPECT_EQ(set->Name(), "Fedeli");
    EXPECT_EQ(set->StoredNames(), "Fedeli");
    EXPECT_EQ(prompter.History()[prompter.History().size() - 3].Message.Text,
              "Vuoi eliminare il filtro 'Altri'?");
}

TEST_F(EngineDialogsTest, TheCombinedOrderKeepsDirectionsDropsUnknownFieldsAndCanBeEmpty) {
    auto lines = archive.Open("Righe");
    QString order = "data desc, Nessuno, codice";
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(Kind(d), "DbmsCombinedOrder: Ordinamento Complesso");
        EXPECT_EQ(Texts(Child<QListWidget>(d, "lstOrdine")),
                  QStringList({"Data  (decrescente)", "Codice  (crescente)"}));
        EXPECT_EQ(Child<QListWidget>(d, "lstCampi")->count(), 7);
        Look(d, "combined-order.png");
        Press(d, Qt::Key_Return);
    });
    ASSERT_TRUE(FormService().ShowCombinedOrder(nullptr, *lines, "Ordinamento Complesso", order));
    EXPECT_EQ(order, "Data DESC, Codice");
    // Space turns the direction, Ctrl+Up moves, Ins adds after the current field.
    OnWindow([](QDialog& d) {
        Keys(d, {Qt::Key_Down, Qt::Key_Space});
        Press(d, Qt::Key_Up, Qt::ControlModifier);
        Child<QListWidget>(d, "lstCampi")->setFocus();
        Keys(d, {Qt::Key_Insert, Qt::Key_Return});
    });
    ASSERT_TRUE(FormService().ShowCombinedOrder(nullptr, *lines, "Ordinamento Complesso", order));
    EXPECT_EQ(order, "Codice DESC, Quantita, Data DESC");
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
        OnWindow([key](QDialog& d) {
            Keys(d, {Qt::Key_Delete, Qt::Key_Delete, Qt::Key_Delete, key});
        });
        EXPECT_EQ(FormService().ShowCombinedOrder(nullptr, *lines, "Ordine", order),
                  key == Qt::Key_Return);
    }
    EXPECT_EQ(order, "");
}
