// Filters, search, order and grid settings of the main window, through its menus, keys and
// grids, the text dialog answered as a user would.
#include "MainWindowFixture.h"

#include "DbmsGridModel.h"
#include "frmSearchText.h"
#include "modTag.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

class MainWindowFilters : public MainWindowTest {
protected:
    MainWindowFilters() { frmSearchText::Instance().SetLast({}, {}); }
    // The element of a menu array for a field.
    QAction* Element(const QString& array, const QString& field) {
        for (QAction* element : main->MenuArray(array))
            if (Tag(element).toString() == field) return element;
        ADD_FAILURE() << "no " << field.toStdString() << " in " << array.toStdString();
        return main->MenuArray(array).front();
    }
    // The text dialog, when it opens: `text` typed (none: left as it opens), then OK (or
    // Successivo).
    void Answer(const QString& text, bool internal = false, const QString& button = "cmdOk") {
        OnWindow([this, text, internal, button](QDialog& d) {
            QApplication::processEvents(); // what was typed before it opened
            asked << d.windowTitle() + ":" + Child<QLabel>(d, "lblFieldName")->text() + ":" +
                         Child<QLineEdit>(d, "txtSearch")->text();
            if (!text.isNull()) Child<QLineEdit>(d, "txtSearch")->setText(text);
            Child<QCheckBox>(d, "chkInternal")->setChecked(internal);
            Child<QPushButton>(d, button)->click();
        });
    }
    DbmsGridModel* Model() { return qobject_cast<DbmsGridModel*>(main->dgView->model()); }
    QModelIndex Cell(OID oid, const QString& field) {
        return Model()->index(Model()->RowOf(oid), Model()->ColumnOf(field));
    }
    QStringList asked; // title:field:text of every text dialog shown
};

} // namespace

TEST_F(MainWindowFilters, FieldFiltersShowWhatTheyApplyAndCancel) {
    frmMain& window = StartShown();
    const OID amico = AddCustomer("K1", "D'Amico");
    const OID rossi = AddCustomer("K2", "Rossi");
    AddCustomer("K3", "50% Rossi");
    AddCustomer("X4", "Bianchi");
    Show("Clienti");
    const auto& ds = window.CurrentDataSource();
    // Two filters stay in menu order whatever order they come in; quotes and % are text.
    const std::tuple<QString, QString, bool, QString, QString, qint64> steps[] = {
        {"Cognome", "50%", false, "Cognome = 50%*", "Cognome = 50%*", 1},
        {"Codice", "K", false, "Codice = K*", "Codice = K* AND Cognome = 50%*", 1},
        {"Cognome", "'a", true, "Cognome = *'a*", "Codice = K* AND Cognome = *'a*", 1},
    };
    for (const auto& [field, text, internal, caption, shown, rows] : steps) {
        SCOPED_TRACE(caption.toStdString());
        Answer(text, internal);
        Element("mnuFilterItems", field)->trigger();
        EXPECT_EQ(asked.last(), "Filtra:" + field + ":");
        EXPECT_EQ(Element("mnuFilterItems", field)->text(), caption);
        EXPECT_EQ(window.StatusMsg(), "Attivato filtro (" + shown + ")");
        EXPECT_EQ(ds->RowCount(), rows);
        EXPECT_TRUE(window.ToolButton("Filter")->isChecked());
    }
    EXPECT_EQ(ds->Filter(), "Codice Like " + DbmsDatabase::PatternLiteral("K*") +
                                " AND Cognome Like " + DbmsDatabase::PatternLiteral("*'a*"));
    EXPECT_EQ(window.CurrentGridOID(), amico); // the first row left
    // Cancelled: nothing changes. Then every filter off.
    prompter.Dialog(Reject);
    Element("mnuFilterItems", "Codice")->trigger();
    EXPECT_EQ(ds->RowCount(), 1);
    window.Menu("mnuFieldFilterCancelAll")->trigger();
    EXPECT_EQ(window.StatusMsg(), "Disattivato filtro");
    EXPECT_EQ(Element("mnuFilterItems", "Cognome")->text(), "Cognome");
    EXPECT_EQ(ds->Filter(), "");
    EXPECT_EQ(ds->RowCount(), 4);
    EXPECT_FALSE(window.ToolButton("Filter")->isChecked());

    // The current cell's value: the dialog opens on it; the column's filter then goes alone.
    Click(window.dgView, Cell(rossi, "Cognome"));
    Answer("Rossi");
    window.Menu("mnuFieldFilter")->trigger();
    EXPECT_EQ(asked.last(), "Filtra:Cognome:Rossi");
    EXPECT_EQ(window.StatusMsg(), "Attivato filtro (Cognome = Rossi*)");
    EXPECT_EQ(ds->RowCount(), 1);
    window.Menu("mnuFieldFilterCancel")->trigger();
    EXPECT_EQ(window.StatusMsg(), "Nessun filtro");
    EXPECT_EQ(ds->RowCount(), 4);
    // A column without a filter of its own filters through the complex filter.
    Click(window.dgView, Cell(amico, "Punti"));
    window.Menu("mnuFieldFilter")->trigger();
    EXPECT_TRUE(window.Menu("mnuFilterComplex")->isChecked());
    EXPECT_FALSE(window.Menu("mnuFilterShort")->isEnabled());
    EXPECT_TRUE(window.ToolButton("Filter")->isChecked());
    EXPECT_TRUE(ds->Filter().contains("Punti"));
    // A refresh starts the view without filters.
    window.RefreshDetailView();
    EXPECT_FALSE(window.Menu("mnuFilterComplex")->isChecked());
    EXPECT_TRUE(window.Menu("mnuFilterShort")->isEnabled());
    EXPECT_EQ(window.CurrentDataSource()->Filter(), "");
}

TEST_F(MainWindowFilters, ComplexFiltersRunAtTheTimersTickAndListTheStoredNames) {
    frmMain& window = StartShown();
    AddCustomer("K1", "Rossi");
    Show("Clienti");
    const auto& ds = window.CurrentDataSource();
    auto stored = DbmsSelectionSet::FromDataSource(*ds, DbmsSelectionSet::Complex);
    stored->AddCondition("Cognome", "Rossi");
    stored->Save("Solo Rossi");
    for (const QString menu : {"mnuFilterComplex", "mnuOrderComplex"}) {
        window.Menu(menu)->trigger();
        EXPECT_EQ(Tag(window.tmFunc).toString(), menu);
        EXPECT_TRUE(window.tmFunc->isActive());
        window.tmFunc_Timer();
        EXPECT_FALSE(window.tmFunc->isActive());
    }
    EXPECT_FALSE(window.Menu("mnuFilterComplex")->isChecked());
    const auto& names = window.MenuArray("mnuFilterComplexItems");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1]->text(), "Solo Rossi");
    // A name deleted meanwhile is reported; a stored one opens the dialog on the timer.
    stored->Remove("Solo Rossi");
    prompter.Answer(PromptAnswer::Ok);
    names[1]->trigger();
    EXPECT_EQ(prompter.LastMessage().Text, "Un filtro con questo nome non è presente!");
    EXPECT_FALSE(window.tmFunc->isActive());
}

TEST_F(MainWindowFilters, SearchMovesTheGridToTheNextMatchOrTellsThereIsNone) {
    frmMain& window = StartShown();
    // Before any view there is nothing to search: F3 shows the search menu.
    window.Menu("mnuSearchNext")->trigger();
    EXPECT_TRUE(window.PopupMenu("mnuSearch")->isVisible());
    window.PopupMenu("mnuSearch")->hide();
    std::map<QString, OID> oid;
    for (int i = 1; i <= 40; ++i) {
        const QString code = QString("K%1").arg(i, 2, 10, QChar('0'));
        oid[code] = AddCustomer(code, i % 10 == 3 ? "Rossi" : "Bianchi");
    }
    Show("Clienti");
    Activate();
    EXPECT_EQ(Tag(window.ToolButton("Find")).toInt(), 1);
    QTableView* grid = window.dgView;
    grid->setFocus();
    grid->selectAll();
    // F3 with no text yet opens the dialog on the first searchable field.
    Answer("K37");
    QTest::keyClick(grid, Qt::Key_F3);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.last(), "Cerca:Codice:");
    EXPECT_EQ(window.CurrentGridOID(), oid["K37"]);
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
    // From the drop-down, on the surname: the next ones with F3, from the current row on.
    const int surname = window.MenuArray("mnuSearchItems").size() > 3 ? 3 : 1;
    ASSERT_EQ(window.MenuArray("mnuSearchItems")[surname]->text(), "Cognome");
    Click(grid, grid->model()->index(0, 0));
    Answer("ross");
    window.PopupMenu("FindDropDown")->actions()[surname - 1]->trigger();
    Activate();
    EXPECT_EQ(window.CurrentGridOID(), oid["K03"]);
    EXPECT_EQ(Tag(window.ToolButton("Find")).toInt(), surname);
    for (const QString next : {"K13", "K23", "K33"}) {
        QTest::keyClick(grid, Qt::Key_F3);
        EXPECT_EQ(window.CurrentGridOID(), oid[next]);
    }
    prompter.Answer(PromptAnswer::Ok);
    QTest::keyClick(grid, Qt::Key_F3);
    EXPECT_EQ(prompter.LastMessage().Text, " 'ross' non trovato");
    EXPECT_EQ(prompter.LastMessage().Caption, "Ricerca in Cognome");
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
    EXPECT_EQ(window.CurrentGridOID(), oid["K33"]);
    Activate();
    // The current cell's value, without the dialog.
    Click(grid, Cell(oid["K13"], "Cognome"));
    window.Menu("mnuFieldSearchNext")->trigger();
    EXPECT_EQ(window.CurrentGridOID(), oid["K23"]);
    // A letter typed over the grid opens the last search with it typed.
    Answer(QString());
    QTest::keyClick(grid, Qt::Key_B);
    EXPECT_EQ(asked.last(), "Cerca:Cognome:b");
    EXPECT_EQ(window.CurrentGridOID(), oid["K01"]);
    QTest::keyClick(grid, Qt::Key_B, Qt::ControlModifier); // not a letter alone: nothing asked
    EXPECT_EQ(asked.size(), 3);
}

TEST_F(MainWindowFilters, OrderTurnsByMenuAndHeading) {
    frmMain& window = StartShown();
    const OID first = AddCustomer("A1", "Zeta");
    const OID last = AddCustomer("Z9", "Alfa");
    Show("Clienti");
    const auto& ds = window.CurrentDataSource();
    for (const QString order : {"Codice", "Codice DESC", "Codice ASC", "Codice DESC"}) {
        Element("mnuOrderItems", "Codice")->trigger();
        EXPECT_EQ(ds->Order(), order);
    }
    EXPECT_EQ(Model()->OIDAt(0), last);
    QHeaderView* header = window.dgView->horizontalHeader();
    const int column = Model()->ColumnOf("Cognome");
    const QPoint at(header->sectionViewportPosition(column) + 4, header->height() / 2);
    for (const QString order : {"Cognome", "Cognome DESC"}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(ds->Order(), order);
    }
    EXPECT_EQ(Model()->OIDAt(0), first);
    window.Menu("mnuOrderCancel")->trigger();
    EXPECT_EQ(ds->Order(), "");
    // The right button: the field's menu over a cell, the order's below the rows, the related
    // data's on the heading.
    auto rightClick = [&window](QWidget* on, const QPoint& at, const QString& menu) {
        QTest::mouseClick(on, Qt::RightButton, {}, at);
        EXPECT_TRUE(window.PopupMenu(menu)->isVisible()) << menu.toStdString();
        window.PopupMenu(menu)->hide();
    };
    QTableView* grid = window.dgView;
    rightClick(grid->viewport(), grid->visualRect(Cell(first, "Codice")).center(), "mnuFieldFuncs");
    rightClick(grid->viewport(), QPoint(4, grid->viewport()->height() - 4), "mnuOrder");
    rightClick(header->viewport(), at, "mnuAssociation");
}

TEST_F(MainWindowFilters, GridLayoutSequenceWidthsAndReset) {
    frmMain& window = StartShown();
    SaleWithLines("C1", 2);
    Show("Resoconto Vendite");
    // A width set by hand stays for every section on the same table.
    QHeaderView* header = window.dgReportView->header();
    header->resizeSection(1, 233);
    Show("Resoconto Bonus");
    EXPECT_EQ(header->sectionSize(1), 233);
    const QString field =
        window.dgReportView->model()->headerData(1, Qt::Horizontal, DbmsGridRole::Field).toString();
    EXPECT_EQ(window.CurrentLayout()->ColumnWidth(field), 233 * frmMain::TwipsPerPixel);

    Show("Clienti");
    const auto& clients = window.CurrentLayout();
    const int all = Model()->columnCount();
    // A new order or filter reads the rows again, the widths staying.
    window.dgView->horizontalHeader()->resizeSection(2, 171);
    Element("mnuOrderItems", "Codice")->trigger();
    EXPECT_EQ(window.dgView->horizontalHeader()->sectionSize(2), 171);
    EXPECT_EQ(clients->ColumnWidth(Model()->Field(2)), 171 * frmMain::TwipsPerPixel);
    EXPECT_FALSE(window.Menu("mnuGridFldSequence")->isChecked());
    // The sequence dialog: the first field taken away.
    OnWindow([this](QDialog& d) {
        asked << d.windowTitle();
        Child<QPushButton>(d, "cmdRemove")->click();
        Child<QPushButton>(d, "cmdOK")->click();
    });
    window.Menu("mnuGridFldSequence")->trigger();
    EXPECT_EQ(asked.last(), "Sequenza di Visualizzazione Campi");
    EXPECT_TRUE(window.Menu("mnuGridFldSequence")->isChecked());
    EXPECT_EQ(Model()->columnCount(), all - 1);
    // All fields until the view is shown again.
    window.Menu("mnuGridFldAll")->trigger();
    EXPECT_EQ(Model()->columnCount(), all);
    window.RefreshDetailView();
    EXPECT_EQ(Model()->columnCount(), all - 1);
    EXPECT_TRUE(window.Menu("mnuGridFldSequence")->isChecked());
    // The reset asks first.
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        prompter.Answer(answer);
        window.Menu("mnuGridCancel")->trigger();
        EXPECT_EQ(prompter.LastMessage().Text,
                  "Vuoi ripristinare le impostazioni predefinite per la griglia corrente?");
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Question);
        EXPECT_EQ(clients->HasCustomSequence(), answer == PromptAnswer::No);
        EXPECT_EQ(Model()->columnCount(), answer == PromptAnswer::No ? all - 1 : all);
    }
    EXPECT_FALSE(window.Menu("mnuGridFldSequence")->isChecked());
}

TEST_F(MainWindowFilters, TotalsOfNumericColumnsAsTheGridShowsThem) {
    frmMain& window = StartShown();
    Show("TipiPagamento"); // text only
    EXPECT_EQ(window.MenuArray("mnuTotalItems").size(), 1u);
    const OID sale = AddSale("C1");
    auto payments = Open("OperazioniVendite")->GetReferenceOf(sale, "Pagamento");
    for (const double amount : {1500000.0, 250.5})
        payments->AddRow(
            {{"Data", March10}, {"Importo", QVariant::fromValue(Money::FromDouble(amount))}});
    Show("Pagamenti");
    prompter.Answer(PromptAnswer::Ok);
    Element("mnuTotalItems", "Importo")->trigger();
    EXPECT_EQ(prompter.LastMessage().Text, "Totale Importo 1.500.250,50");
}
