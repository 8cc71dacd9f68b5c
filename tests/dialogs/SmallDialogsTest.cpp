// The date picker, the about box and the notice, answered through the scripted prompter.
#include "WindowTest.h"
#include "frmAbout.h"
#include "frmDateSetting.h"
#include "frmInformative.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>

namespace {

using DatePickerTest = WindowTest;

TEST_F(DatePickerTest, ButtonOrEnterConfirmsTheDayEscapeCancelsNoDateMeansToday) {
    prompter
        .Dialog([](QDialog& window) {
            EXPECT_EQ(window.pos(), QPoint(200, 100));
            auto* calendar = Child<QCalendarWidget>(window, "calTimeSetting");
            EXPECT_EQ(calendar->selectedDate(), QDate(2005, 3, 10));
            calendar->setSelectedDate(QDate(2005, 3, 21));
            Child<QPushButton>(window, "cmdSetting")->click();
            return window.result();
        })
        .Dialog([](QDialog& window) {
            auto* calendar = Child<QCalendarWidget>(window, "calTimeSetting");
            calendar->setSelectedDate(QDate(2024, 2, 29));
            QTest::keyClick(calendar->findChild<QAbstractItemView*>(), Qt::Key_Return);
            return window.result();
        })
        .Dialog([](QDialog& window) {
            auto* calendar = Child<QCalendarWidget>(window, "calTimeSetting");
            calendar->setSelectedDate(QDate(2024, 1, 5));
            QTest::keyClick(calendar, Qt::Key_Escape);
            return window.result();
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
}

using AboutTest = WindowTest;

TEST_F(AboutTest, BlankTitleShowsTheProductNameSysInfoIsLookedForTheNoticeOnlyRead) {
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
    const PromptMessage& said = prompter.LastMessage();
    EXPECT_EQ(said.Text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(said.Icon, PromptIcon::None);
    EXPECT_EQ(said.Caption, "Tessarin");
    // The notice opens for reading only.
    prompter.Dialog([](QDialog& notice) {
        EXPECT_EQ(notice.objectName(), "frmInformative");
        EXPECT_TRUE(Child<QPushButton>(notice, "cmdOk")->isHidden());
        EXPECT_TRUE(Child<QPushButton>(notice, "cmdCancel")->isHidden());
        Child<QPushButton>(notice, "cmdClose")->click();
        return notice.result();
    });
    Child<QPushButton>(box, "cmdInformativa")->click();
}

using NoticeTest = WindowTest;

TEST_F(NoticeTest, OnlyTheAcceptButtonAccepts) {
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
}

TEST_F(NoticeTest, PrintingWithoutPrintersWarnsAndAsksNothingElse) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
    prompter.Answer(PromptAnswer::Ok);
    frmInformative notice;
    Child<QPushButton>(notice, "cmdPrint")->click();
    ASSERT_EQ(prompter.Messages(), QStringList({"Nessuna stampante definita"}));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
}

} // namespace
