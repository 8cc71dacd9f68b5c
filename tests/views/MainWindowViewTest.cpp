// The section tree and the view of each section.
#include "MainWindowFixture.h"

#include "DbmsSelectionSet.h"
#include "DbmsTreeModel.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace {

const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

} // namespace

TEST_F(MainWindowTest, TreeIsRebuiltByPosition) {
    frmMain& window = Start();
    EXPECT_EQ(window.NodeAt(7)->text(0), "Vendite / Premiazioni"); // the table's caption
    EXPECT_EQ(window.NodeAt(8)->parent(), window.NodeAt(7));
    EXPECT_EQ(window.NodeAt(12)->text(0), "Anagrafica");
    EXPECT_EQ(window.NodeAt(20)->text(0), session.Database()->Item("TabellaBonus")->Caption());
    EXPECT_TRUE(window.NodeAt(1)->isExpanded());
    EXPECT_FALSE(window.NodeAt(12)->isExpanded());

    window.SelectNode(13);
    window.SetTreeViewNodes();
    EXPECT_EQ(window.SelectedNodeIndex(), 13);
    EXPECT_EQ(window.NodeAt(13)->text(0), "Clienti");

    window.tvTreeView->setCurrentItem(nullptr);
    window.SetTreeViewNodes();
    EXPECT_EQ(window.SelectedNodeIndex(), 1);
}

TEST_F(MainWindowTest, EachSectionReadsItsTable) {
    frmMain& window = Start();
    struct Expected {
        QString Key, Table, Filter, Order;
        bool Summary;
    };
    const Expected sections[] = {
        {"Situazione Cliente", "Clienti", "", "Descrizione", false},
        {"Resoconto Vendite", "OperazioniVendite", "N_Articoli > 0",
         "OperazioniVendite.OID_Cliente,OperazioniVendite.Data", true},
        {"Resoconto Premi", "OperazioniVendite", "N_Premi > 0",
         "OperazioniVendite.OID_Cliente,OperazioniVendite.Data", true},
        {"Lista Operazioni", "OperazioniVendite", "",
         "OperazioniVendite.Data, OperazioniVendite.OID_Cliente", false},
        {"Articoli", "Articoli", "", "", false},
        {"TabellaBonus", "TabellaBonus", "", "", false},
    };
    for (const Expected& e : sections) {
        Show(e.Key);
        const auto& ds = window.CurrentDataSource();
        ASSERT_TRUE(ds) << e.Key.toStdString();
        EXPECT_EQ(ds->Table()->Name(), e.Table);
        EXPECT_EQ(ds->Filter(), e.Filter);
        EXPECT_EQ(ds->BaseOrder(), e.Order);
        EXPECT_EQ(ds->IsSummary(), e.Summary);
        EXPECT_EQ(window.CurrentGrid() == window.dgReportView, e.Summary);
        EXPECT_TRUE(window.Menu("mnuFileDelete")->isEnabled());
        // Once the rows are shown the status line no longer says they are being read.
        EXPECT_EQ(window.StatusMsg(),
                  "Sezioni <" + window.tvTreeView->currentItem()->text(0) + ">");
    }
    EXPECT_EQ(window.CurrentDataSource()->Detail(), "");
    Show("Resoconto Bonus");
    EXPECT_EQ(window.CurrentDataSource()->Detail(), "Bonus");
}

TEST_F(MainWindowTest, GroupNodeHidesTheGridAndShowsItsSections) {
    frmMain& window = Start();
    Show("Lista Operazioni");
    const bool dateShown = window.cmdDateSel->isVisibleTo(&window);
    Show(12);
    EXPECT_EQ(window.CurrentGrid(), nullptr);
    EXPECT_FALSE(window.CurrentDataSource());
    for (const char* name : {"mnuFileNew", "mnuFileDelete", "mnuOrder", "mnuDataSelection"})
        EXPECT_FALSE(window.Menu(name)->isEnabled()) << name;
    EXPECT_FALSE(window.ToolButton("Find")->isEnabled());
    EXPECT_EQ(window.cmdDateSel->isVisibleTo(&window), dateShown);

    ASSERT_EQ(window.acmdSectionItem.size(), 4u);
    EXPECT_EQ(window.acmdSectionItem[0]->text(), "VOCI PRINCIPALI PER LA SEZIONE ANAGRAFICA :");
    EXPECT_FALSE(window.acmdSectionItem[0]->isEnabled());
    EXPECT_EQ(window.acmdSectionItem[1]->text(), "Clienti");
    EXPECT_EQ(window.acmdSectionItem[1]->toolTip(),
              "Apre la sezione <Clienti> per la Visualizzazione/Modifica dei dati oppure per la "
              "Stampa...");
    window.acmdSectionItem[1]->click();
    EXPECT_EQ(window.SelectedNodeIndex(), 13);
    ASSERT_TRUE(window.CurrentDataSource());
    EXPECT_EQ(window.CurrentDataSource()->Table()->Name(), "Clienti");
    // Customers have no date: the date selection is hidden whatever the flags say.
    EXPECT_FALSE(window.cmdDateSel->isVisibleTo(&window));
    EXPECT_FALSE(window.Menu("mnuSelection")->isVisible());
}

TEST_F(MainWindowTest, DateSelectionNarrowsDatedSections) {
    frmMain& window = Start();
    AddSale("C1", March10);
    AddSale("C2", QDateTime(QDate(2005, 4, 1), QTime(9, 0)));
    AddSale("C3", QDateTime(QDate(2005, 12, 31), QTime(23, 0)));
    AddSale("C4", QDateTime(QDate(2006, 1, 1), QTime(0, 0)));

    session.SetDateSelection(false, true);
    session.SetSelectedDate(QDate(2005, 3, 15));
    Show("Lista Operazioni");
    EXPECT_EQ(window.CurrentDataSource()->BaseFilter(), "Month(Data) = 3 AND Year(Data) = 2005");
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 1);
    EXPECT_EQ(window.cmdDateSel->text(), "< marzo 2005 >");
    EXPECT_EQ(window.Menu("mnuSelection")->text(), "Solo in data < marzo 2005 >");

    session.SetDateSelection(true, false);
    session.SetSelectedDate(QDate(2005, 12, 31));
    window.RefreshDetailView();
    EXPECT_EQ(window.CurrentDataSource()->BaseFilter(),
              "Data >= #12/31/2005# AND Data < #01/01/2006#");
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 1);

    session.SetDateSelection(false, false);
    window.RefreshDetailView();
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 4);
    EXPECT_EQ(window.cmdDateSel->text(), "< tutti >");
}

TEST_F(MainWindowTest, PredefinedSelectionsCancelledWithNoShowNoRows) {
    frmMain& window = Start();
    AddSale("C1", March10);
    auto set = session.Database()->Item("OperazioniVendite")->CreateSelectionSet();
    set->AddCondition("Note", "x");
    set->Save("Lista Operazioni");

    prompter.Dialog([](QDialog&) { return int(QDialog::Rejected); }).Answer(PromptAnswer::No);
    Show("Lista Operazioni");
    EXPECT_EQ(prompter.History()[prompter.History().size() - 2].DialogName,
              "DbmsPredefinedSelections");
    EXPECT_EQ(prompter.LastMessage().Text,
              "Selezioni predefinite annullate...\r\rVuoi visualizzare tutti i dati?");
    EXPECT_EQ(prompter.LastMessage().Default, PromptAnswer::No);
    EXPECT_TRUE(window.Menu("mnuDataSelBeforeQuery")->isChecked());
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 0);
    EXPECT_EQ(window.lblTitle[1]->text(), "Dati  [nessun dato richiesto]");

    // A date flag still decides the rows shown.
    session.SetDateSelection(session.DaySelection(), true);
    session.SetSelectedDate(March10.date());
    prompter.Dialog([](QDialog&) { return int(QDialog::Rejected); }).Answer(PromptAnswer::No);
    window.RefreshDetailView();
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 1);
}

TEST_F(MainWindowTest, RefreshingTheSameSectionKeepsOrderAndRow) {
    frmMain& window = Start();
    AddCustomer("A", "Rossi");
    const OID bianchi = AddCustomer("B", "Bianchi");
    AddCustomer("C", "Verdi");
    Show("Clienti");
    window.CurrentDataSource()->SetOrder("Cognome");
    auto* model = window.dgView->model();
    window.dgView->setCurrentIndex(model->index(0, 0)); // Bianchi, first by surname
    ASSERT_EQ(window.CurrentGridOID(), bianchi);

    window.RefreshDetailView();
    EXPECT_EQ(window.CurrentDataSource()->Order(), "Cognome");
    EXPECT_EQ(window.CurrentGridOID(), bianchi);
}

TEST_F(MainWindowTest, SummariesShowEachOperationWithItsRows) {
    frmMain& window = Start();
    const OID sold = AddSale("C1", March10);
    AddSale("C2", March10); // nothing sold: not in the summary
    const OID article = session.Database()
                            ->Item("Articoli")
                            ->OpenDataSource()
                            ->AddRow({{"Codice", "A1"}, {"Descrizione", "Volo"}});
    auto sale = session.Database()
                    ->Item("OperazioniVendite")
                    ->OpenDataSource("OID = " + QString::number(sold));
    sale->MoveFirst();
    auto lines = sale->GetReference("Articoli");
    lines->AddRow({{"OID_Articoli", article}, {"Quantita", 2}});
    lines->AddRow({{"OID_Articoli", article}, {"Quantita", 1}});

    Show("Resoconto Vendite");
    ASSERT_EQ(window.CurrentGrid(), window.dgReportView);
    auto* model = qobject_cast<DbmsTreeModel*>(window.dgReportView->model());
    ASSERT_NE(model, nullptr);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->OIDAt(model->index(0, 0)), sold);
    // The lines come under a row of their own captions, as a printed summary has them; the
    // heading names the operation's columns once each.
    const QModelIndex operation = model->index(0, 0);
    ASSERT_EQ(model->rowCount(operation), 3);
    QStringList captions, headings;
    for (int c = 0; c < model->columnCount(); ++c) {
        captions << model->index(0, c, operation).data().toString();
        headings << model->headerData(c, Qt::Horizontal).toString();
    }
    for (size_t c = 0; c < model->DetailColumns().size(); ++c)
        EXPECT_EQ(captions[int(c)], model->DetailColumns()[c].Caption);
    EXPECT_EQ(headings.count("Note"), 1);
    EXPECT_FALSE(model->flags(model->index(0, 0, operation)) & Qt::ItemIsSelectable);
    EXPECT_EQ(model->OIDAt(model->index(0, 0, operation)), 0);
    EXPECT_NE(model->OIDAt(model->index(1, 0, operation)), 0);
}
