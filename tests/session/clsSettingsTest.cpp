#include "TempEnvironment.h"

#include "clsSettings.h"
#include "modPaths.h"
#include "modSettingText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

using namespace modSettingText;
using modPaths::AppDir;

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

    clsSettings s;
};

TEST_F(SettingsTest, FirstStartGivesTheDefaults) {
    s.Load();
    EXPECT_EQ(s.RootDir, AppDir());
    EXPECT_EQ(s.RootDir, m_dir.filePath("home"));
    EXPECT_FALSE(s.BarcodeReaderEnabled);
    EXPECT_TRUE(s.UseDateSelection);
    EXPECT_EQ(s.BackupDir, "");
    EXPECT_TRUE(s.BackupFuncSaveEnabled);
    EXPECT_FALSE(s.BackupFuncRestoreEnabled);
    EXPECT_EQ(s.BkpSaveNotify, 0);
    EXPECT_FALSE(s.CurrencyConversion);
    EXPECT_TRUE(s.AutoIdentify_Premi);
    EXPECT_TRUE(s.AutoIdentify_Bonus);
    EXPECT_EQ(s.COMPortNumber, 1);
    EXPECT_EQ(s.COMPortParam, "9600,n,8,1");
    EXPECT_EQ(s.COMPortDevice, "");
    EXPECT_EQ(s.SupportEMail, "assistenza@tessarin.it");
    EXPECT_EQ(s.DBStarted, QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    // Reading alone writes nothing.
    EXPECT_FALSE(QFile::exists(StoreFile()));
}

TEST_F(SettingsTest, DBStartedKeepsTheMomentOfTheFirstStart) {
    s.Load();
    s.Save();
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "15/03/2024 10:20:30");

    DbmsClock::SetFixed(QDateTime(QDate(2025, 1, 2), QTime(8, 0)));
    s.Load();
    EXPECT_EQ(s.DBStarted, QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    s.Save();
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "15/03/2024 10:20:30");
}

TEST_F(SettingsTest, EveryValueSurvivesASaveAndALoad) {
    s.Load();
    s.RootDir = "C:\\Dati\\Agenzia";
    s.BarcodeReaderEnabled = true;
    s.BackupDir = "/media/chiavetta/salvataggi";
    s.BackupFuncSaveEnabled = false;
    s.BackupFuncRestoreEnabled = true;
    s.BkpSaveNotify = 3;
    s.CurrencyConversion = true;
    s.AutoIdentify_Premi = false;
    s.AutoIdentify_Bonus = false;
    s.COMPortNumber = 4;
    s.COMPortParam = "19200,e,7,2";
    s.DBStarted = QDateTime(QDate(2023, 12, 1), QTime(0, 0));
    s.Save();

    // Everything is kept as text, yes/no as the words "True" and "False".
    EXPECT_EQ(Stored("Configuration/BarcodeReaderEnabled").toString(), "True");
    EXPECT_EQ(Stored("Configuration/AutoIdentify_Bonus").toString(), "False");
    EXPECT_EQ(Stored("Configuration/BkpSaveNotify").toString(), "3");
    EXPECT_EQ(Stored("BarcodeReaderParam/COMPortNumber").toString(), "4");
    EXPECT_EQ(Stored("Info/DBStarted").toString(), "01/12/2023"); // midnight: no time

    s.RootDir = s.BackupDir = s.COMPortParam = "";
    s.BarcodeReaderEnabled = s.CurrencyConversion = s.BackupFuncRestoreEnabled = false;
    s.BackupFuncSaveEnabled = s.AutoIdentify_Premi = s.AutoIdentify_Bonus = true;
    s.BkpSaveNotify = s.COMPortNumber = 0;
    s.Load();
    EXPECT_EQ(s.RootDir, "C:\\Dati\\Agenzia");
    EXPECT_TRUE(s.BarcodeReaderEnabled);
    EXPECT_EQ(s.BackupDir, "/media/chiavetta/salvataggi");
    EXPECT_FALSE(s.BackupFuncSaveEnabled);
    EXPECT_TRUE(s.BackupFuncRestoreEnabled);
    EXPECT_EQ(s.BkpSaveNotify, 3);
    EXPECT_TRUE(s.CurrencyConversion);
    EXPECT_FALSE(s.AutoIdentify_Premi);
    EXPECT_FALSE(s.AutoIdentify_Bonus);
    EXPECT_EQ(s.COMPortNumber, 4);
    EXPECT_EQ(s.COMPortParam, "19200,e,7,2");
    EXPECT_EQ(s.DBStarted, QDateTime(QDate(2023, 12, 1), QTime(0, 0)));
}

TEST_F(SettingsTest, SaveLeavesTheKeysItDoesNotOwnAlone) {
    s.Load();
    s.UseDateSelection = false; // switched off for this run only
    s.Save();
    EXPECT_FALSE(Stored("Configuration/UseDateSelection").isValid());
    EXPECT_FALSE(Stored("Configuration/CurrencyConverted").isValid());
    EXPECT_FALSE(Stored("Configuration/SupportEMail").isValid());
    EXPECT_FALSE(Stored("BarcodeReaderParam/COMPortDevice").isValid());
    s.Load();
    EXPECT_TRUE(s.UseDateSelection);

    // A value set outside the program is read, and still not overwritten.
    s.WriteSetting("Configuration", "UseDateSelection", "False");
    s.Load();
    EXPECT_FALSE(s.UseDateSelection);
    s.UseDateSelection = true;
    s.Save();
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
    s.Load();
    EXPECT_FALSE(s.BarcodeReaderEnabled);
    EXPECT_TRUE(s.AutoIdentify_Premi);
    EXPECT_TRUE(s.AutoIdentify_Bonus);
    EXPECT_EQ(s.BkpSaveNotify, 3);
    EXPECT_EQ(s.COMPortNumber, 0);
    EXPECT_EQ(s.COMPortParam, "4800,o,8,2"); // unquoted commas must not split the value
    EXPECT_EQ(s.COMPortDevice, "/dev/pts/7");
    EXPECT_EQ(s.SupportEMail, "help@example.org");
    EXPECT_EQ(s.DBStarted, QDateTime(QDate(2024, 3, 1), QTime(9, 5)));
}

TEST_F(SettingsTest, NumbersAndDatesThatCannotBeReadFallBack) {
    WriteStore("[Configuration]\nBkpSaveNotify=-2\n"
               "[BarcodeReaderParam]\nCOMPortNumber=70000\n"
               "[Info]\nDBStarted=31/02/2024\n");
    s.Load();
    EXPECT_EQ(s.BkpSaveNotify, -2);
    EXPECT_EQ(s.COMPortNumber, 0); // does not fit a 16-bit port number
    EXPECT_EQ(s.DBStarted, DbmsClock::Now());
}

TEST_F(SettingsTest, SingleKeysOfTheWindowsAndEveryChangeIsAnnounced) {
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
    s.Save();
    // What was announced is already in the store for whoever reads it.
    EXPECT_EQ(heard, QStringList({"Settings/MainLeft", "OperazioniVendite/PagamentoDefault", "/"}));
    EXPECT_EQ(clsSettings().ReadSetting("Configuration", "BarcodeReaderEnabled"), "True");
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
