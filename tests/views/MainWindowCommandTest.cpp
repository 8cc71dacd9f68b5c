// Commands of the main window through its menus, keys and grids: rows, date selection,
// predefined selections, related data, toggles and other windows.
#include "MainWindowFixture.h"

#include "DbmsStorage.h"
#include "DbmsTreeModel.h"
#include "modTag.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
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
    auto oidAt = [grid](int row) {
        return qobject_cast<DbmsGridModel*>(grid->model())->OIDAt(row);
    };
    Click(grid, grid->model()->index(7, 1));
    const OID chosen = window.CurrentGridOID();
    ASSERT_NE(chosen, 0);
    ASSERT_NE(chosen, oidAt(0));
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
    const OID next = oidAt(8);
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Yes);
    window.ToolButton("Delete")->click();
    EXPECT_TRUE(Value("Clienti", chosen, "Codice").isEmpty());
    EXPECT_EQ(Count("Clienti"), 11);
    EXPECT_EQ(window.CurrentGridOID(), next);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(7, {}));
    // A refresh keeps it and the user's order, and the grid taking the focus again does not
    // move it.
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
    // The lines come under a row of their own captions, as a printed summary has them; the
    // heading names the operation's columns once each.
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
    // Predefined selections, stored, asked and removed.
    Show("Clienti");
    // The user adds one condition in the dialog and confirms it.
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
    // Another program holds the archive's write lock.
    DbmsStorage other;
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
