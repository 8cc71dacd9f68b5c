#include "TempEnvironment.h"

#include <modGlobal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

using namespace modGlobal;

namespace {

class SettingsTest : public TempEnvironment {
protected:
    // A store as someone might have edited it by hand, written before anything reads it.
    void WriteStore(const QByteArray& text) {
        QDir().mkpath(QFileInfo(StoreFile()).absolutePath());
        QFile file(StoreFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static QVariant Stored(const QString& key) {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, "Tessarin", "Tessarin")
            .value(key);
    }
};

TEST_F(SettingsTest, FirstStartGivesTheDefaults) {
    LoadSettings();
    EXPECT_EQ(RootDir, AppDir());
    EXPECT_EQ(RootDir, m_dir.filePath("home"));
    EXPECT_FALSE(BarcodeReaderEnabled);
    EXPECT_TRUE(UseDateSelection);
    EXPECT_EQ(BackupDir, "");
    EXPECT_TRUE(BackupFuncSaveEnabled);
    EXPECT_FALSE(BackupFuncRestoreEnabled);
    EXPECT_EQ(BkpSaveNotify, 0);
    EXPECT_FALSE(CurrencyConversion);
    EXPECT_TRUE(AutoIdentify_Premi);
    EXPECT_TRUE(AutoIdentify_Bonus);
    EXPECT_EQ(COMPortNumber, 1);
    EXPECT_EQ(COMPortParam, "9600,n,8,1");
    EXPECT_EQ(COMPortDevice, "");
    EXPECT_EQ(SupportEMail, "assistenza@tessarin.it");
    EXPECT_EQ(DBStarted, QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    // Reading alone writes nothing.
    EXPECT_FALSE(QFile::exists(StoreFile()));
}

TEST_F(SettingsTest, DBStartedKeepsTheMomentOfTheFirstStart) {
    LoadSettings();
    SaveSettings();
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "15/03/2024 10:20:30");

    DbmsClock::SetFixed(QDateTime(QDate(2025, 1, 2), QTime(8, 0)));
    LoadSettings();
    EXPECT_EQ(DBStarted, QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    SaveSettings();
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "15/03/2024 10:20:30");
}

TEST_F(SettingsTest, EveryValueSurvivesASaveAndALoad) {
    LoadSettings();
    RootDir = "C:\\Dati\\Agenzia";
    BarcodeReaderEnabled = true;
    BackupDir = "/media/chiavetta/salvataggi";
    BackupFuncSaveEnabled = false;
    BackupFuncRestoreEnabled = true;
    BkpSaveNotify = 3;
    CurrencyConversion = true;
    AutoIdentify_Premi = false;
    AutoIdentify_Bonus = false;
    COMPortNumber = 4;
    COMPortParam = "19200,e,7,2";
    DBStarted = QDateTime(QDate(2023, 12, 1), QTime(0, 0));
    SaveSettings();

    // Everything is kept as text, yes/no as the words "True" and "False".
    EXPECT_EQ(Stored("Configuration/BarcodeReaderEnabled").toString(), "True");
    EXPECT_EQ(Stored("Configuration/AutoIdentify_Bonus").toString(), "False");
    EXPECT_EQ(Stored("Configuration/BkpSaveNotify").toString(), "3");
    EXPECT_EQ(Stored("BarcodeReaderParam/COMPortNumber").toString(), "4");
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "01/12/2023"); // midnight: no time

    RootDir = BackupDir = COMPortParam = "";
    BarcodeReaderEnabled = CurrencyConversion = BackupFuncRestoreEnabled = false;
    BackupFuncSaveEnabled = AutoIdentify_Premi = AutoIdentify_Bonus = true;
    BkpSaveNotify = COMPortNumber = 0;
    LoadSettings();
    EXPECT_EQ(RootDir, "C:\\Dati\\Agenzia");
    EXPECT_TRUE(BarcodeReaderEnabled);
    EXPECT_EQ(BackupDir, "/media/chiavetta/salvataggi");
    EXPECT_FALSE(BackupFuncSaveEnabled);
    EXPECT_TRUE(BackupFuncRestoreEnabled);
    EXPECT_EQ(BkpSaveNotify, 3);
    EXPECT_TRUE(CurrencyConversion);
    EXPECT_FALSE(AutoIdentify_Premi);
    EXPECT_FALSE(AutoIdentify_Bonus);
    EXPECT_EQ(COMPortNumber, 4);
    EXPECT_EQ(COMPortParam, "19200,e,7,2");
    EXPECT_EQ(DBStarted, QDateTime(QDate(2023, 12, 1), QTime(0, 0)));
}

TEST_F(SettingsTest, SaveLeavesTheKeysItDoesNotOwnAlone) {
    LoadSettings();
    UseDateSelection = false; // switched off for this run only
    SaveSettings();
    EXPECT_FALSE(Stored("Configuration/UseDateSelection").isValid());
    EXPECT_FALSE(Stored("Configuration/CurrencyConverted").isValid());
    EXPECT_FALSE(Stored("Configuration/SupportEMail").isValid());
    EXPECT_FALSE(Stored("BarcodeReaderParam/COMPortDevice").isValid());
    LoadSettings();
    EXPECT_TRUE(UseDateSelection);

    // A value set outside the program is read, and still not overwritten.
    WriteSetting("Configuration", "UseDateSelection", "False");
    LoadSettings();
    EXPECT_FALSE(UseDateSelection);
    UseDateSelection = true;
    SaveSettings();
    EXPECT_EQ(Stored("Configuration/UseDateSelection").toString(), "False");
}

TEST_F(SettingsTest, HandEditedValuesReadAsTheOldProgramDid) {
    WriteStore("[Configuration]\n"
               "BarcodeReaderEnabled=falso\n"
               "AutoIdentify_Premi=\n"
               "AutoIdentify_Bonus=Si\n"
               "BkpSaveNotify=3 (mensile)\n"
               "SupportEMail=help@example.org\n"
               "[BarcodeReaderParam]\n"
               "COMPortNumber=abc\n"
               "COMPortParam=4800,o,8,2\n"
               "COMPortDevice=/dev/pts/7\n"
               "[Info]\n"
               "DBStarted=1/3/2024 9:05\n");
    LoadSettings();
    EXPECT_FALSE(BarcodeReaderEnabled);
    EXPECT_TRUE(AutoIdentify_Premi);
    EXPECT_TRUE(AutoIdentify_Bonus);
    EXPECT_EQ(BkpSaveNotify, 3);
    EXPECT_EQ(COMPortNumber, 0);
    EXPECT_EQ(COMPortParam, "4800,o,8,2"); // unquoted commas must not split the value
    EXPECT_EQ(COMPortDevice, "/dev/pts/7");
    EXPECT_EQ(SupportEMail, "help@example.org");
    EXPECT_EQ(DBStarted, QDateTime(QDate(2024, 3, 1), QTime(9, 5)));
}

TEST_F(SettingsTest, NumbersAndDatesThatCannotBeReadFallBack) {
    WriteStore("[Configuration]\nBkpSaveNotify=-2\n"
               "[BarcodeReaderParam]\nCOMPortNumber=70000\n"
               "[Info]\nDBStarted=31/02/2024\n");
    LoadSettings();
    EXPECT_EQ(BkpSaveNotify, -2);
    EXPECT_EQ(COMPortNumber, 0); // does not fit a 16-bit port number
    EXPECT_EQ(DBStarted, DbmsClock::Now());
}

TEST_F(SettingsTest, SingleKeysOfTheWindows) {
    EXPECT_EQ(ReadSetting("Settings", "MainLeft", "1000"), "1000");
    WriteSetting("Settings", "MainLeft", "1234.5");
    WriteSetting("OperazioniVendite", "PagamentoDefault", "17");
    EXPECT_EQ(ReadSetting("Settings", "MainLeft", "1000"), "1234.5");
    EXPECT_EQ(ReadSetting("OperazioniVendite", "PagamentoDefault"), "17");
    EXPECT_EQ(ReadSetting("Backup", "LastNotification"), "");
}

TEST(ParseBoolSetting, OnlyTheFourFalseWordsAreFalse) {
    for (const char* text : {"FALSE", "False", "falso", "FALSO", "no", " no ", "\tNo", "0", " 0 "})
        EXPECT_FALSE(ParseBoolSetting(text)) << text;
    for (const char* text : {"", " ", "True", "Si", "1", "-1", "off", "00", "non", "FALSE."})
        EXPECT_TRUE(ParseBoolSetting(text)) << text;
}

TEST(ParseLeadingNumber, TakesTheNumberTheTextStartsWith) {
    EXPECT_EQ(ParseLeadingNumber("3 (mensile)"), 3);
    EXPECT_EQ(ParseLeadingNumber("  12"), 12);
    EXPECT_EQ(ParseLeadingNumber("-1"), -1);
    EXPECT_EQ(ParseLeadingNumber("+5x"), 5);
    EXPECT_EQ(ParseLeadingNumber("2.9"), 2);
    EXPECT_EQ(ParseLeadingNumber("abc"), 0);
    EXPECT_EQ(ParseLeadingNumber("COM3"), 0);
    EXPECT_EQ(ParseLeadingNumber(""), 0);
    EXPECT_EQ(ParseLeadingNumber("-"), 0);
    EXPECT_EQ(ParseLeadingNumber("123456789012345678901234"), std::numeric_limits<qint64>::max());
}

TEST(SettingDate, ShortItalianDateWithTimeUnlessMidnight) {
    EXPECT_EQ(FormatSettingDate(QDateTime(QDate(2024, 3, 1), QTime(0, 0))), "01/03/2024");
    EXPECT_EQ(FormatSettingDate(QDateTime(QDate(2024, 3, 1), QTime(0, 0, 1))),
              "01/03/2024 00:00:01");
    EXPECT_EQ(FormatSettingDate(QDateTime()), "");

    EXPECT_EQ(ParseSettingDate("01/03/2024"), QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    EXPECT_EQ(ParseSettingDate(" 29/02/2024 23:59:59 "),
              QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59)));
    EXPECT_FALSE(ParseSettingDate("2024-03-01").isValid());
    EXPECT_FALSE(ParseSettingDate("29/02/2023").isValid());
    EXPECT_FALSE(ParseSettingDate("").isValid());
}

} // namespace
