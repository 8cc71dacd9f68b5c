// The options window driven as the user drives it, over a real settings store.
#include "frmOptions.h"
#include "WindowTest.h"
#include "clsSettings.h"
#include "itfOptionsHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

// The main window's side, as a list of what it was told.
class RecordingHost : public itfOptionsHost {
public:
    QStringList Calls;
    void SetOptionFormVisible(bool visible) override { Calls << (visible ? "open" : "closed"); }
    void ReleaseDatabase() override { Calls << "release"; }
};

class OptionsTest : public WindowTest {
protected:
    void SetUp() override {
        m_settings.RootDir = "/srv/Tessarin";
        m_settings.BackupDir = "/mnt/copie";
        m_settings.BackupFuncSaveEnabled = true;
        m_settings.BackupFuncRestoreEnabled = false;
        m_settings.BkpSaveNotify = 2;
        m_settings.COMPortNumber = 2;
        m_settings.COMPortParam = "9600,n,8,1";
        m_owner.show();
    }
    // Opens the window the way the main window's tools menu does.
    QPointer<frmOptions> Open() {
        auto* window = new frmOptions(&m_owner, &m_host, m_settings);
        window->ShowModeless();
        return window;
    }
    void Ok(QWidget& window) { Child<QPushButton>(window, "cmdOK")->click(); }
    // The settings as the next start of the program will see them.
    void Reload() {
        m_settings.RootDir = m_settings.BackupDir = m_settings.COMPortParam = "?";
        m_settings.COMPortNumber = m_settings.BkpSaveNotify = -1;
        m_settings.Load();
    }
    bool Stored() const { return QFile::exists(StoreFile()); }
    RecordingHost m_host;
    clsSettings m_settings;
    QWidget m_owner;
};

TEST_F(OptionsTest, LoadsTheControlsFromTheSettingsOddOnesSafelyAndACaseOnlyChangeAsksNothing) {
    m_settings.COMPortNumber = 3;
    frmOptions window(&m_owner, &m_host, m_settings);
    EXPECT_EQ(Child<QLineEdit>(window, "txtWorkDir")->text(), "/srv/Tessarin");
    EXPECT_EQ(Child<QComboBox>(window, "cboCOMPort")->currentText(), "COM3");
    EXPECT_EQ(Child<QLineEdit>(window, "txtCOMParam")->text(), "9600,n,8,1");
    EXPECT_EQ(Child<QLineEdit>(window, "txtBkpDir")->text(), "/mnt/copie");
    EXPECT_TRUE(Child<QCheckBox>(window, "chkSaveData")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(window, "chkRestoreData")->isChecked());
    EXPECT_EQ(Child<QComboBox>(window, "cmbSaveNotify")->currentText(), "Settimanale");
    EXPECT_FALSE(window.m_bConfirmed);
    EXPECT_TRUE(m_host.Calls.isEmpty()); // not open until shown
    // Odd stored values load safely and survive OK; a case-only change of the folder asks nothing.
    m_settings.BackupDir = "";
    m_settings.BackupFuncSaveEnabled = false; // no tick either: nothing changes while loading
    m_settings.COMPortNumber = 12;            // hand-edited store
    QPointer<frmOptions> odd = Open();
    EXPECT_FALSE(Child<QCheckBox>(*odd, "chkSaveData")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(*odd, "chkRestoreData")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(*odd, "cmbSaveNotify")->isEnabled());
    EXPECT_EQ(Child<QComboBox>(*odd, "cboCOMPort")->currentIndex(), -1);
    Child<QLineEdit>(*odd, "txtWorkDir")->setText("/SRV/tessarin");
    Ok(*odd);
    EXPECT_TRUE(prompter.History().empty());
    EXPECT_EQ(m_host.Calls, QStringList({"open", "closed"}));
    Reload();
    EXPECT_EQ(m_settings.COMPortNumber, 12);
    EXPECT_EQ(m_settings.RootDir, "/srv/Tessarin");
}

TEST_F(OptionsTest, BackupSwitchesFollowTheBackupFolderWhichTheChooserFillsUnlessCancelled) {
    prompter.File("/home/agenzia/copie").File("");
    QPointer<frmOptions> window = Open();
    auto& folder = *Child<QLineEdit>(*window, "txtBkpDir");
    auto& save = *Child<QCheckBox>(*window, "chkSaveData");
    auto& restore = *Child<QCheckBox>(*window, "chkRestoreData");
    auto& notify = *Child<QComboBox>(*window, "cmbSaveNotify");
    const auto enabled = [&] {
        return QList<bool>{save.isEnabled(), restore.isEnabled(), notify.isEnabled()};
    };
    EXPECT_EQ(enabled(), QList<bool>({true, true, true}));
    QTest::mouseClick(&save, Qt::LeftButton);
    EXPECT_EQ(enabled(), QList<bool>({true, true, false}));
    QTest::mouseClick(&save, Qt::LeftButton);
    folder.setText("   ");
    EXPECT_EQ(enabled(), QList<bool>({false, false, false}));
    Child<QPushButton>(*window, "cmdSelBkpDir")->click();
    EXPECT_EQ(folder.text(), "/home/agenzia/copie");
    EXPECT_EQ(enabled(), QList<bool>({true, true, true}));
    Child<QPushButton>(*window, "cmdSelWorkDir")->click();
    EXPECT_EQ(Child<QLineEdit>(*window, "txtWorkDir")->text(), "/srv/Tessarin");
    EXPECT_EQ(prompter.History()[0].Kind, "folder");
    EXPECT_EQ(prompter.History()[0].DialogName, "Seleziona indirizzario");
    QTest::mouseDClick(&folder, Qt::LeftButton);
    EXPECT_EQ(folder.text(), "");
    EXPECT_EQ(enabled(), QList<bool>({false, false, false}));
    // The disabled controls' values are still what OK stores.
    restore.setChecked(true);
    notify.setCurrentIndex(3);
    Ok(*window);
    Reload();
    EXPECT_EQ(m_settings.BackupDir, "");
    EXPECT_TRUE(m_settings.BackupFuncSaveEnabled);
    EXPECT_TRUE(m_settings.BackupFuncRestoreEnabled);
    EXPECT_EQ(m_settings.BkpSaveNotify, 3);
}

TEST_F(OptionsTest, AFolderChangeRefusedStoresNothingConfirmedReleasesTheArchiveAndStores) {
    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes);
    QPointer<frmOptions> window = Open();
    Child<QLineEdit>(*window, "txtWorkDir")->setText("/srv/Nuovo");
    Child<QComboBox>(*window, "cboCOMPort")->setCurrentText("COM3");
    Child<QLineEdit>(*window, "txtCOMParam")->setText("19200,e,7,2");
    Ok(*window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->m_bConfirmed);
    EXPECT_EQ(m_host.Calls, QStringList({"open"}));
    EXPECT_EQ(m_settings.RootDir, "/srv/Tessarin");
    EXPECT_EQ(m_settings.COMPortNumber, 2);
    EXPECT_FALSE(Stored());

    Ok(*window);
    const PromptMessage& asked = prompter.LastMessage();
    EXPECT_EQ(asked.Text, "L'indirizzario di lavoro e' cambiato.\r\rConfermi ?");
    EXPECT_EQ(asked.Icon, PromptIcon::Question);
    EXPECT_EQ(asked.Buttons, PromptButtons::YesNo);
    EXPECT_EQ(m_host.Calls, QStringList({"open", "release", "closed"}));
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->m_bConfirmed);
    Reload();
    EXPECT_EQ(m_settings.RootDir, "/srv/Nuovo");
    EXPECT_EQ(m_settings.COMPortNumber, 3);
    EXPECT_EQ(m_settings.COMPortParam, "19200,e,7,2");
    EXPECT_EQ(m_settings.BackupDir, "/mnt/copie");
}

TEST_F(OptionsTest, EveryWayOfClosingEndsTheOpeningOnce) {
    const std::vector<std::pair<const char*, std::function<void(frmOptions&)>>> closers = {
        {"Esci", [](frmOptions& w) { Child<QPushButton>(w, "cmdCancel")->click(); }},
        {"Escape",
         [](frmOptions& w) {
             QTest::keyClick(Child<QLineEdit>(w, "txtCOMParam"), Qt::Key_Escape);
         }},
        {"close box", [](frmOptions& w) { w.close(); }},
        {"OK", [this](frmOptions& w) { Ok(w); }},
    };
    for (const auto& [way, close] : closers) {
        SCOPED_TRACE(way);
        m_host.Calls.clear();
        QPointer<frmOptions> window = Open();
        // The owner takes no input, but is not disabled: that would disable the window too.
        EXPECT_EQ(window->windowModality(), Qt::WindowModal);
        EXPECT_TRUE(Child<QPushButton>(*window, "cmdOK")->isEnabled());
        Child<QLineEdit>(*window, "txtCOMParam")->setText("4800,n,8,1");
        close(*window);
        EXPECT_EQ(m_host.Calls, QStringList({"open", "closed"}));
        ASSERT_FALSE(window.isNull());
        EXPECT_FALSE(window->isVisible());
        const bool confirmed = std::string(way) == "OK";
        EXPECT_EQ(window->m_bConfirmed, confirmed);
        EXPECT_EQ(Stored(), confirmed);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull()); // closed windows do not pile up under the owner
        EXPECT_EQ(m_host.Calls.size(), 2);
    }
}

TEST_F(OptionsTest, ModalRunReturnsTheConfirmationAndEndsTheOpeningEitherWay) {
    for (const bool ok : {true, false}) {
        m_host.Calls.clear();
        // A run may end without the window's own commands.
        prompter.Dialog([this, ok](QDialog& window) {
            if (ok) Ok(window);
            return ok ? window.result() : int(QDialog::Rejected);
        });
        EXPECT_EQ(frmOptions(nullptr, &m_host, m_settings).ShowModal(), ok);
        EXPECT_EQ(m_host.Calls, QStringList({"open", "closed"}));
    }
}

} // namespace
