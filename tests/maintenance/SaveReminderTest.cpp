// The reminder to save over a real settings store, the clock standing on the day of each case.
#include "WindowTest.h"
#include "clsSaveReminder.h"
#include "clsSettings.h"

namespace {

using SaveReminderTest = WindowTest;

TEST_F(SaveReminderTest, OfferedOnceOnTheFirstDayOfItsPeriodRecordedBeforeAskingAndYesSaves) {
    const QDate monday(2024, 3, 11), tuesday(2024, 3, 12), first(2024, 3, 1);
    const QString week = "E' iniziata una nuova settimana lavorativa";
    // Save enabled, period, today, date stored, heading asked (none: no question); the last: Yes.
    const std::vector<std::tuple<bool, int, QDate, QString, QString>> cases = {
        {true, 2, monday, "boh", week},       // no date: never reminded
        {true, 1, tuesday, "12/03/2024", ""}, // started again the same day
        {true, 1, tuesday, "20/03/2024", ""}, // clock moved back
        {true, 2, tuesday, "", ""},
        {true, 3, first, "29/02/2024", "E' iniziato un nuovo mese lavorativo"},
        {true, 3, monday, "", ""},
        {false, 1, first, "", ""},
        {true, 1, tuesday, "", "E' iniziato un nuovo giorno lavorativo"},
    };
    clsSettings settings;
    int saves = 0;
    QList<qsizetype> askedWhenStored;
    QObject::connect(&settings, &clsSettings::Changed,
                     [&] { askedWhenStored << prompter.History().size(); });
    for (const auto& [enabled, notify, today, last, heading] : cases) {
        SCOPED_TRACE((QString::number(notify) + " " + today.toString() + " " + last).toStdString());
        const bool asks = !heading.isEmpty(), yes = &heading == &std::get<4>(cases.back());
        settings.BackupFuncSaveEnabled = enabled;
        settings.BkpSaveNotify = notify;
        DbmsClock::SetFixed(QDateTime(today, QTime(8, 30)));
        settings.WriteSetting("Backup", "LastNotification", last);
        if (asks) prompter.Answer(yes ? PromptAnswer::Yes : PromptAnswer::No);
        if (asks && !yes) prompter.Answer(PromptAnswer::Ok);
        const qsizetype before = prompter.History().size();
        clsSaveReminder::Check(settings, nullptr, [&] { ++saves; });
        const QStringList texts = {heading + "\r\rVuoi effettuare i salvataggi adesso ?",
                                   "Puoi effettuare il salvataggio dei dati in qualunque momento "
                                   "selezionando la voce\r<Salva / Ripristina> dal menù <Dati>"};
        EXPECT_EQ(prompter.Messages().mid(before), texts.mid(0, !asks ? 0 : yes ? 1 : 2));
        EXPECT_EQ(settings.ReadSetting("Backup", "LastNotification"),
                  asks ? today.toString("dd/MM/yyyy") : last);
        EXPECT_EQ(askedWhenStored.last(), before); // the last write came before any question
        EXPECT_EQ(saves, yes ? 1 : 0);
    }
    EXPECT_EQ(prompter.History()[0].Message,
              (PromptMessage{week + "\r\rVuoi effettuare i salvataggi adesso ?", "Tessarin",
                             PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes}));
    EXPECT_EQ(prompter.History()[1].Message.Icon, PromptIcon::Information);
}

} // namespace
