// The password file's scramble and the login window, driven through the scripted prompter.
#include "Main.h"
#include "WindowTest.h"
#include "clsSettings.h"
#include "frmPassword.h"
#include "modPassword.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <sys/stat.h>

using namespace modPassword;

namespace {

const QString kMismatch = "La password di conferma non corrisponde...";
const QString kChanged = "La password e' stata modificata.";

QByteArray AllBytes(int length, int first) {
    QByteArray text;
    for (int i = 0; i < length; ++i)
        text.append(static_cast<char>((first + i) % 256));
    return text;
}

TEST(PasswordScramble, EveryByteRoundTripsOddLengthsFlipBitSevenAndBlanksAreNoPassword) {
    for (int length : {255, 256, 1, 2})
        for (int first : {0, 1, 127, 200}) {
            SCOPED_TRACE(testing::Message() << length << " from " << first);
            const QByteArray clear = AllBytes(length, first), scrambled = Scramble(clear);
            EXPECT_EQ(Unscramble(scrambled), clear);
            EXPECT_EQ(Scramble(Unscramble(clear)), clear);
            for (int i = 0; i < length; ++i) {
                const auto code = static_cast<quint8>(clear[i]);
                // Each byte rotated right; index 0 is position 1, an odd one.
                const quint8 flip = length % 2 && i % 2 == 0 ? 0x80 : 0;
                EXPECT_EQ(quint8(scrambled[i]), ((code >> 1) | ((code & 1) << 7)) ^ flip) << i;
            }
        }
    // Blank text means no password; scrambled bytes that happen to be blanks still come back.
    for (const auto& [clear, scrambled] : std::initializer_list<std::pair<QByteArray, QByteArray>>{
             {"AB", "\xA0!"}, {"ABC", "\x20!\x21"}, {"", ""}, {"   ", ""}, {"@@", "  "}})
        EXPECT_EQ(Scramble(clear), scrambled) << clear.toStdString();
    EXPECT_EQ(Scramble(" a ").size(), 3);
    EXPECT_EQ(Unscramble("  "), QByteArray("@@"));
}

class PasswordTest : public WindowTest {
protected:
    static void Store(const QString& clear) { WriteStored(Scramble(clear.toLatin1())); }
    static QByteArray Stored() { return Unscramble(ReadStored()); }
    static int Mode() {
        struct stat info {};
        if (::stat(QFile::encodeName(PasswordFile()).constData(), &info) != 0) return -1;
        return static_cast<int>(info.st_mode & 07777);
    }
    // The next window shown: `steps` drive it and give its result.
    void OnWindow(std::function<int()> steps) {
        prompter.Dialog([steps](QDialog&) { return steps(); });
    }
    // Types the current password and confirms (no loop of the window's resets the result).
    int Login(const QString& typed) {
        window.setResult(0);
        window.txtPassword->setText(typed);
        return Click(window.cmdConfirm);
    }
    // Types a new password and its confirmation and confirms, the message answered OK.
    int TypeNew(const QString& password, const QString& confirm) {
        window.txtNewPwd->setText(password);
        window.txtConfirmNewPwd->setText(confirm);
        prompter.Answer(PromptAnswer::Ok);
        return Click(window.cmdConfirm);
    }
    int Click(QPushButton* button) {
        button->click();
        return window.result();
    }

    frmPassword window;
};

TEST_F(PasswordTest, WrongPasswordKeepsTheWindowOpenTheShownOneFocusesTheFieldAndGrowsForANewOne) {
    Store("Segreto");
    OnWindow([this] {
        EXPECT_EQ(window.txtPassword->echoMode(), QLineEdit::Password);
        prompter.Answer(PromptAnswer::Ok).Answer(PromptAnswer::Ok);
        EXPECT_NE(Login("segreto"), QDialog::Accepted);
        EXPECT_EQ(prompter.LastMessage(),
                  (PromptMessage{"La password non è corretta.\r\rFare attenzione all'utilizzo "
                                 "delle maiuscole/minuscole",
                                 "Tessarin", PromptIcon::Information}));
        EXPECT_EQ(prompter.Beeps(), 1);
        EXPECT_EQ(window.focusWidget(), window.txtPassword);
        // No stored password can hold a character outside Latin-1.
        EXPECT_NE(Login("Segreto€"), QDialog::Accepted);
        return Login("Segreto");
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, false));
    EXPECT_FALSE(window.Changed());
    EXPECT_EQ(window.Password(), QString::fromLatin1(Scramble("Segreto")));
    // With the change disabled the login only logs in.
    OnWindow([this] {
        EXPECT_TRUE(window.chkNew->isHidden());
        EXPECT_TRUE(window.txtPassword->isEnabled());
        return Login("Segreto");
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, true, nullptr, true));
    Store("abc");
    int loginHeight = 0;
    OnWindow([&] {
        window.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(window.focusWidget(), window.txtPassword);
        loginHeight = window.height();
        window.chkNew->click();
        QCoreApplication::processEvents();
        EXPECT_GT(window.height(), loginHeight);
        window.chkNew->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(window.height(), loginHeight);
        return Click(window.cmdCancel);
    });
    EXPECT_FALSE(window.ValidatePassword(nullptr, false));
    // Asked to change, even with no password set: Esc is a cancel too.
    WriteStored("");
    OnWindow([&] {
        window.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(window.focusWidget(), window.txtNewPwd);
        EXPECT_GT(window.height(), loginHeight);
        QTest::keyClick(&window, Qt::Key_Escape);
        return window.result();
    });
    EXPECT_FALSE(window.ValidatePassword(nullptr, true));
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Changed()); // and no message: it would be unscripted
}

TEST_F(PasswordTest, AChangeNeedsAMatchingConfirmationAnEmptyNewPasswordRemovesTheProtection) {
    Store("Vecchia");
    OnWindow([this] {
        EXPECT_FALSE(window.chkNew->isEnabled());
        EXPECT_EQ(window.txtPassword->text(), "Vecchia");
        EXPECT_FALSE(window.txtPassword->isEnabled());
        EXPECT_TRUE(window.txtNewPwd->isVisibleTo(&window));
        TypeNew("100€", "100€");
        EXPECT_EQ(prompter.LastMessage().Text,
                  "La password può contenere solo caratteri dell'alfabeto latino (Latin-1): "
                  "lettere accentate italiane sì, simboli come € no.");
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(window.focusWidget(), window.txtNewPwd);
        TypeNew("Nuòva", "Nuova");
        EXPECT_EQ(prompter.LastMessage().Text, kMismatch);
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(window.focusWidget(), window.txtConfirmNewPwd);
        EXPECT_EQ(Stored(), QByteArray("Vecchia"));
        return TypeNew("Nuòva", "Nuòva");
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, true));
    EXPECT_TRUE(window.Changed());
    EXPECT_EQ(window.Password(), "Nuòva");
    EXPECT_EQ(prompter.Messages().mid(1), (QStringList{kMismatch, kChanged}));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
    EXPECT_EQ(prompter.Beeps(), 3);
    EXPECT_EQ(ReadStored(), Scramble(QString("Nuòva").toLatin1()));
    // Asked for a change, or ticked at login (blanks alone are no password at all).
    for (const bool change : {true, false}) {
        SCOPED_TRACE(change);
        Store("abc");
        OnWindow([this, change] {
            if (!change) {
                EXPECT_FALSE(window.lblNew->isEnabled());
                window.chkNew->click();
                EXPECT_TRUE(window.lblNew->isEnabled());
                EXPECT_TRUE(window.txtNewPwd->isVisibleTo(&window));
                window.txtPassword->setText("abc");
            }
            return change ? TypeNew("", "") : TypeNew("   ", "   ");
        });
        EXPECT_TRUE(window.ValidatePassword(nullptr, change));
        EXPECT_EQ(prompter.LastMessage().Text,
                  kChanged +
                      "\r\rNOTA: Senza password sono disattivate tutte le restrizioni di accesso.");
        EXPECT_TRUE(QFile::exists(PasswordFile()));
        EXPECT_EQ(QFile(PasswordFile()).size(), 0);
    }
    EXPECT_TRUE(window.ValidatePassword(nullptr, false)); // no window: TearDown would see it
}

TEST_F(PasswordTest,
       ExternalPasswordNeverTouchesTheFileNoFileAsksNothingAnUnreadableOneStopsTheStart) {
    QString external = "Chiave";
    auto splash = std::make_unique<QWidget>();
    OnWindow([this, &splash] {
        EXPECT_EQ(window.parentWidget(), splash.get());
        return Login("Chiave");
    });
    EXPECT_TRUE(window.ValidatePassword(splash.get(), false, &external));
    EXPECT_EQ(external, QString::fromLatin1(Scramble("Chiave")));
    EXPECT_EQ(window.parentWidget(), nullptr);
    splash.reset(); // the window outlives the splash it was shown over
    EXPECT_EQ(window.objectName(), "frmPassword");
    external = "Chiave";
    OnWindow([this] {
        EXPECT_EQ(window.txtPassword->text(), "Chiave");
        return TypeNew("Altra", "Altra");
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, true, &external));
    EXPECT_EQ(external, "Altra");
    EXPECT_FALSE(QFile::exists(PasswordFile()));
    EXPECT_TRUE(ReadStored().isEmpty());
    EXPECT_TRUE(window.ValidatePassword(nullptr, false)); // no file: no window to script
    for (const QByteArray& bytes : {QByteArray("\x00\xFF\x80 a\x7F", 6), QByteArray("xy")}) {
        WriteStored(bytes);
        EXPECT_EQ(Mode(), 0400);
        EXPECT_EQ(ReadStored(), bytes);
    }
    ASSERT_TRUE(QFile::remove(PasswordFile()));
    // Even root cannot read a folder as a file.
    ASSERT_TRUE(QDir().mkpath(PasswordFile()));
    EXPECT_THROW(ReadStored(), std::runtime_error);
    prompter.Answer(PromptAnswer::No);
    EXPECT_FALSE(modGlobal::Login(nullptr, clsSettings()));
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith(
        "Impossibile leggere la password: il programma non può partire."));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    ASSERT_TRUE(QDir().rmdir(PasswordFile()));
    // A failed change from the window reaches the start: the password typed was right, so the
    // user goes on with it, and the new one is not kept.
    Store("abc");
    prompter.Dialog([](QDialog& login) {
        Child<QLineEdit>(login, "txtPassword")->setText("abc");
        Child<QCheckBox>(login, "chkNew")->click();
        Child<QLineEdit>(login, "txtNewPwd")->setText("xyz");
        Child<QLineEdit>(login, "txtConfirmNewPwd")->setText("xyz");
        const FileSizeLimit full;
        Child<QPushButton>(login, "cmdConfirm")->click();
        return login.result();
    });
    prompter.Answer(PromptAnswer::No);
    EXPECT_TRUE(modGlobal::Login(nullptr, clsSettings()));
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith(
        "Modifica password fallita: resta valida la password precedente."));
    EXPECT_EQ(Stored(), QByteArray("abc"));
    EXPECT_EQ(Mode(), 0400);
    EXPECT_EQ(QDir(m_dir.filePath("home")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"prtct1.sys"});
}

} // namespace
