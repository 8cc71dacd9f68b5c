// The settings as the program folder and the store give them, and the folder itself.
#include "TempEnvironment.h"

#include "clsSettings.h"
#include "modPaths.h"
#include "modSettingText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace modSettingText;

// Every value on one line: texts, flags as 0/1 in declaration order, numbers, first start.
QString Values(const clsSettings& s) {
    QString flags;
    for (bool flag : {s.BarcodeReaderEnabled, s.UseDateSelection, s.BackupFuncSaveEnabled,
                      s.BackupFuncRestoreEnabled, s.CurrencyConversion, s.AutoIdentify_Premi,
                      s.AutoIdentify_Bonus})
        flags += flag ? '1' : '0';
    return QStringList{s.RootDir, s.BackupDir, s.COMPortParam, s.COMPortDevice, s.SupportEMail}
               .join('|') +
           QString(" %1 %2 %3 ").arg(flags).arg(s.BkpSaveNotify).arg(s.COMPortNumber) +
           s.DBStarted.toString(Qt::ISODate);
}

class SettingsTest : public TempEnvironment {
protected:
    static QVariant Stored(const QString& key) {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, "Tessarin", "Tessarin")
            .value(key);
    }

    clsSettings s;
};

TEST_F(SettingsTest, FirstStartGivesTheDefaultsKeepsItsMomentForGoodAndEveryValueSurvives) {
    s.Load();
    EXPECT_EQ(s.RootDir, modPaths::AppDir());
    EXPECT_EQ(Values(s),
              m_dir.filePath("home") +
                  "||9600,n,8,1||assistenza@tessarin.it 0110011 0 1 2024-03-15T10:20:30");
    EXPECT_FALSE(QFile::exists(StoreFile())); // reading alone writes nothing
    s.Save();
    DbmsClock::SetFixed(QDateTime(QDate(2025, 1, 2), QTime(8, 0)));
    s.Load();
    s.Save();
    EXPECT_EQ(s.DBStarted, QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "15/03/2024 10:20:30");
    // Every value survives a save and a load.
    s.RootDir = "C:\\Dati\\Agenzia";
    s.BackupDir = "/media/chiavetta/salvataggi";
    s.COMPortParam = "19200,e,7,2";
    s.BarcodeReaderEnabled = s.BackupFuncRestoreEnabled = s.CurrencyConversion = true;
    s.BackupFuncSaveEnabled = s.AutoIdentify_Premi = s.AutoIdentify_Bonus = false;
    s.BkpSaveNotify = 3, s.COMPortNumber = 4;
    s.DBStarted = QDateTime(QDate(2023, 12, 1), QTime(0, 0));
    s.Save();
    // Kept as text, yes/no as "True" and "False".
    EXPECT_EQ(Stored("Configuration/BarcodeReaderEnabled").toString(), "True");
    EXPECT_EQ(Stored("Configuration/AutoIdentify_Bonus").toString(), "False");
    EXPECT_EQ(Stored("Configuration/BkpSaveNotify").toString(), "3");
    EXPECT_EQ(Stored("BarcodeReaderParam/COMPortNumber").toString(), "4");
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "01/12/2023"); // midnight: no time
    clsSettings loaded;
    loaded.Load();
    EXPECT_EQ(Values(loaded), Values(s));
}

TEST_F(SettingsTest, HandEditedValuesReadAsTheOldProgramDid) {
    const std::pair<const char*, const char*> cases[] = {
        // Unquoted commas must not split the value; a blank yes/no is yes.
        {"[Configuration]\nBarcodeReaderEnabled=falso\nAutoIdentify_Premi=\n"
         "AutoIdentify_Bonus=Si\nBkpSaveNotify=3 (mensile)\nSupportEMail=help@example.org\n"
         "[BarcodeReaderParam]\nCOMPortNumber=abc\nCOMPortParam=4800,o,8,2\n"
         "COMPortDevice=/dev/pts/7\n[Info]\nDBStarted=1/3/2024 9:05\n",
         "4800,o,8,2|/dev/pts/7|help@example.org 0110011 3 0 2024-03-01T09:05:00"},
        // A port number that does not fit 16 bits, and a date that is none: now.
        {"[Configuration]\nBkpSaveNotify=-2\n[BarcodeReaderParam]\nCOMPortNumber=70000\n"
         "[Info]\nDBStarted=31/02/2024\n",
         "9600,n,8,1||assistenza@tessarin.it 0110011 -2 0 2024-03-15T10:20:30"},
    };
    QDir().mkpath(QFileInfo(StoreFile()).absolutePath());
    for (const auto& [store, values] : cases) {
        QFile file(StoreFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(store) > 0);
        file.close();
        s.Load();
        EXPECT_EQ(Values(s), s.RootDir + "||" + values);
    }
}

TEST_F(SettingsTest, SingleKeysAndEveryChangeAreAnnouncedAndSaveLeavesOthersKeysAlone) {
    QStringList heard;
    QObject::connect(&s, &clsSettings::Changed, [&](const QString& section, const QString& key) {
        heard << section + '/' + key;
    });
    EXPECT_EQ(s.ReadSetting("Settings", "MainLeft", "1000"), "1000");
    s.WriteSetting("Settings", "MainLeft", "1234.5");
    s.WriteSetting("OperazioniVendite", "PagamentoDefault", "17");
    EXPECT_EQ(s.ReadSetting("Settings", "MainLeft", "1000"), "1234.5");
    EXPECT_EQ(s.ReadSetting("OperazioniVendite", "PagamentoDefault"), "17");
    EXPECT_EQ(s.ReadSetting("Backup", "LastNotification"), "");
    s.Load();
    s.BarcodeReaderEnabled = true;
    s.UseDateSelection = false; // switched off for this run only
    s.Save();
    EXPECT_EQ(heard, QStringList({"Settings/MainLeft", "OperazioniVendite/PagamentoDefault", "/"}));
    EXPECT_EQ(clsSettings().ReadSetting("Configuration", "BarcodeReaderEnabled"), "True");
    for (const char* key : {"Configuration/UseDateSelection", "Configuration/CurrencyConverted",
                            "Configuration/SupportEMail", "BarcodeReaderParam/COMPortDevice"})
        EXPECT_FALSE(Stored(key).isValid()) << key;
    s.Load();
    EXPECT_TRUE(s.UseDateSelection);
    // A value set outside the program is read, and not overwritten.
    s.WriteSetting("Configuration", "UseDateSelection", "False");
    s.Load();
    EXPECT_FALSE(s.UseDateSelection);
    s.UseDateSelection = true;
    s.Save();
    EXPECT_EQ(Stored("Configuration/UseDateSelection").toString(), "False");
}

TEST(SettingText, ReadsYesNoNumbersAndDatesAsTheOldProgramDid) {
    for (const char* text : {"FALSE", "False", "falso", "FALSO", "no", " no ", "\tNo", "0", " 0 "})
        EXPECT_FALSE(ParseBoolSetting(text)) << text;
    for (const char* text : {"", " ", "True", "Si", "1", "-1", "off", "00", "non", "FALSE."})
        EXPECT_TRUE(ParseBoolSetting(text)) << text;
    const std::pair<const char*, qint64> numbers[] = {{"3 (mensile)", 3}, {"  12", 12}, {"-1", -1},
                                                      {"+5x", 5},         {"2.9", 2},   {"abc", 0},
                                                      {"COM3", 0},        {"", 0},      {"-", 0}};
    EXPECT_EQ(ParseLeadingNumber("123456789012345678901234"), INT64_MAX);
    for (const auto& [text, number] : numbers)
        EXPECT_EQ(ParseLeadingNumber(text), number) << text;
    EXPECT_EQ(FormatSettingDate(QDateTime(QDate(2024, 3, 1), QTime(0, 0, 1))),
              "01/03/2024 00:00:01");
    EXPECT_EQ(FormatSettingDate(QDateTime()), "");
    EXPECT_EQ(ParseSettingDate("01/03/2024"), QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    EXPECT_EQ(ParseSettingDate(" 29/02/2024 23:59:59 "),
              QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59)));
    for (const char* bad : {"2024-03-01", "29/02/2023", ""})
        EXPECT_FALSE(ParseSettingDate(bad).isValid()) << bad;
}

using modPaths::AppDir;

TEST(MakeFilePath, JoinsFolderNameAndExtension) {
    const char* cases[][4] = {
        {"C:\\Dati", "Tessarin.mdb", "", "C:\\Dati/Tessarin.mdb"},
        {"C:\\Dati\\", "Tessarin.mdb", "", "C:\\Dati\\Tessarin.mdb"},
        {"/srv/dati/", "Tessarin.mdb", "", "/srv/dati/Tessarin.mdb"},
        {"/srv/dati", "Tessarin.mdb", "bak", "/srv/dati/Tessarin.bak"},
        {"", "Tessarin.mdb", "", "Tessarin.mdb"},
        {"", "Tessarin", "bak", "Tessarin.bak"},
        {"/srv", "Tessarin.old.mdb", "bak", "/srv/Tessarin.bak"}, // cut at the first dot
    };
    for (const auto& c : cases)
        EXPECT_EQ(modPaths::MakeFilePath(c[0], c[1], c[2]), c[3]) << c[0] << ' ' << c[1];
}

using AppDirTest = TempEnvironment;

TEST_F(AppDirTest, TessarinHomeIsUsedAndCreatedElseTheExecutableFolder) {
    const QString home = m_dir.filePath("not/yet/there");
    for (const QString& set : {home, home + "/"}) {
        qputenv("TESSARIN_HOME", set.toUtf8());
        EXPECT_EQ(AppDir(), home);
        EXPECT_TRUE(QFileInfo(home).isDir());
    }
    const QString executableDir =
        QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
    qunsetenv("TESSARIN_HOME");
    EXPECT_EQ(AppDir(), executableDir);
    qputenv("TESSARIN_HOME", "");
    EXPECT_EQ(AppDir(), executableDir);
}
