// The message and progress window (the counter, the stop question, the owner it disables), the
// error report (the short box, the details window, and what it saves, opens in the browser and
// mails to support), and the Italian texts of the platform's own buttons.
#include "ReportError.h"
#include "WindowTest.h"
#include "clsSettings.h"
#include "frmMessage.h"
#include "frmShowException.h"
#include "modTranslations.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kDetails = "\r\rVisualizzare dettagli ?";
const QByteArray kSaved = "Error: 124 (8004007C)Riga 1\r\nRiga 2\r\n";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Records what the desktop was asked to open.
class Opener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl& url) { Opened << url; }
};

class DialogsTest : public WindowTest {
protected:
    void SetUp() override {
        for (const char* scheme : {"file", "mailto"})
            QDesktopServices::setUrlHandler(scheme, &m_opener, "Open");
    }
    void TearDown() override {
        for (const char* scheme : {"file", "mailto"})
            QDesktopServices::unsetUrlHandler(scheme);
        frmMessage::Unload();
        WindowTest::TearDown();
    }
    frmMessage& Window() { return frmMessage::Instance(); }
    template <typename T> T* Control(const char* name) { return Child<T>(Window(), name); }
    QProgressBar* Bar() { return Control<QProgressBar>("pbNotify"); }
    QString Counter() { return Control<QLabel>("lblCount")->text(); }
    QPushButton* Stop() { return Control<QPushButton>("cmdStop"); }
    // Shows the window over `owner` with a progress of `maximum` and the stop button.
    void ShowWithProgress(QWidget& owner, qint64 maximum) {
        owner.show();
        Window().ShowMsg("Trasferimento dati...", &owner);
        Window().StartProgress(maximum, true);
    }
    Opener m_opener;
    clsSettings m_settings;
};

TEST_F(DialogsTest,
       TheBoxShowsTheCallersTextOrTheDescriptionCutYesTheCodeAndAllOfItCountedFromTheBase) {
    const QString import = "Impossibile importare i dati";
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString description = QString(400, 'd') + "\rfine";
    const struct {
        std::function<void()> report;
        QString shown, code{}, details{}; // with a code: Yes, and the details window shows them
    } cases[] = {
        // The engine's 124 and 32755 show the engine's text; the platform's 124 does not.
        {[&] { ReportError(m_settings, import, DbmsError(124, "lock")); }, kEngineMessage124},
        {[&] { ReportError(m_settings, import, DbmsError::ObjectErrorBase + 32755, "x"); },
         kEngineMessage124},
        {[&] { ReportError(m_settings, import, 124, "platform error 124"); }, import + " ..."},
        {[&] { ReportError(m_settings, QString(250, 'a') + "b", 1, "x"); },
         QString(200, 'a') + " ..."},
        {[&] { ReportError(m_settings, QString(199, 'a') + smile + "zzz", 1, "x"); },
         QString(199, 'a') + " ..."}, // never half a character
        {[&] { ReportError(m_settings, "", std::runtime_error(std::string(210, 'x'))); },
         QString(200, 'x') + " ..."},
        {[&] { ReportError(m_settings, "Errore", DbmsError(30, description)); }, "Errore ...",
         "30 (8004001E)", QString(400, 'd') + "\nfine"},
        // Anything that is not the engine's is an internal error.
        {[&] { ReportError(m_settings, "Errore", std::logic_error("bad")); }, "Errore ...",
         "51 (33)", "bad"},
    };
    for (const auto& c : cases) {
        QString code, shown;
        prompter.Answer(c.code.isEmpty() ? PromptAnswer::No : PromptAnswer::Yes);
        if (!c.code.isEmpty())
            prompter.Dialog([&](QDialog& window) {
                code = window.findChild<QLabel*>("lblCode")->text();
                shown = window.findChild<QPlainTextEdit*>("txtMsg")->toPlainText();
                return int(QDialog::Rejected);
            });
        c.report();
        EXPECT_EQ(prompter.LastMessage(),
                  (PromptMessage{c.shown + kDetails, "Tessarin", PromptIcon::Critical,
                                 PromptButtons::YesNo, PromptAnswer::No}));
        EXPECT_EQ(code, c.code); // a dialog not scripted, or scripted and not shown, fails too
        EXPECT_TRUE(shown.endsWith(c.details)) << shown.toStdString();
    }
    frmShowException window(m_settings);
    window.SetException("1 (1)", "uno\r\ndue\r\ntre");
    EXPECT_EQ(window.findChild<QPlainTextEdit*>("txtMsg")->toPlainText(), "uno\ndue\ntre");
    // The code counts from the engine's error base.
    EXPECT_EQ(ErrorCodeText(DbmsError(124, "x").Number()), "124 (8004007C)");
    EXPECT_EQ(ErrorCodeText(DbmsError::ObjectErrorBase + 60), "60 (8004003C)");
    // The same number as a signed 32-bit value, as the platform reports it.
    EXPECT_EQ(ErrorCodeText(-2147221504 + 60), "60 (8004003C)");
    // Errors of the platform itself keep their own number.
    EXPECT_EQ(ErrorCodeText(53), "53 (35)");
    EXPECT_EQ(ErrorCodeText(0x7FFFFFFF), "2147483647 (7FFFFFFF)");
}

TEST_F(DialogsTest, SaveWritesOneErrorLineTheWindowAloneAskingBeforeReplacingAFile) {
    const QString path = m_dir.filePath("LastError.txt");
    prompter.File(path)
        .File(path)
        .Answer(PromptAnswer::No)
        .File(path)
        .Answer(PromptAnswer::Yes)
        .File(m_dir.filePath("manca/LastError.txt"))
        .Answer(PromptAnswer::Ok);
    frmShowException window(m_settings);
    window.SetException("124 (8004007C)", "Riga 1\rRiga 2"); // saved with \r\n line ends
    window.show();
    Click(window, "cmdSave");
    EXPECT_EQ(ReadAll(path), kSaved); // asking nothing: the script's next step is a file
    QFile old(path);
    EXPECT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate) && old.write("vecchio") == 7);
    old.close();
    Click(window, "cmdSave");
    EXPECT_EQ(prompter.LastMessage(),
              (PromptMessage{QString::fromUtf8("Il file esiste già...\r\rVuoi sostituirlo ?"),
                             "ATTENZIONE", PromptIcon::Exclamation, PromptButtons::YesNo,
                             PromptAnswer::No}));
    EXPECT_EQ(ReadAll(path), QByteArray("vecchio"));
    Click(window, "cmdSave");
    EXPECT_EQ(ReadAll(path), kSaved);
    // A failed save is told and the window stays.
    Click(window, "cmdSave");
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Impossibile scrivere il file "));
    EXPECT_TRUE(window.isVisible());
    // The Qt prompter's chooser leaves the question to the window: asking too would ask twice.
    bool confirms = true;
    QTimer::singleShot(0, [&confirms] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(chooser);
        confirms = !chooser->testOption(QFileDialog::DontConfirmOverwrite);
        chooser->reject();
    });
    SetPrompter(nullptr); // the Qt prompter's own
    Prompter().SaveFileName(nullptr, "Salva con nome", m_dir.path(), "Testo (*.txt)");
    SetPrompter(&prompter);
    EXPECT_FALSE(confirms);
}

TEST_F(DialogsTest, BrowserAndSupportOpenThePageAndTheMailLinkEncoded) {
    EXPECT_EQ(
        SupportMailLink("help@example.it", "60 (8004003C)", QString::fromUtf8("Già (x)\r\ny")),
        QString::fromUtf8("mailto:help@example.it?subject=SUPPORT%20REQUEST&body=Error:%2060%20"
                          "(8004003C)Già%20(x)%0d%0ay"));
    // What would end the body or add fields stays inside it.
    EXPECT_EQ(SupportMailLink("a@b.it", "1 (1)", "x&cc=c@d.it#50%"),
              QString("mailto:a@b.it?subject=SUPPORT%20REQUEST&body=Error:%201%20(1)"
                      "x%26cc=c@d.it%2350%25"));
    // The page for the browser escapes the message; the mail carries it as it is.
    m_settings.SupportEMail = "assistenza@example.it";
    frmShowException window(m_settings);
    window.SetException("21 (80040015)", "Campo <b>Nome</b> & \"altro\"\rsconosciuto");
    Click(window, "cmdBrowser");
    const QString path = m_dir.filePath("home/Error.htm"); // in the program's folder
    const QString page = QString::fromUtf8(ReadAll(path));
    EXPECT_TRUE(page.contains("Campo &lt;b&gt;Nome&lt;/b&gt; &amp; &quot;altro&quot;\r\n"
                              "sconosciuto\r\n"));
    EXPECT_EQ(m_opener.Opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    Click(window, "cmdSupport");
    EXPECT_EQ(m_opener.Opened.mid(1),
              QList<QUrl>{QUrl(SupportMailLink("assistenza@example.it", "21 (80040015)",
                                               "Campo <b>Nome</b> & \"altro\"\r\nsconosciuto"))});
}

TEST_F(DialogsTest, CounterShowsValueOverMaximumUpTo9999ThenPercentAFullBarEndsWhenShownAgain) {
    const struct {
        qint64 maximum, position;
        QString shown;
    } cases[] = {{9999, 5000, "5000 / 9999"}, {10000, 5000, "50 %"}, {10000, 1234, "12 %"}};
    for (const auto& c : cases) {
        Window().StartProgress(c.maximum, false);
        EXPECT_TRUE(Counter().isEmpty());
        EXPECT_TRUE(Window().Progress(c.position, false));
        EXPECT_EQ(Counter(), c.shown);
    }
    // A position above the maximum leaves the bar but updates the counter.
    Window().StartProgress(10, false);
    Window().Progress(4, false);
    Control<QLabel>("lblCount")->setText("stale");
    Window().Progress(11, false);
    EXPECT_EQ(Bar()->value(), 4);
    EXPECT_EQ(Counter(), "4 / 10");
    // A zero maximum gives a bar of one step, which a step never passes.
    Window().StartProgress(0, false);
    EXPECT_EQ(Window().MaxProgress(), 1);
    Window().Progress(0, false);
    Window().Progress(0, false);
    EXPECT_EQ(Bar()->value(), 1);
    EXPECT_EQ(Counter(), "1 / 1");
    // Showing again with a full bar ends the progress, unless still shown.
    QWidget owner;
    Window().StartProgress(2, false);
    Window().Progress(2, false);
    Window().ShowMsg("Fine", &owner);
    EXPECT_EQ(Window().MaxProgress(), 0);
    // While still shown, a full bar stays.
    Window().StartProgress(2, false);
    Window().Progress(2, false);
    Window().ShowMsg("Ancora", &owner);
    EXPECT_EQ(Window().MaxProgress(), 2);
}

TEST_F(DialogsTest, StopAnsweredNoCarriesOnConfirmedTwiceClosesAndStopsAlsoDuringTheWork) {
    for (bool byKey : {false, true}) { // Interrompi, Esc
        SCOPED_TRACE(byKey);
        prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes).Answer(PromptAnswer::Yes);
        QWidget owner;
        ShowWithProgress(owner, 100);
        const auto stop = [&] {
            if (byKey)
                QTest::keyClick(&Window(), Qt::Key_Escape);
            else
                QTest::mouseClick(Stop(), Qt::LeftButton);
        };
        stop();
        EXPECT_FALSE(Window().Stopped());
        EXPECT_TRUE(Window().Progress(1, false));
        stop();
        EXPECT_EQ(prompter.LastMessage(),
                  (PromptMessage{"Confermi l'interruzione ?", "Tessarin", PromptIcon::Question,
                                 PromptButtons::YesNo, PromptAnswer::Yes}));
        EXPECT_TRUE(Window().Stopped());
        EXPECT_TRUE(Window().isVisible());
        EXPECT_FALSE(Window().Progress(5, false));
        stop();
        EXPECT_FALSE(Window().isVisible());
        EXPECT_TRUE(owner.isEnabled());
        // The operation still holds the window and must see the stop at its next report.
        bool more = true;
        Window().OnProgress("", 6, more);
        EXPECT_FALSE(more);
        bool stopped = false;
        Window().OnStopped(stopped);
        EXPECT_TRUE(stopped);
    }
    // A stop during the work is seen until a new progress, and the engine sees it too.
    prompter.Answer(PromptAnswer::Yes);
    QWidget owner;
    ShowWithProgress(owner, 100);
    QTimer::singleShot(0, Stop(), &QPushButton::click);
    EXPECT_FALSE(Window().Progress(1, false));
    Window().StartProgress(10, true);
    EXPECT_FALSE(Window().Stopped());
    EXPECT_TRUE(Window().Progress(1, false));
    // The engine reports through the progress interface; its work can always be stopped.
    Window().StartProgress(1, false);
    EXPECT_TRUE(Stop()->isHidden());
    itfProgress& sink = Window();
    sink.OnStart("Esportazione", 3);
    EXPECT_FALSE(Stop()->isHidden());
    bool more = false;
    sink.OnProgress("Esportazione", 2, more);
    EXPECT_TRUE(more);
    EXPECT_EQ(Counter(), "2 / 3");
    sink.OnEnd("Esportazione");
    EXPECT_EQ(Window().MaxProgress(), 0);
}

TEST_F(DialogsTest, TheOwnerIsDisabledWhileShownAndRestoredOnUnloadWithNoWayToCloseIt) {
    QWidget owner, second, disabled;
    owner.show();
    second.show();
    Window().ShowMsg("Lettura Clienti...", &owner);
    EXPECT_EQ(Control<QLabel>("lblMessage")->text(), "Lettura Clienti...");
    EXPECT_FALSE(owner.isEnabled());
    // Without a stop button Esc does nothing, and the title bar's close is refused.
    QTest::keyClick(&Window(), Qt::Key_Escape);
    EXPECT_FALSE(Window().close());
    EXPECT_TRUE(Window().isVisible());
    // The hourglass turns while the window is loaded.
    auto* timer = Control<QTimer>("tmHourglass");
    const QImage before = Control<QLabel>("imgHourglass")->pixmap().toImage();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Control<QLabel>("imgHourglass")->pixmap().toImage() != before; }));
    // A further message for the same owner keeps it disabled.
    Window().ShowMsg("Lettura Fornitori...", &owner);
    EXPECT_FALSE(owner.isEnabled());
    frmMessage::Unload();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(Window().isVisible());
    EXPECT_FALSE(timer->isActive());
    // A second owner releases the first.
    Window().ShowMsg("Uno", &owner);
    Window().ShowMsg("Due", &second);
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(second.isEnabled());
    frmMessage::Unload();
    EXPECT_TRUE(second.isEnabled());
    // An owner disabled beforehand stays disabled.
    disabled.show();
    disabled.setEnabled(false);
    Window().ShowMsg("Attendere...", &disabled);
    frmMessage::Unload();
    EXPECT_FALSE(disabled.isEnabled());
    // An owner destroyed while remembered is forgotten: nothing dangles on unload.
    auto* gone = new QWidget;
    gone->show();
    Window().ShowMsg("Attendere...", gone);
    delete gone;
    frmMessage::Unload();
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(DialogsTest, StandardButtonsAndLocaleAreItalian) {
    QLocale::setDefault(QLocale::c()); // as the program starts
    EXPECT_TRUE(LoadItalianTranslations(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, "Tessarin", "Confermi ?",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Sì"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), "&No");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "Annulla");
    const QLocale locale;
    EXPECT_EQ(locale.monthName(3), "marzo");
    EXPECT_EQ(locale.toString(1500000.0, 'f', 2), "1.500.000,00");
}

} // namespace

#include "DialogsTest.moc"
