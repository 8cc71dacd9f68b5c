// Commands of the main window: rows, keys, date selection, predefined selections, related data.
#include "MainWindowFixture.h"

#include "DbmsSelectionSet.h"
#include "modTag.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

int Reject(QDialog&) {
    return QDialog::Rejected;
}

// The date picker confirmed on `date`.
std::function<int(QDialog&)> PickDate(const QDate& date) {
    return [date](QDialog& dialog) {
        dialog.findChild<QCalendarWidget*>("calTimeSetting")->setSelectedDate(date);
        dialog.findChild<QPushButton*>("cmdSetting")->click();
        return int(QDialog::Accepted);
    };
}

} // namespace

TEST_F(MainWindowTest, CommandsWithoutDataBeep) {
    frmMain& window = Start();
    Show(12); // a group: no data
    window.mnuFileDelete_Click();
    window.mnuFileNew_Click();
    window.mnuFileProperties_Click();
    EXPECT_EQ(prompter.Beeps(), 3);
    EXPECT_TRUE(prompter.Messages().isEmpty());
}

TEST_F(MainWindowTest, InsertAndEnterOpenTheRowEditor) {
    frmMain& window = Start();
    AddCustomer("A", "Rossi");
    Show("Clienti");
    window.dgView->setCurrentIndex(window.dgView->model()->index(0, 0));
    prompter.Dialog(Reject).Dialog(Reject);
    QTest::keyClick(window.dgView, Qt::Key_Insert);
    QTest::keyClick(window.dgView, Qt::Key_Return);
    ASSERT_EQ(prompter.History().size(), 3u); // the options of the first start, then these
    EXPECT_EQ(prompter.History()[1].DialogName, "DbmsRowEditor");
    EXPECT_EQ(prompter.History()[2].DialogName, "DbmsRowEditor");
    EXPECT_EQ(Count("Clienti"), 1); // the cancelled new row left nothing
}

TEST_F(MainWindowTest, DateSelectionCommands) {
    frmMain& window = Start();
    AddSale("C1", March10);
    AddSale("C2", QDateTime(QDate(2005, 3, 20), QTime(9, 0)));
    Show("Lista Operazioni");
    EXPECT_TRUE(window.Menu("mnuSelAll")->isChecked());

    // Choosing "all" again reloads nothing.
    const auto before = window.CurrentDataSource();
    window.mnuSelAll_Click();
    EXPECT_EQ(window.CurrentDataSource(), before);

    prompter.Dialog(PickDate(QDate(2005, 3, 10)));
    window.mnuSelDate_Click();
    EXPECT_TRUE(session.DaySelection());
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 1);
    EXPECT_TRUE(window.Menu("mnuSelDate")->isChecked());
    EXPECT_EQ(window.cmdDateSel->toolTip(), "Dati del giorno 10/03/2005 relativi a Data");

    prompter.Dialog(PickDate(QDate(2005, 3, 1)));
    window.mnuSelMonth_Click();
    EXPECT_TRUE(session.MonthSelection());
    EXPECT_FALSE(session.DaySelection());
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 2);

    // A cancelled picker changes nothing and reloads nothing.
    const auto shown = window.CurrentDataSource();
    prompter.Dialog(Reject);
    window.mnuSelDate_Click();
    EXPECT_EQ(window.CurrentDataSource(), shown);
    EXPECT_TRUE(session.MonthSelection());

    window.mnuSelAll_Click();
    EXPECT_FALSE(session.MonthSelection() || session.DaySelection());
    EXPECT_EQ(window.CurrentDataSource()->RowCount(), 2);
}

TEST_F(MainWindowTest, PredefinedSelectionsAreStoredAndRemoved) {
    frmMain& window = Start();
    Show("Clienti");
    // The user adds one condition in the dialog and confirms it.
    prompter
        .Dialog([](QDialog& dialog) {
            dialog.findChild<QPushButton*>("cmdAdd")->click();
            dialog.findChild<QPushButton*>("cmdOK")->click();
            return dialog.result();
        })
        .Dialog([](QDialog& editor) {
            editor.findChild<QLineEdit*>("txtCondizione")->setText("Cognome = 'Rossi'");
            editor.accept();
            return int(QDialog::Accepted);
        })
        .Answer(PromptAnswer::Ok);
    window.mnuDataSelBeforeQuery_Click();
    EXPECT_TRUE(window.Menu("mnuDataSelBeforeQuery")->isChecked());
    EXPECT_TRUE(
        prompter.LastMessage().Text.startsWith("Selezioni predefinite impostate.\r\rN.B.: "));
    auto stored = session.Database()->Item("Clienti")->CreateSelectionSet();
    EXPECT_TRUE(stored->Restore("Clienti"));

    prompter.Answer(PromptAnswer::Ok);
    window.mnuDataSelCancel_Click();
    EXPECT_EQ(prompter.LastMessage().Text, "Selezioni predefinite eliminate.");
    EXPECT_FALSE(window.Menu("mnuDataSelBeforeQuery")->isChecked());
    EXPECT_FALSE(stored->Restore("Clienti"));
    EXPECT_FALSE(window.CurrentSelectionSet());
}

TEST_F(MainWindowTest, RelatedDataTravelThroughTheTimer) {
    frmMain& window = Start();
    AddSale("C1", March10);
    Show("OperazioniVendite");
    window.dgView->setCurrentIndex(window.dgView->model()->index(0, 0));
    const auto& containers = window.MenuArray("mnuContItem");
    ASSERT_GE(containers.size(), 2u);
    EXPECT_TRUE(containers[0]->isVisible());
    EXPECT_EQ(containers[1]->text(), "Vendite / Premiazioni con stesso Cliente");

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
}

TEST_F(MainWindowTest, ToolbarAndStatusBarToggle) {
    frmMain& window = Start();
    window.show();
    window.Menu("mnuViewToolbar")->trigger();
    EXPECT_FALSE(window.tbToolBar->isVisible());
    window.Menu("mnuViewStatusBar")->trigger();
    EXPECT_FALSE(window.sbStatusBar->isVisible());
    window.Menu("mnuHideSection")->trigger();
    EXPECT_FALSE(window.tvTreeView->isVisible());
    EXPECT_FALSE(window.Menu("mnuHideSection")->isChecked());
    window.mnuHideSection_Click();
    EXPECT_TRUE(window.tvTreeView->isVisible());
    EXPECT_EQ(window.SplitterPosition(), 3500);
}

TEST_F(MainWindowTest, HelpWithoutAHelpFile) {
    frmMain& window = Start();
    prompter.Answer(PromptAnswer::Ok);
    window.mnuHelpContents_Click();
    EXPECT_EQ(prompter.LastMessage().Text,
              "Unable to display Help Contents. There is no Help associated with this project.");
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
}

TEST_F(MainWindowTest, OptionsWithANewFolderReopenTheArchiveThere) {
    frmMain& window = Start();
    window.mnuToolsOptions_Click();
    auto* options = window.findChild<QDialog*>("frmOptions");
    ASSERT_NE(options, nullptr);
    // While the options are open, activation leaves the archive alone.
    window.ReleaseDatabase();
    window.Activate();
    EXPECT_FALSE(session.Database());
    options->findChild<QLineEdit*>("txtWorkDir")->setText(m_dir.filePath("nuova"));
    prompter.Answer(PromptAnswer::Yes);
    options->findChild<QPushButton*>("cmdOK")->click();
    EXPECT_EQ(prompter.LastMessage().Text, "L'indirizzario di lavoro e' cambiato.\r\rConfermi ?");
    EXPECT_FALSE(session.Database());
    EXPECT_FALSE(window.CurrentDataSource());
    window.Activate();
    EXPECT_TRUE(QFile::exists(m_dir.filePath("nuova/Tessarin.mdb")));
    EXPECT_EQ(settings.ReadSetting("Configuration", "RootDir"), m_dir.filePath("nuova"));
}
