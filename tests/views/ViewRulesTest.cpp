// The main window's rules without a window, on a real archive: what each section reads under
// each date selection, the predefined selections, the delete's questions, the related data and
// the row kept across reloads, the filters, order and search conditions built from user text.
#include "TempArchive.h"
#include "clsArchiveSession.h"
#include "clsFieldFilters.h"
#include "clsKeptRow.h"
#include "clsPredefinedSelections.h"
#include "clsRowCommands.h"
#include "clsSectionView.h"
#include "modLumoFormUtility.h"
#include "modSectionTree.h"

#include <QLocale>
#include <QStringListModel>
#include <gtest/gtest.h>

namespace {

const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

class ViewRules : public ::testing::Test {
protected:
    void SetUp() override {
        archive.Create();
        session.SetStorage(archive.storage);
        session.SetDatabase(archive.db);
        session.SetDateSelection(false, false);
    }
    OID Customer(const QString& code) {
        return archive.Add("Clienti", {{"Codice", code}, {"Cognome", "Cliente " + code}});
    }
    OID Sale(const QString& code, const QDateTime& day = March10) {
        return archive.Add("OperazioniVendite", {{"Cliente", Customer(code)}, {"Data", day}});
    }
    TempArchive archive{QDateTime(QDate(2005, 3, 15), QTime(10, 20))};
    clsArchiveSession session;
};

// Answers the rules' questions from a script and records them.
struct ScriptedAsk {
    std::vector<bool> answers;
    std::vector<clsQuestion> asked;
    clsAsk Ask() {
        return [this](const clsQuestion& q) {
            asked.push_back(q);
            return asked.size() <= answers.size() && answers[asked.size() - 1];
        };
    }
};

} // namespace

TEST_F(ViewRules, EachSectionReadsItsTable) {
    const QString summary = "OperazioniVendite.OID_Cliente,OperazioniVendite.Data";
    const QString sales = "OperazioniVendite";
    // Any key but a section's is a table, dated when it is a sale table.
    const std::tuple<QString, QString, QString, QString, QString, bool> sections[] = {
        {"Situazione Cliente", "Clienti", "", "Descrizione", "", false},
        {"Resoconto Vendite", sales, "N_Articoli > 0", summary, "Articoli", true},
        {"Resoconto Bonus", sales, "N_Bonus > 0", summary, "Bonus", true},
        {"Resoconto Premi", sales, "N_Premi > 0", summary, "Premi", true},
        {"Lista Operazioni", sales, "", sales + ".Data, " + sales + ".OID_Cliente", "", true},
        {"Pagamenti", "Pagamenti", "", "", "", true},
        {"ArticoliVenduti", "ArticoliVenduti", "", "", "", true},
        {"Clienti", "Clienti", "", "", "", false},
        {"TabellaBonus", "TabellaBonus", "", "", "", false},
    };
    session.SetDateSelection(false, true);
    session.SetSelectedDate(QDate(2005, 3, 15));
    for (const auto& [key, table, filter, order, detail, dated] : sections) {
        SCOPED_TRACE(key.toStdString());
        const clsSectionView view(session, key);
        EXPECT_EQ(view.DateField(), dated ? "Data" : "");
        const auto ds = view.Open(false);
        EXPECT_EQ(ds->Table()->Name(), table);
        EXPECT_EQ(ds->Filter(), filter);
        EXPECT_EQ(ds->BaseOrder(), order);
        EXPECT_EQ(ds->Detail(), detail);
        EXPECT_EQ(ds->IsSummary(), !detail.isEmpty());
        EXPECT_EQ(ds->BaseFilter().isEmpty(), !dated);
    }
}

TEST_F(ViewRules, DateSelectionsNarrowDatedSections) {
    for (const QDateTime& day :
         {March10, QDateTime(QDate(2005, 4, 1), QTime(9, 0)),
          QDateTime(QDate(2005, 12, 31), QTime(23, 0)), QDateTime(QDate(2006, 1, 1), QTime(0, 0))})
        Sale(day.toString(), day);
    // The day's upper bound is the next day, across the year's end.
    const std::tuple<bool, bool, QDate, QString, qint64> cases[] = {
        {false, true, QDate(2005, 3, 15), "Month(Data) = 3 AND Year(Data) = 2005", 1},
        {true, false, QDate(2005, 12, 31), "Data >= #12/31/2005# AND Data < #01/01/2006#", 1},
        {false, false, QDate(2005, 3, 15), "", 4},
    };
    for (const auto& [day, month, date, condition, rows] : cases) {
        SCOPED_TRACE(condition.toStdString());
        session.SetDateSelection(day, month);
        session.SetSelectedDate(date);
        const clsSectionView view(session, "Lista Operazioni");
        EXPECT_EQ(view.Condition(), condition);
        EXPECT_EQ(view.Open(false)->RowCount(), rows);
    }
}

TEST(DateSelection, CaptionsInItalian) {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    // An empty tooltip or menu text is not checked.
    const std::tuple<QString, bool, bool, QString, QString, QString> cases[] = {
        {"Data", true, false, "< marzo 2005 >", "Dati del mese 03/2005 relativi a Data",
         "Solo in data < marzo 2005 >"},
        {"Data Operazione", true, false, "Operazione  < marzo 2005 >", "", ""},
        {"Scadenza", true, false, "Scadenza< marzo 2005 >", "", ""},
        {"Data", false, true, "< 15 mar 2005 >", "Dati del giorno 15/03/2005 relativi a Data", ""},
        {"Data", false, false, "< tutti >", "Nessuna selezione per Data", "Seleziona per Data"},
    };
    for (const auto& [field, month, day, caption, toolTip, menu] : cases) {
        SCOPED_TRACE(caption.toStdString());
        const auto made = MakeDateSelectionCaption(field, month, day, QDate(2005, 3, 15));
        EXPECT_EQ(made.Caption, caption);
        EXPECT_EQ(made.ToolTip, toolTip.isEmpty() ? made.ToolTip : toolTip);
        EXPECT_EQ(made.MenuCaption, menu.isEmpty() ? made.MenuCaption : menu);
    }
}

TEST_F(ViewRules, TheSameTableShownAgainKeepsItsOrder) {
    clsSectionView list(session, "Clienti");
    const auto shown = list.Open(false);
    EXPECT_FALSE(list.KeepOrderOf(nullptr, ""));
    shown->SetOrder("Cognome");
    clsSectionView again(session, "Clienti");
    EXPECT_TRUE(again.KeepOrderOf(shown.get(), ""));
    EXPECT_EQ(again.Open(false)->BaseOrder(), "Cognome");
    clsSectionView asked(session, "Clienti");
    asked.KeepOrderOf(shown.get(), "Codice");
    EXPECT_EQ(asked.Options(false).Order, "Codice");
    // A section's own order wins; another table keeps nothing.
    clsSectionView summary(session, "Situazione Cliente");
    EXPECT_TRUE(summary.KeepOrderOf(shown.get(), "Codice"));
    EXPECT_EQ(summary.Options(false).Order, "Descrizione");
    EXPECT_FALSE(clsSectionView(session, "Fornitori").KeepOrderOf(shown.get(), "Codice"));
}

TEST_F(ViewRules, PredefinedSelectionsAreAskedStoredAndRemoved) {
    Sale("C1");
    Sale("C2");
    const auto table = archive.db->Item("OperazioniVendite");
    const QString list = "Lista Operazioni";
    clsPredefinedSelections selections;
    auto noteOn = [](const QString& field) {
        return [field](DbmsSelectionSet& set) {
            set.AddCondition(field, "C1");
            return true;
        };
    };
    auto cancel = [](DbmsSelectionSet&) { return false; };
    EXPECT_FALSE(selections.Store(*table, list, cancel));
    EXPECT_FALSE(selections.AskFirst());
    ASSERT_TRUE(selections.Store(*table, list, noteOn("Note")));
    EXPECT_TRUE(selections.AskFirst());
    EXPECT_TRUE(table->CreateSelectionSet()->Restore(list));
    // Cancelled, then No to all the data: no rows; Yes: all of them.
    for (const bool all : {false, true}) {
        ScriptedAsk ask{{all}, {}};
        clsSectionView view(session, list);
        EXPECT_EQ(selections.Apply(view, list, cancel, ask.Ask()),
                  all ? "" : "  [nessun dato richiesto]");
        ASSERT_EQ(ask.asked.size(), 1u);
        EXPECT_EQ(ask.asked[0].Text,
                  "Selezioni predefinite annullate...\r\rVuoi visualizzare tutti i dati?");
        EXPECT_FALSE(ask.asked[0].Warning || ask.asked[0].DefaultYes);
        EXPECT_EQ(view.Open(false)->RowCount(), all ? 2 : 0);
    }
    // Confirmed: their condition; the date selection still decides unless they name the date.
    session.SetDateSelection(true, false);
    session.SetSelectedDate(QDate(2005, 3, 11));
    for (const QString field : {"Note", "Data"}) {
        clsSectionView view(session, list);
        EXPECT_EQ(selections.Apply(view, list, noteOn(field), {}), "  [selezioni impostate]");
        EXPECT_EQ(view.DateField(), field == "Data" ? "" : "Data");
        EXPECT_EQ(view.Condition().startsWith("Data >= #03/11/2005#"), field == "Note");
    }
    EXPECT_TRUE(selections.Remove(*table, list));
    EXPECT_FALSE(selections.Set() || selections.AskFirst() || selections.Remove(*table, list));
    clsSectionView view(session, list);
    EXPECT_EQ(selections.Apply(view, list, cancel, {}), "");
}

TEST_F(ViewRules, DeleteNamesTheRowsOfOtherTablesItTakesOrUnlinks) {
    const OID prize = archive.Add("TabellaPremi", {{"Descrizione", "Valigia"}});
    const OID payment = archive.Add("TipiPagamento", {{"Descrizione", "Assegno"}});
    const OID customer = Customer("C1");
    auto sales = archive.Open("OperazioniVendite");
    const OID first = sales->AddRow({{"Cliente", customer}, {"Data", March10}});
    const OID second = sales->AddRow({{"Cliente", customer}, {"Data", March10}});
    for (OID sale : {first, second})
        sales->GetReferenceOf(sale, "Premi")->AddRow({{"OID_TabellaPremi", prize}});
    sales->GetReferenceOf(first, "Pagamento")
        ->AddRow({{"Pagamento", payment}, {"Cliente", customer}});
    const QString deleted = "\r\rVerranno eliminati anche i dati collegati: ";
    const QString unlinked = "Perderanno il collegamento ai dati eliminati: ";
    // What follows the question; customers, suppliers and articles ask twice. A sale's own
    // lines, prizes and payments are parts of it: its question stays as it is.
    const std::tuple<QString, OID, QString, bool> cases[] = {
        {"TabellaPremi", prize,
         deleted + "2 Premi Assegnati.\r" + unlinked + "2 Vendite / Premiazioni.", false},
        {"TipiPagamento", payment, "\r\r" + unlinked + "1 Pagamenti del Cliente.", false},
        {"Clienti", customer,
         "\r\r" + unlinked + "1 Pagamenti del Cliente, 2 Vendite / Premiazioni.", true},
        {"OperazioniVendite", second, "", false},
    };
    for (const auto& [table, row, said, master] : cases) {
        SCOPED_TRACE(table.toStdString());
        const auto ds = archive.Open(table);
        const qint64 before = ds->RowCount();
        // Declined, nothing happens; confirmed, the row goes.
        ScriptedAsk declined{{false}, {}}, confirmed{{true, true}, {}};
        EXPECT_FALSE(clsRowCommands(*ds).Delete({row}, row, declined.Ask()));
        ASSERT_EQ(declined.asked.size(), 1u);
        EXPECT_EQ(declined.asked[0].Text, "Confermi l'eliminazione dei dati selezionati ?" + said);
        EXPECT_TRUE(declined.asked[0].DefaultYes);
        EXPECT_EQ(archive.Open(table)->RowCount(), before);
        EXPECT_TRUE(clsRowCommands(*ds).Delete({row}, row, confirmed.Ask()));
        EXPECT_EQ(archive.Open(table)->RowCount(), before - 1);
        ASSERT_EQ(confirmed.asked.size(), master ? 2u : 1u);
        if (!master) continue;
        EXPECT_EQ(confirmed.asked[1].Text, "L'eliminazione comporterà l'elimnazione anche dei dati "
                                           "correlati!\r\rSei sicuro ?");
        EXPECT_TRUE(confirmed.asked[1].Warning);
        EXPECT_FALSE(confirmed.asked[1].DefaultYes);
    }
    EXPECT_EQ(archive.Count("PremiAssegnati"), 0);
}

TEST_F(ViewRules, RelatedDataOfTheCurrentRow) {
    const OID sale = Sale("C1");
    Sale("C2");
    const auto ds = archive.Open("OperazioniVendite");
    clsRowCommands commands(*ds);
    const auto containers = commands.AssociationItems("mnuContItem");
    ASSERT_FALSE(containers.empty());
    EXPECT_EQ(containers[0].Caption, "Vendite / Premiazioni con stesso Cliente");
    const auto related = commands.OpenRelated("mnuContItem", containers[0].Number, sale);
    EXPECT_EQ(related->Table()->Name(), "OperazioniVendite");
    EXPECT_EQ(related->RowCount(), 1);
    EXPECT_EQ(clsRowCommands::KindOf("mnuRefItem"), DbmsRelationKind::Reference);
    EXPECT_EQ(clsRowCommands::KindOf("mnuReferencedItem"), DbmsRelationKind::Referenced);
}

TEST(KeptRow, BySameOIDElseByPlace) {
    QStringListModel model({"10", "20", "30", "40"});
    auto rowOf = [](OID oid) { return oid % 10 == 0 && oid <= 40 ? int(oid / 10) - 1 : -1; };
    // Moved: found by its OID; gone: the row that followed takes its place, the last row when
    // it was at the end; a column the grid no longer has; none.
    const std::pair<clsKeptRow, int> cases[] = {
        {{30, 0, 0}, 2}, {{99, 1, 0}, 1}, {{99, 7, 0}, 3}, {{10, 0, 5}, 0}, {{0, -1, 0}, -1}};
    for (const auto& [kept, row] : cases) {
        SCOPED_TRACE(kept.Oid);
        const QModelIndex index = KeptIndex(kept, &model, rowOf);
        EXPECT_EQ(index.isValid() ? index.row() : -1, row);
        EXPECT_EQ(index.column(), index.isValid() ? 0 : -1);
    }
}

TEST(SectionTree, AgreementOfStessoAndDeferredCommands) {
    const std::tuple<QString, bool, QString> cases[] = {
        {"Articoli", false, " con stessi "}, {"Città", false, " con stessa "},
        {"Tessera", true, " con stessa "},   {"Cliente", false, " con stesso "},
        {"Note", true, " con stesse "},      {"Pagamento", true, " con stesso "},
        {"", false, " con stesso "},
    };
    for (const auto& [word, feminineE, phrase] : cases)
        EXPECT_EQ(AgreementPhrase(word, feminineE), phrase) << word.toStdString();
    // The number keeps the sign's place; "mnuReferencedItem(" is no shorter command.
    EXPECT_EQ(DeferredCommandText("mnuRefItem", 3), "mnuRefItem( 3)");
    const std::tuple<QString, QString, int> texts[] = {
        {"mnuContItem( 12)", "mnuContItem", 12},
        {"mnuReferencedItem( 2)", "mnuReferencedItem", 2},
        {"mnuRefItem(-4)", "mnuRefItem", -4},
        {"mnuSomething( 1)", "", 0}};
    for (const auto& [text, menu, number] : texts) {
        EXPECT_EQ(ParseDeferredCommand(text).Menu, menu);
        EXPECT_EQ(ParseDeferredCommand(text).Number, number) << text.toStdString();
    }
}

TEST(ViewOrder, ASingleFieldTurnsItsDirectionAnythingElseIsTakenAsGiven) {
    const std::tuple<QString, QString, QString> cases[] = {
        {"", "Codice", "Codice"},
        {"Codice", "Codice", "Codice DESC"},
        {"Codice DESC", "Codice", "Codice ASC"},
        {"Codice ASC", "Codice", "Codice DESC"},
        {"CodiceFiscale", "Codice", "Codice"}, // another field, though its name begins alike
        {"Clienti.Codice desc", "codice", "codice ASC"},
        {"Codice DESC", "Data, OID_Cliente", "Data, OID_Cliente"},
        {"Codice", "Codice ASC", "Codice ASC"},
        {"Codice", "", ""},
    };
    for (const auto& [current, text, next] : cases)
        EXPECT_EQ(NextOrder(current, text), next)
            << current.toStdString() << " + " << text.toStdString();
}

TEST_F(ViewRules, FieldFiltersAndSearchesTakeTheUsersTextLiterally) {
    clsFieldFilters filters;
    filters.Reset({"Codice", "Cognome", "Descrizione"});
    EXPECT_EQ(clsFieldFilters::StatusText(filters.Shown()), "Nessun filtro");
    filters.Set(2, "ros", true);
    EXPECT_EQ(filters.Caption(2), "Descrizione = *ros*");
    EXPECT_EQ(clsFieldFilters::StatusText(filters.Shown()),
              "Attivato filtro (Descrizione = *ros*)");
    EXPECT_EQ(filters.Applied(), "Descrizione Like " + DbmsDatabase::PatternLiteral("*ros*"));
    // In menu order, whatever the order they were set in.
    filters.Set(0, "K1", false);
    EXPECT_EQ(filters.Shown(), "Codice = K1* AND Descrizione = *ros*");
    filters.Set(2, "", true);
    EXPECT_EQ(filters.Caption(2), "Descrizione");
    EXPECT_EQ(filters.IndexOf("cognome"), 1);
    EXPECT_EQ(filters.IndexOf("Punti"), -1);
    // Quotes, the dialect's words and operators, SQL wildcards: all searched for as typed.
    for (const char* surname : {"D'Amico", "Rossi AND Bianchi", "Rossi = Bianchi", "Rossi"})
        archive.Add("Clienti", {{"Codice", surname}, {"Cognome", surname}});
    const std::tuple<QString, bool, qint64> cases[] = {
        {"D'A", false, 1},         {"'", true, 1},
        {"Rossi AND B", false, 1}, {"i = B", true, 1},
        {"rossi", false, 3},       {"ross", true, 3},
        {"[R]", true, 0},          {"Rossi' OR 'x", false, 0},
    };
    for (const auto& [text, internal, rows] : cases) {
        SCOPED_TRACE(text.toStdString());
        filters.Clear();
        filters.Set(1, text, internal);
        auto ds = archive.Open("Clienti");
        ds->ApplyFilter(filters.Applied());
        EXPECT_EQ(ds->RowCount(), rows);
        const QString search = LikeCondition("Codice", SearchPattern(text, internal));
        EXPECT_EQ(archive.Open("Clienti")->FindNext(search), rows > 0);
    }
    filters.Clear();
    EXPECT_FALSE(filters.IsActive());
    EXPECT_EQ(filters.Applied(), "");
}
