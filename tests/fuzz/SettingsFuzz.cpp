// The settings file as a clerk may leave it after editing it by hand: it must load, and what a
// save writes must load back to the same values.
#include "FuzzSupport.h"

#include "clsSettings.h"
#include "modSettingText.h"

#include <QFile>
#include <QSettings>
#include <cstdint>

namespace {

QStringList Values(const clsSettings& s) {
    return {s.RootDir,
            QString::number(s.BarcodeReaderEnabled),
            s.BackupDir,
            QString::number(s.BackupFuncSaveEnabled),
            QString::number(s.BackupFuncRestoreEnabled),
            QString::number(s.BkpSaveNotify),
            QString::number(s.CurrencyConversion),
            QString::number(s.AutoIdentify_Premi),
            QString::number(s.AutoIdentify_Bonus),
            s.SupportEMail,
            QString::number(s.COMPortNumber),
            s.COMPortParam,
            s.COMPortDevice,
            modSettingText::FormatSettingDate(s.DBStarted)};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The clerk's clock: summer time makes hours that do not exist and hours that come twice.
    qputenv("TZ", "Europe/Rome");
    FuzzHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The settings store keeps what it last read of a file and reads it again only when its
    // size or time changed: each input gets a time of its own.
    static int round = 0;
    const QDir folder(QDir(FuzzHome()).filePath("store"));
    static const bool made =
        QDir().mkpath(folder.filePath("Tessarin")) &&
        (QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path()), true);
    FUZZ_EXPECT(made, folder.path());
    {
        QFile file(folder.filePath("Tessarin/Tessarin.ini"));
        FUZZ_EXPECT(file.open(QIODevice::WriteOnly), file.fileName());
        file.write(reinterpret_cast<const char*>(data), qint64(size));
        file.setFileTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)).addSecs(++round),
                         QFileDevice::FileModificationTime);
    }

    clsSettings first;
    first.Load();
    FUZZ_EXPECT(first.DBStarted.isValid(), "DBStarted");
    first.Save();
    clsSettings second;
    second.Load();
    FUZZ_EXPECT(Values(first) == Values(second),
                Values(first).join('|') + " <> " + Values(second).join('|'));
    // The values a window keeps through ReadSetting and WriteSetting come back as written.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    second.WriteSetting("Fuzz", "Value", text);
    FUZZ_EXPECT(clsSettings().ReadSetting("Fuzz", "Value") == text, text);
    return 0;
}
