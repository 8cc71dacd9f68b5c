// The dialogs driven as the user drives them, answered through the scripted prompter: the
// options over a real settings store, the date picker, the about box, the notice, the search text.
#include "WindowTest.h"
#include "clsSettings.h"
#include "frmAbout.h"
#include "frmDateSetting.h"
#include "frmInformative.h"
#include "frmOptions.h"
#include "frmSearchText.h"
#include "itfOptionsHost.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>

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
    // The backup switches: saving, restoring, and the reminder.
    static QList<bool> Enabled(QWidget& w) {
        return {Child<QCheckBox>(w, "chkSaveData")->isEnabled(),
                Child<QCheckBox>(w, "chkRestoreData")->isEnabled(),
                Child<QComboBox>(w, "cmbSaveNotify")->isEnabled()};
    }
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
    EXPECT_EQ(QStringList({Child<QLineEdit>(window, "txtWorkDir")->text(),
                           Child<QComboBox>(window, "cboCOMPort")->currentText(),
                           Child<QLineEdit>(window, "txtCOMParam")->text(),
                           Child<QLineEdit>(window, "txtBkpDir")->text(),
                           Child<QComboBox>(window, "cmbSaveNotify")->currentText()}),
              QStringList({"/srv/Tessarin", "COM3", "9600,n,8,1", "/mnt/copie", "Settimanale"}));
    EXPECT_TRUE(Child<QCheckBox>(window, "chkSaveData")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(window, "chkRestoreData")->isChecked());
    EXPECT_TRUE(m_host.Calls.isEmpty()); // not open until shown
    // Odd stored values load safely and survive OK; a case-only change of the folder asks nothing.
    m_settings.BackupDir = "";
    m_settings.BackupFuncSaveEnabled = false; // no tick either: nothing changes while loading
    m_settings.COMPortNumber = 12;            // hand-edited store
    QPointer<frmOptions> odd = Open();
    EXPECT_EQ(Enabled(*odd), QList<bool>({false, false, false}));
    EXPECT_EQ(Child<QComboBox>(*odd, "cboCOMPort")->currentIndex(), -1);
    Child<QLineEdit>(*odd, "txtWorkDir")->setText("/SRV/tessarin");
    Ok(*odd); // a question would be unscripted
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
    EXPECT_EQ(Enabled(*window), QList<bool>({true, true, true}));
    QTest::mouseClick(&save, Qt::LeftButton);
    EXPECT_EQ(Enabled(*window), QList<bool>({true, true, false}));
    QTest::mouseClick(&save, Qt::LeftButton);
    folder.setText("   ");
    EXPECT_EQ(Enabled(*window), QList<bool>({false, false, false}));
    Child<QPushButton>(*window, "cmdSelBkpDir")->click();
    EXPECT_EQ(folder.text(), "/home/agenzia/copie");
    EXPECT_EQ(Enabled(*window), QList<bool>({true, true, true}));
    Child<QPushButton>(*window, "cmdSelWorkDir")->click();
    EXPECT_EQ(Child<QLineEdit>(*window, "txtWorkDir")->text(), "/srv/Tessarin");
    EXPECT_EQ(prompter.History()[0].Kind, "folder");
    EXPECT_EQ(prompter.History()[0].DialogName, "Seleziona indirizzario");
    QTest::mouseDClick(&folder, Qt::LeftButton);
    EXPECT_EQ(folder.text(), "");
    EXPECT_EQ(Enabled(*window), QList<bool>({false, false, false}));
    // The disabled controls' values are still what OK stores.
    Child<QCheckBox>(*window, "chkRestoreData")->setChecked(true);
    Child<QComboBox>(*window, "cmbSaveNotify")->setCurrentIndex(3);
    Ok(*window);
    Reload();
    EXPECT_EQ(std::tuple(m_settings.BackupDir, m_settings.BackupFuncSaveEnabled,
                         m_settings.BackupFuncRestoreEnabled, m_settings.BkpSaveNotify),
              std::tuple(QString(), true, true, 3));
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
    EXPECT_EQ(std::tuple(m_settings.RootDir, m_settings.COMPortNumber, Stored()),
              std::tuple(QString("/srv/Tessarin"), 2, false));
    Ok(*window);
    EXPECT_EQ(prompter.LastMessage(),
              (PromptMessage{"L'indirizzario di lavoro e' cambiato.\r\rConfermi ?", "Tessarin",
                             PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes}));
    EXPECT_EQ(m_host.Calls, QStringList({"open", "release", "closed"}));
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->m_bConfirmed);
    Reload();
    EXPECT_EQ(QStringList({m_settings.RootDir, QString::number(m_settings.COMPortNumber),
                           m_settings.COMPortParam, m_settings.BackupDir}),
              QStringList({"/srv/Nuovo", "3", "19200,e,7,2", "/mnt/copie"}));
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
    // A modal run returns the confirmation; it may end without the window's own commands.
    for (const bool ok : {true, false}) {
        m_host.Calls.clear();
        prompter.Dialog([this, ok](QDialog& window) {
            if (ok) Ok(window);
            return ok ? window.result() : int(QDialog::Rejected);
        });
        EXPECT_EQ(frmOptions(nullptr, &m_host, m_settings).ShowModal(), ok);
        EXPECT_EQ(m_host.Calls, QStringList({"open", "closed"}));
    }
}

using SmallDialogTest = WindowTest; // the date picker, the about box, the notice

TEST_F(SmallDialogTest, DatePickerAboutBoxAndNoticeAnswerAsTheUserDrivesThem) {
    OnWindow([](QDialog& window) {
        EXPECT_EQ(window.pos(), QPoint(200, 100));
        auto* calendar = Child<QCalendarWidget>(window, "calTimeSetting");
        EXPECT_EQ(calendar->selectedDate(), QDate(2005, 3, 10));
        calendar->setSelectedDate(QDate(2005, 3, 21));
        Child<QPushButton>(window, "cmdSetting")->click();
    });
    for (bool enter : {true, false}) // Enter in the days' grid, Escape
        OnWindow([enter](QDialog& window) {
            auto* calendar = Child<QCalendarWidget>(window, "calTimeSetting");
            calendar->setSelectedDate(enter ? QDate(2024, 2, 29) : QDate(2024, 1, 5));
            QWidget* days = calendar->findChild<QAbstractItemView*>();
            QTest::keyClick(enter ? days : calendar, enter ? Qt::Key_Return : Qt::Key_Escape);
        });
    frmDateSetting picker;
    EXPECT_EQ(picker.SetDate(QDate(2005, 3, 10), 100, 200), QVariant(QDate(2005, 3, 21)));
    EXPECT_EQ(picker.SetDate(QDate(2024, 2, 1), -1, -1), QVariant(QDate(2024, 2, 29)));
    EXPECT_FALSE(picker.SetDate(QDate(2024, 1, 2), -1, -1).isValid());
    // No start date means today, centred on the screen.
    for (const QVariant& start : {QVariant(), QVariant(QDate()), QVariant(QString("boh"))}) {
        prompter.Dialog([](QDialog& window) {
            EXPECT_EQ(Child<QCalendarWidget>(window, "calTimeSetting")->selectedDate(),
                      QDate(2024, 3, 15)); // the frozen clock's day
            const QPoint offCentre =
                window.frameGeometry().center() - window.screen()->availableGeometry().center();
            EXPECT_LE(offCentre.manhattanLength(), 2);
            return int(QDialog::Rejected);
        });
        EXPECT_FALSE(frmDateSetting().SetDate(start, -1, -1).isValid());
    }
    // The about box: a blank title shows the product's name; system information is looked for.
    frmAbout box(nullptr, "   ");
    EXPECT_EQ(Child<QLabel>(box, "lblTitle")->text(), "Tessarin");
    EXPECT_EQ(Child<QLabel>(box, "lblVersion")->text(), "Version 2.0.61");
    frmAbout named(nullptr, "Agenzia Rossi");
    EXPECT_EQ(Child<QLabel>(named, "lblTitle")->text(), "Agenzia Rossi");
    EXPECT_EQ(frmAbout::FindSysInfoTool({"tessarin-no-such-tool", "sh", "true"}),
              QStandardPaths::findExecutable("sh"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", m_dir.path().toUtf8()); // a folder with no programs in it
    prompter.Answer(PromptAnswer::Ok);
    Child<QPushButton>(box, "cmdSysInfo")->click();
    qputenv("PATH", path);
    EXPECT_EQ(prompter.LastMessage(),
              PromptMessage{"System Information Is Unavailable At This Time"});
    // The notice opens for reading only.
    prompter.Dialog([](QDialog& notice) {
        EXPECT_TRUE(Child<QPushButton>(notice, "cmdOk")->isHidden());
        EXPECT_TRUE(Child<QPushButton>(notice, "cmdCancel")->isHidden());
        Child<QPushButton>(notice, "cmdClose")->click();
        return notice.result();
    });
    Child<QPushButton>(box, "cmdInformativa")->click();
    // Only the notice's accept button accepts; printing without printers warns.
    const std::vector<std::tuple<const char*, std::function<void(QDialog&)>, bool>> ways = {
        {"cmdOk", [](QDialog& w) { Child<QPushButton>(w, "cmdOk")->click(); }, true},
        {"cmdCancel", [](QDialog& w) { Child<QPushButton>(w, "cmdCancel")->click(); }, false},
        {"Escape", [](QDialog& w) { QTest::keyClick(&w, Qt::Key_Escape); }, false},
        {"close box", [](QDialog& w) { w.close(); }, false},
    };
    for (const auto& [way, close, accepted] : ways) {
        SCOPED_TRACE(way);
        OnWindow(close); // shown: the close box only acts on a window that is shown
        EXPECT_EQ(frmInformative().AcceptInformative(), accepted);
    }
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
    prompter.Answer(PromptAnswer::Ok);
    frmInformative notice;
    Child<QPushButton>(notice, "cmdPrint")->click();
    EXPECT_EQ(prompter.LastMessage(),
              (PromptMessage{"Nessuna stampante definita", "Tessarin", PromptIcon::Exclamation}));
}

class SearchTextTest : public WindowTest {
protected:
    // The dialog lives for the whole run: each test starts as if nothing was confirmed yet.
    void SetUp() override { dialog.SetLast({}, {}); }
    // Asks for `field` with both options shown unless told otherwise; `fill` drives the window.
    bool Ask(const QString& field, std::function<void(QDialog&)> fill) {
        return Ask(field, true, fill);
    }
    bool Ask(const QString& field, bool nextVisible, std::function<void(QDialog&)> fill) {
        OnWindow(fill);
        bool confirmed = true;
        const bool result = dialog.GetSelection(&owner, field, true, nextVisible, confirmed);
        EXPECT_EQ(result, confirmed);
        return result;
    }
    static QLineEdit* Text(QDialog& d) { return Child<QLineEdit>(d, "txtSearch"); }
    static QCheckBox* Internal(QDialog& d) { return Child<QCheckBox>(d, "chkInternal"); }
    static QPushButton* Button(QDialog& d, const char* n) { return Child<QPushButton>(d, n); }
    // Which of OK and Successivo Enter presses.
    static QList<bool> Defaults(QDialog& d) {
        return {Button(d, "cmdOk")->isDefault(), Button(d, "cmdNext")->isDefault()};
    }

    // What the caller reads back: confirmed, the text, contained, next occurrence; the field and
    // text offered again next time.
    using Outcome = std::tuple<bool, QString, bool, bool, QString, QString>;
    Outcome Result() const {
        return {dialog.Confirmed(), dialog.ResultText(),       dialog.Internal(),
                dialog.Next(),      dialog.LastFieldCaption(), dialog.LastText()};
    }

    QWidget owner;
    frmSearchText& dialog = frmSearchText::Instance();
};

TEST_F(SearchTextTest, InternalNeedsTwoCharactersF2TogglesItF3AsksTheNextEscapeForgetsTheResult) {
    EXPECT_TRUE(Ask("Descrizione", [](QDialog& d) {
        EXPECT_EQ(d.focusWidget(), Text(d));
        QTest::keyClicks(Text(d), "r");
        EXPECT_FALSE(Internal(d)->isEnabled());
        Press(d, Qt::Key_F2); // refused: one character cannot be "contained"
        EXPECT_FALSE(Internal(d)->isChecked());
        QTest::keyClicks(Text(d), "o");
        EXPECT_TRUE(Internal(d)->isEnabled());
        Press(d, Qt::Key_F2);
        Press(d, Qt::Key_F2);
        EXPECT_FALSE(Internal(d)->isChecked());
        Press(d, Qt::Key_F2);
        EXPECT_TRUE(Internal(d)->isChecked());
        EXPECT_TRUE(d.isVisible());
        // A new field: Enter is OK, not Successivo.
        EXPECT_EQ(Defaults(d), QList<bool>({true, false}));
        Press(d, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(Result(), Outcome(true, "ro", true, false, "Descrizione", "ro"));
    EXPECT_EQ(dialog.parentWidget(), nullptr);
    // Successivo and F3 ask for the next occurrence.
    for (bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "F3" : "Successivo");
        EXPECT_TRUE(Ask("Codice", [byKey](QDialog& d) {
            Text(d)->selectAll();
            QTest::keyClicks(Text(d), "C1");
            if (byKey)
                Press(d, Qt::Key_F3);
            else
                QTest::mouseClick(Button(d, "cmdNext"), Qt::LeftButton);
            EXPECT_FALSE(d.isVisible());
        }));
        EXPECT_EQ(Result(), Outcome(true, "C1", false, true, "Codice", "C1"));
    }
    // Without Successivo on show F3 does nothing at all.
    EXPECT_TRUE(Ask("Descrizione", false, [](QDialog& d) {
        EXPECT_TRUE(Button(d, "cmdNext")->isHidden());
        QTest::keyClicks(Text(d), "ros");
        Press(d, Qt::Key_F2);
        Press(d, Qt::Key_F3);
        EXPECT_TRUE(d.isVisible());
        Press(d, Qt::Key_Return);
    }));
    EXPECT_FALSE(dialog.Next());
    // Escape forgets the result, not the last text, which the same field offers again.
    EXPECT_FALSE(Ask("Descrizione", [](QDialog& d) {
        // Loading put the box back unchecked.
        EXPECT_FALSE(Internal(d)->isChecked());
        QTest::keyClicks(Text(d), "x");
        Press(d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(Result(), Outcome(false, "", false, false, "Descrizione", "ros"));
    // The same field offers the last text again, Successivo as default.
    EXPECT_TRUE(Ask("Descrizione", [](QDialog& d) {
        EXPECT_EQ(Text(d)->text(), "ros");
        EXPECT_EQ(Text(d)->selectedText(), "ros");
        EXPECT_TRUE(Internal(d)->isEnabled());
        EXPECT_EQ(Defaults(d), QList<bool>({false, true}));
        Press(d, Qt::Key_Return);
    }));
    EXPECT_EQ(Result(), Outcome(true, "ros", false, true, "Descrizione", "ros"));
    // Without Successivo the same field confirms with OK.
    EXPECT_TRUE(Ask("Descrizione", false, [](QDialog& d) {
        EXPECT_EQ(Text(d)->text(), "ros");
        EXPECT_TRUE(Button(d, "cmdOk")->isDefault());
        Press(d, Qt::Key_Return);
    }));
    EXPECT_FALSE(dialog.Next());
    // Another field starts empty, OK as default; a caption set by the caller lasts one run.
    dialog.setWindowTitle("Filtra");
    EXPECT_TRUE(Ask("Codice", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Filtra");
        EXPECT_EQ(Text(d)->text(), "");
        EXPECT_EQ(Defaults(d), QList<bool>({true, false}));
        Press(d, Qt::Key_Return);
    }));
    EXPECT_EQ(dialog.windowTitle(), "Cerca");
    EXPECT_EQ(Result(), Outcome(true, "", false, false, "Codice", ""));
}

} // namespace
