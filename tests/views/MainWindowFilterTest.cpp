// Filters, search, order, grid settings and totals of the main window, through its menus, keys
// and grids, the text dialog answered as a user would.
#include "MainWindowFixture.h"

#include "DbmsGridModel.h"
#include "DbmsStorage.h"
#include "frmSearchText.h"
#include "modTag.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
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
    int Index(const QString& array, const QString& field) {
        const auto& elements = main->MenuArray(array);
        for (size_t i = 1; i < elements.size(); ++i)
            if (Tag(elements[i]).toString() == field) return int(i);
        ADD_FAILURE() << "no " << field.toStdString() << " in " << array.toStdString();
        return 0;
    }
    QAction* Element(const QString& array, const QString& field) {
        return main->MenuArray(array)[size_t(Index(array, field))];
    }
    // The text dialog, when it opens: `text` typed (null: left as it opens), then OK.
    void Answer(const QString& text, bool internal = false) {
        OnWindow([this, text, internal](QDialog& d) {
            QApplication::processEvents(); // what was typed before it opened
            asked << d.windowTitle() + ":" + Child<QLabel>(d, "lblFieldName")->text() + ":" +
                         Child<QLineEdit>(d, "txtSearch")->text();
            if (!text.isNull()) Child<QLineEdit>(d, "txtSearch")->setText(text);
            Child<QCheckBox>(d, "chkInternal")->setChecked(internal);
            Child<QPushButton>(d, "cmdOk")->click();
        });
    }
    DbmsGridModel* Model() { return qobject_cast<DbmsGridModel*>(main->dgView->model()); }
    QModelIndex Cell(OID oid, const QString& field) {
        return Model()->index(Model()->RowOf(oid), Model()->ColumnOf(field));
    }
    QStringList asked; // title:field:text of every text dialog shown
};

} // namespace

TEST_F(MainWindowFilters, FieldAndComplexFiltersShowWhatTheyApply) {
    frmMain& window = StartShown();
    const OID amico = AddCustomer("K1", "D'Amico");
    const OID rossi = AddCustomer("K2", "Rossi");
    AddCustomer("K3", "50% Rossi");
    AddCustomer("X4", "Bianchi");
    Show("Clienti");
    const auto& ds = window.CurrentDataSource();
    // Two filters stay in menu order whatever order they come in; quotes and % are text.
    const std::tuple<QString, QString, bool, QString, QString> steps[] = {
        {"Cognome", "50%", false, "Cognome = 50%*", "Cognome = 50%*"},
        {"Codice", "K", false, "Codice = K*", "Codice = K* AND Cognome = 50%*"},
        {"Cognome", "'a", true, "Cognome = *'a*", "Codice = K* AND Cognome = *'a*"},
    };
    for (const auto& [field, text, internal, caption, shown] : steps) {
        Answer(text, internal);
        Element("mnuFilterItems", field)->trigger();
        EXPECT_EQ(asked.last(), "Filtra:" + field + ":");
        EXPECT_EQ(Element("mnuFilterItems", field)->text(), caption);
        EXPECT_EQ(window.StatusMsg(), "Attivato filtro (" + shown + ")");
        EXPECT_EQ(ds->RowCount(), 1);
    }
    EXPECT_EQ(ds->Filter(), "Codice Like " + DbmsDatabase::PatternLiteral("K*") +
                                " AND Cognome Like " + DbmsDatabase::PatternLiteral("*'a*"));
    EXPECT_TRUE(window.ToolButton("Filter")->isChecked());
    EXPECT_EQ(window.CurrentGridOID(), amico); // the first row left
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
    window.Menu("mnuFieldFilterCancel")->trigger();
    EXPECT_EQ(window.StatusMsg(), "Nessun filtro");
    EXPECT_EQ(ds->RowCount(), 4);
    // A column without a filter of its own filters through the complex filter.
    Click(window.dgView, Cell(amico, "Punti"));
    window.Menu("mnuFieldFilter")->trigger();
    EXPECT_TRUE(window.Menu("mnuFilterComplex")->isChecked());
    EXPECT_FALSE(window.Menu("mnuFilterShort")->isEnabled());
    EXPECT_TRUE(ds->Filter().contains("Punti"));
    // A refresh starts the view without filters.
    window.RefreshDetailView();
    EXPECT_FALSE(window.Menu("mnuFilterComplex")->isChecked());
    EXPECT_TRUE(window.Menu("mnuFilterShort")->isEnabled());
    EXPECT_EQ(window.CurrentDataSource()->Filter(), "");

    // The engine's dialogs open at the timer's tick: the condition built there filters the
    // view, the order chosen there orders it; the stored filters are listed after.
    auto stored = DbmsSelectionSet::FromDataSource(*ds, DbmsSelectionSet::Complex);
    stored->AddCondition("Cognome", "Rossi");
    stored->Save("Solo Rossi");
    OnWindow([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "FILTRO COMPLESSO");
        auto* field = Child<QComboBox>(d, "cboCampo");
        field->setCurrentIndex(field->findData("Codice"));
        Child<QLineEdit>(d, "txtValore")->setText("K2");
        Child<QPushButton>(d, "cmdAnd")->click();
        Child<QPushButton>(d, "cmdOK")->click();
    });
    OnWindow([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Ordinamento Complesso");
        auto* fields = Child<QListWidget>(d, "lstCampi");
        fields->setCurrentItem(fields->findItems("Cognome", Qt::MatchStartsWith).value(0));
        Child<QPushButton>(d, "cmdAdd")->click();
        Child<QPushButton>(d, "cmdDirection")->click();
        Child<QPushButton>(d, "cmdOK")->click();
    });
    for (const QString menu : {"mnuFilterComplex", "mnuOrderComplex"}) {
        window.Menu(menu)->trigger();
        EXPECT_EQ(Tag(window.tmFunc).toString(), menu);
        EXPECT_TRUE(window.tmFunc->isActive());
        window.tmFunc_Timer();
    }
    EXPECT_TRUE(window.Menu("mnuFilterComplex")->isChecked());
    EXPECT_TRUE(window.ToolButton("Filter")->isChecked());
    EXPECT_EQ(ds->Order(), "Cognome DESC");
    EXPECT_EQ(ds->RowCount(), 1);
    const QString inForce = ds->Filter();
    const auto& names = window.MenuArray("mnuFilterComplexItems");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1]->text(), "Solo Rossi");

    // A stored filter that no longer reads (the archive changed by another tool) is loaded,
    // the dialog left; filtering a cell through it is refused and the filter in force stays.
    ds->Database()->Storage()->Execute("INSERT INTO _Selections (Name, TableName, Kind, Condition) "
                                       "VALUES ('Solo Rossi', 'Clienti', 'Complex', 'Punti >')");
    OnWindow([](QDialog& d) { Child<QPushButton>(d, "cmdCancel")->click(); });
    names[1]->trigger();
    window.tmFunc_Timer();
    Click(window.dgView, Cell(rossi, "Punti"));
    prompter.Answer(PromptAnswer::Ok);
    window.Menu("mnuFieldFilter")->trigger();
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Errore nell'impostazione del filtro: \n\n"))
        << prompter.LastMessage().Text.toStdString();
    EXPECT_EQ(ds->Filter(), inForce);

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
    const int surname = Index("mnuSearchItems", "Cognome");
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
    const PromptMessage& none = prompter.LastMessage();
    EXPECT_EQ(none.Text + "|" + none.Caption, " 'ross' non trovato|Ricerca in Cognome");
    EXPECT_EQ(none.Icon, PromptIcon::Information);
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

TEST_F(MainWindowFilters, OrderByMenuAndHeadingAndTheRightButtonsMenus) {
    frmMain& window = StartShown();
    const OID first = AddCustomer("A1", "Zeta");
    const OID last = AddCustomer("Z9", "Alfa");
    Show("Clienti");
    const auto& ds = window.CurrentDataSource();
    // By menu, then by heading: the rows follow.
    QHeaderView* header = window.dgView->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(Model()->ColumnOf("Cognome")) + 4, 4);
    const std::tuple<QString, QString, OID> steps[] = {
        {"Codice", "Codice", first},     {"Codice", "Codice DESC", last},
        {"Codice", "Codice ASC", first}, {"Codice", "Codice DESC", last},
        {"", "Cognome", last},           {"", "Cognome DESC", first},
    };
    for (const auto& [item, order, top] : steps) {
        if (item.isEmpty())
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        else
            Element("mnuOrderItems", item)->trigger();
        EXPECT_EQ(ds->Order(), order);
        EXPECT_EQ(Model()->OIDAt(0), top);
    }
    window.Menu("mnuOrderCancel")->trigger();
    EXPECT_EQ(ds->Order(), "");
    // The field's menu over a cell, the order's below the rows, the related data's on top.
    QWidget* cells = window.dgView->viewport();
    const std::tuple<QWidget*, QPoint, QString> clicks[] = {
        {cells, window.dgView->visualRect(Cell(first, "Codice")).center(), "mnuFieldFuncs"},
        {cells, QPoint(4, cells->height() - 4), "mnuOrder"},
        {header->viewport(), at, "mnuAssociation"},
    };
    for (const auto& [on, point, menu] : clicks) {
        QTest::mouseClick(on, Qt::RightButton, {}, point);
        EXPECT_TRUE(window.PopupMenu(menu)->isVisible()) << menu.toStdString();
        window.PopupMenu(menu)->hide();
    }
}

TEST_F(MainWindowFilters, GridLayoutAndTotals) {
    frmMain& window = StartShown();
    const OID sale = SaleWithLines("C1", 2);
    for (const double amount : {1500000.0, 250.5})
        Open("OperazioniVendite")
            ->GetReferenceOf(sale, "Pagamento")
            ->AddRow(
                {{"Data", March10}, {"Importo", QVariant::fromValue(Money::FromDouble(amount))}});
    // A width set by hand stays for every section on the same table.
    Show("Resoconto Vendite");
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
    // A new order reads the rows again, the widths staying.
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
        EXPECT_EQ(Model()->columnCount(), answer == PromptAnswer::No ? all - 1 : all);
    }
    EXPECT_FALSE(clients->HasCustomSequence() || window.Menu("mnuGridFldSequence")->isChecked());

    // Totals: none for text only; money as the grid shows it.
    Show("TipiPagamento");
    EXPECT_EQ(window.MenuArray("mnuTotalItems").size(), 1u);
    Show("Pagamenti");
    prompter.Answer(PromptAnswer::Ok);
    Element("mnuTotalItems", "Importo")->trigger();
    EXPECT_EQ(prompter.LastMessage().Text, "Totale Importo 1.500.250,50");
}
