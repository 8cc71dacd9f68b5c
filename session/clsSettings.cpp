#include "clsSettings.h"

#include "modPaths.h"
#include "modSettingText.h"

#include <DbmsClock.h>

#include <QSettings>
#include <QStringList>

#include <limits>

using namespace modSettingText;

namespace {

const char* const kApplication = "Tessarin";

const QString kConfiguration = QStringLiteral("Configuration");
const QString kBarcodeReader = QStringLiteral("BarcodeReaderParam");
const QString kInfo = QStringLiteral("Info");

// Every reader and writer opens the same per-user store.
class Store : public QSettings {
public:
    Store() : QSettings(QSettings::IniFormat, QSettings::UserScope, kApplication, kApplication) {}

    QString Text(const QString& section, const QString& key, const QString& fallback = {}) const {
        const QVariant stored = value(section + '/' + key);
        if (!stored.isValid()) return fallback;
        // An unquoted text with commas, as in a hand-edited "9600,n,8,1", comes back as a list.
        if (stored.typeId() == QMetaType::QStringList) return stored.toStringList().join(',');
        return stored.toString();
    }
    void SetText(const QString& section, const QString& key, const QString& text) {
        setValue(section + '/' + key, text);
    }
};

QString BoolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A number too big for the variable reads as 0, like a text that is no number at all.
template <typename T> T LeadingNumberAs(const QString& text) {
    const qint64 value = ParseLeadingNumber(text);
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) return 0;
    return T(value);
}

} // namespace

clsSettings::clsSettings(QObject* parent) : QObject(parent) {}

void clsSettings::Load() {
    const Store store;
    const auto readBool = [&store](const QString& key, bool fallback) {
        return ParseBoolSetting(store.Text(kConfiguration, key, BoolText(fallback)));
    };
    RootDir = store.Text(kConfiguration, "RootDir", modPaths::AppDir());
    BarcodeReaderEnabled = readBool("BarcodeReaderEnabled", false);
    UseDateSelection = readBool("UseDateSelection", true);
    COMPortNumber = LeadingNumberAs<qint16>(store.Text(kBarcodeReader, "COMPortNumber", "1"));
    COMPortParam = store.Text(kBarcodeReader, "COMPortParam", "9600,n,8,1");
    COMPortDevice = store.Text(kBarcodeReader, "COMPortDevice");
    BackupDir = store.Text(kConfiguration, "BackupDir");
    BackupFuncSaveEnabled = readBool("BackupFuncSaveEnabled", true);
    BackupFuncRestoreEnabled = readBool("BackupFuncRestoreEnabled", false);
    BkpSaveNotify = LeadingNumberAs<int>(store.Text(kConfiguration, "BkpSaveNotify", "0"));
    CurrencyConversion = readBool("CurrencyConversion", false);
    AutoIdentify_Premi = readBool("AutoIdentify_Premi", true);
    AutoIdentify_Bonus = readBool("AutoIdentify_Bonus", true);
    SupportEMail = store.Text(kConfiguration, "SupportEMail", "assistenza@tessarin.it");

    // The first start has no date yet: it becomes now, and the next save keeps it for good.
    const QDateTime now = DbmsClock::Now();
    DBStarted = ParseSettingDate(store.Text(kInfo, "DBStarted", FormatSettingDate(now)));
    if (!DBStarted.isValid()) DBStarted = now;
}

void clsSettings::Save() {
    {
        Store store;
        const auto putBool = [&store](const QString& key, bool value) {
            store.SetText(kConfiguration, key, BoolText(value));
        };
        store.SetText(kConfiguration, "RootDir", RootDir);
        putBool("BarcodeReaderEnabled", BarcodeReaderEnabled);
        store.SetText(kBarcodeReader, "COMPortNumber", QString::number(COMPortNumber));
        store.SetText(kBarcodeReader, "COMPortParam", COMPortParam);
        store.SetText(kConfiguration, "BackupDir", BackupDir);
        putBool("BackupFuncSaveEnabled", BackupFuncSaveEnabled);
        putBool("BackupFuncRestoreEnabled", BackupFuncRestoreEnabled);
        store.SetText(kConfiguration, "BkpSaveNotify", QString::number(BkpSaveNotify));
        putBool("CurrencyConversion", CurrencyConversion);
        putBool("AutoIdentify_Premi", AutoIdentify_Premi);
        putBool("AutoIdentify_Bonus", AutoIdentify_Bonus);
        store.SetText(kInfo, "DBStarted", FormatSettingDate(DBStarted));
    } // written to the file before anyone hears of it
    emit Changed({}, {});
}

QString clsSettings::ReadSetting(const QString& section, const QString& key,
                                 const QString& fallback) const {
    return Store().Text(section, key, fallback);
}

void clsSettings::WriteSetting(const QString& section, const QString& key, const QString& value) {
    Store().SetText(section, key, value);
    emit Changed(section, key);
}
