// The complex filter and combined order windows, driven from the keyboard on a real archive.
#include "DbmsDatabase.h"
#include "DbmsFormService.h"
#include "FormsSchema.h"

#include <QComboBox>
#include <QPushButton>

namespace {
class FilterOrderDialogsTest : public WindowTest {
protected:
    WindowsArchive archive;
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
    // A click on a button of the window.
    static void Click(QDialog& d, const QString& name) {
        QTest::mouseClick(Child<QPushButton>(d, name), Qt::LeftButton);
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
} // namespace

TEST_F(FilterOrderDialogsTest, ConditionsAreBuiltFromSafeLiteralsJoinedByAndOrAndApplied) {
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsComplexFilter");
        EXPECT_EQ(d.windowTitle(), "FILTRO COMPLESSO");
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
    clients->ApplyFilter(set->Condition());
    EXPECT_EQ(clients->RowCount(), 2);
}

TEST_F(FilterOrderDialogsTest, NamedFiltersAreKeptInTheArchiveAndCancelLeavesTheSetAlone) {
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

    archive.Reopen();
    clients = archive.Open("Clienti");
    set = DbmsSelectionSet::FromDataSource(*clients);
    EXPECT_EQ(set->StoredNames(), "Altri|Fedeli");
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

TEST_F(FilterOrderDialogsTest, TheCombinedOrderKeepsDirectionsDropsUnknownFieldsAndCanBeEmpty) {
    auto lines = archive.Open("Righe");
    QString order = "data desc, Nessuno, codice";
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsCombinedOrder");
        EXPECT_EQ(d.windowTitle(), "Ordinamento Complesso");
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
