#include "clsSaveReminder.h"

#include "clsSettings.h"
#include "itfPrompter.h"
#include "modSettingText.h"

#include <DbmsClock.h>

namespace {

const char* const kSection = "Backup";
const char* const kKey = "LastNotification";

// The heading of the reminder for a period; empty for a period that is not starting today.
QString Heading(int notify, QDate today) {
    switch (notify) {
    case 1:
        return "E' iniziato un nuovo giorno lavorativo";
    case 2:
        return today.dayOfWeek() == Qt::Monday ? "E' iniziata una nuova settimana lavorativa"
                                               : QString();
    case 3:
        return today.day() == 1 ? "E' iniziato un nuovo mese lavorativo" : QString();
    default:
        return {};
    }
}

} // namespace

void clsSaveReminder::Check(clsSettings& settings, QWidget* owner,
                            const std::function<void()>& save) {
    if (!settings.BackupFuncSaveEnabled || settings.BkpSaveNotify == 0) return;
    const QDate today = DbmsClock::Today();
    // A stored text that is no date counts as never reminded.
    const QDate last =
        modSettingText::ParseSettingDate(settings.ReadSetting(kSection, kKey)).date();
    if (last.isValid() && last >= today) return;
    const QString heading = Heading(settings.BkpSaveNotify, today);
    if (heading.isEmpty()) return;
    // Recorded first, so a declined or failed save is not offered again the same day.
    settings.WriteSetting(kSection, kKey, modSettingText::FormatSettingDate(today.startOfDay()));
    if (ShowMessage(owner, heading + "\r\rVuoi effettuare i salvataggi adesso ?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) == PromptAnswer::Yes) {
        save();
        return;
    }
    ShowMessage(owner,
                "Puoi effettuare il salvataggio dei dati in qualunque momento selezionando la "
                "voce\r<Salva / Ripristina> dal menù <Dati>",
                PromptIcon::Information);
}
