#include "Settings.h"

#include "modGlobal.h"

#include <DbmsClock.h>

#include <QSettings>
#include <QStringList>

#include <limits>

namespace modGlobal {

namespace {

const char* const kApplication = "Tessarin";

const QString kConfiguration = QStringLiteral("Configuration");
const QString kBarcodeReader = QStringLiteral("BarcodeReaderParam");
const QString kInfo = QStringLiteral("Info");

const char* const kDateFormat = "dd/MM/yyyy";
const char* const kDateTimeFormat = "dd/MM/yyyy HH:mm:ss";

// Every caller opens the same per-user store.
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

void LoadSettings() {
    const Store store;
    const auto readBool = [&store](const QString& key, bool fallback) {
        return ParseBoolSetting(store.Text(kConfiguration, key, BoolText(fallback)));
    };
    RootDir = store.Text(kConfiguration, "RootDir", AppDir());
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

void SaveSettings() {
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
}

bool ParseBoolSetting(const QString& text) {
    const QString word = text.trimmed().toUpper();
    return !(word == "FALSE" || word == "FALSO" || word == "NO" || word == "0");
}

qint64 ParseLeadingNumber(const QString& text) {
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    qint64 value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        // Saturate rather than wrap: a runaway number must not come back as a small one.
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10) {
            value = std::numeric_limits<qint64>::max();
            break;
        }
        value = value * 10 + (text[at].unicode() - '0');
    }
    return negative ? -value : value;
}

QString FormatSettingDate(const QDateTime& moment) {
    if (!moment.isValid()) return {};
    const QTime time = moment.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return moment.toString(kDateFormat);
    return moment.toString(kDateTimeFormat);
}

QDateTime ParseSettingDate(const QString& text) {
    // Hand-edited stores may drop leading zeros or the seconds.
    static const char* const formats[] = {"d/M/yyyy H:m:s", "d/M/yyyy H:m", "d/M/yyyy"};
    const QString trimmed = text.trimmed();
    for (const char* format : formats) {
        const QDateTime moment = QDateTime::fromString(trimmed, format);
        if (moment.isValid()) return moment;
    }
    return {};
}

QString ReadSetting(const QString& section, const QString& key, const QString& fallback) {
    return Store().Text(section, key, fallback);
}

void WriteSetting(const QString& section, const QString& key, const QString& value) {
    Store().SetText(section, key, value);
}

} // namespace modGlobal
