#pragma once
// The configuration kept in the per-user settings store. The entry layer makes one, loads it
// at start-up and hands it to the windows; they read the values, change them and Save, or keep
// keys of their own through ReadSetting and WriteSetting. Every change that reaches the store
// is announced, so a window that shows a setting can follow it.

#include <QDateTime>
#include <QObject>
#include <QString>

class clsSettings : public QObject {
    Q_OBJECT
public:
    explicit clsSettings(QObject* parent = nullptr);

    // Section "Configuration"
    QString RootDir; // folder of the archive "Tessarin.mdb"
    bool BarcodeReaderEnabled = false;
    bool UseDateSelection = true; // starting value of the date selection; never saved
    QString BackupDir;
    bool BackupFuncSaveEnabled = true;
    bool BackupFuncRestoreEnabled = false;
    int BkpSaveNotify = 0; // 0 never, 1 daily, 2 weekly, 3 monthly
    bool CurrencyConversion = false;
    bool AutoIdentify_Premi = true;
    bool AutoIdentify_Bonus = true;
    // Where the error report sends its support requests; set by hand in the store.
    QString SupportEMail;

    // Section "BarcodeReaderParam"
    qint16 COMPortNumber = 1;
    QString COMPortParam;
    // A device path that replaces the one derived from COMPortNumber (a pty in tests); set by
    // hand.
    QString COMPortDevice;

    // Section "Info": the moment of the first start.
    QDateTime DBStarted;

    // Reads the values above from the store; missing keys give their defaults.
    void Load();
    // Writes the values above back, all at once, except UseDateSelection and the two keys that
    // are only ever set by hand (SupportEMail, COMPortDevice); then announces the change.
    void Save();

    // One value of the store as text; `fallback` when the key is missing.
    QString ReadSetting(const QString& section, const QString& key,
                        const QString& fallback = {}) const;
    // Writes one value and announces it.
    void WriteSetting(const QString& section, const QString& key, const QString& value);

signals:
    // A value reached the store: `section` and `key` name it, both empty after Save.
    void Changed(const QString& section, const QString& key);
};
