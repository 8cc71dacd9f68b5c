#include "modCurrencyConversion.h"

#include "DbmsDatabase.h"
#include "DbmsMaintenance.h"
#include "DbmsStorage.h"
#include "DbmsTable.h"
#include "ReportError.h"
#include "clsSettings.h"
#include "itfPrompter.h"
#include "itfWorkWindow.h"
#include "modSettingText.h"

namespace modCurrencyConversion {

namespace {
const QString kCaption = "Conversione Valuta";
}

bool ConvertArchive(DbmsDatabase& db, clsSettings& settings, itfWorkWindow& work, QWidget* owner) {
    // The archive records its conversion in the conversion's own transaction, so a program
    // ended before the setting was written still knows it.
    bool converted = modSettingText::ParseBoolSetting(
        settings.ReadSetting("Configuration", "CurrencyConverted", "False"));
    try {
        converted = converted || db.Storage()->MetaValue("CurrencyConverted") == "True";
    } catch (const std::exception& e) {
        ReportError(settings, "Conversione interrotta: " + ErrorDescription(e), e, owner);
        return false;
    }
    const PromptAnswer answer =
        converted ? ShowMessage(owner, "CONVERSIONE GIA' EFFETTUATA!!!\r\rConfermi?",
                                PromptIcon::None, PromptButtons::YesNo, PromptAnswer::No, kCaption)
                  : ShowMessage(owner, "Confermi?", PromptIcon::None, PromptButtons::YesNo,
                                PromptAnswer::Yes, kCaption);
    if (answer != PromptAnswer::Yes) return false;

    const auto tables = db.Tables();
    bool cancelled = false;
    try {
        work.Show("Conversione archivio in Euro...", owner);
        work.StartSteps(qint64(tables.size()));
        db.BeginTrans();
        for (const auto& table : tables) {
            if (!work.Step()) {
                cancelled = true;
                break;
            }
            DbmsDivideMoney(db, table->Name(), DbmsCurrency::LirePerEuro);
        }
        work.Unload();
        if (cancelled) {
            db.Rollback();
            return false;
        }
        db.Storage()->SetMetaValue("CurrencyConverted", "True");
        db.CommitTrans();
    } catch (const std::exception& e) {
        work.Unload();
        try {
            db.Rollback();
        } catch (...) {
            // Nothing was committed; the error that ended the conversion is the one to report.
        }
        ReportError(settings, "Conversione interrotta: " + ErrorDescription(e), e, owner);
        return false;
    }
    // Recorded only now, a conversion that did not reach the archive must not count; and
    // before the message, since the program may end while the clerk reads it.
    settings.WriteSetting("Configuration", "CurrencyConverted", "True");
    ShowMessage(owner, "Conversione terminata.");
    return true;
}

} // namespace modCurrencyConversion
