// The rows the commands act on, through the real grid and tree: after edits and deletes, in
// summaries, with rows of other tables hanging on them; and the archive let go when released.
#include "MainWindowFixture.h"

#include "DbmsStorage.h"
#include "DbmsTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace {

const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

// The files this process has open, by their real path.
QStringList OpenFiles() {
    QStringList files;
    const QDir fds("/proc/self/fd");
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        files << QFileInfo(QFileInfo(fds.filePath(fd)).symLinkTarget()).canonicalFilePath();
    return files;
}

void Click(QAbstractItemView* view, const QModelIndex& index,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                      view->visualRect(index).center());
}

void ClickNode(QTreeWidget* tree, QTreeWidgetItem* item) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

} // namespace

class MainWindowRowsTest : public MainWindowTest {
protected:
    // The window shown and active, so its keys and shortcuts reach it as a user's do.
    frmMain& StartShown() {
        frmMain& window = Start();
        window.show();
        Activate();
        return window;
    }
    // What the desktop does when a window in front of the main one (the message shown while
    // rows are read, an editor) goes away.
    void Activate() {
        QApplication::processEvents();
        main->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }
    QString Value(const QString& table, OID oid, const QString& field) {
        auto ds = session.Database()->Item(table)->OpenDataSource("OID = " + QString::number(oid));
        ds->MoveFirst();
        return ds->HasCurrentRow() ? ds->GetValue(field).toString() : QString();
    }
    // A sale with `lines` articles sold, for a new customer; its OID.
    OID SaleWithLines(const QString& code, int lines) {
        const OID sale = AddSale(code, March10);
        const OID article = session.Database()
                                ->Item("Articoli")
                                ->OpenDataSource()
                                ->AddRow({{"Codice", "A" + code}, {"Descrizione", "Volo " + code}});
        auto sold = session.Database()
                        ->Item("OperazioniVendite")
                        ->OpenDataSource()
                        ->GetReferenceOf(sale, "Articoli");
        for (int i = 1; i <= lines; ++i)
            sold->AddRow({{"OID_Articoli", article}, {"Quantita", i}});
        return sale;
    }
};

TEST_F(MainWindowRowsTest, ReleasingTheArchiveLetsGoOfTheFile) {
    frmMain& window = Start();
    SaleWithLines("C1", 2);
    const QString archive = QFileInfo(ArchivePath()).canonicalFilePath();
    std::weak_ptr<DbmsStorage> storage = session.Storage();
    // Views of every kind, one after the other and again, with a summary opened below.
    for (const char* key : {"Clienti", "Resoconto Vendite", "Lista Operazioni", "Resoconto Vendite",
                            "Clienti", "", "ArticoliVenduti"}) {
        if (*key)
            Show(key);
        else
            Show(12); // a group: no grid
        window.RefreshDetailView();
        if (window.CurrentGrid() == window.dgReportView)
            window.dgReportView->expand(window.dgReportView->model()->index(0, 0));
    }
    ASSERT_TRUE(OpenFiles().contains(archive));
    window.ReleaseDatabase();
    EXPECT_TRUE(storage.expired());
    EXPECT_FALSE(OpenFiles().contains(archive));
}

TEST_F(MainWindowRowsTest, DeleteNamesTheRowsOfOtherTablesItTakesOrUnlinks) {
    frmMain& window = Start();
    auto db = session.Database();
    const OID prize =
        db->Item("TabellaPremi")->OpenDataSource()->AddRow({{"Descrizione", "Valigia"}});
    const OID payment =
        db->Item("TipiPagamento")->OpenDataSource()->AddRow({{"Descrizione", "Assegno"}});
    const OID customer = AddCustomer("C1", "Rossi");
    auto sales = db->Item("OperazioniVendite")->OpenDataSource();
    const OID first = sales->AddRow({{"Cliente", customer}, {"Data", March10}});
    const OID second = sales->AddRow({{"Cliente", customer}, {"Data", March10}});
    for (OID sale : {first, second})
        sales->GetReferenceOf(sale, "Premi")->AddRow({{"OID_TabellaPremi", prize}});
    sales->GetReferenceOf(first, "Pagamento")
        ->AddRow({{"Pagamento", payment}, {"Cliente", customer}});

    const QString question = "Confermi l'eliminazione dei dati selezionati ?";
    struct Case {
        QString Section;
        OID Row;
        QString Said; // what follows the question
        bool Master;
    };
    const Case cases[] = {
        {"TabellaPremi", prize,
         "\r\rVerranno eliminati anche i dati collegati: 2 Premi Assegnati."
         "\rPerderanno il collegamento ai dati eliminati: 2 Vendite / Premiazioni.",
         false},
        {"TipiPagamento", payment,
         "\r\rPerderanno il collegamento ai dati eliminati: 1 Pagamenti del Cliente.", false},
        {"Clienti", customer,
         "\r\rPerderanno il collegamento ai dati eliminati: 1 Pagamenti del Cliente, "
         "2 Vendite / Premiazioni.",
         true},
        // A sale's own lines, prizes and payments are parts of it: the question stays as it is.
        {"OperazioniVendite", second, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Section.toStdString());
        Show(c.Section);
        auto* model = window.dgView->model();
        int row = 0;
        while (row < model->rowCount() && window.CurrentGridOID() != c.Row)
            window.dgView->setCurrentIndex(model->index(row++, 0));
        ASSERT_EQ(window.CurrentGridOID(), c.Row);
        const qint64 before = Count(c.Section);
        // Declined, nothing happens; then confirmed with the Delete key. Customers, suppliers
        // and articles ask twice.
        prompter.Answer(PromptAnswer::No);
        window.mnuFileDelete_Click();
        EXPECT_EQ(prompter.LastMessage().Text, question + c.Said);
        EXPECT_EQ(Count(c.Section), before);
        prompter.Answer(PromptAnswer::Yes);
        if (c.Master) prompter.Answer(PromptAnswer::Yes);
        QTest::keyClick(window.dgView, Qt::Key_Delete);
        EXPECT_EQ(Count(c.Section), before - 1);
        if (!c.Master) continue;
        EXPECT_EQ(
            prompter.LastMessage().Text,
            "L'eliminazione comporterà l'elimnazione anche dei dati correlati!\r\rSei sicuro ?");
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(prompter.LastMessage().Default, PromptAnswer::No);
    }
    EXPECT_EQ(Count("PremiAssegnati"), 0);
}

TEST_F(MainWindowRowsTest, AFailedDeleteIsReportedAndTheViewShowsTheArchive) {
    frmMain& window = Start();
    AddSale("C1", March10);
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
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Eliminazione dati fallita: \r\r"))
        << prompter.LastMessage().Text.toStdString();
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    EXPECT_EQ(Count("OperazioniVendite"), 1);
    EXPECT_EQ(window.dgView->model()->rowCount(), 1);
    EXPECT_NE(window.CurrentGridOID(), 0);
}

TEST_F(MainWindowRowsTest, CommandsActOnTheRowTheGridShowsAfterAnEdit) {
    frmMain& window = StartShown();
    for (int i = 1; i <= 12; ++i)
        AddCustomer(QString("K%1").arg(i, 2, 10, QChar('0')), QString("Cliente %1").arg(i));
    Show("Clienti");
    Activate();
    QTableView* grid = window.dgView;
    const QModelIndex eighth = grid->model()->index(7, 1);
    Click(grid, eighth);
    const OID chosen = window.CurrentGridOID();
    ASSERT_NE(chosen, 0);
    ASSERT_NE(chosen, qobject_cast<DbmsGridModel*>(grid->model())->OIDAt(0));
    const QString code = Value("Clienti", chosen, "Codice");

    // F5 on the row, a field changed, OK; then F5 again: the same row, still selected.
    QStringList opened;
    auto edit = [&opened](const QString& note) {
        return [&opened, note](QDialog& editor) {
            opened << editor.findChild<QLineEdit*>("Codice")->text();
            if (note.isEmpty()) return int(QDialog::Rejected);
            editor.findChild<QLineEdit*>("Note")->setText(note);
            editor.findChild<QPushButton*>("cmdOK")->click();
            return editor.result();
        };
    };
    prompter.Dialog(edit("cambiato")).Dialog(edit(""));
    QTest::keyClick(grid, Qt::Key_F5);
    Activate();
    QTest::keyClick(grid, Qt::Key_F5);
    EXPECT_EQ(opened, (QStringList{code, code}));
    EXPECT_EQ(Value("Clienti", chosen, "Note"), "cambiato");
    EXPECT_EQ(window.CurrentGridOID(), chosen);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(7, {}));

    // Elimina takes that row, and the grid then stands on the row that took its place.
    const OID next = qobject_cast<DbmsGridModel*>(grid->model())->OIDAt(8);
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Yes);
    window.ToolButton("Delete")->click();
    EXPECT_TRUE(Value("Clienti", chosen, "Codice").isEmpty());
    EXPECT_EQ(Count("Clienti"), 11);
    EXPECT_EQ(window.CurrentGridOID(), next);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(7, {}));

    // A refresh keeps it, and the grid taking the focus again does not move it.
    window.RefreshDetailView();
    window.tvTreeView->setFocus();
    grid->setFocus();
    EXPECT_EQ(window.CurrentGridOID(), next);
}

TEST_F(MainWindowRowsTest, DeleteInASummaryTakesOnlyTheChosenOperations) {
    frmMain& window = StartShown();
    const OID kept = SaleWithLines("C1", 3);
    const OID gone = SaleWithLines("C2", 1);
    Show("Resoconto Vendite");
    QTreeView* tree = window.dgReportView;
    auto* model = qobject_cast<DbmsTreeModel*>(tree->model());
    ASSERT_NE(model, nullptr);
    const QModelIndex sale = model->index(model->RowOf(kept), 0);
    tree->expand(sale);
    const QModelIndex line = model->index(model->rowCount(sale) - 1, 0, sale);
    ASSERT_TRUE(DbmsTreeModel::IsDetailRow(line));

    // A line alone is no operation: a beep, no question, nothing deleted.
    Click(tree, line);
    window.mnuFileDelete_Click();
    EXPECT_EQ(prompter.Beeps(), 1);
    EXPECT_EQ(Count("ArticoliVenduti"), 4);

    // A line and another operation: only the operation goes.
    Click(tree, model->index(model->RowOf(gone), 0), Qt::ControlModifier);
    prompter.Answer(PromptAnswer::Yes);
    window.mnuFileDelete_Click();
    EXPECT_EQ(prompter.LastMessage().Text, "Confermi l'eliminazione dei dati selezionati ?");
    EXPECT_EQ(Count("OperazioniVendite"), 1);
    EXPECT_EQ(Count("ArticoliVenduti"), 3);
    EXPECT_EQ(Value("OperazioniVendite", kept, "OID"), QString::number(kept));
}

TEST_F(MainWindowRowsTest, TheKeyboardShowsASectionAsAClickDoes) {
    frmMain& window = StartShown();
    // Stored selections ask on every refresh of their section: each question is one refresh.
    auto set = session.Database()->Item("Fornitori")->CreateSelectionSet();
    set->AddCondition("Descrizione", "x");
    set->Save("Fornitori");
    auto refreshed = [this] {
        prompter.Dialog([](QDialog&) { return int(QDialog::Rejected); }).Answer(PromptAnswer::Yes);
    };
    QTreeWidget* tree = window.tvTreeView;
    EXPECT_EQ(window.focusWidget(), tree); // where the keyboard starts
    ClickNode(tree, window.NodeAt(12));
    tree->expandItem(window.NodeAt(12));
    ClickNode(tree, window.NodeAt(13));
    ASSERT_EQ(window.CurrentDataSource()->Table()->Name(), "Clienti");

    refreshed();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(window.SelectedNodeIndex(), 14);
    EXPECT_EQ(window.focusWidget(), tree); // the next key moves on again
    ASSERT_TRUE(window.CurrentDataSource());
    EXPECT_EQ(window.CurrentDataSource()->Table()->Name(), "Fornitori");
    EXPECT_EQ(prompter.Pending(), 0u);

    // Back by a click, then a click on the section and one more on it: one refresh each.
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(window.CurrentDataSource()->Table()->Name(), "Clienti");
    refreshed();
    ClickNode(tree, window.NodeAt(14));
    EXPECT_EQ(prompter.Pending(), 0u);
    refreshed();
    ClickNode(tree, window.NodeAt(14));
    EXPECT_EQ(prompter.Pending(), 0u);
    EXPECT_EQ(window.CurrentDataSource()->Table()->Name(), "Fornitori");
}
