// Commands of the main window through its menus, keys and grids: rows, date and predefined
// selections, related data, filters, search, order, grid settings, totals, other windows.
#include "MainWindowFixture.h"

#include "DbmsStorage.h"
#include "DbmsTreeModel.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

TEST_F(MainWindowTest, CommandsActOnTheRowTheGridShowsAfterAnEdit) {
    frmMain& window = StartShown();
    for (int i = 1; i <= 12; ++i)
        AddCustomer(QString("K%1").arg(i, 2, 10, QChar('0')), QString("Cliente %1").arg(i));
    Show("Clienti");
    Activate();
    QTableView* grid = window.dgView;
    Click(grid, grid->model()->index(7, 1));
    const OID chosen = window.CurrentGridOID();
    ASSERT_NE(chosen, 0);
    ASSERT_NE(chosen, Model()->OIDAt(0));
    const QString code = Value("Clienti", chosen, "Codice");
    // F5 on the row, a field changed, OK; then F5 again: the same row, still selected.
    QStringList opened;
    for (const QString note : {"cambiato", ""})
        OnWindow([&opened, note](QDialog& editor) {
            opened << Child<QLineEdit>(editor, "Codice")->text();
            if (note.isEmpty()) return editor.reject();
            Child<QLineEdit>(editor, "Note")->setText(note);
            Child<QPushButton>(editor, "cmdOK")->click();
        });
    QTest::keyClick(grid, Qt::Key_F5);
    Activate();
    QTest::keyClick(grid, Qt::Key_F5);
    EXPECT_EQ(opened, (QStringList{code, code}));
    EXPECT_EQ(Value("Clienti", chosen, "Note"), "cambiato");
    EXPECT_EQ(window.CurrentGridOID(), chosen);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(7, {}));
    // Insert and Enter open the editor (left with Cancel), Delete asks first (declined).
    prompter.Dialog(Reject).Dialog(Reject).Answer(PromptAnswer::No);
    for (const auto key : {Qt::Key_Insert, Qt::Key_Return, Qt::Key_Delete})
        QTest::keyClick(grid, key);
    const auto& asked = prompter.History();
    EXPECT_EQ(asked[asked.size() - 3].DialogName + asked[asked.size() - 2].DialogName,
              "DbmsRowEditorDbmsRowEditor");
    EXPECT_EQ(prompter.LastMessage().Text, "Confermi l'eliminazione dei dati selezionati ?");
    EXPECT_EQ(prompter.LastMessage().Default, PromptAnswer::Yes);
    EXPECT_EQ(Count("Clienti"), 12); // the cancelled new row left nothing, the delete declined
    Activate();
    // Elimina takes that row, and the grid then stands on the row that took its place.
    const OID next = Model()->OIDAt(8);
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Yes);
    window.ToolButton("Delete")->click();
    EXPECT_TRUE(Value("Clienti", chosen, "Codice").isEmpty());
    EXPECT_EQ(Count("Clienti"), 11);
    EXPECT_EQ(window.CurrentGridOID(), next);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(7, {}));
    // A refresh keeps it and the user's order; the grid taking the focus again does not move it.
    window.CurrentDataSource()->SetOrder("Codice");
    window.RefreshDetailView();
    EXPECT_EQ(window.CurrentDataSource()->Order(), "Codice");
    window.tvTreeView->setFocus();
    grid->setFocus();
    EXPECT_EQ(window.CurrentGridOID(), next);
}

TEST_F(MainWindowTest, ASummaryShowsEachOperationWithItsRowsAndDeletesOnlyOperations) {
    frmMain& window = StartShown();
    const OID kept = SaleWithLines("C1", 3);
    const OID gone = SaleWithLines("C2", 1);
    AddSale("C3"); // nothing sold: not in the summary
    Show("Resoconto Vendite");
    ASSERT_EQ(window.CurrentGrid(), window.dgReportView);
    QTreeView* tree = window.dgReportView;
    auto* model = qobject_cast<DbmsTreeModel*>(tree->model());
    ASSERT_NE(model, nullptr);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model->rowCount(), 2);
    const QModelIndex sale = model->index(model->RowOf(kept), 0);
    tree->expand(sale);
    // The lines come under a row of their captions; the heading names each column once.
    ASSERT_EQ(model->rowCount(sale), 4);
    QStringList headings;
    for (int c = 0; c < model->columnCount(); ++c)
        headings << model->headerData(c, Qt::Horizontal).toString();
    for (size_t c = 0; c < model->DetailColumns().size(); ++c)
        EXPECT_EQ(model->index(0, int(c), sale).data(), model->DetailColumns()[c].Caption);
    EXPECT_EQ(headings.count("Note"), 1);
    EXPECT_FALSE(model->flags(model->index(0, 0, sale)) & Qt::ItemIsSelectable);
    EXPECT_EQ(model->OIDAt(model->index(0, 0, sale)), 0);
    const QModelIndex line = model->index(3, 0, sale);
    ASSERT_TRUE(DbmsTreeModel::IsDetailRow(line));
    EXPECT_NE(model->OIDAt(line), 0);
    // A line stands for its operation, but alone it is none to delete: a beep, no question.
    Click(tree, line);
    EXPECT_EQ(window.CurrentGridOID(), kept);
    window.mnuFileDelete_Click();
    EXPECT_EQ(prompter.Beeps(), 1);
    EXPECT_EQ(Count("ArticoliVenduti"), 4);
    // A line and another operation: only the operation goes.
    Click(tree, model->index(model->RowOf(gone), 0), Qt::ControlModifier);
    prompter.Answer(PromptAnswer::Yes);
    window.mnuFileDelete_Click();
    EXPECT_EQ(Count("OperazioniVendite"), 2);
    EXPECT_EQ(Count("ArticoliVenduti"), 3); // the three lines of `kept`
}

TEST_F(MainWindowTest, DateAndPredefinedSelectionsFromTheMenus) {
    frmMain& window = Start();
    AddSale("C1");
    AddSale("C2", QDateTime(QDate(2005, 3, 20), QTime(9, 0)));
    Show("Lista Operazioni");
    EXPECT_TRUE(window.Menu("mnuSelAll")->isChecked());
    EXPECT_EQ(window.cmdDateSel->text(), "< tutti >");
    // Choosing "all" again, or a cancelled picker, reloads nothing.
    auto shown = window.CurrentDataSource();
    window.mnuSelAll_Click();
    EXPECT_EQ(window.CurrentDataSource(), shown);
    PickDate(QDate(2005, 3, 10));
    window.mnuSelDate_Click();
    EXPECT_TRUE(session.DaySelection());
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 1);
    EXPECT_TRUE(window.Menu("mnuSelDate")->isChecked());
    EXPECT_EQ(window.cmdDateSel->toolTip(), "Dati del giorno 10/03/2005 relativi a Data");
    PickDate(QDate(2005, 3, 1));
    window.mnuSelMonth_Click();
    EXPECT_TRUE(session.MonthSelection() && !session.DaySelection());
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 2);
    EXPECT_EQ(window.cmdDateSel->text(), "< marzo 2005 >");
    EXPECT_EQ(window.Menu("mnuSelection")->text(), "Solo in data < marzo 2005 >");
    shown = window.CurrentDataSource();
    prompter.Dialog(Reject);
    window.mnuSelDate_Click();
    EXPECT_EQ(window.CurrentDataSource(), shown);
    EXPECT_TRUE(session.MonthSelection());
    window.mnuSelAll_Click();
    EXPECT_FALSE(session.MonthSelection() || session.DaySelection());
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 2);
    // Predefined selections: one condition added and confirmed, asked, removed.
    Show("Clienti");
    OnWindow([](QDialog& dialog) {
        Child<QPushButton>(dialog, "cmdAdd")->click();
        Child<QPushButton>(dialog, "cmdOK")->click();
    });
    OnWindow([](QDialog& editor) {
        Child<QLineEdit>(editor, "txtCondizione")->setText("Cognome = 'Rossi'");
        editor.accept();
    });
    prompter.Answer(PromptAnswer::Ok);
    window.mnuDataSelBeforeQuery_Click();
    EXPECT_TRUE(window.Menu("mnuDataSelBeforeQuery")->isChecked());
    EXPECT_TRUE(
        prompter.LastMessage().Text.startsWith("Selezioni predefinite impostate.\r\rN.B.: "));
    // Asked again before the rows are read: cancelled, and No to all the data.
    prompter.Dialog(Reject).Answer(PromptAnswer::No);
    window.RefreshDetailView();
    EXPECT_EQ(prompter.History()[prompter.History().size() - 2].DialogName,
              "DbmsPredefinedSelections");
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 0);
    EXPECT_EQ(window.lblTitle[1]->text(), "Dati  [nessun dato richiesto]");
    prompter.Answer(PromptAnswer::Ok);
    window.mnuDataSelCancel_Click();
    EXPECT_EQ(prompter.LastMessage().Text, "Selezioni predefinite eliminate.");
    EXPECT_FALSE(window.Menu("mnuDataSelBeforeQuery")->isChecked());
    EXPECT_FALSE(window.CurrentSelectionSet());
}

TEST_F(MainWindowTest, RelatedDataTravelThroughTheTimerAFailedDeleteIsReported) {
    frmMain& window = Start();
    AddSale("C1");
    Show("OperazioniVendite");
    window.dgView->setCurrentIndex(window.dgView->model()->index(0, 0));
    const auto& containers = window.MenuArray("mnuContItem");
    ASSERT_GE(containers.size(), 2u);
    EXPECT_TRUE(containers[0]->isVisible());
    window.mnuAssociation_Click("mnuContItem", 1);
    EXPECT_EQ(Tag(window.tmFunc).toString(), "mnuContItem( " + Tag(containers[1]).toString() + ")");
    EXPECT_TRUE(window.tmFunc->isActive());
    prompter.Dialog(Reject);
    window.tmFunc_Timer();
    EXPECT_FALSE(window.tmFunc->isActive());
    EXPECT_TRUE(Tag(window.tmFunc).toString().isEmpty());
    EXPECT_EQ(prompter.History().back().DialogName, "DbmsRowList");
    // While the current row has changes not stored, nothing related opens.
    window.CurrentDataSource()->SetValue("Note", "in corso");
    window.mnuAssociation_Click("mnuContItem", 1);
    EXPECT_FALSE(window.tmFunc->isActive());
    window.CurrentDataSource()->CancelUpdate();
    // A delete that fails is reported, and the view shows the archive as it is.
    Show("Lista Operazioni");
    window.dgView->setCurrentIndex(window.dgView->model()->index(0, 0));
    DbmsStorage other; // another program holding the write lock
    other.Open(DbmsStorage::FormatSQLite, ArchivePath());
    other.Begin();
    other.SetMetaValue("Prova", "blocco");
    session.Storage()->Connection().setBusyTimeout(0);
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::No);
    window.mnuFileDelete_Click();
    other.Close(); // abandons its transaction
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Eliminazione dati fallita: \r\r"));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    EXPECT_EQ(Count("OperazioniVendite"), 1);
    EXPECT_EQ(window.dgView->model()->rowCount(), 1);
    EXPECT_NE(window.CurrentGridOID(), 0);
}

TEST_F(MainWindowTest, TogglesHelpAndOptions) {
    frmMain& window = Start();
    window.show();
    window.Menu("mnuViewToolbar")->trigger();
    window.Menu("mnuViewStatusBar")->trigger();
    window.Menu("mnuHideSection")->trigger();
    EXPECT_FALSE(window.tbToolBar->isVisible() || window.sbStatusBar->isVisible() ||
                 window.tvTreeView->isVisible());
    EXPECT_FALSE(window.Menu("mnuHideSection")->isChecked());
    window.mnuHideSection_Click();
    EXPECT_TRUE(window.tvTreeView->isVisible());
    EXPECT_EQ(window.SplitterPosition(), 3500);
    prompter.Answer(PromptAnswer::Ok);
    window.Menu("mnuHelpContents")->trigger();
    EXPECT_EQ(prompter.LastMessage().Text,
              "Unable to display Help Contents. There is no Help associated with this project.");
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
    // Options with a new folder reopen the archive there.
    window.mnuToolsOptions_Click();
    auto* options = window.findChild<QDialog*>("frmOptions");
    ASSERT_NE(options, nullptr);
    // While the options are open, activation leaves the archive alone.
    window.ReleaseDatabase();
    window.Activate();
    EXPECT_FALSE(session.Database());
    Child<QLineEdit>(*options, "txtWorkDir")->setText(m_dir.filePath("nuova"));
    prompter.Answer(PromptAnswer::Yes);
    Child<QPushButton>(*options, "cmdOK")->click();
    EXPECT_EQ(prompter.LastMessage().Text, "L'indirizzario di lavoro e' cambiato.\r\rConfermi ?");
    EXPECT_FALSE(session.Database() || window.CurrentDataSource());
    window.Activate(); // the new folder gets its archive without asking
    EXPECT_TRUE(QFile::exists(m_dir.filePath("nuova/Tessarin.mdb")));
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(settings.ReadSetting("Configuration", "RootDir"), m_dir.filePath("nuova"));
}

TEST_F(MainWindowTest, FieldAndComplexFiltersShowWhatTheyApply) {
    frmMain& window = StartShown();
    const OID amico = AddCustomer("K1", "D'Amico");
    const OID rossi = AddCustomer("K2", "Rossi");
    AddCustomer("K3", "50% Rossi");
    AddCustomer("X4", "Bianchi");
    Show("Clienti");
    const auto& ds = window.CurrentDataSource();
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
    EXPECT_TRUE(window.ToolButton("Filter")->isChecked());
    EXPECT_EQ(window.CurrentGridOID(), amico); // the first row left
    window.Menu("mnuFieldFilterCancelAll")->trigger();
    EXPECT_EQ(window.StatusMsg(), "Disattivato filtro");
    EXPECT_EQ(Element("mnuFilterItems", "Cognome")->text(), "Cognome");
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
    window.RefreshDetailView(); // starts without filters
    EXPECT_FALSE(window.Menu("mnuFilterComplex")->isChecked());
    EXPECT_TRUE(window.Menu("mnuFilterShort")->isEnabled());
    EXPECT_EQ(window.CurrentDataSource()->Filter(), "");
    // The engine's dialogs open at the timer's tick; the stored filters are listed after.
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
    // A stored filter that no longer reads is loaded: filtering a cell through it is refused.
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

TEST_F(MainWindowTest, SearchMovesTheGridToTheNextMatchOrTellsThereIsNone) {
    frmMain& window = StartShown();
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
    Answer("K37"); // no text yet: the first searchable field
    QTest::keyClick(grid, Qt::Key_F3);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.last(), "Cerca:Codice:");
    EXPECT_EQ(window.CurrentGridOID(), oid["K37"]);
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
    // From the drop-down on the surname, then F3: from the current row on.
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
    Click(grid, Cell(oid["K13"], "Cognome"));
    window.Menu("mnuFieldSearchNext")->trigger(); // the cell's value, no dialog
    EXPECT_EQ(window.CurrentGridOID(), oid["K23"]);
    Answer(QString()); // a letter opens the last search with it typed
    QTest::keyClick(grid, Qt::Key_B);
    EXPECT_EQ(asked.last(), "Cerca:Cognome:b");
    EXPECT_EQ(window.CurrentGridOID(), oid["K01"]);
    QTest::keyClick(grid, Qt::Key_B, Qt::ControlModifier); // not a letter alone: nothing asked
    EXPECT_EQ(asked.size(), 3);
}

TEST_F(MainWindowTest, OrderByMenuAndHeadingAndTheRightButtonsMenus) {
    frmMain& window = StartShown();
    const OID first = AddCustomer("A1", "Zeta");
    const OID last = AddCustomer("Z9", "Alfa");
    Show("Clienti");
    const auto& ds = window.CurrentDataSource();
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

TEST_F(MainWindowTest, GridLayoutAndTotals) {
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
    OnWindow([this](QDialog& d) {
        asked << d.windowTitle();
        Child<QPushButton>(d, "cmdRemove")->click(); // the first field
        Child<QPushButton>(d, "cmdOK")->click();
    });
    window.Menu("mnuGridFldSequence")->trigger();
    EXPECT_EQ(asked.last(), "Sequenza di Visualizzazione Campi");
    EXPECT_TRUE(window.Menu("mnuGridFldSequence")->isChecked());
    EXPECT_EQ(Model()->columnCount(), all - 1);
    window.Menu("mnuGridFldAll")->trigger(); // until the view is shown again
    EXPECT_EQ(Model()->columnCount(), all);
    window.RefreshDetailView();
    EXPECT_EQ(Model()->columnCount(), all - 1);
    EXPECT_TRUE(window.Menu("mnuGridFldSequence")->isChecked());
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
