#pragma once
// The configuration kept in the per-user settings store: the process-wide values read once at
// start-up, and the small readers and writers that the windows use for keys of their own.

#include <QDateTime>
#include <QString>

namespace modGlobal {

// Section "Configuration"
inline QString RootDir; // folder of the archive "Tessarin.mdb"
inline bool BarcodeReaderEnabled = false;
inline bool UseDateSelection = true; // starting value of the date selection; never saved
inline QString BackupDir;
inline bool BackupFuncSaveEnabled = true;
inline bool BackupFuncRestoreEnabled = false;
inline int BkpSaveNotify = 0; // 0 never, 1 daily, 2 weekly, 3 monthly
inline bool CurrencyConversion = false;
inline bool AutoIdentify_Premi = true;
inline bool AutoIdentify_Bonus = true;
// Where the error report sends its support requests; set by hand in the store.
inline QString SupportEMail;

// Section "BarcodeReaderParam"
inline qint16 COMPortNumber = 1;
inline QString COMPortParam;
// A device path that replaces the one derived from COMPortNumber (a pty in tests); set by hand.
inline QString COMPortDevice;

// Section "Info": the moment of the first start.
inline QDateTime DBStarted;

// Reads the values above from the store; missing keys give their defaults.
void LoadSettings();
// Writes the values above back, all at once, except UseDateSelection and the two keys that are
// only ever set by hand (SupportEMail, COMPortDevice).
void SaveSettings();

// False only for "FALSE", "FALSO", "NO" and "0" (blanks and case ignored); anything else,
// the empty text included, is true.
bool ParseBoolSetting(const QString& text);
// The number the text starts with, after leading blanks and an optional sign; 0 when it does
// not start with one ("3 (mensile)" gives 3, "abc" gives 0).
qint64 ParseLeadingNumber(const QString& text);

// Dates are kept as the Italian short date, followed by the time unless it is midnight.
QString FormatSettingDate(const QDateTime& moment);
// Invalid when the text is not a date in that form.
QDateTime ParseSettingDate(const QString& text);

// One value of the store as text; `fallback` when the key is missing.
QString ReadSetting(const QString& section, const QString& key, const QString& fallback = {});
void WriteSetting(const QString& section, const QString& key, const QString& value);

} // namespace modGlobal
