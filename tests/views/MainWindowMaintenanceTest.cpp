// The maintenance commands as the main window starts them: menus, the service key, the
// reminder at activation and the repair button of the options window. What the commands do
// is tested in the maintenance layer's own tests.
#include "MainWindowFixture.h"

#include <QRadioButton>

namespace {

class MainWindowMaintenanceTest : public MainWindowTest {
protected:
    MainWindowMaintenanceTest() {
        settings.BackupDir = m_dir.filePath("backup");
        settings.BackupFuncRestoreEnabled = true;
    }
    // The selection window, when it opens: all data, executed.
    void AllData() {
        OnWindow([this](QDialog& d) {
            title = d.windowTitle();
            Child<QRadioButton>(d, "optAllData")->click();
            Child<QPushButton>(d, "cmdExecute")->click();
        });
    }
    QString title; // of the selection window
};

TEST_F(MainWindowMaintenanceTest, SaveAndRestoreFromTheMenusRebuildTheView) {
    frmMain& window = Start();
    const OID customer = AddCustomer("C1", "Rossi");
    Show("Clienti");
    ASSERT_TRUE(window.Menu("mnuBackup")->isEnabled() && window.Menu("mnuRestore")->isEnabled());
    AllData();
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    window.Menu("mnuBackup")->trigger();
    EXPECT_EQ(title, "Salva dati...");
    EXPECT_EQ(window.StatusMsg(), "Operazione completata");
    EXPECT_TRUE(QFile::exists(m_dir.filePath("backup/Tessarin.mdb")));

    Open("Clienti", "OID = " + QString::number(customer))->DeleteAll();
    AllData();
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    window.Menu("mnuRestore")->trigger();
    EXPECT_EQ(Model()->RowOf(customer), 0);
    EXPECT_FALSE(frmMessage::Instance().isVisible());
}

TEST_F(MainWindowMaintenanceTest, TheReminderComesOnceADayAtActivation) {
    frmMain& window = Start();
    settings.BkpSaveNotify = 1;
    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Ok);
    window.Activate();
    window.Activate(); // the same day: not asked again
    EXPECT_TRUE(prompter.Messages()
                    .value(prompter.Messages().size() - 2)
                    .startsWith("E' iniziato un nuovo giorno lavorativo"));
}

TEST_F(MainWindowMaintenanceTest, ServiceKeyViewSwitchImportAndRepairAskFirst) {
    frmMain& window = StartShown();
    Show("Clienti");
    prompter.Answer(PromptAnswer::No);
    QTest::keyClick(window.dgView, Qt::Key_R,
                    Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(prompter.LastMessage(),
              (PromptMessage{"ATTENZIONE! - Questa operazione converte la valuta e deve essere "
                             "guidata da supporto tecnico...\r\rContinuare ?",
                             "Tessarin", PromptIcon::Exclamation, PromptButtons::YesNo,
                             PromptAnswer::No}));

    window.Menu("mnuViewCurrencyConversion")->trigger();
    EXPECT_TRUE(settings.CurrencyConversion);
    EXPECT_EQ(settings.ReadSetting("Configuration", "CurrencyConversion"), "True");
    EXPECT_TRUE(window.CurrentDataSource()->CurrencyConversion());

    prompter.Answer(PromptAnswer::Yes).File("");
    window.Menu("mnuImport")->trigger();
    EXPECT_EQ(prompter.LastMessage().Default, PromptAnswer::No);

    // The options window's repair releases the archive; the next activation opens it again.
    window.mnuToolsOptions_Click();
    auto* options = window.findChild<QDialog*>("frmOptions");
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    Child<QPushButton>(*options, "cmdRepairDB")->click();
    EXPECT_EQ(prompter.LastMessage().Text, "Recupero completato");
    EXPECT_TRUE(session.IsReleased());
    options->close();
    window.Activate();
    EXPECT_TRUE(session.IsOpen());
}

} // namespace
