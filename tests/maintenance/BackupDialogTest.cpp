// The save / restore selection window driven as the clerk drives it: the period it offers, the
// period controls following the option, the dates typed or picked, and what it refuses.
#include "WindowTest.h"
#include "clsSettings.h"
#include "frmBackupRestore.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>

namespace {

TEST(BackupDialogPeriod, FollowsTheReminderPeriodUpToYesterday) {
    const std::vector<std::tuple<QDate, int, QDate, QDate>> cases = {
        {QDate(2024, 3, 11), 2, QDate(2024, 3, 4), QDate(2024, 3, 10)}, // Monday
        {QDate(2024, 3, 14), 2, QDate(2024, 3, 4), QDate(2024, 3, 13)},
        {QDate(2024, 3, 1), 3, QDate(2024, 2, 1), QDate(2024, 2, 29)},
        {QDate(2023, 3, 1), 3, QDate(2023, 2, 1), QDate(2023, 2, 28)},
        {QDate(2024, 3, 14), 3, QDate(2024, 2, 1), QDate(2024, 3, 13)},
        {QDate(2024, 3, 14), 1, QDate(2024, 3, 13), QDate(2024, 3, 13)},
        {QDate(2024, 3, 14), 0, QDate(), QDate(2024, 3, 13)},
    };
    for (const auto& [today, notify, from, to] : cases)
        EXPECT_EQ(frmBackupRestore::DefaultPeriod(today, notify), std::pair(from, to))
            << today.toString().toStdString() << " " << notify;
}

class BackupDialogTest : public WindowTest {
protected:
    static void Click(QDialog& d, const char* name) { Child<QAbstractButton>(d, name)->click(); }
    // Whether the window was confirmed, and with what.
    auto Query() {
        return std::tuple(dialog.QuerySelections(&owner, "Salva dati..."), dialog.m_blnAllData,
                          dialog.m_blnDelData, dialog.m_blnCopy_Articoli, dialog.m_vntFromDateSel,
                          dialog.m_vntToDateSel);
    }
    clsSettings settings;
    QWidget owner;
    frmBackupRestore dialog{settings};
};

TEST_F(BackupDialogTest, OffersThePeriodTakesWhatIsPickedAndRefusesABadOneWithTheFocusOnIt) {
    settings.BkpSaveNotify = 2; // on Friday 15 March: from Monday 4 to Thursday 14
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.parentWidget(), &owner);
        Look(d, "frmBackupRestore.png");
        for (const char* option : {"optAllData", "optMovData"}) {
            Click(d, option);
            for (const char* name : {"txtFromDate", "txtToDate", "chkRemoveData", "chkArticoli",
                                     "cmdSelFromDate", "cmdSelToDate"})
                EXPECT_EQ(Child<QWidget>(d, name)->isEnabled(), option[3] == 'M') << name;
        }
        for (const char* name :
             {"cmdSelFromDate", "cmdSelToDate", "chkRemoveData", "chkArticoli", "cmdExecute"})
            Click(d, name);
    });
    // The pickers open on the offered period: the start gets the end's day, the end's is cancelled.
    for (const auto& [shown, chosen] :
         {std::pair(QDate(2024, 3, 4), QDate(2024, 3, 14)), std::pair(QDate(2024, 3, 14), QDate())})
        prompter.Dialog([shown, chosen](QDialog& picker) {
            auto* calendar = Child<QCalendarWidget>(picker, "calTimeSetting");
            EXPECT_EQ(calendar->selectedDate(), shown);
            calendar->setSelectedDate(chosen);
            if (chosen.isValid()) Child<QPushButton>(picker, "cmdSetting")->click();
            return picker.result();
        });
    EXPECT_EQ(Query(), std::tuple(true, false, true, true, QDate(2024, 3, 14), QDate(2024, 3, 14)));
    // Texts typed (zeros dropped, blanks around) and the field given the focus when refused.
    const std::vector<std::tuple<QString, QString, const char*>> refused = {
        {"02/03/2024", " 1/3/2024 ", "txtFromDate"},
        {"", "01/03/2024", "txtFromDate"},
        {"1/3/2024 ", "30/02/2024", "txtToDate"},
    };
    OnWindow([&](QDialog& d) {
        for (const auto& [from, to, field] : refused) {
            Child<QLineEdit>(d, "txtFromDate")->setText(from);
            Child<QLineEdit>(d, "txtToDate")->setText(to);
            Click(d, "cmdExecute");
            EXPECT_EQ(d.focusWidget(), Child<QWidget>(d, field)) << from.toStdString();
        }
        EXPECT_EQ(prompter.LastMessage(), (PromptMessage{"Periodo impostato non corretto",
                                                         "Tessarin", PromptIcon::Exclamation}));
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::Ok).Answer(PromptAnswer::Ok).Answer(PromptAnswer::Ok);
    EXPECT_FALSE(std::get<0>(Query()));
    settings.BkpSaveNotify = 0; // all the data: the period, with no start, is not looked at
    OnWindow([](QDialog& d) { Click(d, "cmdExecute"); });
    EXPECT_EQ(Query(), std::tuple(true, true, false, false, QDate(), QDate(2024, 3, 14)));
}

} // namespace
