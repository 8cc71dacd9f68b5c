// The options window driven as the user drives it, over a real settings store.
#include "frmOptions.h"
#include "ScriptedPrompter.h"
#include "TempEnvironment.h"
#include "clsSettings.h"
#include "itfOptionsHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <stdexcept>

namespace {

template <typename T> T& Find(QWidget& window, const char* name) {
    T* control = window.findChild<T*>(name);
    if (!control) throw std::runtime_error(std::string("control missing: ") + name);
    return *control;
}

// The main window's side, as a list of what it was told.
class RecordingHost : public itfOptionsHost {
public:
    QStringList Calls;
    void SetOptionFormVisible(bool visible) override { Calls << (visible ? "open" : "closed"); }
    void ReleaseDatabase() override { Calls << "release"; }
};

class OptionsTest : public TempEnvironment {
protected:
    void SetUp() override {
        TempEnvironment::SetUp();
        m_settings.RootDir = "/srv/Tessarin";
        m_settings.BackupDir = "/mnt/copie";
        m_settings.BackupFuncSaveEnabled = true;
        m_settings.BackupFuncRestoreEnabled = false;
        m_settings.BkpSaveNotify = 2;
        m_settings.COMPortNumber = 2;
        m_settings.COMPortParam = "9600,n,8,1";
        m_owner.show();
    }
    void TearDown() override {
        EXPECT_TRUE(m_prompter.Failures().isEmpty())
            << m_prompter.Failures().join('\n').toStdString();
        TempEnvironment::TearDown();
    }

    // Opens the window the way the main window's tools menu does.
    QPointer<frmOptions> Open() {
        auto* window = new frmOptions(&m_owner, &m_host, m_settings);
        window->ShowModeless();
        return window;
    }
    void Ok(QWidget& window) { Find<QPushButton>(window, "cmdOK").click(); }
    // The settings as the next start of the program will see them.
    void Reload() {
        m_settings.RootDir = m_settings.BackupDir = m_settings.COMPortParam = "?";
        m_settings.COMPortNumber = m_settings.BkpSaveNotify = -1;
        m_settings.Load();
    }
    bool Stored() const { return QFile::exists(StoreFile()); }

    ScriptedPrompter m_prompter;
    RecordingHost m_host;
    clsSettings m_settings;
    QWidget m_owner;
};

TEST_F(OptionsTest, LoadsTheControlsFromTheSettings) {
    m_settings.COMPortNumber = 3;
    frmOptions window(&m_owner, &m_host, m_settings);
    EXPECT_EQ(Find<QLineEdit>(window, "txtWorkDir").text(), "/srv/Tessarin");
    EXPECT_EQ(Find<QComboBox>(window, "cboCOMPort").currentText(), "COM3");
    EXPECT_EQ(Find<QLineEdit>(window, "txtCOMParam").text(), "9600,n,8,1");
    EXPECT_EQ(Find<QLineEdit>(window, "txtBkpDir").text(), "/mnt/copie");
    EXPECT_TRUE(Find<QCheckBox>(window, "chkSaveData").isChecked());
    EXPECT_FALSE(Find<QCheckBox>(window, "chkRestoreData").isChecked());
    EXPECT_EQ(Find<QComboBox>(window, "cmbSaveNotify").currentText(), "Settimanale");
    EXPECT_FALSE(window.m_bConfirmed);
    EXPECT_TRUE(m_host.Calls.isEmpty()); // not open until shown
}

TEST_F(OptionsTest, OddStoredValuesLoadSafelyAndSurviveOk) {
    m_settings.BackupDir = "";
    m_settings.BackupFuncSaveEnabled = false; // no tick either: nothing changes while loading
    m_settings.COMPortNumber = 12;            // hand-edited store
    QPointer<frmOptions> window = Open();
    EXPECT_FALSE(Find<QCheckBox>(*window, "chkSaveData").isEnabled());
    EXPECT_FALSE(Find<QCheckBox>(*window, "chkRestoreData").isEnabled());
    EXPECT_FALSE(Find<QComboBox>(*window, "cmbSaveNotify").isEnabled());
    EXPECT_EQ(Find<QComboBox>(*window, "cboCOMPort").currentIndex(), -1);
    Ok(*window);
    Reload();
    EXPECT_EQ(m_settings.COMPortNumber, 12);
}

TEST_F(OptionsTest, BackupSwitchesFollowTheBackupFolder) {
    QPointer<frmOptions> window = Open();
    auto& folder = Find<QLineEdit>(*window, "txtBkpDir");
    auto& save = Find<QCheckBox>(*window, "chkSaveData");
    auto& restore = Find<QCheckBox>(*window, "chkRestoreData");
    auto& notify = Find<QComboBox>(*window, "cmbSaveNotify");
    const auto enabled = [&] {
        return QList<bool>{save.isEnabled(), restore.isEnabled(), notify.isEnabled()};
    };
    EXPECT_EQ(enabled(), QList<bool>({true, true, true}));
    QTest::mouseClick(&save, Qt::LeftButton);
    EXPECT_EQ(enabled(), QList<bool>({true, true, false}));
    QTest::mouseClick(&save, Qt::LeftButton);
    folder.setText("   ");
    EXPECT_EQ(enabled(), QList<bool>({false, false, false}));
    folder.setText("/mnt/altre");
    EXPECT_EQ(enabled(), QList<bool>({true, true, true}));
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

TEST_F(OptionsTest, CaseOnlyChangeOfTheWorkingFolderAsksNothing) {
    QPointer<frmOptions> window = Open();
    Find<QLineEdit>(*window, "txtWorkDir").setText("/SRV/tessarin");
    Ok(*window);
    EXPECT_TRUE(m_prompter.History().empty());
    EXPECT_EQ(m_host.Calls, QStringList({"open", "closed"}));
    Reload();
    EXPECT_EQ(m_settings.RootDir, "/srv/Tessarin");
}

TEST_F(OptionsTest, ConfirmedFolderChangeReleasesTheArchiveAndStoresEverything) {
    m_prompter.Answer(PromptAnswer::Yes);
    QPointer<frmOptions> window = Open();
    Find<QLineEdit>(*window, "txtWorkDir").setText("/srv/Nuovo");
    Find<QComboBox>(*window, "cboCOMPort").setCurrentText("COM3");
    Find<QLineEdit>(*window, "txtCOMParam").setText("19200,e,7,2");
    Ok(*window);

    const PromptMessage& asked = m_prompter.LastMessage();
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

TEST_F(OptionsTest, RefusedFolderChangeStoresNothingAndStaysOpen) {
    m_prompter.Answer(PromptAnswer::No);
    QPointer<frmOptions> window = Open();
    Find<QLineEdit>(*window, "txtWorkDir").setText("/srv/Nuovo");
    Find<QLineEdit>(*window, "txtBkpDir").setText("/mnt/altre");
    Find<QComboBox>(*window, "cboCOMPort").setCurrentText("COM5");
    Ok(*window);

    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->m_bConfirmed);
    EXPECT_EQ(m_host.Calls, QStringList({"open"}));
    EXPECT_EQ(m_settings.RootDir, "/srv/Tessarin");
    EXPECT_EQ(m_settings.BackupDir, "/mnt/copie");
    EXPECT_EQ(m_settings.COMPortNumber, 2);
    EXPECT_FALSE(Stored());
}

TEST_F(OptionsTest, EveryWayOfClosingEndsTheOpeningOnce) {
    const std::vector<std::pair<const char*, std::function<void(frmOptions&)>>> closers = {
        {"Esci", [](frmOptions& w) { Find<QPushButton>(w, "cmdCancel").click(); }},
        {"Escape",
         [](frmOptions& w) {
             QTest::keyClick(&Find<QLineEdit>(w, "txtCOMParam"), Qt::Key_Escape);
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
        EXPECT_TRUE(Find<QPushButton>(*window, "cmdOK").isEnabled());

        Find<QLineEdit>(*window, "txtCOMParam").setText("4800,n,8,1");
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

TEST_F(OptionsTest, ModalRunReturnsTheConfirmation) {
    m_prompter.Dialog([this](QDialog& window) {
        Ok(window);
        return window.result();
    });
    frmOptions confirmed(nullptr, &m_host, m_settings);
    EXPECT_TRUE(confirmed.ShowModal());
    EXPECT_EQ(m_host.Calls, QStringList({"open", "closed"}));

    // A run that ends without the window's own commands still ends the opening.
    m_host.Calls.clear();
    m_prompter.Dialog([](QDialog&) { return int(QDialog::Rejected); });
    frmOptions dropped(nullptr, &m_host, m_settings);
    EXPECT_FALSE(dropped.ShowModal());
    EXPECT_EQ(m_host.Calls, QStringList({"open", "closed"}));
}

TEST_F(OptionsTest, FolderChoosersFillTheFieldUnlessCancelled) {
    m_prompter.File("/home/agenzia/copie").File("");
    QPointer<frmOptions> window = Open();
    Find<QPushButton>(*window, "cmdSelBkpDir").click();
    EXPECT_EQ(Find<QLineEdit>(*window, "txtBkpDir").text(), "/home/agenzia/copie");
    Find<QPushButton>(*window, "cmdSelWorkDir").click();
    EXPECT_EQ(Find<QLineEdit>(*window, "txtWorkDir").text(), "/srv/Tessarin");
    ASSERT_EQ(m_prompter.History().size(), 2u);
    EXPECT_EQ(m_prompter.History()[0].Kind, "folder");
    EXPECT_EQ(m_prompter.History()[0].DialogName, "Seleziona indirizzario");
}

} // namespace
