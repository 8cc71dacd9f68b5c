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
    const QDate thursday(2024, 3, 14);
    const std::vector<std::tuple<QDate, int, QDate, QDate>> cases = {
        {QDate(2024, 3, 11), 2, QDate(2024, 3, 4), QDate(2024, 3, 10)}, // Monday
        {thursday, 2, QDate(2024, 3, 4), QDate(2024, 3, 13)},
        {QDate(2024, 3, 1), 3, QDate(2024, 2, 1), QDate(2024, 2, 29)},
        {QDate(2023, 3, 1), 3, QDate(2023, 2, 1), QDate(2023, 2, 28)},
        {thursday, 3, QDate(2024, 2, 1), QDate(2024, 3, 13)},
        {thursday, 1, QDate(2024, 3, 13), QDate(2024, 3, 13)},
        {thursday, 0, QDate(), QDate(2024, 3, 13)},
    };
    for (const auto& [today, notify, from, to] : cases)
        EXPECT_EQ(frmBackupRestore::DefaultPeriod(today, notify), std::pair(from, to))
            << today.toString().toStdString() << " " << notify;
}

class BackupDialogTest : public WindowTest {
protected:
    static QLineEdit* Field(QDialog& d, bool from) {
        return Child<QLineEdit>(d, from ? "txtFromDate" : "txtToDate");
    }
    static void Click(QDialog& d, const char* name) { Child<QAbstractButton>(d, name)->click(); }
    bool Query() { return dialog.QuerySelections(&owner, "Salva dati..."); }
    clsSettings settings;
    QWidget owner;
    frmBackupRestore dialog{settings};
};

TEST_F(BackupDialogTest, OpensOnThePeriodWhosePickersAndOptionsWorkAndEscapeConfirmsNothing) {
    settings.BkpSaveNotify = 2; // on Friday 15 March: from Monday 4 to Thursday 14
    OnWindow([this](QDialog& d) {
        EXPECT_EQ(std::tuple(d.windowTitle(), d.parentWidget(), Field(d, true)->text(),
                             Field(d, false)->text()),
                  std::tuple(QString("Salva dati..."), &owner, QString("04/03/2024"),
                             QString("14/03/2024")));
        Look(d, "frmBackupRestore.png");
        for (const char* option : {"optAllData", "optMovData", "optAllData", "optMovData"}) {
            Click(d, option);
            for (const char* name : {"txtFromDate", "txtToDate", "chkRemoveData", "chkArticoli",
                                     "cmdSelFromDate", "cmdSelToDate"})
                EXPECT_EQ(Child<QWidget>(d, name)->isEnabled(), option[3] == 'M') << name;
        }
        for (const bool from : {true, false}) // a date picked, then the picker cancelled
            Click(d, from ? "cmdSelFromDate" : "cmdSelToDate");
        EXPECT_EQ(Field(d, true)->text() + Field(d, false)->text(), "29/02/202414/03/2024");
        QTest::keyClick(Field(d, true), Qt::Key_Escape);
    });
    for (const auto& [shown, chosen] :
         {std::pair(QDate(2024, 3, 4), QDate(2024, 2, 29)), std::pair(QDate(2024, 3, 14), QDate())})
        prompter.Dialog([shown, chosen](QDialog& picker) {
            auto* calendar = Child<QCalendarWidget>(picker, "calTimeSetting");
            EXPECT_EQ(calendar->selectedDate(), shown);
            calendar->setSelectedDate(chosen);
            if (chosen.isValid()) Child<QPushButton>(picker, "cmdSetting")->click();
            return picker.result();
        });
    EXPECT_FALSE(Query());
}

TEST_F(BackupDialogTest, ExecuteTakesTheTypedPeriodAndRefusesABadOneWithTheFocusOnIt) {
    // Option, the two texts, the field that gets the focus when refused (none: accepted).
    const std::vector<std::tuple<const char*, QString, QString, const char*>> cases = {
        {"optMovData", "1/3/2024", " 10/03/2024 ", nullptr},
        {"optMovData", "10/03/2024", "10/03/2024", nullptr},
        {"optMovData", "11/03/2024", "10/03/2024", "txtFromDate"},
        {"optMovData", "", "10/03/2024", "txtFromDate"},
        {"optMovData", "01/03/2024", "30/02/2024", "txtToDate"},
        {"optAllData", "boh", "", nullptr},
    };
    for (const auto& [option, from, to, refused] : cases) {
        SCOPED_TRACE((from + " " + to).toStdString());
        OnWindow([&](QDialog& d) {
            Click(d, option);
            Field(d, true)->setText(from);
            Field(d, false)->setText(to);
            for (const char* name : {"chkRemoveData", "chkArticoli", "cmdExecute"})
                Click(d, name);
            EXPECT_EQ(d.isVisible(), refused != nullptr);
            if (!refused) return;
            EXPECT_EQ(d.focusWidget(), Child<QWidget>(d, refused));
            EXPECT_EQ(prompter.LastMessage(), (PromptMessage{"Periodo impostato non corretto",
                                                             "Tessarin", PromptIcon::Exclamation}));
            Click(d, "cmdCancel");
        });
        if (refused) prompter.Answer(PromptAnswer::Ok);
        EXPECT_EQ(Query(), !refused);
        if (refused) continue;
        const bool all = option[3] == 'A'; // its disabled boxes take no click
        EXPECT_EQ(std::tuple(dialog.m_blnAllData, dialog.m_blnDelData, dialog.m_blnCopy_Articoli,
                             dialog.m_vntFromDateSel, dialog.m_vntToDateSel),
                  std::tuple(all, !all, !all, QDate::fromString(from, "d/M/yyyy"),
                             all ? QDate() : QDate(2024, 3, 10)));
    }
}

} // namespace
