// The engine's dialogs: predefined selections, field sequence, and the data export command.
#include "DbmsCsvExport.h"
#include "DbmsFormService.h"
#include "FormsSchema.h"
#include "WindowTest.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
class EngineDialogsTest : public WindowTest {
protected:
    WindowsArchive archive;

    std::shared_ptr<DbmsSelectionSet> Set(const QString& name = "Clienti attivi") {
        auto set = archive.db->Item("Clienti")->CreateSelectionSet(DbmsSelectionSet::Predefined);
        set->SetName(name);
        return set;
    }
    static QStringList Texts(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

using Items = std::vector<DbmsSelectionItem>;
} // namespace

TEST_F(EngineDialogsTest, PredefinedSelectionsAreTickedEditedAndStoredUnderTheSetsName) {
    auto set = Set();
    set->SetItems({{"Punti > 100", true}, {"Attivo = True", false}, {"Nome Like 'A*'", true}});
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsPredefinedSelections");
        EXPECT_EQ(d.windowTitle(), "Selezioni predefinite");
        auto* list = Child<QListWidget>(d, "lstSelezioni");
        EXPECT_EQ(d.focusWidget(), list);
        EXPECT_EQ(Texts(list), QStringList({"Punti > 100", "Attivo = True", "Nome Like 'A*'"}));
        EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
        // Space ticks the current condition; Del removes one; Ins and F2 ask for a text.
        Press(d, Qt::Key_Space);
        Press(d, Qt::Key_Down);
        Press(d, Qt::Key_Space);
        Press(d, Qt::Key_Down);
        Press(d, Qt::Key_Delete);
        Press(d, Qt::Key_Insert);
        EXPECT_EQ(list->currentRow(), 2);
        Press(d, Qt::Key_Up);
        Press(d, Qt::Key_F2);
        EXPECT_EQ(Texts(list), QStringList({"Punti > 100", "Attivo = False", "Codice = 'C1'"}));
        Press(d, Qt::Key_Return);
    });
    // Ins: a condition the table cannot use is refused, the window stays until it is right.
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsConditionEditor");
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
        auto* text = Child<QLineEdit>(d, "txtCondizione");
        EXPECT_EQ(text->text(), "Attivo = True");
        text->selectAll();
        QTest::keyClicks(text, "Attivo = False");
        Press(d, Qt::Key_Return);
    });

    EXPECT_TRUE(FormService().ShowPredefinedSelections(nullptr, *set, "Selezioni predefinite"));
    const Items expected{{"Punti > 100", false}, {"Attivo = False", true}, {"Codice = 'C1'", true}};
    EXPECT_EQ(set->Items(), expected);
    EXPECT_EQ(set->Condition(), "(Attivo = False) AND (Codice = 'C1')");
    auto stored = Set("altro");
    ASSERT_TRUE(stored->Restore("Clienti attivi"));
    EXPECT_EQ(stored->Items(), expected);
}

TEST_F(EngineDialogsTest, CancelledPredefinedSelectionsChangeNothing) {
    auto set = Set();
    set->SetItems({{"Punti > 100", true}});
    OnWindow([](QDialog& d) {
        Press(d, Qt::Key_Space);
        Press(d, Qt::Key_Insert);
        Press(d, Qt::Key_Escape);
    });
    OnWindow([](QDialog& d) { // the condition window, cancelled too
        QTest::keyClicks(Child<QLineEdit>(d, "txtCondizione"), "Punti < 5");
        Press(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(FormService().ShowPredefinedSelections(nullptr, *set, "Selezioni predefinite"));
    EXPECT_EQ(set->Items(), Items({{"Punti > 100", true}}));
    EXPECT_FALSE(Set("altro")->Restore("Clienti attivi"));

    // A set without a name keeps the conditions in memory only.
    auto unnamed = Set(QString());
    OnWindow([](QDialog& d) {
        Press(d, Qt::Key_Insert);
        Press(d, Qt::Key_Return);
    });
    OnWindow([](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "txtCondizione"), "Punti < 5");
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowPredefinedSelections(nullptr, *unnamed, "Selezioni"));
    EXPECT_EQ(unnamed->Condition(), "(Punti < 5)");
    EXPECT_EQ(archive.Scalar("SELECT COUNT(*) FROM _Selections"), 0);
}

TEST_F(EngineDialogsTest, FieldSequenceGivesTheShownFieldsInTheirNewOrder) {
    auto ds = archive.Open("Articoli");
    QString sequence = "descrizione, Codice,Nessuno";
    OnWindow([](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsFieldSequence");
        EXPECT_EQ(d.windowTitle(), "Sequenza di Visualizzazione Campi");
        auto* shown = Child<QListWidget>(d, "lstShown");
        auto* available = Child<QListWidget>(d, "lstAvailable");
        EXPECT_EQ(Texts(shown), QStringList({"Descrizione", "Codice"}));
        EXPECT_EQ(Texts(available), QStringList({"Prezzo", "Categoria"}));
        EXPECT_EQ(d.focusWidget(), shown);
        Press(d, Qt::Key_Down, Qt::ControlModifier); // Descrizione after Codice
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
}

TEST_F(EngineDialogsTest, FieldSequenceStartsFromAllFieldsAndRefusesAnEmptyOne) {
    auto ds = archive.Open("Righe");
    QString sequence;
    OnWindow([&](QDialog& d) {
        auto* shown = Child<QListWidget>(d, "lstShown");
        // No sequence: everything a grid can show, in the data source's order.
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
    EXPECT_FALSE(FormService().ShowFieldSequence(nullptr, *ds, "Campi", sequence));
    EXPECT_EQ(sequence, "");
}

TEST(CsvValues, OnlyWhatWouldSplitARecordIsQuoted) {
    EXPECT_EQ(DbmsCsvValue("Penna blu"), "Penna blu");
    EXPECT_EQ(DbmsCsvValue("1.500.000,00"), "1.500.000,00");
    EXPECT_EQ(DbmsCsvValue("a;b"), "\"a;b\"");
    EXPECT_EQ(DbmsCsvValue("detto \"Bepi\""), "\"detto \"\"Bepi\"\"\"");
    EXPECT_EQ(DbmsCsvValue("riga 1\r\nriga 2"), "\"riga 1\nriga 2\"");
    EXPECT_EQ(DbmsCsvValue(" spazio"), "\" spazio\"");
    EXPECT_EQ(DbmsCsvValue(""), "");
}

TEST_F(EngineDialogsTest, ExportWritesCsvForASpreadsheetOrHtmlByTheNameChosen) {
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
    EXPECT_EQ(Read(csv), QByteArray("\xEF\xBB\xBF"
                                    "Codice;Descrizione;Prezzo;Categoria\r\n"
                                    "A4;\"L'agenda; 2024\";15.000,00;\r\n"
                                    "A5;\"Penna \"\"Extra\"\"\nlunga\";-1,00;Oro\r\n"));

    const QString html = archive.File("articoli.HTML");
    prompter.File(html);
    FormService().ExportData(nullptr, *ds);
    EXPECT_TRUE(Read(html).contains("<td>L&#39;agenda; 2024</td>"));

    // A name without a known extension becomes an HTML page.
    prompter.File(archive.File("articoli"));
    FormService().ExportData(nullptr, *ds);
    EXPECT_TRUE(Read(archive.File("articoli.htm")).startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(prompter.Messages().isEmpty());

    // An existing file is replaced only when the user says so, asked once (the chooser does not).
    const QString page = archive.File("articoli.htm");
    const QByteArray before = Read(page);
    ds->ApplyFilter("Codice = 'A4'");
    prompter.File(archive.File("articoli")).Answer(PromptAnswer::No);
    FormService().ExportData(nullptr, *ds);
    EXPECT_EQ(Read(page), before);
    EXPECT_EQ(prompter.LastMessage().Text,
              QString::fromUtf8("Il file esiste già...\r\rVuoi sostituirlo ?"));
    EXPECT_EQ(prompter.LastMessage().Caption, "ATTENZIONE");
    EXPECT_EQ(prompter.LastMessage().Default, PromptAnswer::No);
    prompter.File(archive.File("articoli")).Answer(PromptAnswer::Yes);
    FormService().ExportData(nullptr, *ds);
    EXPECT_FALSE(Read(page).contains("<td>Oro</td>"));
    EXPECT_EQ(prompter.Messages().size(), 2);
}

TEST_F(EngineDialogsTest, ExportReportsAFileItCannotWriteAndDoesNothingWhenCancelled) {
    auto ds = archive.Open("Articoli");
    prompter.File("");
    FormService().ExportData(nullptr, *ds);
    EXPECT_TRUE(prompter.Messages().isEmpty());

    const QString path = archive.File("manca/articoli.csv");
    prompter.File(path).Answer(PromptAnswer::Ok);
    FormService().ExportData(nullptr, *ds);
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Esportazione dei dati non riuscita:\n\n"));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    EXPECT_FALSE(QFile::exists(path));
}
