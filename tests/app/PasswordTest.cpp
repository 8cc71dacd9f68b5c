#include "TempEnvironment.h"

#include <Main.h>
#include <ScriptedPrompter.h>
#include <clsSettings.h>
#include <frmPassword.h>
#include <modPassword.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <stdexcept>

using namespace modPassword;

namespace {

const QString kWrong =
    "La password non è corretta.\r\rFare attenzione all'utilizzo delle maiuscole/minuscole";
const QString kMismatch = "La password di conferma non corrisponde...";
const QString kChanged = "La password e' stata modificata.";
const QString kNoProtection =
    "\r\rNOTA: Senza password sono disattivate tutte le restrizioni di accesso.";

QByteArray AllBytes(int length, int first) {
    QByteArray text;
    for (int i = 0; i < length; ++i)
        text.append(static_cast<char>((first + i) % 256));
    return text;
}

// While it lives, writing past the end of an empty file fails (EFBIG), for root too.
class FileSizeLimit {
public:
    FileSizeLimit() {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

quint8 Rotated(quint8 code) {
    return static_cast<quint8>((code >> 1) | ((code & 1) << 7));
}

TEST(PasswordScramble, EveryByteRoundTripsInTextsOfBothParities) {
    for (int length : {255, 256, 1, 2}) {
        for (int first : {0, 1, 127, 200}) {
            const QByteArray clear = AllBytes(length, first);
            EXPECT_EQ(Unscramble(Scramble(clear)), clear) << length << " from " << first;
            EXPECT_EQ(Scramble(Unscramble(clear)), clear) << length << " from " << first;
        }
    }
}

TEST(PasswordScramble, OnlyOddLengthsFlipBitSevenAtOddPositions) {
    const QByteArray even = AllBytes(256, 0);
    const QByteArray evenScrambled = Scramble(even);
    for (int i = 0; i < even.size(); ++i)
        EXPECT_EQ(static_cast<quint8>(evenScrambled[i]), Rotated(even[i])) << i;

    const QByteArray odd = AllBytes(255, 0);
    const QByteArray oddScrambled = Scramble(odd);
    for (int i = 0; i < odd.size(); ++i) {
        // Index 0 is position 1, an odd one.
        const quint8 expected = Rotated(odd[i]) ^ (i % 2 == 0 ? 0x80 : 0);
        EXPECT_EQ(static_cast<quint8>(oddScrambled[i]), expected) << i;
    }
    EXPECT_EQ(Scramble("AB"), QByteArray("\xA0!"));
    EXPECT_EQ(Scramble("ABC"), QByteArray("\x20!\x21"));
}

TEST(PasswordScramble, BlankTextMeansNoPassword) {
    EXPECT_TRUE(Scramble("").isEmpty());
    EXPECT_TRUE(Scramble("   ").isEmpty());
    EXPECT_EQ(Scramble(" a ").size(), 3);
    // Scrambled bytes that happen to be blanks still come back.
    EXPECT_EQ(Scramble("@@"), QByteArray("  "));
    EXPECT_EQ(Unscramble("  "), QByteArray("@@"));
}

class PasswordTest : public TempEnvironment {
protected:
    static void Store(const QString& clear) { WriteStored(Scramble(clear.toLatin1())); }
    static int Mode(const QString& path) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0) return -1;
        return static_cast<int>(info.st_mode & 07777);
    }
    void TearDown() override {
        EXPECT_EQ(prompter.Failures(), QStringList());
        EXPECT_EQ(prompter.Pending(), 0u);
        TempEnvironment::TearDown();
    }
    // Types the current password and confirms; returns the window's result. The scripted
    // prompter does not run the window's own loop, so nothing resets the result but us.
    static int Login(frmPassword& window, const QString& typed) {
        window.setResult(0);
        window.txtPassword->setText(typed);
        window.cmdConfirm->click();
        return window.result();
    }
    // The next message box will be answered OK.
    void Answered() { prompter.Answer(PromptAnswer::Ok); }
    static void TypeNew(frmPassword& window, const QString& password, const QString& confirm) {
        window.txtNewPwd->setText(password);
        window.txtConfirmNewPwd->setText(confirm);
    }

    ScriptedPrompter prompter;
    frmPassword window;
};

TEST_F(PasswordTest, FileIsReadOnlyForTheOwnerAndCanBeRewritten) {
    EXPECT_EQ(PasswordFile(), m_dir.filePath("home/prtct1.sys"));
    EXPECT_TRUE(ReadStored().isEmpty());

    const QByteArray bytes("\x00\xFF\x80 a\x7F", 6);
    WriteStored(bytes);
    EXPECT_EQ(Mode(PasswordFile()), 0400);
    EXPECT_EQ(ReadStored(), bytes);

    WriteStored("xy");
    EXPECT_EQ(Mode(PasswordFile()), 0400);
    EXPECT_EQ(ReadStored(), QByteArray("xy"));
    WriteStored("");
    EXPECT_TRUE(QFile::exists(PasswordFile()));
    EXPECT_EQ(QFile(PasswordFile()).size(), 0);
}

TEST_F(PasswordTest, NoPasswordAsksNothing) {
    EXPECT_TRUE(window.ValidatePassword(nullptr, false));
    EXPECT_TRUE(prompter.History().empty());

    WriteStored("");
    EXPECT_TRUE(window.ValidatePassword(nullptr, false));
    EXPECT_TRUE(prompter.History().empty());
    EXPECT_FALSE(window.Changed());
}

TEST_F(PasswordTest, WrongPasswordKeepsTheWindowOpenAndCaseMatters) {
    Store("Segreto");
    prompter.Dialog([this](QDialog&) {
        EXPECT_TRUE(window.chkNew->isEnabled());
        EXPECT_FALSE(window.chkNew->isChecked());
        EXPECT_TRUE(window.txtNewPwd->isHidden() || !window.txtNewPwd->isVisibleTo(&window));
        EXPECT_EQ(window.txtPassword->echoMode(), QLineEdit::Password);

        Answered();
        EXPECT_NE(Login(window, "segreto"), QDialog::Accepted);
        EXPECT_EQ(prompter.Messages(), QStringList{kWrong});
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
        EXPECT_EQ(prompter.LastMessage().Caption, "Tessarin");
        EXPECT_EQ(prompter.Beeps(), 1);
        EXPECT_EQ(window.focusWidget(), window.txtPassword);
        // No stored password can hold a character outside Latin-1.
        Answered();
        EXPECT_NE(Login(window, "Segreto€"), QDialog::Accepted);
        EXPECT_EQ(prompter.Messages().size(), 2);
        return Login(window, "Segreto");
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, false));
    EXPECT_FALSE(window.Changed());
    EXPECT_EQ(window.Password(), QString::fromLatin1(Scramble("Segreto")));
}

TEST_F(PasswordTest, CancelRefusesEvenWithoutPassword) {
    Store("x");
    prompter.Dialog([this](QDialog&) {
        window.cmdCancel->click();
        return window.result();
    });
    EXPECT_FALSE(window.ValidatePassword(nullptr, false));

    // Asked to change with no password set: leaving with Esc is a cancel too.
    WriteStored("");
    prompter.Dialog([this](QDialog&) {
        QTest::keyClick(&window, Qt::Key_Escape);
        return window.result();
    });
    EXPECT_FALSE(window.ValidatePassword(nullptr, true));
    EXPECT_TRUE(prompter.Messages().isEmpty());
}

TEST_F(PasswordTest, ChangeWritesTheNewPasswordAfterAMatchingConfirmation) {
    Store("Vecchia");
    prompter.Dialog([this](QDialog&) {
        EXPECT_TRUE(window.chkNew->isChecked());
        EXPECT_FALSE(window.chkNew->isEnabled());
        EXPECT_EQ(window.txtPassword->text(), "Vecchia");
        EXPECT_FALSE(window.txtPassword->isEnabled());
        EXPECT_TRUE(window.txtNewPwd->isVisibleTo(&window));
        EXPECT_TRUE(window.lblConfirmNewPwd->isEnabled());

        TypeNew(window, "Nuòva", "Nuova");
        Answered();
        window.cmdConfirm->click();
        EXPECT_EQ(prompter.LastMessage().Text, kMismatch);
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(window.focusWidget(), window.txtConfirmNewPwd);
        EXPECT_EQ(Unscramble(ReadStored()), QByteArray("Vecchia"));

        TypeNew(window, "Nuòva", "Nuòva");
        Answered();
        window.cmdConfirm->click();
        return window.result();
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, true));
    EXPECT_TRUE(window.Changed());
    EXPECT_EQ(window.Password(), "Nuòva");
    EXPECT_EQ(prompter.Messages(), (QStringList{kMismatch, kChanged}));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Information);
    EXPECT_EQ(prompter.Beeps(), 2);
    EXPECT_EQ(ReadStored(), Scramble(QString("Nuòva").toLatin1()));
    EXPECT_EQ(Mode(PasswordFile()), 0400);

    // The next login wants the new one.
    prompter.Dialog([this](QDialog&) {
        Answered();
        EXPECT_NE(Login(window, "Vecchia"), QDialog::Accepted);
        return Login(window, "Nuòva");
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, false));
    EXPECT_FALSE(window.Changed());
}

TEST_F(PasswordTest, EmptyNewPasswordRemovesTheProtection) {
    Store("abc");
    prompter.Dialog([this](QDialog&) {
        TypeNew(window, "", "");
        Answered();
        window.cmdConfirm->click();
        return window.result();
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, true));
    EXPECT_EQ(prompter.LastMessage().Text, kChanged + kNoProtection);
    EXPECT_TRUE(QFile::exists(PasswordFile()));
    EXPECT_EQ(QFile(PasswordFile()).size(), 0);

    const size_t asked = prompter.History().size();
    EXPECT_TRUE(window.ValidatePassword(nullptr, false));
    EXPECT_EQ(prompter.History().size(), asked);
}

TEST_F(PasswordTest, LoginCanChangeThePasswordUnlessChangeIsDisabled) {
    Store("abc");
    prompter.Dialog([this](QDialog&) {
        EXPECT_FALSE(window.lblNew->isEnabled());
        window.chkNew->click();
        EXPECT_TRUE(window.lblNew->isEnabled());
        EXPECT_TRUE(window.txtNewPwd->isVisibleTo(&window));
        window.txtPassword->setText("abc");
        TypeNew(window, "   ", "   ");
        Answered();
        window.cmdConfirm->click();
        return window.result();
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, false));
    // Blanks alone are no password at all.
    EXPECT_EQ(prompter.LastMessage().Text, kChanged + kNoProtection);
    EXPECT_TRUE(ReadStored().isEmpty());

    Store("abc");
    prompter.Dialog([this](QDialog&) {
        EXPECT_TRUE(window.chkNew->isHidden());
        EXPECT_TRUE(window.txtPassword->isEnabled());
        return Login(window, "abc");
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, true, nullptr, true));
    EXPECT_FALSE(window.Changed());
}

TEST_F(PasswordTest, NewPasswordOutsideLatin1IsRefused) {
    Store("abc");
    prompter.Dialog([this](QDialog&) {
        TypeNew(window, "100€", "100€");
        Answered();
        window.cmdConfirm->click();
        EXPECT_EQ(prompter.LastMessage().Text,
                  "La password può contenere solo caratteri dell'alfabeto latino (Latin-1): "
                  "lettere accentate italiane sì, simboli come € no.");
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Exclamation);
        EXPECT_EQ(window.focusWidget(), window.txtNewPwd);
        window.cmdCancel->click();
        return window.result();
    });
    EXPECT_FALSE(window.ValidatePassword(nullptr, true));
    EXPECT_FALSE(window.Changed());
    EXPECT_EQ(Unscramble(ReadStored()), QByteArray("abc"));
}

TEST_F(PasswordTest, ExternalPasswordNeverTouchesTheFile) {
    QString external = "Chiave";
    prompter.Dialog([this](QDialog&) { return Login(window, "Chiave"); });
    EXPECT_TRUE(window.ValidatePassword(nullptr, false, &external));
    EXPECT_EQ(external, QString::fromLatin1(Scramble("Chiave")));

    external = "Chiave";
    prompter.Dialog([this](QDialog&) {
        EXPECT_EQ(window.txtPassword->text(), "Chiave");
        TypeNew(window, "Altra", "Altra");
        Answered();
        window.cmdConfirm->click();
        return window.result();
    });
    EXPECT_TRUE(window.ValidatePassword(nullptr, true, &external));
    EXPECT_EQ(external, "Altra");
    EXPECT_FALSE(QFile::exists(PasswordFile()));
}

TEST_F(PasswordTest, AFailedWriteKeepsTheOldPasswordAndReachesTheCaller) {
    Store("Vecchia");
    {
        const FileSizeLimit full;
        EXPECT_THROW(Store("Nuova"), std::runtime_error);
    }
    EXPECT_EQ(Unscramble(ReadStored()), QByteArray("Vecchia"));
    EXPECT_EQ(Mode(PasswordFile()), 0400);
    EXPECT_EQ(QDir(m_dir.filePath("home")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"prtct1.sys"});

    // From the window: it closes, and the error reaches whoever asked for the change.
    prompter.Dialog([this](QDialog&) {
        TypeNew(window, "abc", "abc");
        const FileSizeLimit full;
        window.cmdConfirm->click();
        EXPECT_FALSE(window.isVisible());
        return window.result();
    });
    try {
        window.ValidatePassword(nullptr, true);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith("Impossibile scrivere"));
    }
    EXPECT_FALSE(window.Changed());
    EXPECT_TRUE(prompter.Messages().isEmpty());
    EXPECT_EQ(Unscramble(ReadStored()), QByteArray("Vecchia"));
}

TEST_F(PasswordTest, StartUpReportsAnUnreadableFileAndAFailedChange) {
    // Even root cannot read a folder as a file.
    ASSERT_TRUE(QDir().mkpath(PasswordFile()));
    EXPECT_THROW(ReadStored(), std::runtime_error);
    prompter.Answer(PromptAnswer::No);
    EXPECT_FALSE(modGlobal::Login(nullptr, clsSettings()));
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith(
        "Impossibile leggere la password: il programma non può partire."));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    ASSERT_TRUE(QDir().rmdir(PasswordFile()));

    // The password typed was right: the user goes on with it, the new one is not kept.
    Store("abc");
    prompter.Dialog([this](QDialog& login) {
        login.findChild<QLineEdit*>("txtPassword")->setText("abc");
        login.findChild<QCheckBox*>("chkNew")->click();
        login.findChild<QLineEdit*>("txtNewPwd")->setText("xyz");
        login.findChild<QLineEdit*>("txtConfirmNewPwd")->setText("xyz");
        const FileSizeLimit full;
        login.findChild<QPushButton*>("cmdConfirm")->click();
        return login.result();
    });
    prompter.Answer(PromptAnswer::No);
    EXPECT_TRUE(modGlobal::Login(nullptr, clsSettings()));
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith(
        "Modifica password fallita: resta valida la password precedente."));
    EXPECT_EQ(Unscramble(ReadStored()), QByteArray("abc"));
}

TEST_F(PasswordTest, AsksOverTheCallersWindowWithoutBelongingToIt) {
    Store("abc");
    auto splash = std::make_unique<QWidget>();
    prompter.Dialog([this, &splash](QDialog&) {
        EXPECT_EQ(window.parentWidget(), splash.get());
        return Login(window, "abc");
    });
    EXPECT_TRUE(window.ValidatePassword(splash.get(), false));
    EXPECT_EQ(window.parentWidget(), nullptr);
    splash.reset();
    EXPECT_EQ(window.objectName(), "frmPassword");
}

TEST_F(PasswordTest, ShownWindowFocusesTheFieldToTypeAndGrowsWithTheNewPassword) {
    Store("abc");
    int loginHeight = 0;
    prompter.Dialog([this, &loginHeight](QDialog&) {
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
        window.cmdCancel->click();
        return window.result();
    });
    EXPECT_FALSE(window.ValidatePassword(nullptr, false));

    prompter.Dialog([this, loginHeight](QDialog&) {
        window.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(window.focusWidget(), window.txtNewPwd);
        EXPECT_GT(window.height(), loginHeight);
        window.cmdCancel->click();
        return window.result();
    });
    EXPECT_FALSE(window.ValidatePassword(nullptr, true));
    EXPECT_FALSE(window.isVisible());
}

} // namespace
